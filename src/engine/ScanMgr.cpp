#include "engine/ScanMgr.h"

#include <map>
#include <span>

#include "cleaners/system/DeleteFileObject.h"
#include "engine/States.h"
#include "engine/portable/ScanRules.h"
#include "engine/portable/TextUtility.h"
#include "support/Messages.h"

namespace tw {

namespace {

// What every work object of one action is built from.
struct TWorkObjectInit {
  HWND handle;
  TWorkDoneEvent onWorkDone;
  TWorkItemEvent onItem;
  TXmlNode itemNode;
};
// The action's attributes named by its row, all present.
using TActionParams = std::map<std::string, std::string>;
using TBuildFn = std::unique_ptr<TWorkObject> (*)(TWorkObjectInit init, const TActionParams& params);

struct TMethodRow {
  const char* method;
  TBuildFn build;  // null: the class is not part of this program yet; the action builds nothing
  std::span<const char* const> attributes;
  std::span<const char* const> programs;
};

constexpr const char* kRegFixAttributes[] = {"key", "subkey", "valueFilter", "subkeyFilter"};
constexpr const char* kFileAttributes[] = {"path",          "excludeAttr",   "fileAttrib",
                                           "fileFilter",    "excludeFolder", "recurse"};
constexpr const char* kDataDirAttributes[] = {"excludeAttr", "fileAttrib", "fileFilter",
                                              "excludeFolder", "recurse"};
constexpr const char* kDeleteValuesAttributes[] = {"key", "subkey", "valueFilter"};
constexpr const char* kDeleteSubkeysAttributes[] = {"key", "subkey", "subkeyFilter"};
constexpr const char* kReplaceValuesAttributes[] = {"key", "subkey", "newValue", "valueFilter"};

constexpr const char* kRegistryEditors[] = {"regedit.exe", "regedt32.exe"};
constexpr const char* kCacheUsers[] = {"msnmsgr.exe", "iexplore.exe", "msn6.exe",
                                       "aolexplorer.exe", "aoldesktop.exe"};
constexpr const char* kOpera[] = {"opera.exe"};
constexpr const char* kFirefox[] = {"firefox.exe"};
constexpr const char* kChrome[] = {"chrome.exe"};
constexpr const char* kGoogleDesktop[] = {"googledesktop.exe"};

std::unique_ptr<TWorkObject> BuildDeleteFiles(TWorkObjectInit init, const TActionParams& params) {
  auto object = std::make_unique<TDeleteFileObject>(init.handle, std::move(init.onWorkDone),
                                                    std::move(init.onItem),
                                                    std::move(init.itemNode));
  object->Path = params.at("path");
  object->ExcludeAttr = params.at("excludeAttr");
  object->FileAttrib = params.at("fileAttrib");
  object->FileFilter = params.at("fileFilter");
  object->ExcludeFolder = params.at("excludeFolder");
  object->Recurse = params.at("recurse") == "true";
  return object;
}

// Every method the database may name. Rows without a builder add their programs and build
// nothing until their class exists.
const TMethodRow kMethodTable[] = {
    {"RegFixRun", nullptr, kRegFixAttributes, {}},
    {"RegFixRunMRU", nullptr, kRegFixAttributes, {}},
    {"RegFixSharedDLLs", nullptr, kRegFixAttributes, {}},
    {"RegFixFonts", nullptr, kRegFixAttributes, {}},
    {"RegFixHelp", nullptr, kRegFixAttributes, {}},
    {"RegFixAppPaths", nullptr, kRegFixAttributes, {}},
    {"RegFixFolders", nullptr, kRegFixAttributes, {}},
    {"RegFixShares", nullptr, kRegFixAttributes, {}},
    {"RegFixARPCache", nullptr, kRegFixAttributes, {}},
    {"RegFixCLSID", nullptr, kRegFixAttributes, {}},
    {"RegFixApplications", nullptr, kRegFixAttributes, {}},
    {"RegFixMUICache", nullptr, kRegFixAttributes, {}},
    {"RegFixSoftware", nullptr, kRegFixAttributes, {}},
    {"RegFixMenuOrder", nullptr, kRegFixAttributes, {}},
    {"RegFixUninstall", nullptr, kRegFixAttributes, {}},
    {"RegFixFileExts", nullptr, kRegFixAttributes, {}},
    {"RegFixFileExtsRec", nullptr, kRegFixAttributes, {}},
    {"RegFixFileTypeRec", nullptr, kRegFixAttributes, {}},
    {"DeleteFiles", BuildDeleteFiles, kFileAttributes, {}},
    {"DeleteShortcut", nullptr, kFileAttributes, {}},
    {"DeleteHotFix", nullptr, kFileAttributes, {}},
    {"DeleteValues", nullptr, kDeleteValuesAttributes, kRegistryEditors},
    {"DeleteSubkeys", nullptr, kDeleteSubkeysAttributes, kRegistryEditors},
    {"ReplaceValues", nullptr, kReplaceValuesAttributes, kRegistryEditors},
    {"EraseClipboard", nullptr, {}, {}},
    {"EmptyRecycleBin", nullptr, {}, {}},
    {"DeleteRecentDocs", nullptr, {}, {}},
    {"DeleteCache", nullptr, {}, kCacheUsers},         // EntryKind 1
    {"DeleteCookies", nullptr, {}, kCacheUsers},       // EntryKind 0x100000
    {"DeleteHistory", nullptr, {}, kCacheUsers},       // EntryKind 0x200000
    {"DeleteOperaCache", nullptr, {}, kOpera},
    {"DeleteOperaCookies", nullptr, {}, kOpera},
    {"DeleteOperaHistory", nullptr, {}, kOpera},
    {"DeleteOperaTypedURLs", nullptr, {}, kOpera},
    {"DeleteOperaDownloads", nullptr, {}, kOpera},
    {"DeleteOperaImages", nullptr, {}, kOpera},
    {"DeleteFirefoxCache", nullptr, {}, kFirefox},
    {"DeleteFirefoxCookies", nullptr, {}, kFirefox},
    {"DeleteFirefoxHistory", nullptr, {}, kFirefox},
    {"DeleteFirefoxForms", nullptr, {}, kFirefox},
    {"DeleteFirefoxDownloads", nullptr, {}, kFirefox},
    {"DeleteFirefoxFavicons", nullptr, {}, kFirefox},
    {"DeleteChromeCookies", nullptr, {}, kChrome},
    {"DeleteChromeHistory", nullptr, {}, kChrome},
    {"DeleteChromeKeywords", nullptr, {}, kChrome},
    {"DeleteChromeDownloads", nullptr, {}, kChrome},
    {"DeleteChromeThumbnails", nullptr, {}, kChrome},
    {"DeleteChromeFavicons", nullptr, {}, kChrome},
    {"DeleteGoogleDesktopDataDir", nullptr, kDataDirAttributes, kGoogleDesktop},
};

const TMethodRow* FindMethod(const std::string& method) {
  for (const TMethodRow& row : kMethodTable) {
    if (method == row.method) return &row;
  }
  return nullptr;
}

std::vector<TXmlNode> ChildrenNamed(const TXmlNode& node, const char* name) {
  std::vector<TXmlNode> out;
  for (TXmlNode& child : node.Children()) {
    if (child.IsElement() && child.Name() == name) out.push_back(std::move(child));
  }
  return out;
}

}  // namespace

TScanMgr::TScanMgr(TSynchronizer& sync, HWND handle, int threadCount, bool synchronizedCallbacks)
    : Handle(handle),
      Pool(sync, threadCount, false, synchronizedCallbacks),
      UseCallbacks(synchronizedCallbacks) {}

TScanMgr::~TScanMgr() = default;

void TScanMgr::AddPrograms(std::initializer_list<const char*> names) {
  for (const char* name : names) ProgramsToClose.insert(name);
}

void TScanMgr::Scan(const TXmlDocument& document) {
  ProgramsToClose.clear();
  WorkObjects.clear();
  if (OnScanStart) OnScanStart(this);

  const int mode = CurrentMode;
  for (const TXmlNode& group : ChildrenNamed(document.Root(), "Group")) {
    if (mode == pmRegistry && !GroupTakesPart(mode, group.Attr("id"))) continue;
    for (const TXmlNode& item : ChildrenNamed(group, "Item")) ScanItem(group, item);
  }
  auto marker = std::make_unique<TDummyObject>(UseCallbacks ? nullptr : Handle, OnWorkDone,
                                               UseCallbacks ? OnItem : TWorkItemEvent(),
                                               TXmlNode());
  WorkObjects.push_back(std::move(marker));

  PostProgress(20, static_cast<LPARAM>(WorkObjects.size()));
  for (const auto& object : WorkObjects) Pool.Add(object.get());
}

void TScanMgr::ScanItem(const TXmlNode& group, const TXmlNode& item) {
  const int mode = CurrentMode;
  const std::string enabled = item.Attr("enabled");
  if (enabled == "false") return;
  const std::string modeText = item.Attr("mode");
  const std::string checked = (mode == pmRegistry || mode == pmAdvanced) ? item.Attr("checked") : "";
  if (!ItemTakesPart(mode, enabled, modeText, checked)) return;

  const std::string groupId = group.Attr("id");
  if (groupId == "g04") AddPrograms({"safari.exe"});
  if (groupId == "g13") AddPrograms({"chrome.exe"});

  const std::string icon = item.Attr("icon");
  const std::string itemId = item.Attr("id");
  for (int i = 1, n = FieldCount(icon); i <= n; ++i) {
    std::string program = IconProgram(GetField(icon, i));
    if (!program.empty() && !IconProgramsIgnored(itemId)) ProgramsToClose.insert(program);
  }

  for (const TXmlNode& action : ChildrenNamed(item, "Action")) {
    const std::string method = action.Attr("method");
    if (method.starts_with("RegFix")) AddPrograms({"regedit.exe", "regedt32.exe"});
    const TMethodRow* row = FindMethod(method);
    if (!row) continue;
    for (const char* program : row->programs) ProgramsToClose.insert(program);
    if (!row->build) continue;
    TWorkObjectInit init{UseCallbacks ? nullptr : Handle, OnWorkDone,
                         UseCallbacks ? OnItem : TWorkItemEvent(), item};
    TActionParams params;
    for (const char* attribute : row->attributes) params[attribute] = action.Attr(attribute);
    WorkObjects.push_back(row->build(std::move(init), params));
    if (method == "DeleteFiles" && params["path"] == "%TEMP%") AddPrograms({"msnmsgr.exe"});
  }
}

void TScanMgr::PostProgress(WPARAM wParam, LPARAM lParam) {
  if (Handle) ::PostMessageA(Handle, WM_PROGRESS, wParam, lParam);
  else if (OnProgress) OnProgress(wParam, lParam);
}

void TScanMgr::Clean() {
  for (const auto& object : WorkObjects) {
    object->CleanMode = true;
    object->Aborted = false;
    Pool.Add(object.get());
  }
}

void TScanMgr::StopAll(TWorkThreadPool::TStoppedEvent onStopped) {
  for (auto it = WorkObjects.rbegin(); it != WorkObjects.rend(); ++it) (*it)->Aborted = true;
  Pool.Stop(std::move(onStopped));
}

void TScanMgr::Abort() { StopAll(OnAbortStopped); }

void TScanMgr::Shutdown() { StopAll(OnShutdownStopped); }

}  // namespace tw
