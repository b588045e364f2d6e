#pragma once
// Reading a "REGEDIT4" text back: our own exports and the system registry editor's REGEDIT4
// exports (sections, "@=" and quoted names, quoted strings, "dword:", "hex:" and "hex(N):" with
// wrapped lines). The whole text is checked before anything is written, so a damaged text is
// rejected as a whole.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/Exceptions.h"

namespace tw {

// A text that is not a REGEDIT4 export, or one of its lines that does not parse; the message
// names the line.
TW_DECLARE_EXCEPTION(ERegTextError, Exception)

struct TRegTextValue {
  std::string Name;  // empty for the default value ("@")
  std::uint32_t Type = 0;
  std::string Data;  // the bytes; a quoted string with its terminating NUL
  int Line = 0;      // where the value starts, from 1
};

struct TRegTextKey {
  std::uint32_t Root = 0;
  std::string RootName;  // as written in the header
  std::string Path;      // below the root, without a leading backslash
  int Line = 0;
  std::vector<TRegTextValue> Values;
};

// The keys of Text in their order. The type number of "hex(N):" is hexadecimal when the text
// says so before its first key (kHexTypesLine, as every export of this program does now);
// otherwise it is decimal, as older exports of this program wrote it, unless it holds a letter
// ("hex(b)", as the system's editor writes types from 10 on). Raises ERegTextError.
std::vector<TRegTextKey> ParseRegText(std::string_view text);

}  // namespace tw
