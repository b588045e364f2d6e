#include "database/portable/Winapp2.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>

#include "database/portable/Winapp2Rules.h"
#include "support/TextParts.h"
#include "support/Utf8.h"

namespace tw {

using namespace winapp2;

namespace {

// Attribute text for the document: well-formed UTF-8 (anything else becomes U+FFFD), without
// the characters XML cannot hold, markup characters escaped.
void AppendAttribute(std::string& out, std::string_view name, std::string_view value) {
  out += ' ';
  out += name;
  out += "=\"";
  for (std::size_t at = 0; at < value.size();) {
    char32_t c;
    if (!NextCodePoint(value, at, c)) {
      c = kReplacementChar;
      ++at;
    }
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\t':
        out += "&#9;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        if (c >= 0x20 && c != 0xFFFE && c != 0xFFFF) AppendUtf8(out, c);
    }
  }
  out += '"';
}

// Category names of the rule format's LangSecRef numbers, in the four languages.
struct TCategory {
  int number;
  std::array<const char*, 4> names;
};
constexpr TCategory kCategories[] = {
    {3021, {"Applications", "Applications", "Anwendungen", "Aplicaciones"}},
    {3022, {"Internet", "Internet", "Internet", "Internet"}},
    {3023, {"Multimedia", "Multimédia", "Multimedia", "Multimedia"}},
    {3024, {"Utilities", "Utilitaires", "Dienstprogramme", "Utilidades"}},
    {3025, {"Windows", "Windows", "Windows", "Windows"}},
    {3026, {"Firefox", "Firefox", "Firefox", "Firefox"}},
    {3027, {"Opera", "Opera", "Opera", "Opera"}},
    {3028, {"Safari", "Safari", "Safari", "Safari"}},
    {3029, {"Google Chrome", "Google Chrome", "Google Chrome", "Google Chrome"}},
    {3030, {"Thunderbird", "Thunderbird", "Thunderbird", "Thunderbird"}},
    {3031, {"Microsoft Store", "Microsoft Store", "Microsoft Store", "Microsoft Store"}},
};
constexpr std::array<const char*, 4> kOtherCategory = {"Other rules", "Autres règles",
                                                       "Weitere Regeln", "Otras reglas"};
constexpr const char* kLanguageTags[4] = {"en", "fr", "de", "es"};
constexpr const char* kImportedPrefix[4] = {
    "Imported: ", "Importé : ", "Importiert: ", "Importado: "};
constexpr const char* kGroupInfo[4] = {"Cleaning rules imported from a winapp2.ini file.",
                                       "Règles de nettoyage importées d'un fichier winapp2.ini.",
                                       "Aus einer winapp2.ini-Datei importierte Reinigungsregeln.",
                                       "Reglas de limpieza importadas de un archivo winapp2.ini."};
constexpr const char* kItemInfo[4] = {
    "Imported rule. Category: ", "Règle importée. Catégorie : ", "Importierte Regel. Kategorie: ",
    "Regla importada. Categoría: "};
constexpr const char* kWarningLabel[4] = {
    " Warning: ", " Avertissement : ", " Warnung: ", " Advertencia: "};

struct TTakenEntry {
  std::string Caption;
  std::array<std::string, 4> Category;
  std::string Warning;
  bool Default = false;
  std::string Icon;
  std::vector<TAction> Actions;
};

std::array<std::string, 4> CategoryOf(const TWinapp2Entry& entry) {
  std::string section, reference;
  for (const TWinapp2Key& key : entry.Keys) {
    if (key.Kind == "section" && section.empty()) section = std::string(Trim(key.Value));
    if (key.Kind == "langsecref" && reference.empty()) reference = std::string(Trim(key.Value));
  }
  int number = 0;
  std::from_chars(reference.data(), reference.data() + reference.size(), number);
  for (const TCategory& category : kCategories)
    if (category.number == number)
      return {category.names[0], category.names[1], category.names[2], category.names[3]};
  if (!section.empty()) return {section, section, section, section};
  return {kOtherCategory[0], kOtherCategory[1], kOtherCategory[2], kOtherCategory[3]};
}

// "6.1", "10.0": major and minor (a missing minor is 0); nothing when it is not a version.
bool ParseVersion(std::string_view text, std::pair<int, int>& version) {
  text = Trim(text);
  const std::vector<std::string_view> parts = Split(text, '.');
  if (parts.size() > 4) return false;
  int numbers[2] = {0, 0};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    int n = 0;
    const auto [end, ec] = std::from_chars(parts[i].data(), parts[i].data() + parts[i].size(), n);
    if (ec != std::errc() || end != parts[i].data() + parts[i].size() || parts[i].empty())
      return false;
    if (i < 2) numbers[i] = n;
  }
  version = {numbers[0], numbers[1]};
  return true;
}

// Empty when the entry applies to this machine; otherwise why not.
std::string DetectionFailure(const TWinapp2Entry& entry, IWinapp2Machine& machine) {
  bool anyDetector = false, found = false;
  for (const TWinapp2Key& key : entry.Keys) {
    if (key.Kind == "detectos") {
      const std::vector<std::string_view> bounds = Split(key.Value, '|');
      std::pair<int, int> low{0, 0}, high{1 << 30, 0};
      const bool lowOk = Trim(bounds[0]).empty() || ParseVersion(bounds[0], low);
      bool highOk = true;
      if (bounds.size() == 1)
        high = low;
      else
        highOk = Trim(bounds[1]).empty() || ParseVersion(bounds[1], high);
      if (!lowOk || !highOk || bounds.size() > 2) return "an unreadable DetectOS " + key.Value;
      const std::pair<int, int> running = machine.WindowsVersion();
      if (running < low || running > high)
        return "DetectOS " + key.Value + " does not include Windows " +
               std::to_string(running.first) + "." + std::to_string(running.second);
      continue;
    }
    if (found) continue;
    if (key.Kind == "detect") {
      anyDetector = true;
      const TRuleKey rule = ParseRegKey(Split(key.Value, '|').front());
      if (!rule.Error.empty()) continue;
      for (const auto& view : KeyViews(rule.Root, rule.Parts))
        if (machine.KeyExists(rule.Root, Join(view, "\\"))) found = true;
    } else if (key.Kind == "detectfile") {
      anyDetector = true;
      const TRulePath path = ConvertPath(key.Value);
      if (!path.Error.empty()) continue;
      for (const std::string& macro : path.Macros)
        if (!found && machine.PathExists(macro)) found = true;
    } else if (key.Kind == "specialdetect") {
      anyDetector = true;
      static const std::map<std::string, std::string> kSpecial = {
          {"det_chrome", "CSIDL_LOCAL_APPDATA\\Google\\Chrome\\User Data"},
          {"det_mozilla", "CSIDL_APPDATA\\Mozilla\\Firefox"},
          {"det_thunderbird", "CSIDL_APPDATA\\Thunderbird"},
          {"det_opera", "CSIDL_APPDATA\\Opera Software"}};
      const auto it = kSpecial.find(Lower(Trim(key.Value)));
      if (it != kSpecial.end() && machine.PathExists(it->second)) found = true;
    }
  }
  if (anyDetector && !found) return "nothing its Detect, DetectFile or SpecialDetect names is here";
  return {};
}

// Icon sources: the files the entry detects by (outside the Windows folder), then the programs
// menu. Every program named here is offered for closing before a clean, as for every item.
std::string IconOf(const TWinapp2Entry& entry) {
  std::vector<std::string> sources;
  for (const TWinapp2Key& key : entry.Keys) {
    if (key.Kind != "detectfile") continue;
    const TRulePath path = ConvertPath(key.Value);
    if (!path.Error.empty() || path.Wildcard) continue;
    for (const std::string& macro : path.Macros) {
      const std::string canonical = Canonical(macro);
      if (IsUnder(canonical, "%windir%") || IsProtectedFolder(canonical) ||
          macro.find(';') != std::string::npos)
        continue;
      if (ShellProcesses().count(canonical.substr(canonical.rfind('\\') + 1))) continue;
      if (std::find(sources.begin(), sources.end(), macro) == sources.end())
        sources.push_back(macro);
    }
  }
  sources.push_back("CSIDL_PROGRAMS");
  return Join(sources, ";");
}

void AppendItem(std::string& xml, const std::string& id, const TTakenEntry& entry) {
  const bool preset = entry.Default && entry.Warning.empty();
  xml += "    <Item";
  AppendAttribute(xml, "id", id);
  AppendAttribute(xml, "icon", entry.Icon);
  AppendAttribute(xml, "enabled", "true");
  // Default entries join Complete Cleanup; the others run when ticked in Advanced mode.
  AppendAttribute(xml, "mode", preset ? "0000010" : "0000000");
  AppendAttribute(xml, "checked", preset ? "true" : "false");
  xml += ">\n";
  for (int lang = 0; lang < 4; ++lang) {
    std::string info = kItemInfo[lang] + entry.Category[lang] + ".";
    if (!entry.Warning.empty()) info += kWarningLabel[lang] + entry.Warning;
    xml += "      <";
    xml += kLanguageTags[lang];
    AppendAttribute(xml, "name", entry.Caption);
    AppendAttribute(xml, "info", info);
    xml += "/>\n";
  }
  for (const TAction& action : entry.Actions) {
    xml += "      <Action";
    for (const auto& [name, value] : action.Attributes) AppendAttribute(xml, name, value);
    xml += "/>\n";
  }
  xml += "    </Item>\n";
}

std::string GroupXml(const std::string& id, const std::array<std::string, 4>& category, int part,
                     const std::vector<const TTakenEntry*>& entries) {
  std::string xml = "  <Group";
  AppendAttribute(xml, "id", id);
  AppendAttribute(xml, "icon", "CSIDL_PROGRAMS");
  AppendAttribute(xml, "expanded", "false");
  xml += ">\n";
  for (int lang = 0; lang < 4; ++lang) {
    std::string name = kImportedPrefix[lang] + category[lang];
    if (part > 1) name += " (" + std::to_string(part) + ")";
    xml += "    <";
    xml += kLanguageTags[lang];
    AppendAttribute(xml, "name", name);
    AppendAttribute(xml, "info", kGroupInfo[lang]);
    xml += "/>\n";
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d", static_cast<int>(i + 1));
    AppendItem(xml, id + "-i" + number, *entries[i]);
  }
  xml += "  </Group>\n";
  return xml;
}

constexpr std::size_t kItemsPerGroup = 99;

}  // namespace

std::string Winapp2Text(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF"))
    bytes.remove_prefix(3);
  else if (bytes.starts_with("\xFF\xFE"))
    return FromUtf16(bytes.substr(2), false);
  else if (bytes.starts_with("\xFE\xFF"))
    return FromUtf16(bytes.substr(2), true);
  return IsValidUtf8(bytes) ? std::string(bytes) : FromWindows1252(bytes);
}

std::vector<TWinapp2Entry> ReadWinapp2(std::string_view text) {
  std::vector<TWinapp2Entry> entries;
  int lineNumber = 0;
  for (std::string_view rest = text; !rest.empty() || lineNumber == 0;) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = Trim(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    ++lineNumber;
    if (line.empty() || line.front() == ';') continue;
    // A section line starts a new entry even when something follows its "]" (a comment), so
    // its keys never fall to the entry before.
    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');
      const std::string_view name =
          line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
      entries.push_back({std::string(Trim(name)), lineNumber, {}});
      continue;
    }
    const std::size_t equals = line.find('=');
    if (entries.empty() || equals == std::string_view::npos) continue;
    TWinapp2Key key;
    key.Name = std::string(Trim(line.substr(0, equals)));
    key.Value = std::string(Trim(line.substr(equals + 1)));
    key.Line = lineNumber;
    std::size_t digits = key.Name.size();
    while (digits > 0 && key.Name[digits - 1] >= '0' && key.Name[digits - 1] <= '9') --digits;
    key.Kind = Lower(std::string_view(key.Name).substr(0, digits));
    const auto [ptr, ec] =
        std::from_chars(key.Name.data() + digits, key.Name.data() + key.Name.size(), key.Number);
    if (ec == std::errc::result_out_of_range) key.Number = 1 << 30;
    entries.back().Keys.push_back(std::move(key));
  }
  return entries;
}

TWinapp2Result ImportWinapp2(const std::vector<TWinapp2Entry>& entries,
                             const TWinapp2Options& options, IWinapp2Machine* machine) {
  TWinapp2Result result;
  std::vector<TTakenEntry> taken;
  std::vector<std::pair<std::string, int>> takenSources;  // entry name and line, for notes
  std::set<std::string> names;

  // Captions lose the format's " *" mark when that leaves them distinct.
  std::map<std::string, int> stripped;
  for (const TWinapp2Entry& entry : entries)
    if (entry.Name.ends_with(" *"))
      ++stripped[std::string(Trim(entry.Name.substr(0, entry.Name.size() - 2)))];
  for (const TWinapp2Entry& entry : entries) names.insert(entry.Name);

  std::set<std::string> seen;
  for (const TWinapp2Entry& entry : entries) {
    const auto skip = [&](const std::string& reason) {
      result.Skipped.push_back({entry.Name, entry.Line, reason});
    };
    if (entry.Name.empty()) {
      skip("an entry without a name");
      continue;
    }
    if (!seen.insert(entry.Name).second) {
      skip("a second entry of the same name");
      continue;
    }

    std::vector<TWinapp2Note> notes;
    std::vector<const TWinapp2Key*> fileKeys, regKeys;
    std::vector<TExclusion> exclusions;
    TTakenEntry item;
    for (const TWinapp2Key& key : entry.Keys) {
      if (key.Kind == "filekey")
        fileKeys.push_back(&key);
      else if (key.Kind == "regkey")
        regKeys.push_back(&key);
      else if (key.Kind == "excludekey")
        exclusions.push_back(ParseExclusion(key));
      else if (key.Kind == "default")
        item.Default = Lower(key.Value) == "true";
      else if (key.Kind == "warning")
        item.Warning = key.Value;
      else if (key.Kind != "langsecref" && key.Kind != "section" && key.Kind != "detect" &&
               key.Kind != "detectfile" && key.Kind != "specialdetect" && key.Kind != "detectos")
        notes.push_back({entry.Name, key.Line, key.Name + ": not a key of the format, ignored"});
    }
    const auto byNumber = [](const TWinapp2Key* a, const TWinapp2Key* b) {
      return a->Number < b->Number;
    };
    std::stable_sort(fileKeys.begin(), fileKeys.end(), byNumber);
    std::stable_sort(regKeys.begin(), regKeys.end(), byNumber);

    std::vector<TFileRule> fileRules;
    for (const TWinapp2Key* key : fileKeys) {
      std::string error;
      TFileRule rule = ConvertFileKey(*key, error);
      if (!error.empty()) {
        notes.push_back({entry.Name, key->Line, key->Name + ": " + error});
        continue;
      }
      const auto kept = std::find_if(exclusions.begin(), exclusions.end(),
                                     [&](const TExclusion& e) { return KeepsFromFiles(e, rule); });
      if (kept != exclusions.end()) {
        notes.push_back({entry.Name, key->Line,
                         key->Name + ": " + kept->KeyName + " keeps part of what it removes"});
        continue;
      }
      fileRules.push_back(std::move(rule));
    }
    std::vector<TRegRule> regRules;
    for (const TWinapp2Key* key : regKeys) {
      std::string error;
      TRegRule rule = ConvertRegKey(*key, error);
      if (!error.empty()) {
        notes.push_back({entry.Name, key->Line, key->Name + ": " + error});
        continue;
      }
      const auto kept = std::find_if(exclusions.begin(), exclusions.end(),
                                     [&](const TExclusion& e) { return KeepsFromKey(e, rule); });
      if (kept != exclusions.end()) {
        notes.push_back({entry.Name, key->Line,
                         key->Name + ": " + kept->KeyName + " keeps part of what it removes"});
        continue;
      }
      regRules.push_back(std::move(rule));
    }

    for (TFileRule& rule : fileRules)
      for (TAction& action : rule.Actions) item.Actions.push_back(std::move(action));
    for (TAction& action : RegistryActions(regRules)) item.Actions.push_back(std::move(action));
    if (item.Actions.empty()) {
      std::string reason;
      for (const TWinapp2Note& note : notes) reason += (reason.empty() ? "" : "; ") + note.Reason;
      skip(reason.empty() ? "nothing to clean" : reason);
      continue;
    }
    if (!options.All && machine) {
      const std::string failure = DetectionFailure(entry, *machine);
      if (!failure.empty()) {
        result.NotDetected.push_back({entry.Name, entry.Line, failure});
        continue;
      }
    }

    item.Caption = entry.Name;
    if (entry.Name.ends_with(" *")) {
      const std::string bare(Trim(entry.Name.substr(0, entry.Name.size() - 2)));
      if (!bare.empty() && stripped[bare] == 1 && !names.count(bare)) item.Caption = bare;
    }
    item.Category = CategoryOf(entry);
    item.Icon = IconOf(entry);
    result.KeysLeftOut.insert(result.KeysLeftOut.end(), notes.begin(), notes.end());
    taken.push_back(std::move(item));
    takenSources.emplace_back(entry.Name, entry.Line);
  }

  // Groups: categories in the order they first appear, 99 items to a group.
  std::vector<std::pair<std::array<std::string, 4>, std::vector<std::size_t>>> categories;
  for (std::size_t i = 0; i < taken.size(); ++i) {
    auto it = std::find_if(categories.begin(), categories.end(),
                           [&](const auto& c) { return c.first == taken[i].Category; });
    if (it == categories.end()) {
      categories.push_back({taken[i].Category, {}});
      it = categories.end() - 1;
    }
    it->second.push_back(i);
  }
  int group = options.FirstGroup;
  for (const auto& [category, members] : categories) {
    for (std::size_t start = 0, part = 1; start < members.size(); start += kItemsPerGroup, ++part) {
      const std::size_t end = std::min(members.size(), start + kItemsPerGroup);
      if (group > options.LastGroup || group > 99) {
        for (std::size_t m = start; m < end; ++m) {
          const auto& [name, line] = takenSources[members[m]];
          result.Skipped.push_back({name, line, "no free group id left for it"});
        }
        continue;
      }
      char id[16];
      std::snprintf(id, sizeof id, "g%02d", group++);
      std::vector<const TTakenEntry*> chunk;
      for (std::size_t m = start; m < end; ++m) chunk.push_back(&taken[members[m]]);
      result.Groups.push_back({id, GroupXml(id, category, static_cast<int>(part), chunk)});
      result.Taken += static_cast<int>(chunk.size());
    }
  }
  return result;
}

std::string RegistryKeyRefusal(std::string_view key) {
  if (Trim(key).empty()) return "an empty key";
  const TRuleKey parsed = ParseRegKey(key);
  if (!parsed.Error.empty()) return parsed.Error;
  std::string refusal = RegistryRefusal(parsed);
  // "HKLM\Software\WOW6432Node" is the whole Software key of 32-bit programs.
  const std::string canonical = CanonicalKey(parsed.Root, parsed.Parts);
  if (refusal.empty() && std::count(canonical.begin(), canonical.end(), '\\') < 2)
    refusal = "a key directly below the root, which holds keys of many programs";
  return refusal;
}

}  // namespace tw
