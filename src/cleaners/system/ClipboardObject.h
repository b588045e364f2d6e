#pragma once
// The text on the clipboard: one finding, the text without its leading and trailing blanks.
// A clean empties the clipboard only while it still holds that text: whatever was copied after
// the scan is not the user's reviewed finding and stays.
#include "engine/CustomWorkObject.h"

namespace tw {

class TClipboardObject : public TWorkObject {
 public:
  using TWorkObject::TWorkObject;

  void Execute() override;
  const char* ClassName() const override { return "TClipboardObject"; }
};

}  // namespace tw
