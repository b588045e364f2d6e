#pragma once
// The program's text is UTF-8 wherever it leaves ASCII.
#include <string>

namespace tw {

// Appends the UTF-8 bytes of the code point Cp (at most 0x10FFFF; the caller replaces what it
// cannot accept).
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace tw
