#include "engine/portable/TextUtility.h"

#include <array>
#include <cctype>
#include <utility>

namespace tw {

std::string Rot13(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if ((c >= 'A' && c <= 'M') || (c >= 'a' && c <= 'm')) c = static_cast<char>(c + 13);
    else if ((c >= 'N' && c <= 'Z') || (c >= 'n' && c <= 'z')) c = static_cast<char>(c - 13);
  }
  return out;
}

int CsidlFromName(std::string_view name) {
  static constexpr std::pair<std::string_view, int> kFolders[] = {
      {"CSIDL_DESKTOP", 0},           {"CSIDL_INTERNET", 1},
      {"CSIDL_PROGRAMS", 2},          {"CSIDL_CONTROLS", 3},
      {"CSIDL_PRINTERS", 4},          {"CSIDL_PERSONAL", 5},
      {"CSIDL_FAVORITES", 6},         {"CSIDL_STARTUP", 7},
      {"CSIDL_RECENT", 8},            {"CSIDL_SENDTO", 9},
      {"CSIDL_BITBUCKET", 10},        {"CSIDL_STARTMENU", 11},
      {"CSIDL_DESKTOPDIRECTORY", 16}, {"CSIDL_DRIVES", 17},
      {"CSIDL_NETWORK", 18},          {"CSIDL_NETHOOD", 19},
      {"CSIDL_FONTS", 20},            {"CSIDL_TEMPLATES", 21},
      {"CSIDL_COMMON_STARTMENU", 22}, {"CSIDL_COMMON_PROGRAMS", 23},
      {"CSIDL_COMMON_STARTUP", 24},   {"CSIDL_COMMON_DESKTOPDIRECTORY", 25},
      {"CSIDL_APPDATA", 26},          {"CSIDL_PRINTHOOD", 27},
      {"CSIDL_LOCAL_APPDATA", 28},    {"CSIDL_ALTSTARTUP", 29},
      {"CSIDL_COMMON_ALTSTARTUP", 30}, {"CSIDL_COMMON_FAVORITES", 31},
      {"CSIDL_INTERNET_CACHE", 32},   {"CSIDL_COOKIES", 33},
      {"CSIDL_HISTORY", 34},          {"CSIDL_COMMON_APPDATA", 35},
  };
  for (const auto& [folderName, id] : kFolders) {
    if (folderName.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size() && same; ++i)
      same = std::toupper(static_cast<unsigned char>(name[i])) == folderName[i];
    if (same) return id;
  }
  return -1;
}

bool IsDotEntry(std::string_view name) { return name == "." || name == ".."; }

std::string WithBackslash(std::string text) {
  if (text.empty() || text.back() != '\\') text += '\\';
  return text;
}

std::string ExpandEnvPathWith(const std::string& text, const TGetEnv& getEnv) {
  if (!text.empty() && text[0] == '%' && text.find('\\', 1) != std::string::npos) {
    std::size_t close = text.find('%', 1);
    if (close == std::string::npos) return text;  // no closing "%": not a macro
    return getEnv(text.substr(1, close - 1)) + text.substr(close + 1);
  }
  if (!text.empty() && text.back() == '%') {
    if (text.size() < 2) return getEnv({});
    return getEnv(text.substr(1, text.size() - 2));
  }
  return text;
}

std::string ResolveFolderMacroWith(const std::string& text, const TFolderById& folder) {
  std::size_t slash = text.find('\\');
  if (slash != std::string::npos)
    return folder(CsidlFromName(text.substr(0, slash))) + text.substr(slash + 1);
  return folder(CsidlFromName(text));
}

bool IsSystemFolderWith(const std::string& path, const TGetEnv& getEnv) {
  std::string candidate = WithBackslash(path);
  for (const char* name : {"ProgramFiles", "SystemRoot", "WinDir"}) {
    if (candidate == WithBackslash(getEnv(name))) return true;
  }
  return false;
}

int OsKindOf(unsigned platform, unsigned major, unsigned minor, std::string_view servicePackText,
             std::uint16_t servicePack) {
  const unsigned spMajor = servicePack >> 8;
  if (platform == 1) {  // the 9x family
    switch (minor) {
      case 0: return servicePackText == "B" ? 2 : 1;
      case 1:
      case 10: return servicePackText == "A" ? 4 : 3;
      case 9:
      case 90: return 5;
      default: return 0;
    }
  }
  if (platform != 2) return 0;
  switch (major) {
    case 3: return 6;
    case 4: return 7;
    case 5:
      if (minor == 0) {
        if (servicePack == 0) return 8;
        return spMajor >= 1 && spMajor <= 3 ? 8 + static_cast<int>(spMajor) : 12;
      }
      if (minor == 1) {
        if (servicePack == 0) return 13;
        return spMajor >= 1 && spMajor <= 2 ? 13 + static_cast<int>(spMajor) : 16;
      }
      return minor == 2 ? kOsKindServer2003 : 0;
    case 6: return minor == 0 ? kOsKindVista : kOsKindAfterVista;
    default:
      // Windows 10 and 11 say 10.0: every version after 6.x is a Windows after Vista.
      return major > 6 ? kOsKindAfterVista : 0;
  }
}

}  // namespace tw
