#pragma once
// The items of the Recycle Bin. A finding's text is the item's original path (the folder it was
// deleted from and its name) or, when the system cannot tell, the item's path in the Recycle
// Bin; its record keeps the item's identifier and the size of the recycled item itself.
// A clean removes each ticked item for good, by its identifier. An item that is a link is
// removed as a link: what it points to stays.
#include "engine/CustomWorkObject.h"

namespace tw {

class TRecycleBinObject : public TWorkObject {
 public:
  using TWorkObject::TWorkObject;

  void Execute() override;
  const char* ClassName() const override { return "TRecycleBinObject"; }

  TFindingKind FindingKind() const override { return TFindingKind::ShellItem; }
  // From Vista on the item's name alone, its whole original path before.
  TFindingCaption FindingCaption(int index) const override;

 private:
  void Scan();
  void Clean();
};

}  // namespace tw
