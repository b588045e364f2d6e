#include "registry/portable/RegText.h"

#include "support/Format.h"

namespace tw {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

std::string ByteText(unsigned char byte) { return {kHexDigits[byte >> 4], kHexDigits[byte & 15]}; }

}  // namespace

const std::vector<TRootKeyRow>& RootKeyTable() {
  static const std::vector<TRootKeyRow> table = {
      {0x80000000, "HKEY_CLASSES_ROOT", "HKCR"},     {0x80000001, "HKEY_CURRENT_USER", "HKCU"},
      {0x80000002, "HKEY_LOCAL_MACHINE", "HKLM"},    {0x80000003, "HKEY_USERS", "HKUS"},
      {0x80000004, "HKEY_PERFORMANCE_DATA", "HKPD"}, {0x80000005, "HKEY_CURRENT_CONFIG", "HKCC"},
      {0x80000006, "HKEY_DYN_DATA", "HKDD"},
  };
  return table;
}

std::string RootKeyName(std::uint32_t root) {
  for (const TRootKeyRow& row : RootKeyTable())
    if (row.Root == root) return row.LongName;
  return {};
}

std::uint32_t RootKeyFromName(std::string_view name) {
  std::string upper(name);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (const TRootKeyRow& row : RootKeyTable())
    if (upper == row.LongName || upper == row.ShortName) return row.Root;
  return kNoRootKey;
}

std::string EscapeRegText(std::string_view text, std::ptrdiff_t count) {
  if (count >= 0 && static_cast<std::size_t>(count) < text.size()) text = text.substr(0, count);
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\0') break;
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

bool QuotedFormIsExact(std::string_view data) {
  return !data.empty() && data.back() == '\0' && data.find('\0') == data.size() - 1 &&
         !HasLineBreak(data);
}

void TRegExportWriter::Begin() {
  lines_.clear();
  lastKey_.clear();
  lastRoot_.clear();
  anyHeader_ = false;
  typesLine_ = false;
  active_ = true;
}

void TRegExportWriter::RequireActive() const {
  if (!active_) throw ERegistryException("ExportStrings is not assigned");
}

void TRegExportWriter::AddLine(std::string line) {
  RequireActive();
  lines_.push_back(std::move(line));
}

void TRegExportWriter::KeyHeader(std::string_view rootName, std::string_view keyPath) {
  RequireActive();
  // A change of root alone also starts a new section: the same path under another root is
  // another key.
  if (anyHeader_ && keyPath == lastKey_ && rootName == lastRoot_) return;
  if (HasLineBreak(keyPath))
    throw ERegistryException(Format("Key \"%s\" cannot be exported", keyPath));
  if (!typesLine_) {
    lines_.emplace_back(kHexTypesLine);
    typesLine_ = true;
  }
  lines_.emplace_back();
  lines_.push_back(Format("[%s\\%s]", rootName, keyPath));
  lastKey_.assign(keyPath);
  lastRoot_.assign(rootName);
  anyHeader_ = true;
}

void TRegExportWriter::Value(std::string_view rootName, std::string_view keyPath,
                             std::string_view valueName, std::uint32_t type,
                             std::string_view data) {
  RequireActive();
  if (HasLineBreak(valueName))
    throw ERegistryException(Format("Value \"%s\" cannot be exported", valueName));
  KeyHeader(rootName, keyPath);
  std::string line =
      valueName.empty() ? std::string("@=") : "\"" + EscapeRegText(valueName) + "\"=";
  // Every value is written, also one without data: the hex form with no bytes carries its
  // type, and both importers read it back as an empty value.
  if (type == kRegSz && QuotedFormIsExact(data)) {
    lines_.push_back(line + "\"" +
                     EscapeRegText(data, static_cast<std::ptrdiff_t>(data.size()) - 1) + "\"");
  } else if (type == kRegDword && data.size() == 4) {
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(data[i]);
    lines_.push_back(line + Format("dword:%08x", n));
  } else {
    // The type number in hexadecimal, as the system's editor reads it ("hex(b):" a QWORD).
    line += type == kRegBinary ? std::string("hex:") : Format("hex(%x):", type);
    AppendHexLines(lines_, std::move(line), data);
  }
}

std::string TRegExportWriter::End() {
  if (!active_) return {};
  std::size_t size = 0;
  for (const std::string& line : lines_) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  lines_.clear();
  lastKey_.clear();
  lastRoot_.clear();
  anyHeader_ = false;
  typesLine_ = false;
  active_ = false;
  return text;
}

void TRegExportWriter::Rollback(const TMark& mark) {
  if (mark.Lines < lines_.size()) lines_.resize(mark.Lines);
  lastKey_ = mark.LastKey;
  lastRoot_ = mark.LastRoot;
  anyHeader_ = mark.AnyHeader;
  typesLine_ = mark.TypesLine;
}

void AppendHexLines(std::vector<std::string>& lines, std::string line, std::string_view data) {
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::string piece = ByteText(static_cast<unsigned char>(data[i]));
    if (i + 1 < data.size()) piece += ',';
    if (line.size() + piece.size() < 77) {
      line += piece;
    } else {
      lines.push_back(line + piece + "\\");
      line = "  ";
    }
  }
  lines.push_back(std::move(line));
}

std::string HexText(std::uint32_t type, std::string_view data) {
  std::string text = type == kRegBinary ? std::string("hex:") : Format("hex(%d):", type);
  text.reserve(text.size() + data.size() * 3);
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i) text += ',';
    text += ByteText(static_cast<unsigned char>(data[i]));
  }
  return text;
}

}  // namespace tw
