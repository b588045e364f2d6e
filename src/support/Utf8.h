#pragma once
// The program's text is UTF-8 wherever it leaves ASCII.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace tw {

// Appends the UTF-8 bytes of the code point Cp (at most 0x10FFFF; the caller replaces what it
// cannot accept).
void AppendUtf8(std::string& out, char32_t cp);

// U+FFFD, which stands for what cannot be read.
inline constexpr char32_t kReplacementChar = 0xFFFD;

// The code point that starts at Text[At] and its length in bytes; length 0 when the bytes there
// are not well-formed UTF-8 (overlong forms and surrogates included).
std::pair<char32_t, std::size_t> NextUtf8(std::string_view text, std::size_t at);
bool IsUtf8(std::string_view text);
// UTF-16 bytes (little- or big-endian, without a byte-order mark) as UTF-8; unpaired surrogates
// become U+FFFD.
std::string FromUtf16(std::string_view bytes, bool bigEndian);
// Windows-1252 bytes as UTF-8.
std::string FromWindows1252(std::string_view bytes);

}  // namespace tw
