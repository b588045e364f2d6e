#pragma once
// Which texts of a scan or clean summary are highlighted, and in which colour. Searches run one
// after another through the summary's text; each later one starts after the text the one before
// it looked for (its position + its length + 1, a miss counting as position -1).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tw {

inline constexpr std::uint32_t kHighlightTeal = 0x808000;   // red 0, green 128, blue 128
inline constexpr std::uint32_t kHighlightRed = 0x0000FF;
inline constexpr std::uint32_t kHighlightBlue = 0xFF0000;
inline constexpr std::uint32_t kHighlightGreen = 119558;    // red 6, green 211, blue 1

struct TSummaryFigures {
  std::string SettingName;  // "ShowScanDialog" or "ShowCleanDialog"
  std::int32_t Count = 0;
  std::int32_t FailedCount = 0;
  std::string ElapsedText;
  std::string SizeText;
  std::string CleanWord;    // the Clean button's name in the dialog's language
};

struct THighlight {
  std::string Text;
  long Position = -1;
  std::uint32_t Color = 0;
};

// Find(text, start): the position of Text as a whole word from Start on, without regard to
// case, or -1. Length(text): its length in the positions Find counts. Returns what was found.
std::vector<THighlight> SummaryHighlights(const TSummaryFigures& figures,
                                          const std::function<long(const std::string&, long)>& find,
                                          const std::function<long(const std::string&)>& length);

}  // namespace tw
