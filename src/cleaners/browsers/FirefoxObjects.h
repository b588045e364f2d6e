#pragma once
// The Firefox cleaners: cookies, history, form entries, downloads and favicons (rows of the
// profile databases, and the plain files older versions kept them in), and the disk cache.
// They work on every profile listed in "profiles.ini".
#include "cleaners/browsers/BrowserWorkObject.h"

namespace tw {

class TFirefoxBrowserObject : public TBrowserWorkObject {
 public:
  using TBrowserWorkObject::TBrowserWorkObject;

  // A file is shown as a path; a row's columns (separated by ",") as they are.
  TFindingCaption FindingCaption(int index) const override { return FileOrRowCaption(index); }
  // Firefox's items show the picture of their browser's group.
  bool ShowsGroupPicture() const override { return true; }

 protected:
  // The profiles; raises "Firefox profile not found!" when there is none.
  const std::vector<TBrowserProfile>& Profiles() const;
  // The common run of the database cleaners: scan the profiles or clean what was found.
  void Run(const char* oldFile, std::span<const TRowSource> sources);
};

class TFirefoxCacheObject : public TFirefoxBrowserObject {
 public:
  using TFirefoxBrowserObject::TFirefoxBrowserObject;
  void Execute() override;
  const char* ClassName() const override { return "TFirefoxCacheObject"; }
};

class TFirefoxCookiesObject : public TFirefoxBrowserObject {
 public:
  using TFirefoxBrowserObject::TFirefoxBrowserObject;
  void Execute() override { Run("cookies.txt", FirefoxCookieSources()); }
  const char* ClassName() const override { return "TFirefoxCookiesObject"; }
};

class TFirefoxHistoryObject : public TFirefoxBrowserObject {
 public:
  using TFirefoxBrowserObject::TFirefoxBrowserObject;
  void Execute() override { Run("history.dat", FirefoxHistorySources()); }
  const char* ClassName() const override { return "TFirefoxHistoryObject"; }
};

class TFirefoxFormsObject : public TFirefoxBrowserObject {
 public:
  using TFirefoxBrowserObject::TFirefoxBrowserObject;
  void Execute() override { Run("formhistory.dat", FirefoxFormSources()); }
  const char* ClassName() const override { return "TFirefoxFormsObject"; }
};

class TFirefoxDownloadsObject : public TFirefoxBrowserObject {
 public:
  using TFirefoxBrowserObject::TFirefoxBrowserObject;
  void Execute() override { Run(nullptr, FirefoxDownloadSources()); }
  const char* ClassName() const override { return "TFirefoxDownloadsObject"; }
};

class TFirefoxFaviconsObject : public TFirefoxBrowserObject {
 public:
  using TFirefoxBrowserObject::TFirefoxBrowserObject;
  void Execute() override { Run(nullptr, FirefoxFaviconSources()); }
  const char* ClassName() const override { return "TFirefoxFaviconsObject"; }
};

}  // namespace tw
