#pragma once
// Small steps on text that people write: trimming, ASCII lower case, splitting and joining.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// Text without blanks (space, tab, CR, LF) at either end.
std::string_view Trim(std::string_view text);
// Text with ASCII letters in lower case; other bytes stay.
std::string Lower(std::string_view text);
// The parts between separators; one part for text without a separator, empty parts kept.
std::vector<std::string_view> Split(std::string_view text, char separator);
// The first Count parts joined by Separator.
std::string Join(const std::vector<std::string>& parts, std::string_view separator,
                 std::size_t count = std::string::npos);

}  // namespace tw
