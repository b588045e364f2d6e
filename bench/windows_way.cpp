// Linked into twcli_windows_way: the file cleaner takes the way it takes on Windows.
#include "platform/FileRemoval.h"

namespace {

const bool windowsWay = [] {
  tw::OverrideFileLinksShowAsLinks(true);
  return true;
}();

}  // namespace
