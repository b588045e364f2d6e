#include "ui/main/portable/SystemInfoText.h"

#include <algorithm>
#include <cctype>

#include "engine/portable/TextUtility.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/Format.h"

namespace tw {

std::string PlatformName(int osKind, unsigned major, unsigned minor, unsigned build, bool server) {
  static const char* const kNames[] = {
      "Unknown",      "Windows 95",     "Windows 95 B",   "Windows 98",     "Windows 98 SE",
      "Windows Me",   "Windows NT 3",   "Windows NT 4",   "Windows 2000",   "Windows 2000",
      "Windows 2000", "Windows 2000",   "Windows 2000",   "Windows XP",     "Windows XP SP1",
      "Windows XP SP2", "Windows XP SP3", "Windows Server 2003", "Windows Vista",
      "Windows Server 2008"};
  if (osKind < kOsKindAfterVista) return osKind >= 0 ? kNames[osKind] : kNames[0];
  if (major == 6) {
    switch (minor) {
      case 0: return "Windows Server 2008";
      case 1: return server ? "Windows Server 2008 R2" : "Windows 7";
      case 2: return server ? "Windows Server 2012" : "Windows 8";
      case 3: return server ? "Windows Server 2012 R2" : "Windows 8.1";
      default: break;
    }
  }
  if (major == 10 && minor == 0) {
    if (server) return "Windows Server";
    return build >= 22000 ? "Windows 11" : "Windows 10";
  }
  return Format("Windows %d.%d", major, minor);
}

std::string DefaultBrowserName(const std::string& command) {
  std::string lower = command;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower.find("iexplore") != std::string::npos) return "IExplore";
  if (lower.find("netsc") != std::string::npos) return "Netscape";
  if (lower.find("opera") != std::string::npos) return "Opera";
  if (lower.find("mozilla") != std::string::npos) return "Mozilla";
  if (lower.find("firefox") != std::string::npos) return "Firefox";
  // The program file: the first word of the command, quoted or not.
  std::string path = command;
  if (!path.empty() && path.front() == '"') {
    const std::size_t close = path.find('"', 1);
    path = path.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  } else {
    const std::size_t exe = lower.find(".exe");
    if (exe != std::string::npos) path = path.substr(0, exe + 4);
  }
  const std::size_t slash = path.find_last_of("\\/:");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

std::string SystemInfoReport(const TSystemInfoValues& v, int language) {
  auto row = [language](int r) { return std::string(StrRes(r, language)); };
  std::string out;
  auto line = [&out](const std::string& text) { out += (out.empty() ? "" : "\r\n") + text; };
  if (v.BrowserCommand) {
    line(Format(row(kRowBrowserName), DefaultBrowserName(*v.BrowserCommand)));
    line(Format(row(kRowBrowserVersion), v.BrowserVersion));
  }
  line(Format(row(kRowOsPlatform), v.Platform));
  line(Format(row(kRowOsVersion), static_cast<int>(v.Major), static_cast<int>(v.Minor), static_cast<int>(v.Build)));
  line(Format(row(kRowMemoryInUse), v.MemoryLoad));
  line(Format(row(kRowMemoryAmount), static_cast<long long>((v.TotalPhysical + 524288) / 1048576)));
  line(Format(row(kRowProcessorCount), v.Processors));
  if (v.ProcessorMHz) line(Format(row(kRowProcessorFrequency), *v.ProcessorMHz));
  return out;
}

}  // namespace tw
