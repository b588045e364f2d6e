#include "cleaners/WorkObjectBuilders.h"

#include "cleaners/browsers/ChromeObjects.h"
#include "cleaners/browsers/FirefoxObjects.h"
#include "cleaners/browsers/OperaObjects.h"
#include "cleaners/system/DeleteFileObject.h"

namespace tw {

namespace {

// Constructs Class from the common arguments of every work object.
template <class Class>
std::unique_ptr<Class> Make(TWorkObjectInit& init) {
  return std::make_unique<Class>(init.handle, std::move(init.onWorkDone), std::move(init.onItem),
                                 std::move(init.itemNode));
}

std::unique_ptr<TWorkObject> BuildDeleteFiles(TWorkObjectInit init, const TActionParams& params) {
  auto object = Make<TDeleteFileObject>(init);
  object->Path = params.at("path");
  object->ExcludeAttr = params.at("excludeAttr");
  object->FileAttrib = params.at("fileAttrib");
  object->FileFilter = params.at("fileFilter");
  object->ExcludeFolder = params.at("excludeFolder");
  object->Recurse = params.at("recurse") == "true";
  return object;
}

// A method without parameters: its class built from the common arguments.
template <class Class>
std::unique_ptr<TWorkObject> BuildPlain(TWorkObjectInit init, const TActionParams&) {
  return Make<Class>(init);
}

}  // namespace

const TWorkObjectBuilders& CleanerBuilders() {
  static const TWorkObjectBuilders builders = {
      {"DeleteFiles", BuildDeleteFiles},
      {"DeleteOperaCache", BuildPlain<TOperaCacheObject>},
      {"DeleteOperaCookies", BuildPlain<TOperaCookiesObject>},
      {"DeleteOperaHistory", BuildPlain<TOperaHistoryObject>},
      {"DeleteOperaTypedURLs", BuildPlain<TOperaTypedURLsObject>},
      {"DeleteOperaDownloads", BuildPlain<TOperaDownloadsObject>},
      {"DeleteOperaImages", BuildPlain<TOperaImagesObject>},
      {"DeleteFirefoxCache", BuildPlain<TFirefoxCacheObject>},
      {"DeleteFirefoxCookies", BuildPlain<TFirefoxCookiesObject>},
      {"DeleteFirefoxHistory", BuildPlain<TFirefoxHistoryObject>},
      {"DeleteFirefoxForms", BuildPlain<TFirefoxFormsObject>},
      {"DeleteFirefoxDownloads", BuildPlain<TFirefoxDownloadsObject>},
      {"DeleteFirefoxFavicons", BuildPlain<TFirefoxFaviconsObject>},
      {"DeleteChromeCookies", BuildPlain<TChromeCookiesObject>},
      {"DeleteChromeHistory", BuildPlain<TChromeHistoryObject>},
      {"DeleteChromeKeywords", BuildPlain<TChromeKeywordsObject>},
      {"DeleteChromeDownloads", BuildPlain<TChromeDownloadsObject>},
      {"DeleteChromeThumbnails", BuildPlain<TChromeThumbnailsObject>},
      {"DeleteChromeFavicons", BuildPlain<TChromeFaviconsObject>},
  };
  return builders;
}

}  // namespace tw
