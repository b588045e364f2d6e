#include "ui/main/portable/StartupOptions.h"

#include <cctype>

namespace tw {

bool HasHideSwitch(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg.size() != 5 || (arg[0] != '-' && arg[0] != '/')) continue;
    bool same = true;
    for (int i = 0; i < 4; ++i)
      same = same && std::toupper(static_cast<unsigned char>(arg[i + 1])) == "HIDE"[i];
    if (same) return true;
  }
  return false;
}

int CenterCoordinate(int ownerPos, int ownerSize, int dialogSize, int screenSize) {
  int pos = ownerPos + (ownerSize - dialogSize) / 2;
  if (pos + dialogSize > screenSize)
    pos = screenSize - dialogSize - 20;
  else if (pos < 0)
    pos = 20;
  return pos;
}

}  // namespace tw
