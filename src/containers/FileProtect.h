#pragma once
// Whole files stored as one packet (backups, kept cookies).
#include <string>
#include <string_view>

#include "containers/Packager.h"

namespace tw {

class TFileProtect {
 public:
  // Empty when the file does not exist; otherwise the file's packet unpacked (a damaged packet
  // raises, see TPackager::Unpack).
  static std::string LoadFile(const std::string& fileName, const TPackager& packager = Packager());
  // Nothing for empty Data; otherwise writes Pack(Data, compressed at the default level,
  // enciphered), replacing the file only once the new one is complete.
  static void SaveFile(const std::string& fileName, std::string_view data,
                       const TPackager& packager = Packager());
  // As SaveFile, but never over an existing file: false, and nothing written, when FileName
  // exists. Data must not be empty.
  static bool SaveNewFile(const std::string& fileName, std::string_view data,
                          const TPackager& packager = Packager());
};

}  // namespace tw
