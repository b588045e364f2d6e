#include "cleaners/browsers/portable/BrowserPlaces.h"

#include <algorithm>

#include "cleaners/browsers/portable/SQLite.h"

namespace tw {

namespace {

std::string WithSlash(std::string text) {
  if (!text.empty() && text.back() != '\\') text += '\\';
  return text;
}

std::string Backslashes(std::string text) {
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && UpperAscii(text.substr(0, prefix.size())) == UpperAscii(prefix);
}

// n of "Profile <n>", or -1.
long ProfileNumber(std::string_view name) {
  if (!StartsWithIgnoreCase(name, "Profile ") || name.size() == 8) return -1;
  long n = 0;
  for (char c : name.substr(8)) {
    if (c < '0' || c > '9' || n > 100000000) return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

std::vector<TFirefoxProfileEntry> FirefoxProfileEntries(const TIniText& ini) {
  std::vector<TFirefoxProfileEntry> entries;
  for (int n = 0;; ++n) {
    const std::string section = "Profile" + std::to_string(n);
    if (!ini.HasKey(section, "Path")) break;
    TFirefoxProfileEntry entry;
    entry.Name = ini.ReadString(section, "Name", "");
    entry.Path = ini.ReadString(section, "Path", "");
    entry.IsRelative = ini.ReadString(section, "IsRelative", "1") != "0";
    if (entry.Path.empty()) break;
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<std::string> FirefoxProfileFolders(const std::string& iniFolder,
                                               const TFirefoxProfileEntry& entry) {
  std::vector<std::string> folders;
  if (!entry.IsRelative) {
    folders.push_back(WithSlash(Backslashes(entry.Path)));
    return folders;
  }
  if (iniFolder.empty()) return folders;
  folders.push_back(WithSlash(iniFolder + Backslashes(entry.Path)));
  const std::size_t slash = entry.Path.find('/');
  if (slash != std::string::npos) {
    std::string older = WithSlash(iniFolder + "Profiles\\" + Backslashes(entry.Path.substr(slash + 1)));
    if (UpperAscii(older) != UpperAscii(folders.front())) folders.push_back(std::move(older));
  }
  return folders;
}

std::string FirefoxLocalFolder(const std::string& profileFolder, const std::string& roamingAppData,
                               const std::string& localAppData) {
  if (!roamingAppData.empty() && StartsWithIgnoreCase(profileFolder, roamingAppData)) {
    if (localAppData.empty()) return {};
    return WithSlash(localAppData) + profileFolder.substr(roamingAppData.size());
  }
  return profileFolder;
}

const std::vector<TChromiumBrowser>& ChromiumBrowsers() {
  static const std::vector<TChromiumBrowser> browsers = {
      {"Google Chrome", false, "Google\\Chrome\\User Data"},
      {"Chromium", false, "Chromium\\User Data"},
      {"Microsoft Edge", false, "Microsoft\\Edge\\User Data"},
      {"Brave", false, "BraveSoftware\\Brave-Browser\\User Data"},
      {"Vivaldi", false, "Vivaldi\\User Data"},
      {"Opera", true, "Opera Software\\Opera Stable"},
      {"Opera GX", true, "Opera Software\\Opera GX Stable"},
  };
  return browsers;
}

bool IsChromiumProfileName(std::string_view name) {
  return UpperAscii(name) == "DEFAULT" || ProfileNumber(name) >= 0;
}

void SortChromiumProfileNames(std::vector<std::string>& names) {
  auto rank = [](const std::string& name) {
    return UpperAscii(name) == "DEFAULT" ? -1 : ProfileNumber(name);
  };
  std::stable_sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    const long ra = rank(a), rb = rank(b);
    if (ra != rb) return ra < rb;
    return UpperAscii(a) < UpperAscii(b);
  });
}

bool IsProtectedBrowserFile(std::string_view fileName) {
  static const char* const kNames[] = {
      // Firefox: passwords, keys, certificates, bookmarks, settings, extensions
      "KEY3.DB", "KEY4.DB", "LOGINS.JSON", "LOGINS-BACKUP.JSON", "SIGNONS.SQLITE", "SIGNONS.TXT",
      "SIGNONS2.TXT", "SIGNONS3.TXT", "CERT8.DB", "CERT9.DB", "CERT_OVERRIDE.TXT", "PKCS11.TXT",
      "SECMOD.DB", "BOOKMARKS.HTML", "PREFS.JS", "USER.JS", "PERMISSIONS.SQLITE",
      "EXTENSIONS.JSON", "PROFILES.INI", "INSTALLS.INI",
      // Chromium family
      "LOGIN DATA", "LOGIN DATA FOR ACCOUNT", "BOOKMARKS", "BOOKMARKS.BAK", "PREFERENCES",
      "SECURE PREFERENCES", "LOCAL STATE", "WEB DATA",
      // Opera until version 12
      "WAND.DAT", "OPCERT6.DAT", "OPSSL6.DAT", "BOOKMARKS.ADR", "OPERA6.INI", "OPERAPREFS.INI",
      "OPERA6.ADR", "CONTACTS.ADR", "NOTES.ADR",
  };
  const std::string upper = UpperAscii(fileName);
  return std::any_of(std::begin(kNames), std::end(kNames),
                     [&](const char* name) { return upper == name; });
}

}  // namespace tw
