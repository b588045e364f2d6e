#include "cleaners/WorkObjectBuilders.h"

#include "cleaners/browsers/BrowserFilesObject.h"
#include "cleaners/browsers/ChromeObjects.h"
#include "cleaners/portable/MachineWide.h"
#include "cleaners/browsers/FirefoxObjects.h"
#include "cleaners/browsers/OperaObjects.h"
#include "cleaners/registry/ClassFixers.h"
#include "cleaners/registry/SoftwareFixers.h"
#include "cleaners/registry/StartupFixers.h"
#include "cleaners/system/CacheEntryObject.h"
#include "cleaners/system/ClipboardObject.h"
#include "cleaners/system/DeleteFileObject.h"
#include "cleaners/system/DesktopSearchObject.h"
#include "cleaners/system/HotFixObject.h"
#include "cleaners/system/RecentDocsObject.h"
#include "cleaners/system/RecycleBinObject.h"
#include "cleaners/system/RegistryObjects.h"
#include "cleaners/system/ShortcutObject.h"

namespace tw {

namespace {

// Constructs Class from the common arguments of every work object.
template <class Class>
std::unique_ptr<Class> Make(TWorkObjectInit& init) {
  return std::make_unique<Class>(init.handle, std::move(init.onWorkDone), std::move(init.onItem),
                                 std::move(init.itemNode));
}

// The file cleaner and its variants; "path" is absent for the ones that find their folder
// themselves.
template <class Class>
std::unique_ptr<TWorkObject> BuildFileObject(TWorkObjectInit init, const TActionParams& params) {
  auto object = Make<Class>(init);
  if (auto path = params.find("path"); path != params.end()) object->Path = path->second;
  object->ExcludeAttr = params.at("excludeAttr");
  object->FileAttrib = params.at("fileAttrib");
  object->FileFilter = params.at("fileFilter");
  object->ExcludeFolder = params.at("excludeFolder");
  object->Recurse = params.at("recurse") == "true";
  return object;
}

// The URL-cache methods differ only in the kind of entry they list.
template <std::uint32_t Kind>
std::unique_ptr<TWorkObject> BuildCacheEntries(TWorkObjectInit init, const TActionParams&) {
  auto object = Make<TCacheEntryObject>(init);
  object->EntryKind = Kind;
  return object;
}

// The registry methods (value and subkey cleaners, fixers): the key, and whichever of the
// filters and the new value the class has (its method's row names exactly those).
template <class Class>
std::unique_ptr<TWorkObject> BuildRegistry(TWorkObjectInit init, const TActionParams& params) {
  auto object = Make<Class>(init);
  object->Key = params.at("key");
  object->Subkey = params.at("subkey");
  object->Language = init.language;
  object->DeclaredMachinePlace = MachineWideKey(object->Key, object->Subkey);
  if constexpr (requires { object->ValueFilter; }) object->ValueFilter = params.at("valueFilter");
  if constexpr (requires { object->SubkeyFilter; }) object->SubkeyFilter = params.at("subkeyFilter");
  if constexpr (requires { object->NewValue; }) object->NewValue = params.at("newValue");
  return object;
}

// The browsers' profile files; the Firefox method has no "browser" attribute.
std::unique_ptr<TWorkObject> BuildBrowserFiles(TWorkObjectInit init, const TActionParams& params) {
  auto object = Make<TBrowserFilesObject>(init);
  auto browser = params.find("browser");
  object->Browser = browser != params.end() ? browser->second : "Firefox";
  object->Place = params.at("place");
  object->Folder = params.at("folder");
  object->FileFilter = params.at("fileFilter");
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
      {"DeleteFiles", BuildFileObject<TDeleteFileObject>},
      {"DeleteShortcut", BuildFileObject<TDeleteShortcutObject>},
      {"DeleteHotFix", BuildFileObject<TDeleteHotFixObject>},
      {"DeleteGoogleDesktopDataDir", BuildFileObject<TDeleteGoogleDesktopDataDir>},
      {"EraseClipboard", BuildPlain<TClipboardObject>},
      {"EmptyRecycleBin", BuildPlain<TRecycleBinObject>},
      {"DeleteRecentDocs", BuildPlain<TRecentDocsObject>},
      {"DeleteCache", BuildCacheEntries<TCacheEntryObject::kContent>},
      {"DeleteCookies", BuildCacheEntries<TCacheEntryObject::kCookie>},
      {"DeleteHistory", BuildCacheEntries<TCacheEntryObject::kHistory>},
      {"DeleteValues", BuildRegistry<TDeleteValuesObject>},
      {"ReplaceValues", BuildRegistry<TReplaceValuesObject>},
      {"DeleteSubkeys", BuildRegistry<TDeleteSubkeysObject>},
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
      {"DeleteChromeAutofill", BuildPlain<TChromeAutofillObject>},
      {"DeleteChromiumFiles", BuildBrowserFiles},
      {"DeleteFirefoxFiles", BuildBrowserFiles},
      {"RegFixRun", BuildRegistry<TRegFixRun>},
      {"RegFixRunMRU", BuildRegistry<TRegFixRunMRU>},
      {"RegFixSharedDLLs", BuildRegistry<TRegFixSharedDLLs>},
      {"RegFixFonts", BuildRegistry<TRegFixFonts>},
      {"RegFixHelp", BuildRegistry<TRegFixHelp>},
      {"RegFixAppPaths", BuildRegistry<TRegFixAppPaths>},
      {"RegFixFolders", BuildRegistry<TRegFixFolders>},
      {"RegFixShares", BuildRegistry<TRegFixShares>},
      {"RegFixARPCache", BuildRegistry<TRegFixARPCache>},
      {"RegFixCLSID", BuildRegistry<TRegFixCLSID>},
      {"RegFixApplications", BuildRegistry<TRegFixApplications>},
      {"RegFixMUICache", BuildRegistry<TRegFixMUICache>},
      {"RegFixSoftware", BuildRegistry<TRegFixSoftware>},
      {"RegFixMenuOrder", BuildRegistry<TRegFixMenuOrder>},
      {"RegFixUninstall", BuildRegistry<TRegFixUninstall>},
      {"RegFixFileExts", BuildRegistry<TRegFixFileExts>},
      {"RegFixFileExtsRec", BuildRegistry<TRegFixFileExtsRec>},
      {"RegFixFileTypeRec", BuildRegistry<TRegFixFileTypeRec>},
  };
  return builders;
}

}  // namespace tw
