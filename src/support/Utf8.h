#pragma once
// The program's text is UTF-8 wherever it leaves ASCII.
#include <cstddef>
#include <string>
#include <string_view>

namespace tw {

// Appends the UTF-8 bytes of the code point Cp (at most 0x10FFFF; the caller replaces what it
// cannot accept).
void AppendUtf8(std::string& out, char32_t cp);

// Decodes the UTF-8 sequence at Text[Pos] into Cp and moves Pos past it. False, with Pos left
// where it was, for a sequence that is not well-formed: overlong, a surrogate, above 0x10FFFF,
// cut short, or a byte that starts none.
bool NextCodePoint(std::string_view text, std::size_t& pos, char32_t& cp);

// True when all of Text is well-formed UTF-8 (see NextCodePoint).
bool IsValidUtf8(std::string_view text);

// U+FFFD, which stands for what cannot be read.
inline constexpr char32_t kReplacementChar = 0xFFFD;

// UTF-16 bytes (little- or big-endian, without a byte-order mark) as UTF-8; unpaired surrogates
// become U+FFFD.
std::string FromUtf16(std::string_view bytes, bool bigEndian);
// Windows-1252 bytes as UTF-8.
std::string FromWindows1252(std::string_view bytes);

}  // namespace tw
