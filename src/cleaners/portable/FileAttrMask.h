#pragma once
// Attribute masks of the file cleaner, built from attribute names found anywhere in a text
// ("faHidden;faSysFile"): case-sensitive substring search, so any separator works.
#include <cstdint>
#include <string_view>

namespace tw {

inline constexpr std::uint32_t faReadOnly = 0x01;
inline constexpr std::uint32_t faHidden = 0x02;
inline constexpr std::uint32_t faSysFile = 0x04;
inline constexpr std::uint32_t faDirectory = 0x10;
inline constexpr std::uint32_t faArchive = 0x20;
inline constexpr std::uint32_t faSymLink = 0x40;
inline constexpr std::uint32_t faNormal = 0x80;

// "faAnyFile" stands for 0x3F (0x7F with "faSymLink"); "faNormal" adds 0x80.
std::uint32_t AttributeMask(std::string_view names);

// An entry is listed when it has at least one bit of Include and none of Exclude.
constexpr bool AttributesPass(std::uint32_t attributes, std::uint32_t include,
                              std::uint32_t exclude) {
  return (attributes & include) != 0 && (attributes & exclude) == 0;
}

}  // namespace tw
