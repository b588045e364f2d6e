#include "database/IconExtractor.h"

#include <shellapi.h>
#include <shlobj.h>

#include <chrono>
#include <mutex>

#include "database/DefaultBrowser.h"
#include "database/XMLDatabase.h"
#include "database/portable/IconSources.h"
#include "database/portable/ItemIds.h"
#include "platform/Com.h"
#include "platform/Handles.h"
#include "platform/RegRead.h"
#include "platform/Shell.h"
#include "support/Fields.h"
#include "support/Format.h"
#include "support/LogFile.h"

namespace tw {
namespace {

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool FolderExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The full form of a path: the current folder applied to a relative one.
std::string FullPath(const std::string& path) {
  if (path.empty()) return {};
  char buffer[MAX_PATH * 4];
  const DWORD n = ::GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : path;
}

std::string Env(const char* name) {
  char buffer[MAX_PATH * 2];
  const DWORD n = ::GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

// The default value of Root\Path; Found tells whether the key exists. A key that cannot be opened
// simply gives no value.
std::optional<std::string> DefaultValue(HKEY root, const std::string& path, bool& keyFound, REGSAM view = 0) {
  const TRegReadKey key(root, path, view);
  keyFound = key.IsOpen();
  return key.Text("");
}

// "SearchTreeForFile" of Dbghelp.dll, loaded on first use; null when the library or one of the two
// functions it must offer is missing.
using TSearchTreeForFile = BOOL(WINAPI*)(PCSTR root, PCSTR file, PSTR found);
TSearchTreeForFile SearchTreeFunction() {
  static unique_hmodule library;
  static TSearchTreeForFile function = [] {
    library.reset(::LoadLibraryA("Dbghelp.dll"));
    if (!library) return TSearchTreeForFile(nullptr);
    auto search = reinterpret_cast<TSearchTreeForFile>(::GetProcAddress(library.get(), "SearchTreeForFile"));
    if (!search || !::GetProcAddress(library.get(), "FindExecutableImage")) return TSearchTreeForFile(nullptr);
    return search;
  }();
  return function;
}

}  // namespace

int ShellIconIndex(const std::string& path) {
  if (path.empty()) return -1;
  SHFILEINFOA info{};
  // The index comes without an icon handle, so there is nothing to destroy.
  if (!::SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX)) return -1;
  return info.iIcon;
}

int SpecialFolderIconIndex(int csidl) {
  if (csidl < 0) return -1;
  unique_pidl pidl;
  if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, pidl.put())) || !pidl) return -1;
  SHFILEINFOA info{};
  const DWORD_PTR ok = ::SHGetFileInfoA(reinterpret_cast<LPCSTR>(pidl.get()), 0, &info, sizeof info,
                                        SHGFI_PIDL | SHGFI_SYSICONINDEX);
  return ok ? info.iIcon : -1;
}

TIconExtractor::TIconExtractor(TXMLDatabase& database, TSynchronizer& sync, TIconEnvironment environment)
    : Database(database), sync_(sync), env_(std::move(environment)) {
  const TXmlNode root = database.Document.Root();
  auto info = [](const TXmlNode& node) {
    TNodeInfo i;
    i.Node = node;
    i.Name = node.Name();
    i.Id = node.AttrOpt("id");
    i.Icon = node.AttrOpt("icon");
    return i;
  };
  for (const TXmlNode& child : root.Children()) {
    if (child.Name() != "Group") continue;
    TNodeInfo group = info(child);
    for (const TXmlNode& item : child.Children())
      if (item.Name() == "Item") group.Items.push_back(info(item));
    groups_.push_back(std::move(group));
  }
}

TIconExtractor::~TIconExtractor() {
  stop_ = true;
  if (!thread_.joinable()) return;
  // A call the thread waits for in the main thread runs here, and answers false.
  while (!finished_) {
    sync_.ProcessPending();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  thread_.join();
}

void TIconExtractor::Start() {
  if (thread_.joinable()) return;
  thread_ = std::thread([this] { Execute(); });
}

void TIconExtractor::Execute() noexcept {
  try {
    ComApartment apartment;
    Walk();
  } catch (...) {
    try {
      const ErrorInfo error = DescribeException(std::current_exception());
      Database.Log().Write("[TIconExtractor.Execute] %s: %s", error.className, error.message);
    } catch (...) {
      // The end message follows all the same.
    }
  }
  // The end event: the window learns that the database is ready, whatever happened.
  try {
    if (Database.OnReady) Database.OnReady();
  } catch (...) {
    ErrorInfo error = DescribeException(std::current_exception());
    Database.Log().Write("[TIconExtractor.Execute] %s: %s", error.className, error.message);
  }
  finished_ = true;
}

void TIconExtractor::Walk() {
  auto require = [](const TNodeInfo& node, const std::optional<std::string>& value, const char* name) {
    if (!value)
      throw EXMLAttributeError(Format("Attribute \"%s\" of element \"%s\" not found.", name, node.Name));
    return *value;
  };
  for (auto group = groups_.rbegin(); group != groups_.rend(); ++group) {
    if (stop_) return;
    const std::string groupIcon = require(*group, group->Icon, "icon");
    const std::string groupId = require(*group, group->Id, "id");
    if (!HandOver(*group, nullptr, groupId, GroupIcon(groupId, groupIcon))) return;
    for (const TNodeInfo& item : group->Items) {
      if (stop_) return;
      const std::string itemIcon = require(item, item.Icon, "icon");
      const std::string itemId = require(item, item.Id, "id");
      if (!HandOver(*group, &item, itemId, ItemIcon(itemIcon))) return;
    }
  }
}

bool TIconExtractor::HandOver(const TNodeInfo& group, const TNodeInfo* item, const std::string& id, int index) {
  sync_.Synchronize([&] {
    if (stop_) {
      Continue = false;
      return;
    }
    // Written in the main thread, before the call that hands the node over, so that the window
    // never reads the table while it changes.
    Database.IconIndexes[id] = index;
    CurrentGroup = group.Node;
    CurrentItem = item ? item->Node : TXmlNode();
    Continue = Database.OnNode ? Database.OnNode(CurrentGroup, item ? &CurrentItem : nullptr) : true;
    CurrentGroup = TXmlNode();
    CurrentItem = TXmlNode();
  });
  return Continue && !stop_;
}

int TIconExtractor::ThreeWay(const std::string& source) {
  switch (IconSourceKindOf(source)) {
    case TIconSourceKind::Path:
      return ShellIconIndex(FullPath(env_.ExpandEnvPath ? env_.ExpandEnvPath(source) : source));
    case TIconSourceKind::FolderMacro:
      return ShellIconIndex(FullPath(env_.ResolveFolderMacro ? env_.ResolveFolderMacro(source) : source));
    case TIconSourceKind::SpecialFolder:
      return SpecialFolderIconIndex(env_.CsidlFromName ? env_.CsidlFromName(source) : -1);
  }
  return -1;
}

int TIconExtractor::GroupIcon(const std::string& id, const std::string& iconList) {
  if (id == kGroupSystemBrowser) {
    const int kind = DefaultBrowserKind(env_.ShellNormalizePath);
    return ThreeWay(GetField(iconList, kind));
  }
  const int count = FieldCount(iconList);
  for (int k = 1; k <= count; ++k) {
    const int index = ThreeWay(GetField(iconList, k));
    if (index >= 0) return index;
  }
  return -1;
}

int TIconExtractor::SearchTree(const std::string& folder, const std::string& file) {
  std::lock_guard<std::mutex> guard(Database.Lock);
  if (!FolderExists(folder)) return -1;
  const TSearchTreeForFile search = SearchTreeFunction();
  if (!search) return -1;
  char found[MAX_PATH * 2] = "";
  if (!search(folder.c_str(), file.c_str(), found)) return -1;
  return ShellIconIndex(found);
}

int TIconExtractor::ItemIcon(const std::string& iconList) {
  const int count = FieldCount(iconList);
  for (int k = 1; k <= count; ++k) {
    const std::string source = GetField(iconList, k);
    if (IconSourceKindOf(source) != TIconSourceKind::Path) {
      const int index = ThreeWay(source);
      if (index >= 0) return index;
      continue;
    }
    std::string path = FullPath(env_.ExpandEnvPath ? env_.ExpandEnvPath(source) : source);
    const TIconProbe probe = IconProbeOf(path);
    switch (probe) {
      case TIconProbe::FlashUtil: {
        const std::string folder = Env("WINDIR") + "\\system32\\Macromed\\Flash\\";
        WIN32_FIND_DATAA data{};
        unique_hfind find(::FindFirstFileA((folder + "FlashUtil*.exe").c_str(), &data));
        if (!find) return -1;
        return ShellIconIndex(folder + data.cFileName);
      }
      case TIconProbe::GoogleToolbarNotifier:
      case TIconProbe::Javaws:
        return SearchTree(PathFolder(path), std::string(ProbeFileName(probe)));
      case TIconProbe::Plain:
        break;
    }
    if (!Exists(path)) {
      // The program by its name: the system's application paths (also the 32-bit view of a
      // 64-bit system), then the registered applications.
      const std::string name = PathFileName(path);
      const std::string appPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + name;
      bool keyFound = false;
      std::optional<std::string> value = DefaultValue(HKEY_LOCAL_MACHINE, appPaths, keyFound);
      if (!keyFound) value = DefaultValue(HKEY_LOCAL_MACHINE, appPaths, keyFound, KEY_WOW64_32KEY);
      if (!keyFound)
        value = DefaultValue(HKEY_CLASSES_ROOT, Format("Applications\\%s\\shell\\Open\\Command", name), keyFound);
      if (value && !value->empty()) path = FirstQuoted(*value);
    }
    const int index = ShellIconIndex(FullPath(path));
    if (index >= 0) return index;
  }
  return -1;
}

}  // namespace tw
