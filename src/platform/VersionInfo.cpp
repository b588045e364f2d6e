#include "platform/VersionInfo.h"

#include <windows.h>

#include "support/Format.h"

namespace tw {

TVerInfoRes::TVerInfoRes(const std::string& fileName) {
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(fileName.c_str(), &handle);
  if (size == 0) return;
  std::string block(size, '\0');
  if (!::GetFileVersionInfoA(fileName.c_str(), 0, size, block.data()))
    throw EVerInfoError("Cannot obtain version info.");
  void* translation = nullptr;
  UINT length = 0;
  if (!::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &translation, &length) ||
      length < 4)
    throw EVerInfoError("No language info.");
  const WORD* pair = static_cast<const WORD*>(translation);
  language_ = pair[0];
  codePage_ = pair[1];
  void* fixed = nullptr;
  if (!::VerQueryValueA(block.data(), "\\", &fixed, &length) || length < 52)
    throw eNoFixeVerInfo("No fixed file info");
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  const DWORD set = info->dwFileFlags & info->dwFileFlagsMask;
  static const struct {
    DWORD bit;
    const char* name;
  } kFlags[] = {{VS_FF_PRERELEASE, "Pre-release"}, {VS_FF_PRIVATEBUILD, "Private build"},
                {VS_FF_SPECIALBUILD, "Special build"}, {VS_FF_DEBUG, "Debug Build"}};
  for (const auto& flag : kFlags)
    if (set & flag.bit) flags_.emplace_back(flag.name);
  fileVersion_ = Format("%d.%d.%d.%d", static_cast<int>(HIWORD(info->dwFileVersionMS)),
                        static_cast<int>(LOWORD(info->dwFileVersionMS)),
                        static_cast<int>(HIWORD(info->dwFileVersionLS)),
                        static_cast<int>(LOWORD(info->dwFileVersionLS)));
}

std::string ProgramFileName() {
  char path[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, n);
}

std::string ProgramFileVersion() { return TVerInfoRes(ProgramFileName()).FileVersion(); }

}  // namespace tw
