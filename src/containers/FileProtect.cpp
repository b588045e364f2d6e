#include "containers/FileProtect.h"

#include "support/FileIO.h"

namespace tw {

std::string TFileProtect::LoadFile(const std::string& fileName, const TPackager& packager) {
  if (!FileExists(fileName)) return {};
  return packager.Unpack(ReadWholeFile(fileName));
}

void TFileProtect::SaveFile(const std::string& fileName, std::string_view data,
                            const TPackager& packager) {
  if (data.empty()) return;
  WriteFileAtomic(fileName, packager.Pack(data, true, clDefault, true));
}

bool TFileProtect::SaveNewFile(const std::string& fileName, std::string_view data,
                              const TPackager& packager) {
  return WriteNewFileAtomic(fileName, packager.Pack(data, true, clDefault, true));
}

}  // namespace tw
