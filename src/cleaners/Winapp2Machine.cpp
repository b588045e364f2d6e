#include "cleaners/Winapp2Machine.h"

#include <windows.h>

#include <vector>

#include "engine/Utility.h"
#include "platform/Handles.h"
#include "platform/SystemInfo.h"
#include "registry/ExRegistry.h"
#include "registry/portable/RegText.h"

namespace tw {

namespace {

// A pattern can expand to many names; a detection needs only one, so the walk stays small.
constexpr std::size_t kMaxCandidates = 4096;

bool HasWildcard(const std::string& part) { return part.find_first_of("*?") != std::string::npos; }

}  // namespace

bool TWinapp2Machine::KeyExists(const std::string& root, const std::string& subkey) {
  const std::uint32_t value = RootKeyFromName(root);
  if (value == kNoRootKey) return false;
  TTidewhiskReg registry(KEY_READ);
  registry.RootKey = RootKeyHandle(value);
  return registry.KeyExists(subkey);
}

bool TWinapp2Machine::PathExists(const std::string& path) {
  const std::string resolved =
      path.starts_with("CSIDL_") ? ResolveFolderMacro(path) : ExpandEnvPath(path);
  // "C:\..." only: an unset variable leaves "\rest", which would name the current drive.
  if (resolved.size() < 3 || resolved[1] != ':' || resolved[2] != '\\') return false;
  std::vector<std::string> parts;
  for (std::size_t start = 3; start < resolved.size();) {
    std::size_t end = resolved.find('\\', start);
    if (end == std::string::npos) end = resolved.size();
    if (end > start) parts.push_back(resolved.substr(start, end - start));
    start = end + 1;
  }
  // Folders (with "\") that the parts so far match.
  std::vector<std::string> current = {resolved.substr(0, 3)};
  for (std::size_t i = 0; i < parts.size() && !current.empty(); ++i) {
    const bool last = i + 1 == parts.size();
    std::vector<std::string> next;
    for (const std::string& folder : current) {
      if (!HasWildcard(parts[i])) {
        const std::string candidate = folder + parts[i];
        const DWORD attributes = ::GetFileAttributesA(candidate.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (last || (attributes & FILE_ATTRIBUTE_DIRECTORY)))
          next.push_back(last ? candidate : candidate + "\\");
        continue;
      }
      WIN32_FIND_DATAA entry;
      unique_hfind find(::FindFirstFileA((folder + parts[i]).c_str(), &entry));
      if (!find) continue;
      do {
        if (IsDotEntry(entry.cFileName)) continue;
        if (last || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          next.push_back(folder + entry.cFileName + (last ? "" : "\\"));
      } while (next.size() < kMaxCandidates && ::FindNextFileA(find.get(), &entry));
      if (next.size() >= kMaxCandidates) break;
    }
    current = std::move(next);
  }
  return !current.empty();
}

std::pair<int, int> TWinapp2Machine::WindowsVersion() {
  if (!version_) {
    const TSystemFacts facts = ReadSystemFacts();
    version_ = {static_cast<int>(facts.Major), static_cast<int>(facts.Minor)};
  }
  return *version_;
}

}  // namespace tw
