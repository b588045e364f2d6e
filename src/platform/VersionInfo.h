#pragma once
// The version resource of a file.
#include <string>
#include <vector>

#include "support/Exceptions.h"

namespace tw {

TW_DECLARE_EXCEPTION(EVerInfoError, Exception)
TW_DECLARE_EXCEPTION(eNoFixeVerInfo, Exception)

class TVerInfoRes {
 public:
  // Reads FileName's version information; a file without any stays empty and raises nothing.
  explicit TVerInfoRes(const std::string& fileName);
  // "%d.%d.%d.%d"; empty without version information.
  std::string FileVersion() const { return fileVersion_; }
  // "Pre-release", "Private build", "Special build", "Debug Build" as flagged.
  const std::vector<std::string>& Flags() const { return flags_; }
  unsigned Language() const { return language_; }
  unsigned CodePage() const { return codePage_; }

 private:
  std::string fileVersion_;
  std::vector<std::string> flags_;
  unsigned language_ = 0, codePage_ = 0;
};

// The running program's file version, or empty when it has none.
std::string ProgramFileVersion();
// The running program's full path.
std::string ProgramFileName();

}  // namespace tw
