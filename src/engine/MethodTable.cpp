#include "engine/MethodTable.h"

namespace tw {

namespace {

constexpr const char* kRegFixAttributes[] = {"key", "subkey", "valueFilter", "subkeyFilter"};
constexpr const char* kFileAttributes[] = {"path",          "excludeAttr",   "fileAttrib",
                                           "fileFilter",    "excludeFolder", "recurse"};
constexpr const char* kDataDirAttributes[] = {"excludeAttr", "fileAttrib", "fileFilter",
                                              "excludeFolder", "recurse"};
constexpr const char* kDeleteValuesAttributes[] = {"key", "subkey", "valueFilter"};
constexpr const char* kDeleteSubkeysAttributes[] = {"key", "subkey", "subkeyFilter"};
// Files of the browsers' profiles: which browsers, where, and which files.
constexpr const char* kChromiumFilesAttributes[] = {"browser", "place", "folder", "fileFilter",
                                                    "recurse"};
constexpr const char* kFirefoxFilesAttributes[] = {"place", "folder", "fileFilter", "recurse"};
constexpr const char* kReplaceValuesAttributes[] = {"key", "subkey", "newValue", "valueFilter"};

constexpr const char* kRegistryEditors[] = {"regedit.exe", "regedt32.exe"};
constexpr const char* kCacheUsers[] = {"msnmsgr.exe", "iexplore.exe", "msn6.exe",
                                       "aolexplorer.exe", "aoldesktop.exe"};
constexpr const char* kOpera[] = {"opera.exe"};
constexpr const char* kFirefox[] = {"firefox.exe"};
// The Chrome items clean the Chromium-family browsers too (same files in their own folders).
constexpr const char* kChrome[] = {"chrome.exe", "msedge.exe", "brave.exe", "vivaldi.exe",
                                   "opera.exe"};
constexpr const char* kGoogleDesktop[] = {"googledesktop.exe"};

// Every "RegFix..." method also adds the registry editors (the scan manager does that for any
// name with that prefix, row or not).
constexpr TMethodRow kMethodTable[] = {
    {"RegFixRun", kRegFixAttributes, {}},
    {"RegFixRunMRU", kRegFixAttributes, {}},
    {"RegFixSharedDLLs", kRegFixAttributes, {}},
    {"RegFixFonts", kRegFixAttributes, {}},
    {"RegFixHelp", kRegFixAttributes, {}},
    {"RegFixAppPaths", kRegFixAttributes, {}},
    {"RegFixFolders", kRegFixAttributes, {}},
    {"RegFixShares", kRegFixAttributes, {}},
    {"RegFixARPCache", kRegFixAttributes, {}},
    {"RegFixCLSID", kRegFixAttributes, {}},
    {"RegFixApplications", kRegFixAttributes, {}},
    {"RegFixMUICache", kRegFixAttributes, {}},
    {"RegFixSoftware", kRegFixAttributes, {}},
    {"RegFixMenuOrder", kRegFixAttributes, {}},
    {"RegFixUninstall", kRegFixAttributes, {}},
    {"RegFixFileExts", kRegFixAttributes, {}},
    {"RegFixFileExtsRec", kRegFixAttributes, {}},
    {"RegFixFileTypeRec", kRegFixAttributes, {}},
    {"DeleteFiles", kFileAttributes, {}},
    {"DeleteShortcut", kFileAttributes, {}},
    {"DeleteHotFix", kFileAttributes, {}},
    {"DeleteValues", kDeleteValuesAttributes, kRegistryEditors},
    {"DeleteSubkeys", kDeleteSubkeysAttributes, kRegistryEditors},
    {"ReplaceValues", kReplaceValuesAttributes, kRegistryEditors},
    {"EraseClipboard", {}, {}},
    {"EmptyRecycleBin", {}, {}},
    {"DeleteRecentDocs", {}, {}},
    {"DeleteCache", {}, kCacheUsers},
    {"DeleteCookies", {}, kCacheUsers},
    {"DeleteHistory", {}, kCacheUsers},
    {"DeleteOperaCache", {}, kOpera},
    {"DeleteOperaCookies", {}, kOpera},
    {"DeleteOperaHistory", {}, kOpera},
    {"DeleteOperaTypedURLs", {}, kOpera},
    {"DeleteOperaDownloads", {}, kOpera},
    {"DeleteOperaImages", {}, kOpera},
    {"DeleteFirefoxCache", {}, kFirefox},
    {"DeleteFirefoxCookies", {}, kFirefox},
    {"DeleteFirefoxHistory", {}, kFirefox},
    {"DeleteFirefoxForms", {}, kFirefox},
    {"DeleteFirefoxDownloads", {}, kFirefox},
    {"DeleteFirefoxFavicons", {}, kFirefox},
    {"DeleteChromeCookies", {}, kChrome},
    {"DeleteChromeHistory", {}, kChrome},
    {"DeleteChromeKeywords", {}, kChrome},
    {"DeleteChromeDownloads", {}, kChrome},
    {"DeleteChromeThumbnails", {}, kChrome},
    {"DeleteChromeFavicons", {}, kChrome},
    {"DeleteChromeAutofill", {}, kChrome},
    {"DeleteChromiumFiles", kChromiumFilesAttributes, kChrome},
    {"DeleteFirefoxFiles", kFirefoxFilesAttributes, kFirefox},
    {"DeleteGoogleDesktopDataDir", kDataDirAttributes, kGoogleDesktop},
};

}  // namespace

std::span<const TMethodRow> MethodTable() { return kMethodTable; }

const TMethodRow* FindMethod(std::string_view method) {
  for (const TMethodRow& row : kMethodTable) {
    if (method == row.method) return &row;
  }
  return nullptr;
}

}  // namespace tw
