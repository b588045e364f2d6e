#include <gtest/gtest.h>

#include <string>

#include "ui/main/portable/SystemInfoText.h"

namespace tw {
namespace {

TEST(SystemInfoText, PlatformNames) {
  struct Case {
    int kind;
    unsigned major, minor, build;
    bool server;
    const char* name;
  } cases[] = {
      {0, 0, 0, 0, false, "Unknown"},
      {13, 5, 1, 2600, false, "Windows XP"},
      {16, 5, 1, 2600, false, "Windows XP SP3"},
      {18, 6, 0, 6002, false, "Windows Vista"},
      {19, 6, 0, 6002, true, "Windows Server 2008"},
      {19, 6, 1, 7601, false, "Windows 7"},
      {19, 6, 3, 9600, false, "Windows 8.1"},
      // Windows 10 and 11 both say 10.0; the build tells them apart.
      {19, 10, 0, 19045, false, "Windows 10"},
      {19, 10, 0, 22631, false, "Windows 11"},
      {19, 10, 0, 20348, true, "Windows Server"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PlatformName(c.kind, c.major, c.minor, c.build, c.server), c.name) << c.kind << " " << c.build;
}

TEST(SystemInfoText, BrowserNames) {
  EXPECT_EQ(DefaultBrowserName("\"C:\\PROGRA~1\\Internet Explorer\\IEXPLORE.EXE\" -nohome"), "IExplore");
  // "mozilla" is asked before "firefox".
  EXPECT_EQ(DefaultBrowserName("C:\\Program Files\\Mozilla Firefox\\firefox.exe -osint -url \"%1\""), "Mozilla");
  EXPECT_EQ(DefaultBrowserName("\"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe\" --single-argument %1"),
            "chrome");
  EXPECT_EQ(DefaultBrowserName("C:\\Program Files\\My Browser\\browse.exe %1"), "browse");
}

TEST(SystemInfoText, ReportLinesInTheLanguage) {
  TSystemInfoValues v;
  v.Platform = "Windows 11";
  v.Major = 10;
  v.Build = 22631;
  v.MemoryLoad = 42;
  v.TotalPhysical = 17179344896ull;  // 16 383.5 MB, rounded up
  v.Processors = 8;
  EXPECT_EQ(SystemInfoReport(v, 0),
            "Platform: Windows 11\r\nOS version: 10.0.22631\r\nMemory in use: 42 %\r\n"
            "Memory amount: 16384 MB\r\nNumber of processors: 8");
  v.BrowserCommand = "\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\" -osint -url \"%1\"";
  v.BrowserVersion = "128.0.3.0";
  v.ProcessorMHz = 2995;
  const std::string french = SystemInfoReport(v, 1);
  EXPECT_EQ(french.rfind("Navigateur", 0), 0u) << french;
  EXPECT_NE(french.find("Mozilla"), std::string::npos);
  EXPECT_NE(french.find("128.0.3.0"), std::string::npos);
  EXPECT_NE(french.find("2995"), std::string::npos);
}

}  // namespace
}  // namespace tw
