#include "settings/portable/CustomPlaces.h"

#include <algorithm>
#include <charconv>

#include "database/portable/Winapp2.h"
#include "registry/portable/RegText.h"
#include "settings/portable/UserState.h"
#include "support/Format.h"

namespace tw {
namespace {

constexpr std::string_view kItemPrefix = "gcustom-i";
constexpr std::string_view kRecurseWord = "recurse";
constexpr std::string_view kTopWord = "top";

bool HasWildcard(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

std::string ForwardToBack(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}

// "C:", "C:\...", or "\\server\share..." (not the "\\?\" forms).
bool IsFullFolderPath(std::string_view path) {
  const std::string text = ForwardToBack(path);
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (text.size() >= 2 && letter(text[0]) && text[1] == ':') return text.size() == 2 || text[2] == '\\';
  if (text.starts_with("\\\\?\\") || text.starts_with("\\\\.\\")) return false;
  return text.starts_with("\\\\") && text.size() > 2 && text[2] != '\\';
}

std::string XmlAttribute(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\t': out += "&#9;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': out += "&#13;"; break;
      default: out += c;
    }
  }
  return out;
}

// The root's long name and the path below it ("HKCU\Software\X" gives "HKEY_CURRENT_USER" and
// "Software\X"); an empty root when it is not one.
std::pair<std::string, std::string> SplitKey(std::string_view key) {
  std::string text = ForwardToBack(key);
  while (!text.empty() && text.back() == '\\') text.pop_back();
  const std::size_t slash = text.find('\\');
  const std::uint32_t root = RootKeyFromName(std::string_view(text).substr(0, slash));
  if (root == kNoRootKey) return {};
  std::string below = slash == std::string::npos ? std::string() : text.substr(slash + 1);
  while (below.starts_with('\\')) below.erase(0, 1);
  return {RootKeyName(root), below};
}

// Masks and filters: ";"-separated names, none of them empty, with no "|" and no folder part.
bool GoodPatternList(std::string_view patterns, bool names) {
  if (patterns.empty()) return true;
  if (patterns.find('|') != std::string_view::npos) return false;
  if (names && patterns.find_first_of("\\/:<>\"") != std::string_view::npos) return false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = patterns.find(';', start);
    const std::string_view piece = patterns.substr(start, end == std::string_view::npos ? patterns.npos : end - start);
    if (piece.find_first_not_of(' ') == std::string_view::npos) return false;
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

// The ";"-separated patterns without the blanks around each.
std::string TrimmedList(std::string_view patterns) {
  std::string out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = patterns.find(';', start);
    std::string_view piece = patterns.substr(start, end == std::string_view::npos ? patterns.npos : end - start);
    while (piece.starts_with(' ')) piece.remove_prefix(1);
    while (piece.ends_with(' ')) piece.remove_suffix(1);
    if (start > 0) out += ';';
    out += piece;
    if (end == std::string_view::npos) return out;
    start = end + 1;
  }
}

bool HasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

}  // namespace

std::string CustomItemId(int index) { return std::string(kItemPrefix) + std::to_string(index + 1); }

int CustomItemIndex(std::string_view id) {
  if (!id.starts_with(kItemPrefix)) return -1;
  const std::string_view digits = id.substr(kItemPrefix.size());
  if (digits.empty() || digits[0] == '0') return -1;
  int number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() || number < 1) return -1;
  return number - 1;
}

std::string CustomPlaceText(const TCustomPlace& place) {
  if (place.Kind == TCustomKind::Key) return "key|" + place.Pattern + "|" + place.Place;
  return Format("folder|%s|%s|%s", place.Recurse ? kRecurseWord : kTopWord, place.Pattern, place.Place);
}

bool ParseCustomPlace(std::string_view text, TCustomPlace& place) {
  const std::size_t first = text.find('|');
  if (first == std::string_view::npos) return false;
  const std::string_view kind = text.substr(0, first);
  std::string_view rest = text.substr(first + 1);
  TCustomPlace parsed;
  if (kind == "folder") {
    const std::size_t bar = rest.find('|');
    if (bar == std::string_view::npos) return false;
    const std::string_view depth = rest.substr(0, bar);
    if (depth != kRecurseWord && depth != kTopWord) return false;
    parsed.Recurse = depth == kRecurseWord;
    rest = rest.substr(bar + 1);
  } else if (kind == "key") {
    parsed.Kind = TCustomKind::Key;
  } else {
    return false;
  }
  const std::size_t bar = rest.find('|');
  if (bar == std::string_view::npos) return false;
  parsed.Pattern = std::string(rest.substr(0, bar));
  parsed.Place = std::string(rest.substr(bar + 1));
  if (parsed.Place.empty()) return false;
  place = std::move(parsed);
  return true;
}

std::string CustomPattern(const TCustomPlace& place) {
  if (!place.Pattern.empty()) return place.Pattern;
  return place.Kind == TCustomKind::Folder ? "*.*" : "*";
}

std::string CustomPatternList(const TCustomPlace& place) { return TrimmedList(CustomPattern(place)); }

TCustomProblem CustomPlaceProblem(const TCustomPlace& expanded) {
  if (expanded.Place.find_first_not_of(' ') == std::string::npos) return TCustomProblem::Empty;
  const bool control = HasControl(expanded.Place) || HasControl(expanded.Pattern);
  if (expanded.Kind == TCustomKind::Folder) {
    if (control) return TCustomProblem::FolderPath;
    if (!IsFullFolderPath(expanded.Place) || expanded.Place.find('|') != std::string::npos)
      return TCustomProblem::FolderPath;
    if (HasWildcard(expanded.Place)) return TCustomProblem::FolderWildcard;
    if (!GoodPatternList(expanded.Pattern, true)) return TCustomProblem::Mask;
    return TCustomProblem::None;
  }
  if (control || SplitKey(expanded.Place).first.empty()) return TCustomProblem::KeyRoot;
  if (!GoodPatternList(expanded.Pattern, false)) return TCustomProblem::Filter;
  if (!RegistryKeyRefusal(ForwardToBack(expanded.Place)).empty()) return TCustomProblem::KeyRefused;
  return TCustomProblem::None;
}

const char* CustomProblemText(TCustomProblem problem) {
  switch (problem) {
    case TCustomProblem::None: return "";
    case TCustomProblem::Empty: return "Type a folder or a registry key first.";
    case TCustomProblem::FolderPath: return "A folder is named by its full path (\"C:\\...\").";
    case TCustomProblem::FolderWildcard: return "A folder is named without wildcards; the mask takes them.";
    case TCustomProblem::Mask:
      return "A file mask is one or more names such as *.log, separated by \";\", without folders.";
    case TCustomProblem::FolderRefused:
      return "This folder is not cleaned: it is a drive root, the user profile, the Windows folder, a "
             "program files folder or a folder that holds one of them.";
    case TCustomProblem::KeyRoot:
      return "A registry key starts with its root (\"HKEY_CURRENT_USER\\...\" or \"HKCU\\...\").";
    case TCustomProblem::KeyRefused:
      return "This key is not cleaned: it is a root key or a key that Windows and every program "
             "share.";
    case TCustomProblem::Filter:
      return "A value filter is one or more names such as MRU*, separated by \";\", without \"|\".";
  }
  return "";
}

std::string ValueFilterExpression(std::string_view filter) {
  if (filter.empty()) filter = "*";
  std::string out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = filter.find(';', start);
    const std::string_view piece = filter.substr(start, end == std::string_view::npos ? filter.npos : end - start);
    if (!out.empty()) out += ';';
    out += "(?i)^";
    for (char c : piece) {
      if (c == '*') out += ".*";
      else if (c == '?') out += '.';
      else if (c == '"') out += "\\x22";  // would start a quoted field of the list
      else if (std::string_view("\\^$.|+()[]{}").find(c) != std::string_view::npos) (out += '\\') += c;
      else out += c;
    }
    out += '$';
    if (end == std::string_view::npos) return out;
    start = end + 1;
  }
}

std::vector<std::string> ReadCustomLines(TSettingsStore& store) {
  std::vector<std::string> lines = store.ReadLines(kCustomPlacesValue);
  std::erase_if(lines, [](const std::string& line) { return line.empty(); });
  return lines;
}

void WriteCustomLines(TSettingsStore& store, const std::vector<std::string>& lines) {
  std::vector<std::string> kept = lines;
  std::erase_if(kept, [](const std::string& line) { return line.empty(); });
  store.WriteLines(kCustomPlacesValue, kept);
}

std::vector<TCustomPlace> ParseCustomLines(const std::vector<std::string>& lines) {
  std::vector<TCustomPlace> places;
  for (const std::string& line : lines) {
    TCustomPlace place;
    if (ParseCustomPlace(line, place)) places.push_back(std::move(place));
  }
  return places;
}

void CustomPlaceRemovedTicks(std::map<std::string, bool>& checked, int index, int count) {
  if (index < 0 || index >= count) return;
  for (int i = index; i + 1 < count; ++i) {
    const auto next = checked.find(CustomItemId(i + 1));
    if (next == checked.end()) checked.erase(CustomItemId(i));
    else checked[CustomItemId(i)] = next->second;
  }
  checked.erase(CustomItemId(count - 1));
}

void RemoveCustomPlaceTicks(TSettingsStore& store, int index, int count) {
  TUserState state = ReadUserState(store);
  CustomPlaceRemovedTicks(state.Checked, index, count);
  store.WriteString("ItemChecks", StateMapText(state.Checked));
}

void ForgetCustomPlaceTick(TSettingsStore& store, int index) {
  TUserState state = ReadUserState(store);
  if (state.Checked.erase(CustomItemId(index)) == 0) return;
  store.WriteString("ItemChecks", StateMapText(state.Checked));
}

std::string CustomItemMode(bool checked) { return checked ? "1111111" : "0000000"; }

std::string CustomGroupXml(const std::vector<TCustomPlace>& places, const std::vector<bool>& checked,
                           const std::array<TCustomTexts, 4>& texts) {
  static constexpr const char* kLanguages[4] = {"en", "fr", "de", "es"};
  std::string xml = Format("<Group id=\"%s\" icon=\"\" expanded=\"true\">\n", kCustomGroupId);
  for (int l = 0; l < 4; ++l)
    xml += Format("  <%s name=\"%s\" info=\"%s\"/>\n", kLanguages[l], XmlAttribute(texts[l].Group),
                  XmlAttribute(texts[l].GroupInfo));
  for (std::size_t i = 0; i < places.size(); ++i) {
    const TCustomPlace& place = places[i];
    const bool ticked = i < checked.size() && checked[i];
    const std::string pattern = CustomPatternList(place);
    xml += Format(
        "  <Item id=\"%s\" icon=\"\" enabled=\"true\" mode=\"%s\" checked=\"%s\" recoverable=\"true\">\n",
        CustomItemId(static_cast<int>(i)), CustomItemMode(ticked), ticked ? "true" : "false");
    for (int l = 0; l < 4; ++l) {
      const TCustomTexts& text = texts[l];
      const std::string& info = place.Kind == TCustomKind::Key ? text.KeyInfo
                                : place.Recurse                 ? text.FolderTreeInfo
                                                                : text.FolderInfo;
      xml += Format("    <%s name=\"%s\" info=\"%s\"/>\n", kLanguages[l], XmlAttribute(place.Place),
                    XmlAttribute(Format(info, pattern, place.Place)));
    }
    if (place.Kind == TCustomKind::Folder) {
      // "*.*" also lists the subfolders, to be removed once emptied: only with the subfolders.
      const std::string mask = !place.Recurse && pattern == "*.*" ? "*" : pattern;
      xml += Format(
          "    <Action method=\"DeleteFiles\" path=\"%s\" fileFilter=\"%s\" fileAttrib=\"faAnyFile;faNormal\" "
          "excludeAttr=\"faSysFile\" excludeFolder=\"\" recurse=\"%s\"/>\n",
          XmlAttribute(ForwardToBack(place.Place)), XmlAttribute(mask), place.Recurse ? "true" : "false");
    } else {
      const auto [root, below] = SplitKey(place.Place);
      xml += Format("    <Action method=\"DeleteValues\" key=\"%s\" subkey=\"%s\" valueFilter=\"%s\"/>\n",
                    XmlAttribute(root), XmlAttribute(below), XmlAttribute(ValueFilterExpression(pattern)));
    }
    xml += "  </Item>\n";
  }
  xml += "</Group>";
  return xml;
}

}  // namespace tw
