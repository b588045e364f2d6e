#pragma once
// The Opera cleaners (Opera up to version 12): whole files of the profile folder that hold the
// cache, cookies, history, typed addresses, downloads and cached images. Nothing is read from
// inside them. Later versions share Chrome's layout and are cleaned with Chrome.
#include "cleaners/browsers/BrowserWorkObject.h"

namespace tw {

class TOperaBrowserObject : public TBrowserWorkObject {
 public:
  using TBrowserWorkObject::TBrowserWorkObject;

  // Opera's findings are files, shown as paths.
  TFindingCaption FindingCaption(int index) const override { return {Found.Text(index), true}; }
  // Opera's items show the picture of their browser's group.
  bool ShowsGroupPicture() const override { return true; }

 protected:
  // Scans Names (files of the profile folder, in order) and then the files directly in
  // Folders, or cleans what was found. Raises "Opera not found!" when there is no profile.
  void Run(std::initializer_list<const char*> names, std::initializer_list<const char*> folders);
};

class TOperaCacheObject : public TOperaBrowserObject {
 public:
  using TOperaBrowserObject::TOperaBrowserObject;
  void Execute() override { Run({"vlink4.dat"}, {"cache4\\"}); }
  const char* ClassName() const override { return "TOperaCacheObject"; }
};

class TOperaCookiesObject : public TOperaBrowserObject {
 public:
  using TOperaBrowserObject::TOperaBrowserObject;
  void Execute() override { Run({"cookies4.dat"}, {}); }
  const char* ClassName() const override { return "TOperaCookiesObject"; }
};

class TOperaHistoryObject : public TOperaBrowserObject {
 public:
  using TOperaBrowserObject::TOperaBrowserObject;
  void Execute() override { Run({"global.dat", "opera.win", "autopera.win"}, {}); }
  const char* ClassName() const override { return "TOperaHistoryObject"; }
};

class TOperaTypedURLsObject : public TOperaBrowserObject {
 public:
  using TOperaBrowserObject::TOperaBrowserObject;
  void Execute() override { Run({"opera.dir"}, {}); }
  const char* ClassName() const override { return "TOperaTypedURLsObject"; }
};

class TOperaDownloadsObject : public TOperaBrowserObject {
 public:
  using TOperaBrowserObject::TOperaBrowserObject;
  void Execute() override { Run({"download.dat"}, {"cache4\\temporary_download\\"}); }
  const char* ClassName() const override { return "TOperaDownloadsObject"; }
};

class TOperaImagesObject : public TOperaBrowserObject {
 public:
  using TOperaBrowserObject::TOperaBrowserObject;
  void Execute() override { Run({}, {"images\\"}); }
  const char* ClassName() const override { return "TOperaImagesObject"; }
};

}  // namespace tw
