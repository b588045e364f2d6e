#include <algorithm>

#include "database/portable/Winapp2Rules.h"
#include "support/TextParts.h"

namespace tw::winapp2 {

// ---------------------------------------------------------------------------------------------
// Folders

namespace {

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

}  // namespace

const std::array<const char*, 4> kProfileRootEndings = {"\\user data", "\\default",
                                                        "\\opera stable", "\\opera gx stable"};
const std::array<const char*, 2> kRoamingProfiles = {"csidl_appdata\\mozilla\\firefox\\profiles",
                                                     "csidl_appdata\\thunderbird\\profiles"};

const std::set<std::string>& KeepFiles() {
  static const std::set<std::string> files = {
      "key3.db",       "key4.db",    "logins.json", "signons.sqlite", "cert8.db",    "cert9.db",
      "places.sqlite", "login data", "web data",    "bookmarks",      "preferences", "prefs.js"};
  return files;
}

namespace {

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

}  // namespace

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

namespace {

// Extensions of programs, libraries and settings: never removed by pattern from a protected folder.
const std::set<std::string>& SystemExtensions() {
  static const std::set<std::string> extensions = {
      "exe", "dll", "sys", "com", "bat",      "cmd", "msi", "msp", "msu",
      "cpl", "ocx", "drv", "scr", "ini",      "inf", "mui", "efi", "ps1",
      "vbs", "js",  "lnk", "cat", "manifest", "reg", "dat"};
  return extensions;
}

}  // namespace

// Item icons name the programs to close.
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

// A pattern that could match any name, or the name of a program, library or settings file.
bool MatchesBroadly(const std::string& pattern) {
  const std::size_t dot = pattern.rfind('.');
  if (dot == std::string::npos) return pattern.find_first_of("*?") != std::string::npos;
  const std::string extension = Lower(std::string_view(pattern).substr(dot + 1));
  return extension.empty() || extension.find_first_of("*?") != std::string::npos ||
         SystemExtensions().count(extension) != 0;
}

// ---------------------------------------------------------------------------------------------
// Registry

namespace {

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

}  // namespace

// A or B, or B lies beneath A (canonical paths or key names).
bool IsUnder(const std::string& b, const std::string& a) {
  return b == a || (b.size() > a.size() && b.compare(0, a.size(), a) == 0 && b[a.size()] == '\\');
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

}  // namespace tw::winapp2
