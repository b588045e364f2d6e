#pragma once
// The registry's text side without the platform: the root-key names and the "REGEDIT4" export
// lines.
//
// Root keys are handled here as their 32-bit values (0x80000000 HKEY_CLASSES_ROOT ...); the
// platform layer turns them into handles.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/Exceptions.h"

namespace tw {

TW_DECLARE_EXCEPTION(ERegistryException, Exception)

inline constexpr std::uint32_t kNoRootKey = 0xFFFFFFFF;

// Registry value types by number.
enum : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegDwordBigEndian = 5,
  kRegLink = 6,
  kRegMultiSz = 7,
  kRegQword = 11,
};

struct TRootKeyRow {
  std::uint32_t Root;
  const char* LongName;
  const char* ShortName;
};

// The seven roots in their fixed order; HKEY_USERS is "HKUS" in short.
const std::vector<TRootKeyRow>& RootKeyTable();
// The long name of Root; empty for a value outside the table.
std::string RootKeyName(std::uint32_t root);
// The root of a long or short name in any letter case; kNoRootKey when none matches.
std::uint32_t RootKeyFromName(std::string_view name);

// Each double quote and backslash of the first Count characters (all for -1) gets a backslash
// in front; the result ends before its first NUL.
std::string EscapeRegText(std::string_view text, std::ptrdiff_t count = -1);

// True when the quoted form ("text") gives back exactly these REG_SZ bytes: one NUL, at the
// end, and no line break.
bool QuotedFormIsExact(std::string_view data);

// The comment an export writes before its first key: the type numbers of its "hex(N):" values
// are hexadecimal, as the system's registry editor writes and reads them. A text without it is
// an older export of this program, whose type numbers are decimal unless they hold a letter.
inline constexpr const char* kHexTypesLine = "; type numbers of hex(N) are hexadecimal";

// The lines of a "REGEDIT4" export as they are built value by value.
class TRegExportWriter {
 public:
  // Starts (or restarts) an export: no lines, no key written yet.
  void Begin();
  bool Active() const { return active_; }
  // Appends a line as it is ("REGEDIT4").
  void AddLine(std::string line);
  // Writes the section header of RootName\KeyPath unless it is the last one written: an empty
  // line, then "[root\path]" (the first one after kHexTypesLine). Raises ERegistryException for a path the form cannot carry.
  void KeyHeader(std::string_view rootName, std::string_view keyPath);
  // The lines of one value (header first when the key changes). Data is the value's bytes, the
  // string types in UTF-8. Raises ERegistryException "ExportStrings is not assigned" before
  // Begin, and for a name the form cannot carry (a line break in it).
  void Value(std::string_view rootName, std::string_view keyPath, std::string_view valueName,
             std::uint32_t type, std::string_view data);
  // Every line followed by CR LF; the export ends. Empty when none was begun.
  std::string End();

  // A point to come back to when one entry of a larger export fails half-way.
  struct TMark {
    std::size_t Lines;
    std::string LastKey, LastRoot;
    bool AnyHeader;
    bool TypesLine;
  };
  TMark Mark() const { return {lines_.size(), lastKey_, lastRoot_, anyHeader_, typesLine_}; }
  void Rollback(const TMark& mark);

  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  void RequireActive() const;

  bool active_ = false;
  std::vector<std::string> lines_;
  std::string lastKey_, lastRoot_;
  bool anyHeader_ = false;
  bool typesLine_ = false;
};

// The hex byte list of a value with its prefix ("hex:", "hex(7):", "hex(b):"), wrapped as an export wraps
// it: lines below 77 characters, continued with a backslash and two blanks.
void AppendHexLines(std::vector<std::string>& lines, std::string line, std::string_view data);

// "hex:" and the bytes as two lower-case digits separated by ",", for REG_BINARY; "hex(N):"
// with the type in decimal for any other type. One line.
std::string HexText(std::uint32_t type, std::string_view data);

}  // namespace tw
