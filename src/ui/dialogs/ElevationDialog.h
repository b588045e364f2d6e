#pragma once
// The offer made before a scan or a clean whose items change places every user of the machine
// shares, while this process has no administrator rights.
#include <windows.h>

#include <string>
#include <vector>

namespace tw {

enum class TElevationChoice {
  Restart,   // start the program again with administrator rights
  Continue,  // before a scan: scan everything; before a clean: clean the rest, skip those items
  Cancel,
};

// Lines: one per item ("name: place"). Clean: the offer before a clean ("Clean the rest"),
// else the one before a scan ("Continue"). The restart button carries the shield.
TElevationChoice AskElevation(HWND owner, int language, const std::vector<std::string>& lines, bool clean);

}  // namespace tw
