#include "support/Utf8.h"

namespace tw {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool NextCodePoint(std::string_view text, std::size_t& pos, char32_t& cp) {
  const unsigned char lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) {
    cp = lead;
    ++pos;
    return true;
  }
  int extra;
  char32_t value, min;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, value = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, value = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, value = lead & 0x07, min = 0x10000;
  } else {
    return false;
  }
  if (pos + extra >= text.size()) return false;
  for (int i = 1; i <= extra; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[pos + i]);
    if ((c & 0xC0) != 0x80) return false;
    value = (value << 6) | (c & 0x3F);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  cp = value;
  pos += extra + 1;
  return true;
}

bool IsValidUtf8(std::string_view text) {
  char32_t cp;
  for (std::size_t pos = 0; pos < text.size();)
    if (!NextCodePoint(text, pos, cp)) return false;
  return true;
}

}  // namespace tw
