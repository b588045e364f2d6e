#include "ui/main/portable/StartupOptions.h"

#include <cctype>

namespace tw {

bool HasSwitch(const std::vector<std::string>& args, std::string_view name) {
  for (const std::string& arg : args) {
    if (arg.size() != name.size() + 1 || (arg[0] != '-' && arg[0] != '/')) continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size(); ++i)
      same = same && std::toupper(static_cast<unsigned char>(arg[i + 1])) ==
                         std::toupper(static_cast<unsigned char>(name[i]));
    if (same) return true;
  }
  return false;
}

}  // namespace tw
