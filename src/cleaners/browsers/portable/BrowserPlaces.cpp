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

namespace {

bool MatchesMask(std::string_view name, std::string_view mask) {
  // Greedy match with one point to return to after the last "*".
  std::size_t n = 0, m = 0, starAt = std::string_view::npos, resume = 0;
  auto same = [](char a, char b) {
    auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    return up(a) == up(b);
  };
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || (mask[m] != '*' && same(mask[m], name[n])))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starAt = m++;
      resume = n;
    } else if (starAt != std::string_view::npos) {
      m = starAt + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

}  // namespace

bool MatchesFileMasks(std::string_view fileName, std::string_view masks) {
  if (masks.empty()) return true;
  while (true) {
    const std::size_t end = masks.find(';');
    const std::string_view mask = masks.substr(0, end);
    if (!mask.empty() && MatchesMask(fileName, mask)) return true;
    if (end == std::string_view::npos) return false;
    masks.remove_prefix(end + 1);
  }
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
  // Names that begin so: the files above with their journals, logs and backups, and the stores
  // of passwords, keys, certificates and bookmarks under any version's name.
  static const char* const kPrefixes[] = {
      "LOGIN DATA", "KEY3.DB", "KEY4.DB", "LOGINS", "SIGNONS", "CERT8.DB", "CERT9.DB",
      "BOOKMARKS", "PLACES.SQLITE", "PREFS.JS", "WEB DATA", "SECURE PREFERENCES"};
  const std::string upper = UpperAscii(fileName);
  return std::any_of(std::begin(kNames), std::end(kNames),
                     [&](const char* name) { return upper == name; }) ||
         std::any_of(std::begin(kPrefixes), std::end(kPrefixes),
                     [&](const char* prefix) { return upper.starts_with(prefix); });
}

}  // namespace tw
