#pragma once
// Paths of the file cleaner: UTF-8 towards the program, UTF-16 "\\?\" paths towards the system,
// so long paths and any name are reached whatever the process code page.
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/FileRemoval.h"

namespace tw::file_clean {

constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";

// Equal in the file system's ordinal, case-blind comparison.
bool SameTextIgnoreCase(std::wstring_view a, std::wstring_view b);

inline bool IsGone(DWORD error) { return IsGoneError(error); }
inline bool IsLocked(DWORD error) { return IsLockedError(error); }

// The "\\?\" form of a full path: "C:\x" gives "\\?\C:\x", "\\server\share\x" gives
// "\\?\UNC\server\share\x". Such a path is taken as it is, so it must be full and normal.
std::wstring LongPath(std::wstring wide);
std::wstring LongPath(std::string_view fullPath);
// A path in its usual form: without "\\?\" where a drive letter or a share follows it.
std::wstring NormalPath(std::wstring path);
// Full path of Path (relative parts, "." and ".." and "/" resolved), in its usual form.
std::wstring FullPath(const std::wstring& path);
// The path the system resolves a "\\?\" path to (links followed, long names), in its usual
// form; empty when it cannot be opened or asked, and then Error tells why.
std::wstring FinalPath(const std::wstring& longPath, DWORD& error);
std::wstring WithBackslash(std::wstring path);
std::wstring WithoutBackslash(std::wstring path);
// FindFirstFileEx with the large-fetch hint where the system knows it (Windows 7 on).
HANDLE FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& entry);

}  // namespace tw::file_clean
