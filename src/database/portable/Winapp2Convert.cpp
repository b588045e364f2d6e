#include <algorithm>
#include <set>

#include "database/portable/Winapp2Rules.h"
#include "support/TextParts.h"

namespace tw::winapp2 {
namespace {

// A regular-expression field that matches exactly Name, in any ASCII letter case. Characters
// that end a field of a ";" list, or start a quoted one, are written as escapes.
std::string ExactNameFilter(std::string_view name) {
  std::string out = "(?i)^";
  for (char c : name) {
    if (c == ';')
      out += "\\x3B";
    else if (c == '"')
      out += "\\x22";
    else if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) {
      out += '\\';
      out += c;
    } else {
      out += c;
    }
  }
  return out + "$";
}

// ---------------------------------------------------------------------------------------------
// Folders

// Variables of the rule format, lower-case, and the database macros they stand for. Program
// Files stands for both folders of a 64-bit system.
struct TVariable {
  const char* name;
  std::array<const char*, 2> macros;
};
constexpr TVariable kVariables[] = {
    {"appdata", {"CSIDL_APPDATA", nullptr}},
    {"localappdata", {"CSIDL_LOCAL_APPDATA", nullptr}},
    {"locallowappdata", {"%USERPROFILE%\\AppData\\LocalLow", nullptr}},
    {"commonappdata", {"CSIDL_COMMON_APPDATA", nullptr}},
    {"programdata", {"CSIDL_COMMON_APPDATA", nullptr}},
    {"allusersprofile", {"%ALLUSERSPROFILE%", nullptr}},
    {"userprofile", {"%USERPROFILE%", nullptr}},
    {"documents", {"CSIDL_PERSONAL", nullptr}},
    {"desktop", {"CSIDL_DESKTOPDIRECTORY", nullptr}},
    {"windir", {"%WINDIR%", nullptr}},
    {"systemroot", {"%WINDIR%", nullptr}},
    {"systemdrive", {"%SYSTEMDRIVE%", nullptr}},
    {"homedrive", {"%HOMEDRIVE%", nullptr}},
    {"programfiles", {"%ProgramFiles%", "%ProgramFiles(x86)%"}},
    {"programfiles(x86)", {"%ProgramFiles(x86)%", nullptr}},
    {"commonprogramfiles", {"%CommonProgramFiles%", "%CommonProgramFiles(x86)%"}},
    {"commonprogramfiles(x86)", {"%CommonProgramFiles(x86)%", nullptr}},
    {"temp", {"%TEMP%", nullptr}},
    {"tmp", {"%TEMP%", nullptr}},
    {"public", {"%PUBLIC%", nullptr}},
};

bool IsAllFiles(std::string_view pattern) { return pattern == "*" || pattern == "*.*"; }

struct TRootName {
  const char* name;
  const char* longName;
};
constexpr TRootName kRoots[] = {
    {"hkcu", "HKEY_CURRENT_USER"},   {"hkey_current_user", "HKEY_CURRENT_USER"},
    {"hklm", "HKEY_LOCAL_MACHINE"},  {"hkey_local_machine", "HKEY_LOCAL_MACHINE"},
    {"hkcr", "HKEY_CLASSES_ROOT"},   {"hkey_classes_root", "HKEY_CLASSES_ROOT"},
    {"hkcc", "HKEY_CURRENT_CONFIG"}, {"hkey_current_config", "HKEY_CURRENT_CONFIG"},
    {"hku", "HKEY_USERS"},           {"hkus", "HKEY_USERS"},
    {"hkey_users", "HKEY_USERS"},
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Folders

// A rule's folder as database macros: the leading variable replaced, "." parts and doubled or
// trailing backslashes dropped.
TRulePath ConvertPath(std::string_view text) {
  TRulePath out;
  std::string path(Trim(text));
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
    path = std::string(Trim(std::string_view(path).substr(1, path.size() - 2)));
  std::replace(path.begin(), path.end(), '/', '\\');
  if (path.empty()) {
    out.Error = "an empty path";
    return out;
  }
  if (path.starts_with("\\\\")) {
    out.Error = "a network path";
    return out;
  }
  std::vector<std::string> parts;
  for (std::string_view part : Split(path, '\\')) {
    if (part.empty() || part == ".") continue;
    parts.emplace_back(part);
  }
  if (path.front() == '\\' || parts.empty()) {
    out.Error = "a path that starts with neither a variable nor a drive";
    return out;
  }
  const std::string& first = parts.front();
  if (first.size() == 2 && first[1] == ':') {
    out.Error = "a fixed drive (" + first + "); rules name folders by variables";
    return out;
  }
  if (first.size() < 3 || first.front() != '%' || first.back() != '%' ||
      first.find('%', 1) != first.size() - 1) {
    out.Error = "a path that starts with neither a variable nor a drive";
    return out;
  }
  const std::string name = Lower(std::string_view(first).substr(1, first.size() - 2));
  const TVariable* variable = nullptr;
  for (const TVariable& v : kVariables)
    if (name == v.name) variable = &v;
  if (!variable) {
    out.Error = "an unknown variable " + first;
    return out;
  }
  std::string rest;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    if (part == "..") {
      out.Error = "a \"..\" that leads out of the folder";
      return out;
    }
    if (part.find('%') != std::string::npos) {
      out.Error = "a variable inside the path";
      return out;
    }
    if (part.find_first_of(":<>\"|") != std::string::npos) {
      out.Error = "a character that no folder name holds";
      return out;
    }
    if (part.find_first_of("*?") != std::string::npos) out.Wildcard = true;
    rest += '\\';
    rest += part;
  }
  for (const char* macro : variable->macros)
    if (macro) out.Macros.push_back(macro + rest);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Registry

// "root\key" or "root\key|value".
TRuleKey ParseRegKey(std::string_view text) {
  TRuleKey out;
  const std::size_t bar = text.find('|');
  if (bar != std::string_view::npos) {
    out.HasValue = true;
    out.Value = std::string(text.substr(bar + 1));
    text = text.substr(0, bar);
  }
  const std::vector<std::string_view> parts = Split(Trim(text), '\\');
  const std::string root = Lower(Trim(parts.front()));
  for (const TRootName& r : kRoots)
    if (root == r.name) out.Root = r.longName;
  if (out.Root.empty()) {
    out.Error = "an unknown root key \"" + std::string(parts.front()) + "\"";
    return out;
  }
  if (out.Root == "HKEY_USERS") {
    out.Error = "a key of HKEY_USERS (the current user's keys are named through HKCU)";
    return out;
  }
  for (std::size_t i = 1; i < parts.size(); ++i)
    if (!parts[i].empty()) out.Parts.emplace_back(parts[i]);
  return out;
}

// The key itself, and on HKLM\Software the key of 32-bit programs beside it.
std::vector<std::vector<std::string>> KeyViews(const std::string& root,
                                               const std::vector<std::string>& parts) {
  std::vector<std::vector<std::string>> views = {parts};
  if (root == "HKEY_LOCAL_MACHINE" && parts.size() >= 2 && Lower(parts[0]) == "software") {
    const std::string second = Lower(parts[1]);
    if (second != "classes" && second != "wow6432node") {
      std::vector<std::string> twin = parts;
      twin.insert(twin.begin() + 1, "WOW6432Node");
      views.push_back(twin);
    }
  }
  return views;
}

// ---------------------------------------------------------------------------------------------
// Entries

TExclusion ParseExclusion(const TWinapp2Key& key) {
  TExclusion out;
  out.KeyName = key.Name;
  const std::vector<std::string_view> fields = Split(key.Value, '|');
  const std::string kind = Lower(Trim(fields[0]));
  if (kind == "reg" && fields.size() >= 2) {
    out.Registry = true;
    TRuleKey rule = ParseRegKey(Trim(fields[1]));
    if (!rule.Error.empty()) {
      out.Unreadable = true;
      return out;
    }
    out.Key = CanonicalKey(rule.Root, rule.Parts);
    if (fields.size() >= 3) {
      out.HasValue = true;
      out.Value = Lower(fields[2]);
    }
    return out;
  }
  if ((kind == "file" || kind == "path") && fields.size() >= 2) {
    out.Files = true;
    std::string folder(Trim(fields[1]));
    const bool pattern = fields.size() >= 3 && !Trim(fields[2]).empty();
    // "FILE|folder\name.ext" names one file: it is kept from its folder.
    if (kind == "file" && !pattern) {
      while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
      const std::size_t slash = folder.find_last_of("\\/");
      folder = slash == std::string::npos ? std::string() : folder.substr(0, slash);
    }
    const TRulePath path = ConvertPath(folder);
    if (!path.Error.empty() || path.Wildcard) {
      out.Unreadable = true;
      return out;
    }
    for (const std::string& macro : path.Macros) out.Folders.push_back(Canonical(macro));
    out.Subtree = kind == "path";
    return out;
  }
  // Of a kind we do not know: it may keep anything.
  out.Unreadable = out.Files = out.Registry = true;
  return out;
}

bool KeepsFromFiles(const TExclusion& exclusion, const TFileRule& rule) {
  if (!exclusion.Files) return false;
  if (exclusion.Unreadable) return true;
  for (const std::string& kept : exclusion.Folders)
    for (const std::string& folder : rule.Folders)
      if (kept == folder || (exclusion.Subtree && IsUnder(folder, kept)) ||
          (rule.Recursive && IsUnder(kept, folder)))
        return true;
  return false;
}

bool KeepsFromKey(const TExclusion& exclusion, const TRegRule& rule) {
  if (!exclusion.Registry) return false;
  if (exclusion.Unreadable) return true;
  if (exclusion.Key == rule.Canonical)
    return !exclusion.HasValue || !rule.HasValue || exclusion.Value == Lower(rule.Value);
  if (IsUnder(exclusion.Key, rule.Canonical)) return !rule.HasValue;
  if (IsUnder(rule.Canonical, exclusion.Key)) return !exclusion.HasValue;
  return false;
}

namespace {

TAction FileAction(const std::string& macro, const std::string& filter, bool recurse) {
  return {{{"method", "DeleteFiles"},
           {"path", macro},
           {"excludeAttr", ""},
           {"fileAttrib", "faAnyFile;faNormal"},
           {"fileFilter", filter},
           {"excludeFolder", ""},
           {"recurse", recurse ? "true" : "false"}}};
}

}  // namespace

// A FileKey: "folder|pattern;pattern|RECURSE or REMOVESELF". Error: why it is left out.
TFileRule ConvertFileKey(const TWinapp2Key& key, std::string& error) {
  TFileRule rule;
  rule.Number = key.Number;
  rule.KeyName = key.Name;
  const std::vector<std::string_view> fields = Split(key.Value, '|');
  if (fields.size() > 3) {
    error = "more parts than folder, patterns and flag";
    return rule;
  }
  const TRulePath path = ConvertPath(fields[0]);
  if (!path.Error.empty()) {
    error = path.Error;
    return rule;
  }
  if (path.Wildcard) {
    error = "a wildcard in the folder part";
    return rule;
  }
  const std::string flag = fields.size() == 3 ? Lower(Trim(fields[2])) : std::string();
  if (!flag.empty() && flag != "recurse" && flag != "removeself") {
    error = "an unknown flag \"" + std::string(Trim(fields[2])) + "\"";
    return rule;
  }
  const bool removeSelf = flag == "removeself";
  rule.Recursive = !flag.empty();

  std::vector<std::string> patterns;
  std::set<std::string> seen;
  std::string credentials;  // a pattern dropped because it names a credential store
  bool allFiles = false;
  if (fields.size() >= 2) {
    for (std::string_view field : Split(fields[1], ';')) {
      const std::string pattern(Trim(field));
      if (pattern.empty()) continue;
      if (pattern == "." || pattern == ".." ||
          pattern.find_first_of("\\/:\"<>|") != std::string::npos) {
        error = "a pattern that names a folder or holds a character no file name has";
        return rule;
      }
      if (KeepFiles().count(Lower(pattern))) {
        error = "the pattern " + pattern + " names a file that holds passwords, keys or settings";
        return rule;
      }
      // "Login Data*" and the like: the rest of the rule stays, that pattern goes.
      if (NamesCredentials(pattern)) {
        credentials = pattern;
        continue;
      }
      allFiles = allFiles || IsAllFiles(pattern);
      if (seen.insert(Lower(pattern)).second) patterns.push_back(pattern);
    }
  }
  if (patterns.empty()) {
    error = credentials.empty()
                ? "no file pattern"
                : "the pattern " + credentials + " names files that hold passwords, keys or settings";
    return rule;
  }

  for (const std::string& macro : path.Macros) {
    const std::string canonical = Canonical(macro);
    for (const char* roaming : kRoamingProfiles)
      if (IsUnder(canonical, roaming)) {
        error = "a roaming Mozilla profile, which holds passwords, mail and settings";
        return rule;
      }
    if (IsProtectedFolder(canonical)) {
      if (rule.Recursive) {
        error = "it would walk the whole of " + macro + " (a drive root, profile or system folder)";
        return rule;
      }
      for (const std::string& pattern : patterns)
        if (MatchesBroadly(pattern)) {
          error = "the pattern " + pattern + " in " + macro +
                  " (a drive root, profile or system folder) could match any file, program "
                  "or setting there";
          return rule;
        }
    }
    // Every file of a profile root, even without its subfolders, takes the passwords along.
    if (allFiles)
      for (const char* ending : kProfileRootEndings) {
        const std::string tail = ending;
        if (canonical.size() >= tail.size() &&
            canonical.compare(canonical.size() - tail.size(), tail.size(), tail) == 0) {
          error = "it would empty a browser's profile root " + macro;
          return rule;
        }
      }
  }

  // "*" lists every file and no folder; "*.*" lists the subfolders too, so only REMOVESELF of
  // everything removes folders (the named folder itself stays).
  const std::string filter = allFiles ? (removeSelf ? "*.*" : "*") : Join(patterns, ";");
  for (const std::string& macro : path.Macros) {
    rule.Folders.push_back(Canonical(macro));
    rule.Actions.push_back(FileAction(macro, filter, rule.Recursive));
  }
  return rule;
}

TRegRule ConvertRegKey(const TWinapp2Key& key, std::string& error) {
  TRegRule rule;
  rule.KeyName = key.Name;
  const TRuleKey parsed = ParseRegKey(key.Value);
  if (!parsed.Error.empty()) {
    error = parsed.Error;
    return rule;
  }
  error = RegistryRefusal(parsed);
  if (!error.empty()) return rule;
  rule.Method = parsed.HasValue ? "DeleteValues" : "DeleteSubkeys";
  rule.Root = parsed.Root;
  rule.Views = KeyViews(parsed.Root, parsed.Parts);
  rule.Canonical = CanonicalKey(parsed.Root, parsed.Parts);
  rule.HasValue = parsed.HasValue;
  rule.Value = parsed.Value;
  return rule;
}

// One action per key (or parent key) and method, the names of all its rules in its filter.
std::vector<TAction> RegistryActions(const std::vector<TRegRule>& rules) {
  struct TPending {
    std::string method, root, subkey;
    std::vector<std::string> fields;
  };
  std::vector<TPending> pending;
  for (const TRegRule& rule : rules) {
    for (const std::vector<std::string>& view : rule.Views) {
      const bool values = rule.HasValue;
      const std::string subkey = Join(view, "\\", values ? view.size() : view.size() - 1);
      const std::string field = ExactNameFilter(values ? rule.Value : view.back());
      auto it = std::find_if(pending.begin(), pending.end(), [&](const TPending& p) {
        return p.method == rule.Method && p.root == rule.Root && Lower(p.subkey) == Lower(subkey);
      });
      if (it == pending.end()) {
        pending.push_back({rule.Method, rule.Root, subkey, {}});
        it = pending.end() - 1;
      }
      if (std::find(it->fields.begin(), it->fields.end(), field) == it->fields.end())
        it->fields.push_back(field);
    }
  }
  std::vector<TAction> actions;
  for (const TPending& p : pending) {
    const char* filterName = p.method == "DeleteValues" ? "valueFilter" : "subkeyFilter";
    actions.push_back({{{"method", p.method},
                        {"key", p.root},
                        {"subkey", p.subkey},
                        {filterName, Join(p.fields, ";")}}});
  }
  return actions;
}

}  // namespace tw::winapp2
