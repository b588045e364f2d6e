// The REGEDIT4 reader and writer: any text either parses or raises the reader's error, and a
// value written by the export comes back from the reader with its name, type and bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "registry/portable/RegImport.h"
#include "registry/portable/RegText.h"
#include "support/Exceptions.h"

namespace {

// Names and string data reach the writer as the registry class hands them over: UTF-8 text.
bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > text.size()) return false;
    for (int k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
    i += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    (void)tw::ParseRegText(bytes);
  } catch (const tw::ERegTextError&) {
  }

  // Byte 0 picks the type, the text up to the first '|' is the name, the rest the data.
  if (size < 2) return 0;
  static const std::uint32_t kTypes[] = {0, 1, 2, 3, 4, 5, 7, 11};
  const std::uint32_t type = kTypes[data[0] % 8];
  const std::string_view rest = bytes.substr(1);
  const std::size_t bar = rest.find('|');
  if (bar == std::string_view::npos) return 0;
  const std::string_view name = rest.substr(0, bar);
  const std::string_view value = rest.substr(bar + 1);
  const bool text = type == 1 || type == 2 || type == 7;
  if (!IsUtf8(name) || name.find('\0') != std::string_view::npos || (text && !IsUtf8(value))) return 0;
  tw::TRegExportWriter writer;
  writer.Begin();
  writer.AddLine("REGEDIT4");
  try {
    writer.Value("HKEY_CURRENT_USER", "Software\\Fuzz", name, type, value);
  } catch (const tw::Exception&) {
    return 0;  // a name or text the form cannot carry is refused, never written half
  }
  const auto keys = tw::ParseRegText(writer.End());
  if (keys.size() != 1 || keys[0].Values.size() != 1) __builtin_trap();
  const tw::TRegTextValue& back = keys[0].Values[0];
  if (back.Name != name || back.Type != type || back.Data != value) __builtin_trap();
  return 0;
}
