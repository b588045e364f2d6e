#include "ui/components/portable/Placement.h"

namespace tw {

int CenterCoordinate(int ownerPos, int ownerSize, int dialogSize, int screenSize) {
  int pos = ownerPos + (ownerSize - dialogSize) / 2;
  if (pos + dialogSize > screenSize)
    pos = screenSize - dialogSize - 20;
  else if (pos < 0)
    pos = 20;
  return pos;
}

}  // namespace tw
