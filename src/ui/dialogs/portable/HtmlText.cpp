#include "ui/dialogs/portable/HtmlText.h"

#include <cctype>
#include <cstdlib>

#include "support/Utf8.h"

namespace tw {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// Appends the UTF-8 form of a code point (the program's text is UTF-8 where it leaves ASCII).
void AppendCodePoint(std::string& out, unsigned long cp) {
  AppendUtf8(out, cp == 0 || cp > 0x10FFFF ? 0xFFFD : static_cast<char32_t>(cp));
}

std::optional<std::uint32_t> ParseColor(std::string value) {
  value = Lower(value);
  while (!value.empty() && IsSpace(value.back())) value.pop_back();
  while (!value.empty() && IsSpace(value.front())) value.erase(value.begin());
  static const struct {
    const char* name;
    std::uint32_t rgb;
  } kNames[] = {{"black", 0x000000}, {"white", 0xFFFFFF}, {"red", 0xFF0000},
                {"green", 0x008000}, {"blue", 0x0000FF}, {"gray", 0x808080},
                {"grey", 0x808080},  {"navy", 0x000080}, {"maroon", 0x800000},
                {"orange", 0xFFA500}, {"silver", 0xC0C0C0}, {"yellow", 0xFFFF00}};
  for (const auto& n : kNames)
    if (value == n.name) return n.rgb;
  if (value.size() == 7 && value[0] == '#') {
    char* end = nullptr;
    const unsigned long rgb = std::strtoul(value.c_str() + 1, &end, 16);
    if (end && *end == '\0') return static_cast<std::uint32_t>(rgb);
  }
  if (value.size() == 4 && value[0] == '#') {
    char* end = nullptr;
    const unsigned long v = std::strtoul(value.c_str() + 1, &end, 16);
    if (end && *end == '\0')
      return static_cast<std::uint32_t>(((v >> 8 & 0xF) * 0x110000) | ((v >> 4 & 0xF) * 0x1100) |
                                        ((v & 0xF) * 0x11));
  }
  return std::nullopt;
}

struct TStyle {
  bool bold = false, italic = false, underline = false;
  std::optional<std::uint32_t> color;
  int sizePx = 0;
  std::string link;
};

struct TOpenTag {
  std::string name;
  TStyle saved;
};

// Attribute value of Name in the text of a tag ("" when missing).
std::string Attribute(std::string_view tag, std::string_view name) {
  const std::string lower = Lower(tag);
  std::size_t pos = 0;
  while ((pos = lower.find(name, pos)) != std::string::npos) {
    const bool startOk = pos > 0 && IsSpace(lower[pos - 1]);
    std::size_t i = pos + name.size();
    while (i < lower.size() && IsSpace(lower[i])) ++i;
    if (!startOk || i >= lower.size() || lower[i] != '=') {
      pos += name.size();
      continue;
    }
    ++i;
    while (i < lower.size() && IsSpace(lower[i])) ++i;
    if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
      const char quote = tag[i];
      const std::size_t end = tag.find(quote, i + 1);
      return std::string(tag.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1));
    }
    std::size_t end = i;
    while (end < tag.size() && !IsSpace(tag[end]) && tag[end] != '>' && tag[end] != '/') ++end;
    return std::string(tag.substr(i, end - i));
  }
  return {};
}

void ApplyCss(std::string_view css, TStyle& style) {
  std::size_t start = 0;
  while (start < css.size()) {
    std::size_t end = css.find(';', start);
    if (end == std::string_view::npos) end = css.size();
    const std::string_view decl = css.substr(start, end - start);
    const std::size_t colon = decl.find(':');
    if (colon != std::string_view::npos) {
      std::string prop = Lower(decl.substr(0, colon));
      std::string value = Lower(decl.substr(colon + 1));
      auto trim = [](std::string& s) {
        while (!s.empty() && IsSpace(s.back())) s.pop_back();
        while (!s.empty() && IsSpace(s.front())) s.erase(s.begin());
      };
      trim(prop);
      trim(value);
      if (prop == "font-weight") style.bold = value == "bold" || value == "bolder" || std::atoi(value.c_str()) >= 600;
      else if (prop == "font-style") style.italic = value == "italic" || value == "oblique";
      else if (prop == "text-decoration") style.underline = value.find("underline") != std::string::npos;
      else if (prop == "color") {
        if (auto c = ParseColor(value)) style.color = c;
      } else if (prop == "font-size") {
        const int px = std::atoi(value.c_str());
        if (px > 0 && value.find("px") != std::string::npos) style.sizePx = px;
        else if (px > 0 && value.find("pt") != std::string::npos) style.sizePx = px * 4 / 3;
      }
    }
    start = end + 1;
  }
}

class TBuilder {
 public:
  std::vector<TTextRun> runs;
  TStyle style;
  bool lastWasSpace = false;
  bool atLineStart = true;

  void Text(std::string_view text) {
    for (char c : text) {
      if (IsSpace(c)) {
        if (!atLineStart && !lastWasSpace) Append(" ");
        lastWasSpace = !atLineStart || lastWasSpace;
        continue;
      }
      Append(std::string(1, c));
      atLineStart = lastWasSpace = false;
    }
  }
  void Literal(const std::string& text) {  // decoded entity text, kept as it is
    Append(text);
    atLineStart = lastWasSpace = false;
  }
  void Break() {
    TrimTrailingSpace();
    Append("\r\n");
    atLineStart = true;
    lastWasSpace = false;
  }
  void BlockBoundary() {
    if (!atLineStart) Break();
  }
  void TrimTrailingSpace() {
    if (!lastWasSpace || runs.empty()) return;
    std::string& last = runs.back().Text;
    if (!last.empty() && last.back() == ' ') last.pop_back();
    if (last.empty()) runs.pop_back();
    lastWasSpace = false;
  }

 private:
  void Append(const std::string& text) {
    TTextRun look{"", style.bold, style.italic, style.underline, style.color, style.sizePx, style.link};
    if (!runs.empty()) {
      TTextRun& last = runs.back();
      TTextRun lastLook = last;
      lastLook.Text.clear();
      if (lastLook == look) {
        last.Text += text;
        return;
      }
    }
    look.Text = text;
    runs.push_back(std::move(look));
  }
};

}  // namespace

std::vector<TTextRun> HtmlToRuns(std::string_view html) {
  TBuilder out;
  std::vector<TOpenTag> open;
  std::size_t i = 0;
  while (i < html.size()) {
    const char c = html[i];
    if (c == '<') {
      if (html.compare(i, 4, "<!--") == 0) {
        const std::size_t end = html.find("-->", i + 4);
        i = end == std::string_view::npos ? html.size() : end + 3;
        continue;
      }
      const std::size_t end = html.find('>', i + 1);
      if (end == std::string_view::npos) {  // a lone "<" is text
        out.Text(html.substr(i, 1));
        ++i;
        continue;
      }
      std::string_view tag = html.substr(i + 1, end - i - 1);
      i = end + 1;
      const bool closing = !tag.empty() && tag[0] == '/';
      if (closing) tag.remove_prefix(1);
      std::size_t nameEnd = 0;
      while (nameEnd < tag.size() && !IsSpace(tag[nameEnd]) && tag[nameEnd] != '/') ++nameEnd;
      const std::string name = Lower(tag.substr(0, nameEnd));
      const bool selfClosing = !tag.empty() && tag.back() == '/';
      if (!closing && (name == "script" || name == "style")) {
        const std::string closeTag = "</" + name;
        std::size_t stop = Lower(html.substr(i)).find(closeTag);
        if (stop == std::string::npos) break;
        const std::size_t gt = html.find('>', i + stop);
        i = gt == std::string_view::npos ? html.size() : gt + 1;
        continue;
      }
      if (name == "br") {
        if (!closing) out.Break();
        continue;
      }
      const bool block = name == "p" || name == "div" || name == "li" || name == "tr" ||
                         name == "h1" || name == "h2" || name == "h3" || name == "ul" ||
                         name == "ol" || name == "table" || name == "hr";
      if (block) out.BlockBoundary();
      if (closing) {
        for (std::size_t k = open.size(); k-- > 0;) {
          if (open[k].name != name) continue;
          out.style = open[k].saved;
          open.resize(k);
          break;
        }
        continue;
      }
      if (selfClosing || name == "hr" || name == "img" || name == "meta" || name == "link") continue;
      open.push_back({name, out.style});
      if (name == "b" || name == "strong" || name == "h1" || name == "h2" || name == "h3") out.style.bold = true;
      if (name == "i" || name == "em") out.style.italic = true;
      if (name == "u") out.style.underline = true;
      if (name == "a") {
        out.style.link = Attribute(tag, "href");
        if (!out.style.link.empty()) out.style.underline = true;
      }
      if (name == "font") {
        if (auto color = ParseColor(Attribute(tag, "color"))) out.style.color = color;
      }
      const std::string css = Attribute(tag, "style");
      if (!css.empty()) ApplyCss(css, out.style);
      continue;
    }
    if (c == '&') {
      const std::size_t semi = html.find(';', i + 1);
      if (semi != std::string_view::npos && semi - i <= 10) {
        const std::string entity = Lower(html.substr(i + 1, semi - i - 1));
        std::string decoded;
        if (entity == "amp") decoded = "&";
        else if (entity == "lt") decoded = "<";
        else if (entity == "gt") decoded = ">";
        else if (entity == "quot") decoded = "\"";
        else if (entity == "apos") decoded = "'";
        else if (entity == "nbsp") decoded = " ";
        else if (entity.size() > 1 && entity[0] == '#') {
          const bool hex = entity[1] == 'x';
          char* end = nullptr;
          const unsigned long cp = std::strtoul(entity.c_str() + (hex ? 2 : 1), &end, hex ? 16 : 10);
          if (end && *end == '\0') AppendCodePoint(decoded, cp);
        }
        if (!decoded.empty()) {
          out.Literal(decoded);
          i = semi + 1;
          continue;
        }
      }
    }
    out.Text(html.substr(i, 1));
    ++i;
  }
  // Trailing blanks and line breaks carry nothing.
  out.TrimTrailingSpace();
  while (!out.runs.empty()) {
    std::string& text = out.runs.back().Text;
    while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
    if (!text.empty()) break;
    out.runs.pop_back();
  }
  return out.runs;
}

std::string RunsText(const std::vector<TTextRun>& runs) {
  std::string text;
  for (const TTextRun& run : runs) text += run.Text;
  return text;
}

}  // namespace tw
