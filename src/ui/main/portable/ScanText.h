#pragma once
// The texts of a scan run that need no window: the elapsed time, hints cut to their length and
// text fitted to a width. (The size text is support's SizeText.)
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tw {

// "hh:mm:ss" of a number of seconds (hours grow past 99 when they must).
std::string ElapsedText(std::int64_t seconds);

// A hint longer than 2048 characters: its first 2048, two line breaks and "...".
std::string CutHint(std::string text);

// The longest prefix of Text whose width plus the width of "..." is at most Width, followed by
// "..."; empty when not even "..." fits. Width is measured by Measure; a prefix never ends inside
// a UTF-8 sequence.
std::string EllipsisFit(std::string_view text, int width, const std::function<int(std::string_view)>& measure);

}  // namespace tw
