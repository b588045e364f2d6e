#include <gtest/gtest.h>

#include "cleaners/portable/MachineWide.h"

namespace tw {
namespace {

TEST(MachineWide, FoldersSharedByEveryUser) {
  const TMachineFolders folders{{"C:\\Windows", "C:\\Program Files", "C:\\Program Files (x86)", "C:\\ProgramData"},
                                "C:\\Users",
                                "C:\\Users\\ann",
                                "C:"};
  const struct {
    const char* path;
    bool machineWide;
  } cases[] = {
      {"C:\\Windows\\Temp", true},
      {"c:\\windows\\", true},                        // any letter case, a trailing "\"
      {"C:\\WindowsApps", false},                     // a name that only begins like one
      {"C:\\Program Files (x86)\\Tool\\logs", true},
      {"C:\\ProgramData\\Microsoft\\Windows\\WER\\ReportQueue", true},
      {"C:\\Users\\ann\\AppData\\Local\\Temp", false},  // the user's own
      {"C:\\Users\\bob\\AppData\\Local\\Temp", true},   // another user's
      {"C:\\Users\\Public\\Documents", true},
      {"C:\\Users", false},
      {"C:\\$Windows.~BT", true},                     // Windows' own folders at the root
      {"C:\\Tools\\$cache", false},
      {"D:\\$Recycle", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(!MachineWideFolder(c.path, folders).empty(), c.machineWide) << c.path;
  EXPECT_EQ(MachineWideFolder("C:\\Windows\\Logs", folders), "C:\\Windows\\Logs");
}

TEST(MachineWide, KeysOfRootsEveryUserShares) {
  EXPECT_EQ(MachineWideKey("HKEY_LOCAL_MACHINE", "Software\\X"), "HKEY_LOCAL_MACHINE\\Software\\X");
  EXPECT_EQ(MachineWideKey("hklm", ""), "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(MachineWideKey("HKEY_CLASSES_ROOT", "CLSID"), "HKEY_CLASSES_ROOT\\CLSID");
  EXPECT_EQ(MachineWideKey("HKEY_CURRENT_CONFIG", "System"), "HKEY_CURRENT_CONFIG\\System");
  EXPECT_EQ(MachineWideKey("HKEY_CURRENT_USER", "Software\\X"), "");
  EXPECT_EQ(MachineWideKey("HKEY_USERS", "Software\\X"), "");  // the current user's identifier goes in front
  EXPECT_EQ(MachineWideKey("nonsense", "X"), "");
}

}  // namespace
}  // namespace tw
