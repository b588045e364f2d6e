#pragma once
// The system information report (the tray balloon and the logo's hint), free of any window.
#include <optional>
#include <string>

namespace tw {

// The running Windows by its version kind, and by its own version for every Windows after
// Vista (which the version kinds no longer tell apart): "Windows 7" ... "Windows 11".
std::string PlatformName(int osKind, unsigned major, unsigned minor, unsigned build, bool server);

// The default browser's name from its command: known names first ("IExplore", "Netscape",
// "Opera", "Mozilla", "Firefox"), otherwise the program file's name without extension.
std::string DefaultBrowserName(const std::string& command);

struct TSystemInfoValues {
  std::optional<std::string> BrowserCommand;  // none when no default browser is registered
  std::string BrowserVersion;                 // "1.2.3.4", or empty
  std::string Platform;
  unsigned Major = 0, Minor = 0, Build = 0;
  int MemoryLoad = 0;
  unsigned long long TotalPhysical = 0;  // bytes
  int Processors = 0;
  std::optional<int> ProcessorMHz;       // none: the line is left out
};

// The report's lines in Language, separated by CR LF.
std::string SystemInfoReport(const TSystemInfoValues& values, int language);

}  // namespace tw
