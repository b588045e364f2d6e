#include "registry/portable/RegImport.h"

#include "registry/portable/RegText.h"
#include "support/Format.h"

namespace tw {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class TParser {
 public:
  explicit TParser(std::string_view text) {
    for (std::size_t start = 0; start <= text.size();) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      lines_.push_back(TrimRight(text.substr(start, end - start)));
      start = end + 1;
    }
  }

  std::vector<TRegTextKey> Parse() {
    std::string_view first = lines_.empty() ? std::string_view() : lines_[0];
    if (first.substr(0, 3) == "\xEF\xBB\xBF") first.remove_prefix(3);
    if (first != "REGEDIT4") throw ERegTextError("Not a REGEDIT4 text");
    std::vector<TRegTextKey> keys;
    for (line_ = 1; line_ < lines_.size(); ++line_) {
      std::string_view line = TrimLeft(lines_[line_]);
      if (line.empty()) continue;
      if (line.front() == ';') {
        if (keys.empty() && line == kHexTypesLine) hexTypes_ = true;
        continue;
      }
      if (line.front() == '[') {
        keys.push_back(Header(line));
      } else if (line.front() == '"' || line.front() == '@') {
        if (keys.empty()) Fail("value outside a key");
        const int at = static_cast<int>(line_) + 1;
        keys.back().Values.push_back(ValueLine(line));
        keys.back().Values.back().Line = at;
      } else {
        Fail("unexpected text");
      }
    }
    return keys;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw ERegTextError(Format("Line %d: %s", static_cast<long long>(line_ + 1), what));
  }

  TRegTextKey Header(std::string_view line) {
    if (line.back() != ']') Fail("unterminated key name");
    line = line.substr(1, line.size() - 2);
    if (!line.empty() && line.front() == '-') Fail("key removal is not restored");
    TRegTextKey key;
    key.Line = static_cast<int>(line_) + 1;
    const std::size_t slash = line.find('\\');
    key.RootName = std::string(line.substr(0, slash));
    if (slash != std::string_view::npos) key.Path = std::string(line.substr(slash + 1));
    key.Root = RootKeyFromName(key.RootName);
    if (key.Root == kNoRootKey) Fail("unknown root key \"" + key.RootName + "\"");
    return key;
  }

  // A quoted text from Pos (at the opening quote) to its closing quote; Pos ends after it.
  std::string Quoted(std::string_view line, std::size_t& pos) {
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
      const char c = line[pos];
      if (c == '"') {
        ++pos;
        return out;
      }
      if (c == '\\') {
        if (pos + 1 >= line.size() || (line[pos + 1] != '\\' && line[pos + 1] != '"'))
          Fail("unknown escape in quoted text");
        out += line[++pos];
      } else {
        out += c;
      }
    }
    Fail("unterminated quoted text");
  }

  TRegTextValue ValueLine(std::string_view line) {
    TRegTextValue value;
    std::size_t pos = 0;
    if (line.front() == '@') {
      pos = 1;
    } else {
      value.Name = Quoted(line, pos);  // "" names the default value, as "@" does
    }
    std::string_view rest = TrimLeft(line.substr(pos));
    if (rest.empty() || rest.front() != '=') Fail("\"=\" expected after the value name");
    rest = TrimLeft(rest.substr(1));
    if (rest.empty()) Fail("value data missing");

    if (rest.front() == '"') {
      std::size_t at = 0;
      value.Type = kRegSz;
      value.Data = Quoted(rest, at);
      value.Data += '\0';
      if (!TrimLeft(rest.substr(at)).empty()) Fail("text after the closing quote");
    } else if (rest.substr(0, 6) == "dword:") {
      std::string_view digits = rest.substr(6);
      if (digits.empty() || digits.size() > 8) Fail("dword needs 1 to 8 hexadecimal digits");
      std::uint32_t n = 0;
      for (char c : digits) {
        if (HexDigit(c) < 0) Fail("dword needs 1 to 8 hexadecimal digits");
        n = (n << 4) | static_cast<std::uint32_t>(HexDigit(c));
      }
      value.Type = kRegDword;
      for (int i = 0; i < 4; ++i) value.Data += static_cast<char>((n >> (8 * i)) & 0xFF);
    } else if (rest.substr(0, 3) == "hex") {
      rest.remove_prefix(3);
      value.Type = kRegBinary;
      if (!rest.empty() && rest.front() == '(') {
        const std::size_t close = rest.find(')');
        if (close == std::string_view::npos) Fail("unterminated type number");
        value.Type = TypeNumber(rest.substr(1, close - 1));
        rest.remove_prefix(close + 1);
      }
      if (rest.empty() || rest.front() != ':') Fail("\":\" expected after hex");
      value.Data = HexBytes(rest.substr(1));
    } else if (rest == "-") {
      Fail("value removal is not restored");
    } else {
      Fail("unknown value data");
    }
    return value;
  }

  std::uint32_t TypeNumber(std::string_view text) {
    bool hex = hexTypes_;
    for (char c : text) {
      if (HexDigit(c) < 0) Fail("bad type number");
      if (c > '9') hex = true;
    }
    if (text.empty() || text.size() > 8) Fail("bad type number");
    std::uint64_t n = 0;
    for (char c : text) n = n * (hex ? 16 : 10) + static_cast<std::uint64_t>(HexDigit(c));
    if (n > 0xFFFFFFFFu) Fail("bad type number");
    return static_cast<std::uint32_t>(n);
  }

  // The byte list from the current line on; a line ending in a backslash continues on the
  // next one, after its leading blanks.
  std::string HexBytes(std::string_view first) {
    std::string list;
    for (std::string_view part = first;;) {
      part = TrimRight(part);
      const bool more = !part.empty() && part.back() == '\\';
      if (more) part.remove_suffix(1);
      list += part;
      if (!more) break;
      if (++line_ >= lines_.size()) {
        --line_;
        Fail("hex list continues past the end of the text");
      }
      part = TrimLeft(lines_[line_]);
    }
    std::string bytes;
    std::string_view rest = TrimLeft(list);
    while (!rest.empty()) {
      int digits = 0, byte = 0;
      while (!rest.empty() && HexDigit(rest.front()) >= 0) {
        if (++digits > 2) Fail("bad byte in hex list");
        byte = byte * 16 + HexDigit(rest.front());
        rest.remove_prefix(1);
      }
      if (digits == 0) Fail("bad byte in hex list");
      bytes += static_cast<char>(byte);
      rest = TrimLeft(rest);
      if (rest.empty()) break;
      if (rest.front() != ',') Fail("\",\" expected between bytes");
      rest = TrimLeft(rest.substr(1));
      if (rest.empty()) Fail("byte missing after \",\"");
    }
    return bytes;
  }

  std::vector<std::string_view> lines_;
  std::size_t line_ = 0;
  bool hexTypes_ = false;
};

}  // namespace

std::vector<TRegTextKey> ParseRegText(std::string_view text) { return TParser(text).Parse(); }

}  // namespace tw
