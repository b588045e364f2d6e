#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>

#include "engine/Utility.h"
#include "platform/Com.h"
#include "support/Exceptions.h"
#include "support/FileIO.h"

namespace tw {
namespace {

TEST(PathMacros, ResolveAgainstThisSystem) {
  EXPECT_EQ(ExpandEnvPath("%WINDIR%\\HH.EXE"), GetEnvVar("WINDIR") + "\\HH.EXE");
  EXPECT_EQ(ExpandEnvPath("C:\\no\\macro"), "C:\\no\\macro");
  EXPECT_EQ(GetEnvVar("TWENG_SURELY_UNSET"), "");
  EXPECT_EQ(SpecialFolderPath(-1), "");
  EXPECT_EQ(SpecialFolderPath(CsidlFromName("csidl_cookies")), SpecialFolderPath(33, true));
  const std::string appData = SpecialFolderPath(26);
  ASSERT_FALSE(appData.empty());
  EXPECT_EQ(appData.back(), '\\');
  EXPECT_EQ(ResolveFolderMacro("CSIDL_APPDATA\\Vendor\\x"), appData + "Vendor\\x");
  EXPECT_EQ(ResolveFolderMacro("CSIDL_APPDATA"), appData);
  EXPECT_EQ(WindowsFolder().back(), '\\');
  EXPECT_EQ(SystemFolder().rfind(WindowsFolder(), 0), 0u);
}

TEST(PathMacros, SystemFoldersAreRecognisedExactly) {
  const std::string windows = GetEnvVar("WinDir");
  ASSERT_FALSE(windows.empty());
  std::string otherCase = windows;
  for (char& c : otherCase)
    c = std::isupper(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c))
                                                     : static_cast<char>(std::toupper(c));
  EXPECT_TRUE(IsSystemFolder(windows));
  EXPECT_TRUE(IsSystemFolder(windows + "\\"));
  EXPECT_TRUE(IsSystemFolder(GetEnvVar("ProgramFiles")));
  EXPECT_FALSE(IsSystemFolder(otherCase));
  EXPECT_FALSE(IsSystemFolder(windows + "\\system32"));
}

TEST(PathMacros, ShellNormalizesExistingFilesOnly) {
  ComApartment com;
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  const std::string file = std::string(temp) + "tweng_normalize.txt";
  WriteFileAtomic(file, "x");
  const std::string normalized = ShellNormalizePath(file);
  EXPECT_EQ(::lstrcmpiA(normalized.c_str(), file.c_str()), 0) << normalized;
  ::DeleteFileA(file.c_str());
  EXPECT_EQ(ShellNormalizePath(file), file);
  EXPECT_EQ(ShellNormalizePath(temp), temp);
}

TEST(Privileges, SwitchOnAndPutBack) {
  const DWORD previous = SetPrivilege("SeBackupPrivilege", SE_PRIVILEGE_ENABLED);
  EXPECT_EQ(SetPrivilege("SeBackupPrivilege", previous) & SE_PRIVILEGE_ENABLED,
            static_cast<DWORD>(SE_PRIVILEGE_ENABLED));
  { TPrivilegeScope scope("SeRestorePrivilege"); }
  EXPECT_THROW(SetPrivilege("SeNoSuchPrivilege", SE_PRIVILEGE_ENABLED), EOSError);
}

}  // namespace
}  // namespace tw
