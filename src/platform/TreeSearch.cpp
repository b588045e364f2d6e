#include "platform/TreeSearch.h"

#include <windows.h>

#include <mutex>

#include "platform/Handles.h"

namespace tw {

namespace {

using SearchTreeFn = BOOL(WINAPI*)(PCSTR root, PCSTR name, PSTR output);

struct TDbgHelp {
  unique_hmodule module;
  SearchTreeFn searchTree = nullptr;
  std::mutex lock;

  TDbgHelp() : module(::LoadLibraryA("dbghelp.dll")) {
    if (!module) return;
    auto search = reinterpret_cast<SearchTreeFn>(::GetProcAddress(module.get(), "SearchTreeForFile"));
    if (search && ::GetProcAddress(module.get(), "FindExecutableImage")) searchTree = search;
  }
};

TDbgHelp& DbgHelp() {
  static TDbgHelp library;
  return library;
}

}  // namespace

std::string SearchTreeForFile(const std::string& root, const std::string& fileName) {
  TDbgHelp& library = DbgHelp();
  if (!library.searchTree || root.empty() || fileName.empty()) return {};
  char found[MAX_PATH + 1] = {};
  std::lock_guard guard(library.lock);
  if (!library.searchTree(root.c_str(), fileName.c_str(), found)) return {};
  return found;
}

}  // namespace tw
