#include "ui/dialogs/portable/ScanInfoHighlights.h"

namespace tw {

std::vector<THighlight> SummaryHighlights(const TSummaryFigures& figures,
                                          const std::function<long(const std::string&, long)>& find,
                                          const std::function<long(const std::string&)>& length) {
  std::vector<THighlight> found;
  long start = 0;
  // One search from Start; the next starts after what it found. True when found.
  auto search = [&](const std::string& text, std::uint32_t color) {
    const long at = text.empty() ? -1 : find(text, start);
    start = at + length(text) + 1;  // a miss counts as position -1
    if (at < 0) return false;
    found.push_back({text, at, color});
    return true;
  };
  if (figures.SettingName == "ShowScanDialog") {
    if (figures.Count == 0) return found;
    if (search(figures.ElapsedText, kHighlightTeal) && search(std::to_string(figures.Count), kHighlightRed)) {
      search(figures.SizeText, kHighlightBlue);
      search(figures.CleanWord, kHighlightGreen);
    }
  } else if (figures.SettingName == "ShowCleanDialog") {
    if (search(std::to_string(figures.Count - figures.FailedCount), kHighlightRed)) {
      search(std::to_string(figures.FailedCount), kHighlightRed);
      search(std::to_string(figures.Count), kHighlightRed);
    }
  }
  return found;
}

}  // namespace tw
