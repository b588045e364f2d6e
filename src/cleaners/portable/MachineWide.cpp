#include "cleaners/portable/MachineWide.h"

#include "registry/portable/RegText.h"

namespace tw {

namespace {

char Fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

std::string_view WithoutTrailingSlash(std::string_view path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.remove_suffix(1);
  return path;
}

// Whether Path is Folder or lies inside it.
bool Inside(std::string_view path, std::string_view folder) {
  path = WithoutTrailingSlash(path);
  folder = WithoutTrailingSlash(folder);
  if (folder.empty() || path.size() < folder.size()) return false;
  for (std::size_t i = 0; i < folder.size(); ++i)
    if (Fold(path[i]) != Fold(folder[i])) return false;
  return path.size() == folder.size() || path[folder.size()] == '\\' || folder.back() == '\\';
}

}  // namespace

std::string MachineWideFolder(std::string_view path, const TMachineFolders& folders) {
  if (path.empty()) return {};
  for (const std::string& shared : folders.Shared)
    if (Inside(path, shared)) return std::string(path);
  if (Inside(path, folders.ProfilesRoot) && !Inside(path, folders.UserProfile) &&
      WithoutTrailingSlash(path).size() > WithoutTrailingSlash(folders.ProfilesRoot).size())
    return std::string(path);
  const std::string_view drive = WithoutTrailingSlash(folders.SystemDrive);
  if (!drive.empty() && Inside(path, drive) && path.size() > drive.size() + 1 && path[drive.size()] == '\\' &&
      path[drive.size() + 1] == '$')
    return std::string(path);
  return {};
}

std::string MachineWideKey(std::string_view key, std::string_view subkey) {
  const std::uint32_t root = RootKeyFromName(key);
  if (root != 0x80000002u && root != 0x80000000u && root != 0x80000005u) return {};
  std::string place = RootKeyName(root);
  if (!subkey.empty()) place += "\\" + std::string(subkey);
  return place;
}

}  // namespace tw
