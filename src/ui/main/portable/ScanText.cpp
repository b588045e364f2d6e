#include "ui/main/portable/ScanText.h"

#include <vector>

#include "support/Format.h"

namespace tw {

std::string ElapsedText(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  return Format("%.2d:%.2d:%.2d", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

std::string CutHint(std::string text) {
  constexpr std::size_t kMax = 2048;
  if (text.size() <= kMax) return text;
  std::size_t cut = kMax;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  return text + "\r\n\r\n...";
}

std::string EllipsisFit(std::string_view text, int width, const std::function<int(std::string_view)>& measure) {
  const int dots = measure("...");
  if (dots > width) return {};
  // The lengths at which a prefix may end (never inside a UTF-8 sequence); widths grow with them.
  std::vector<std::size_t> ends;
  for (std::size_t n = 0; n <= text.size(); ++n)
    if (n == text.size() || (static_cast<unsigned char>(text[n]) & 0xC0) != 0x80) ends.push_back(n);
  std::size_t low = 0, high = ends.size() - 1;  // ends[low] fits (the empty prefix does)
  while (low < high) {
    const std::size_t mid = low + (high - low + 1) / 2;
    if (measure(text.substr(0, ends[mid])) + dots <= width) low = mid;
    else high = mid - 1;
  }
  return std::string(text.substr(0, ends[low])) + "...";
}

}  // namespace tw
