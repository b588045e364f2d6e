#pragma once
// The Chrome cleaners: cookies, history, search terms, downloads, thumbnails and favicons, the
// rows of the profile databases. They work on every profile of Chrome and of the browsers that
// share its layout (Edge, Brave, Vivaldi, Opera since version 15...), as those are when they run.
#include "cleaners/browsers/BrowserWorkObject.h"

namespace tw {

class TChromeBrowserObject : public TBrowserWorkObject {
 public:
  using TBrowserWorkObject::TBrowserWorkObject;

  // A file is shown as a path; a row's columns (separated by ",") as they are.
  TFindingCaption FindingCaption(int index) const override { return FileOrRowCaption(index); }

 protected:
  // Scans the profiles or cleans what was found; raises "Chrome User Data not found!" when no
  // profile exists.
  void Run(std::span<const TRowSource> sources);
};

class TChromeCookiesObject : public TChromeBrowserObject {
 public:
  using TChromeBrowserObject::TChromeBrowserObject;
  void Execute() override { Run(ChromeCookieSources()); }
  const char* ClassName() const override { return "TChromeCookiesObject"; }
};

class TChromeHistoryObject : public TChromeBrowserObject {
 public:
  using TChromeBrowserObject::TChromeBrowserObject;
  void Execute() override { Run(ChromeHistorySources()); }
  const char* ClassName() const override { return "TChromeHistoryObject"; }
};

class TChromeKeywordsObject : public TChromeBrowserObject {
 public:
  using TChromeBrowserObject::TChromeBrowserObject;
  void Execute() override { Run(ChromeKeywordSources()); }
  const char* ClassName() const override { return "TChromeKeywordsObject"; }
};

class TChromeDownloadsObject : public TChromeBrowserObject {
 public:
  using TChromeBrowserObject::TChromeBrowserObject;
  void Execute() override { Run(ChromeDownloadSources()); }
  const char* ClassName() const override { return "TChromeDownloadsObject"; }
};

class TChromeThumbnailsObject : public TChromeBrowserObject {
 public:
  using TChromeBrowserObject::TChromeBrowserObject;
  void Execute() override { Run(ChromeThumbnailSources()); }
  const char* ClassName() const override { return "TChromeThumbnailsObject"; }
};

class TChromeFaviconsObject : public TChromeBrowserObject {
 public:
  using TChromeBrowserObject::TChromeBrowserObject;
  void Execute() override { Run(ChromeFaviconSources()); }
  const char* ClassName() const override { return "TChromeFaviconsObject"; }
};

}  // namespace tw
