#pragma once
// The answers to the detection questions of a winapp2.ini import, read from this machine: the
// registry (64-bit view), the file system through the database's path macros, and the version
// of the running Windows.
#include <optional>
#include <string>
#include <utility>

#include "database/portable/Winapp2.h"

namespace tw {

class TWinapp2Machine final : public IWinapp2Machine {
 public:
  bool KeyExists(const std::string& root, const std::string& subkey) override;
  // True when the macro resolves to an absolute path of which something exists; "*" and "?"
  // may stand in any part. A macro whose variable is not set names nothing.
  bool PathExists(const std::string& path) override;
  std::pair<int, int> WindowsVersion() override;

 private:
  std::optional<std::pair<int, int>> version_;
};

}  // namespace tw
