#include "strings/StrRes.h"

#include <iterator>

namespace tw {
namespace {

// kStrResEN, kStrResFR, kStrResDE, kStrResES: generated from data/strings/<lang>.txt.
#include "StrResTable.inc"

static_assert(std::size(kStrResEN) == kStrResRows && std::size(kStrResFR) == kStrResRows &&
              std::size(kStrResDE) == kStrResRows && std::size(kStrResES) == kStrResRows);

constexpr const std::string_view* kTables[kLanguageCount] = {kStrResEN, kStrResFR, kStrResDE,
                                                             kStrResES};

}  // namespace

std::string_view StrRes(int row, int language) {
  if (language < 0 || language >= kLanguageCount) language = 0;
  if (row < 0 || row >= kStrResRows) return {};
  return kTables[language][row];
}

}  // namespace tw
