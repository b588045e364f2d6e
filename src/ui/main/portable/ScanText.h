#pragma once
// The texts of a scan run that need no window: the size rule, the elapsed time, hints cut to
// their length and text fitted to a width.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tw {

// A size in the largest unit that shows it above 1: GB, else MB, else KB (1024 each).
struct TSizeParts {
  double Value = 0;
  const char* Unit = "KB";
};
TSizeParts SizeParts(std::int64_t bytes);
// "%f GB", "%f MB" or "%f KB" (two decimals, the user's separator).
std::string SizeText(std::int64_t bytes);

// "hh:mm:ss" of a number of seconds (hours grow past 99 when they must).
std::string ElapsedText(std::int64_t seconds);

// A hint longer than 2048 characters: its first 2048, two line breaks and "...".
std::string CutHint(std::string text);

// The longest prefix of Text whose width plus the width of "..." is at most Width, followed by
// "..."; empty when not even "..." fits. Width is measured by Measure; a prefix never ends inside
// a UTF-8 sequence.
std::string EllipsisFit(std::string_view text, int width, const std::function<int(std::string_view)>& measure);

}  // namespace tw
