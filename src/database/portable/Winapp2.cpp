#include "database/portable/Winapp2.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>

namespace tw {

namespace {

// ---------------------------------------------------------------------------------------------
// Text

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

constexpr char32_t kReplacement = 0xFFFD;

// The code point that starts at Text[At] and its length in bytes; length 0 when the bytes there
// are not well-formed UTF-8 (overlong forms and surrogates included).
std::pair<char32_t, std::size_t> NextUtf8(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  char32_t c = 0, min = 0;
  if ((lead & 0xE0) == 0xC0)
    length = 2, c = lead & 0x1F, min = 0x80;
  else if ((lead & 0xF0) == 0xE0)
    length = 3, c = lead & 0x0F, min = 0x800;
  else if ((lead & 0xF8) == 0xF0)
    length = 4, c = lead & 0x07, min = 0x10000;
  else
    return {0, 0};
  if (at + length > text.size()) return {0, 0};
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return {0, 0};
    c = (c << 6) | (byte(at + i) & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
  return {c, length};
}

bool IsUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = NextUtf8(text, at).second;
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::string FromUtf16(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  const auto unit = [&](std::size_t i) -> char32_t {
    const auto a = static_cast<unsigned char>(bytes[i]),
               b = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (a << 8 | b) : (b << 8 | a);
  };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    AppendUtf8(out, c >= 0xD800 && c <= 0xDFFF ? kReplacement : c);
  }
  return out;
}

// Windows-1252: Latin-1 with printable characters in 0x80..0x9F.
std::string FromWindows1252(std::string_view bytes) {
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b);
  }
  return out;
}

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

std::string Join(const std::vector<std::string>& parts, std::string_view separator,
                 std::size_t count = std::string::npos) {
  std::string out;
  for (std::size_t i = 0; i < parts.size() && i < count; ++i) {
    if (i) out += separator;
    out += parts[i];
  }
  return out;
}

// A or B, or B lies beneath A (canonical paths or key names).
bool IsUnder(const std::string& b, const std::string& a) {
  return b == a || (b.size() > a.size() && b.compare(0, a.size(), a) == 0 && b[a.size()] == '\\');
}

// Attribute text for the document: well-formed UTF-8 (anything else becomes U+FFFD), without
// the characters XML cannot hold, markup characters escaped.
void AppendAttribute(std::string& out, std::string_view name, std::string_view value) {
  out += ' ';
  out += name;
  out += "=\"";
  for (std::size_t at = 0; at < value.size();) {
    auto [c, length] = NextUtf8(value, at);
    if (length == 0) {
      c = kReplacement;
      length = 1;
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
    at += length;
  }
  out += '"';
}

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

// Spellings of one folder, lower-case, brought to one form for comparisons.
constexpr std::pair<const char*, const char*> kAliases[] = {
    {"%homedrive%", "%systemdrive%"},
    {"%systemdrive%\\windows", "%windir%"},
    {"%systemdrive%\\program files", "%programfiles%"},
    {"%systemdrive%\\program files (x86)", "%programfiles(x86)%"},
    {"%systemdrive%\\programdata", "csidl_common_appdata"},
    {"%systemdrive%\\users\\public", "%public%"},
    {"%allusersprofile%", "csidl_common_appdata"},
    {"%userprofile%\\appdata\\roaming", "csidl_appdata"},
    {"%userprofile%\\appdata\\local", "csidl_local_appdata"},
    {"%userprofile%\\application data", "csidl_appdata"},
    {"%userprofile%\\local settings\\application data", "csidl_local_appdata"},
    {"%userprofile%\\documents", "csidl_personal"},
    {"%userprofile%\\my documents", "csidl_personal"},
    {"%userprofile%\\desktop", "csidl_desktopdirectory"},
    {"csidl_local_appdata\\temp", "%temp%"},
};

// Folders whose contents belong to the system or the user as a whole: drive roots, profiles,
// system folders and the folders that hold them (canonical forms). Every folder named by a bare
// macro counts too, except the temporary folder.
const std::set<std::string>& ProtectedFolders() {
  static const std::set<std::string> folders = {
      "%systemdrive%\\users",
      "%systemdrive%\\documents and settings",
      "%systemdrive%\\users\\default",
      "%systemdrive%\\recovery",
      "%systemdrive%\\system volume information",
      "%systemdrive%\\$recycle.bin",
      "%systemdrive%\\boot",
      "%systemdrive%\\efi",
      "%userprofile%\\appdata",
      "%userprofile%\\appdata\\locallow",
      "%userprofile%\\downloads",
      "%userprofile%\\pictures",
      "%userprofile%\\music",
      "%userprofile%\\videos",
      "%userprofile%\\favorites",
      "%userprofile%\\links",
      "%userprofile%\\saved games",
      "%userprofile%\\contacts",
      "%userprofile%\\searches",
      "%userprofile%\\onedrive",
      "%userprofile%\\local settings",
      "csidl_appdata\\microsoft",
      "csidl_appdata\\microsoft\\windows",
      "csidl_appdata\\microsoft\\windows\\start menu",
      "csidl_appdata\\microsoft\\windows\\start menu\\programs",
      "csidl_appdata\\microsoft\\windows\\start menu\\programs\\startup",
      "csidl_appdata\\microsoft\\credentials",
      "csidl_appdata\\microsoft\\protect",
      "csidl_appdata\\microsoft\\crypto",
      "csidl_appdata\\microsoft\\systemcertificates",
      "csidl_local_appdata\\microsoft",
      "csidl_local_appdata\\microsoft\\windows",
      "csidl_local_appdata\\microsoft\\credentials",
      "csidl_local_appdata\\packages",
      "csidl_local_appdata\\programs",
      "csidl_common_appdata\\microsoft",
      "csidl_common_appdata\\microsoft\\windows",
      "%windir%\\system32",
      "%windir%\\syswow64",
      "%windir%\\system",
      "%windir%\\winsxs",
      "%windir%\\system32\\config",
      "%windir%\\system32\\drivers",
      "%windir%\\system32\\driverstore",
      "%windir%\\installer",
      "%windir%\\servicing",
      "%windir%\\boot",
      "%windir%\\fonts",
      "%windir%\\inf",
      "%windir%\\assembly",
      "%windir%\\microsoft.net",
      "%windir%\\systemapps",
      "%windir%\\systemresources"};
  return folders;
}

// Name endings of browsers' profile roots: they hold passwords and settings beside the caches.
constexpr const char* kProfileRootEndings[] = {"\\user data", "\\default", "\\opera stable",
                                               "\\opera gx stable"};
// Roaming Mozilla profiles: passwords, certificates, bookmarks and mail.
constexpr const char* kRoamingProfiles[] = {"csidl_appdata\\mozilla\\firefox\\profiles",
                                            "csidl_appdata\\thunderbird\\profiles"};
// Files that hold passwords, keys, certificates, bookmarks or settings.
const std::set<std::string>& KeepFiles() {
  static const std::set<std::string> files = {
      "key3.db",       "key4.db",    "logins.json", "signons.sqlite", "cert8.db",    "cert9.db",
      "places.sqlite", "login data", "web data",    "bookmarks",      "preferences", "prefs.js"};
  return files;
}
// The names a browser gives its stores of passwords, keys, certificates, bookmarks and settings,
// with their journals and backups: a pattern that matches one of them is dropped from a rule.
constexpr const char* kCredentialNames[] = {
    "login data", "login data-journal", "login data-wal", "login data for account",
    "login data for account-journal", "key3.db", "key4.db", "key4.db-journal", "logins.json",
    "logins-backup.json", "signons.sqlite", "cert8.db", "cert9.db", "pkcs11.txt",
    "places.sqlite", "places.sqlite-wal", "bookmarks", "bookmarks.bak", "preferences",
    "secure preferences", "local state", "prefs.js", "web data", "web data-journal"};

// Whether Name (lower case) matches the wildcard Pattern ("*" any run, "?" one character).
bool WildcardMatches(std::string_view name, std::string_view pattern) {
  std::size_t n = 0, p = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && pattern[p] == name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// A pattern that begins with a name and matches a credential store's name ("Login Data*",
// "key?.db"). Patterns of an extension alone ("*.bak", "*.db") are a rule's own business: in a
// folder that is not a browser profile they mean the vendor's files.
bool NamesCredentials(const std::string& pattern) {
  const std::string lower = Lower(pattern);
  if (lower.empty() || lower[0] == '*' || lower[0] == '?') return false;
  for (const char* name : kCredentialNames)
    if (WildcardMatches(name, lower)) return true;
  return false;
}

// Extensions of programs, libraries and settings: never removed by pattern from a protected folder.
const std::set<std::string>& SystemExtensions() {
  static const std::set<std::string> extensions = {
      "exe", "dll", "sys", "com", "bat",      "cmd", "msi", "msp", "msu",
      "cpl", "ocx", "drv", "scr", "ini",      "inf", "mui", "efi", "ps1",
      "vbs", "js",  "lnk", "cat", "manifest", "reg", "dat"};
  return extensions;
}
// Programs that must never be offered for closing (item icons name the programs to close).
const std::set<std::string>& ShellProcesses() {
  static const std::set<std::string> names = {"explorer.exe", "svchost.exe", "dwm.exe",
                                              "winlogon.exe", "csrss.exe",   "lsass.exe",
                                              "services.exe", "smss.exe",    "wininit.exe"};
  return names;
}

std::string Canonical(const std::string& macro) {
  std::string text = Lower(macro);
  for (bool changed = true; changed;) {
    changed = false;
    for (const auto& [from, to] : kAliases) {
      const std::string alias = from;
      if (IsUnder(text, alias)) {
        text = to + text.substr(alias.size());
        changed = true;
      }
    }
  }
  return text;
}

bool IsProtectedFolder(const std::string& canonical) {
  if (canonical.find('\\') == std::string::npos) return canonical != "%temp%";
  return ProtectedFolders().count(canonical) != 0;
}

struct TRulePath {
  std::vector<std::string> Macros;  // one, or two for the Program Files folders
  bool Wildcard = false;            // "*" or "?" in a folder part
  std::string Error;                // why the path cannot be used
};

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

// A pattern that could match any name, or the name of a program, library or settings file.
bool MatchesBroadly(const std::string& pattern) {
  const std::size_t dot = pattern.rfind('.');
  if (dot == std::string::npos) return pattern.find_first_of("*?") != std::string::npos;
  const std::string extension = Lower(std::string_view(pattern).substr(dot + 1));
  return extension.empty() || extension.find_first_of("*?") != std::string::npos ||
         SystemExtensions().count(extension) != 0;
}

bool IsAllFiles(std::string_view pattern) { return pattern == "*" || pattern == "*.*"; }

// ---------------------------------------------------------------------------------------------
// Registry

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

// Keys that Windows and every program rely on (canonical: lower-case, below HKCU or HKLM,
// without "WOW6432Node").
const std::set<std::string>& ProtectedKeys() {
  static const std::set<std::string> keys = {
      "software\\classes",
      "software\\classes\\clsid",
      "software\\classes\\typelib",
      "software\\classes\\interface",
      "software\\classes\\appid",
      "software\\microsoft",
      "software\\microsoft\\windows",
      "software\\microsoft\\windows\\currentversion",
      "software\\microsoft\\windows\\currentversion\\explorer",
      "software\\microsoft\\windows\\currentversion\\explorer\\shell folders",
      "software\\microsoft\\windows\\currentversion\\explorer\\user shell folders",
      "software\\microsoft\\windows\\currentversion\\run",
      "software\\microsoft\\windows\\currentversion\\runonce",
      "software\\microsoft\\windows\\currentversion\\uninstall",
      "software\\microsoft\\windows\\currentversion\\app paths",
      "software\\microsoft\\windows\\currentversion\\policies",
      "software\\microsoft\\windows\\currentversion\\shell extensions",
      "software\\microsoft\\windows nt",
      "software\\microsoft\\windows nt\\currentversion",
      "software\\microsoft\\windows nt\\currentversion\\winlogon",
      "software\\policies",
      "software\\policies\\microsoft",
      "control panel",
      "control panel\\desktop",
      "environment"};
  return keys;
}
// Roots of the registry that describe the machine itself.
constexpr const char* kSystemHives[] = {
    "hkey_local_machine\\system", "hkey_local_machine\\sam", "hkey_local_machine\\security",
    "hkey_local_machine\\hardware", "hkey_local_machine\\bcd00000000"};

struct TRuleKey {
  std::string Root;                // long name
  std::vector<std::string> Parts;  // below the root
  bool HasValue = false;
  std::string Value;
  std::string Error;
};

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

// Canonical name of Root\Parts: lower-case, "Software\WOW6432Node" read as "Software".
std::string CanonicalKey(const std::string& root, const std::vector<std::string>& parts) {
  std::string out = Lower(root);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string part = Lower(parts[i]);
    if (i == 1 && part == "wow6432node" && Lower(parts[0]) == "software") continue;
    out += '\\';
    out += part;
  }
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

// Why removing this key or value is refused; empty when it may be removed.
std::string RegistryRefusal(const TRuleKey& key) {
  const std::string canonical = CanonicalKey(key.Root, key.Parts);
  if (key.Root == "HKEY_CURRENT_CONFIG") return "a key of the hardware configuration";
  for (const char* hive : kSystemHives)
    if (IsUnder(canonical, hive)) return "a key of the system's own configuration";
  if (key.Parts.empty()) return key.HasValue ? "a value of a root key" : "a whole root key";
  if (key.HasValue) return {};
  if (key.Parts.size() < 2)
    return "a key directly below the root, which holds keys of many programs";
  const std::string relative = canonical.substr(canonical.find('\\') + 1);
  if (key.Root != "HKEY_CLASSES_ROOT" && ProtectedKeys().count(relative))
    return "a key that Windows and other programs rely on";
  return {};
}

// ---------------------------------------------------------------------------------------------
// Entries

struct TAction {
  std::vector<std::pair<std::string, std::string>> Attributes;  // "method" first
};

struct TFileRule {
  int Number = 0;
  std::string KeyName;
  std::vector<std::string> Folders;  // canonical, one per action
  bool Recursive = false;
  std::vector<TAction> Actions;
};

struct TRegRule {
  std::string KeyName;
  std::string Method;  // "DeleteValues" or "DeleteSubkeys"
  std::string Root;
  std::vector<std::vector<std::string>> Views;  // the key and its 32-bit twin
  std::string Canonical;                        // of the key
  bool HasValue = false;
  std::string Value;
};

struct TExclusion {
  std::string KeyName;
  bool Unreadable = false;           // cannot tell what it keeps
  bool Files = false;                // keeps files and folders
  bool Registry = false;             // keeps keys and values
  std::vector<std::string> Folders;  // canonical
  bool Subtree = false;              // also keeps what lies beneath
  std::string Key;                   // canonical
  bool HasValue = false;
  std::string Value;  // lower-case
};

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

TAction FileAction(const std::string& macro, const std::string& filter, bool recurse) {
  return {{{"method", "DeleteFiles"},
           {"path", macro},
           {"excludeAttr", ""},
           {"fileAttrib", "faAnyFile;faNormal"},
           {"fileFilter", filter},
           {"excludeFolder", ""},
           {"recurse", recurse ? "true" : "false"}}};
}

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
  return IsUtf8(bytes) ? std::string(bytes) : FromWindows1252(bytes);
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
