// Drives the real Tidewhisk.exe: a folder on the user's protect list, inside a folder an item
// cleans and named outright by an imported winapp2 rule, survives a scan and clean in every mode.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/Handles.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/FileIO.h"
#include "ui/ProgramDriver.h"
#include "ui/main/portable/ReadyRules.h"

namespace tw {
namespace {

using namespace std::chrono_literals;
using drive::ChildOf;
using drive::ClickAt;
using drive::Text;
using drive::TopWindow;
using drive::DatabasePath;
using drive::Exists;
using drive::WaitFor;

using drive::WinPath;
const std::string kProgram = WinPath(TW_PROGRAM);
const std::string kCli = WinPath(TW_CLI);
constexpr const char* kKey = "Software\\Tidewhisk";
const std::string kTree = "C:\\tw_protect_gui\\";

std::string Row(int row) { return std::string(StrRes(row, 0)); }
class TProgram : public drive::TProgramRun {
 public:
  TProgram() : TProgramRun(kProgram, {}, true) {}
};

class ProtectProgramTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The items: one cleans the whole tree in every mode; the imported rule (a default one:
    // Complete Cleanup, and ticked) names the protected folder itself.
    ::CreateDirectoryA(kTree.c_str(), nullptr);
    const std::string names = R"(<en name="Tree" info="i"/><fr name="Tree" info="i"/><de name="Tree" info="i"/><es name="Tree" info="i"/>)";
    WriteFileAtomic(kTree + "db.xml",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Database version=\"1\" smallIcons=\"false\">"
                    "<TipsAndTricks lastTip=\"01\" maxTipId=\"01\"><Tip id=\"01\"><en info=\"a\"/><fr info=\"b\"/>"
                    "<de info=\"c\"/><es info=\"d\"/></Tip></TipsAndTricks>"
                    "<Group id=\"g00\" icon=\"shell32.dll\">" + names +
                    "<Item id=\"g00-i01\" icon=\"shell32.dll\" enabled=\"true\" mode=\"1111111\" checked=\"true\">" +
                    names + "<Action method=\"DeleteFiles\" path=\"" + kTree +
                    "junk\" excludeAttr=\"\" fileAttrib=\"faAnyFile\" fileFilter=\"*.*\" excludeFolder=\"\" "
                    "recurse=\"true\"/></Item></Group></Database>\n");
    WriteFileAtomic(kTree + "rules.ini", "[Names the kept folder]\r\nDefault=True\r\n"
                                         "FileKey1=%SystemDrive%\\tw_protect_gui\\junk\\Keep|*.*|RECURSE\r\n");
    ASSERT_EQ(drive::RunCli(kCli, "winapp2 import \"" + kTree + "rules.ini\" \"" + DatabasePath() + "\" --all --database \"" +
                     kTree + "db.xml\""), 0);
  }

  void SetUp() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    ASSERT_TRUE(drive::WriteSetting("ShowTipsAtStartup", REG_SZ, std::string("0", 2)));
    ASSERT_TRUE(drive::WriteSetting("ShowInfoTips", REG_SZ, std::string("0", 2)));
    ASSERT_TRUE(drive::WriteSetting("ShowCleanWarning", REG_SZ, std::string("0", 2)));
    std::string protect = "folder:%SystemDrive%\\tw_protect_gui\\junk\\Keep";
    protect.append(2, '\0');
    ASSERT_TRUE(drive::WriteSetting("Protect", REG_MULTI_SZ, protect));
  }

  static void MakeTree() {
    for (const char* folder : {"junk", "junk\\Keep", "junk\\Keep\\inner", "junk\\other"})
      ::CreateDirectoryA((kTree + folder).c_str(), nullptr);
    for (const char* file : {"junk\\gone.tmp", "junk\\other\\gone.tmp", "junk\\Keep\\a.tmp", "junk\\Keep\\inner\\b.tmp"})
      WriteFileAtomic(kTree + file, "data");
  }
};

TEST_F(ProtectProgramTest, AProtectedFolderSurvivesACleanInEveryMode) {
  for (int mode = 1; mode <= 7; ++mode) {
    SCOPED_TRACE(mode);
    MakeTree();
    const DWORD preset = static_cast<DWORD>(mode);
    ASSERT_TRUE(drive::WriteSetting("PresetScanMode", REG_DWORD, std::string(reinterpret_cast<const char*>(&preset), 4)));
    TProgram program;
    HWND scan = nullptr;
    ASSERT_TRUE(WaitFor([&] {
      HWND main = program.Main();
      scan = main ? ChildOf(main, "TwHotImage", Row(kRowScanNow)) : nullptr;
      return scan && ::IsWindowVisible(main) && ::IsWindowEnabled(scan) && ::IsWindowVisible(scan) &&
             Text(::GetDlgItem(main, 1)) == Row(ModeRow(mode));
    }, 60s));
    ClickAt(scan, 5, 5);
    HWND summary = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (summary = program.Shown("TScanInfoDlg")) != nullptr; }, 120s));
    ::PostMessageA(summary, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return program.Find("TScanInfoDlg") == nullptr; }, 10s));

    HWND clean = ChildOf(program.Main(), "TwHotImage", Row(kRowCleanButton));
    ASSERT_NE(clean, nullptr);
    ClickAt(clean, 5, 5);
    ASSERT_TRUE(WaitFor([&] {
      if (HWND close = program.Shown("TTerminateAppDlg"))
        if (HWND cancel = ChildOf(close, "TwHotImage", Row(kRowCancel))) ClickAt(cancel, 5, 5);
      return (summary = program.Shown("TScanInfoDlg")) != nullptr;
    }, 120s));
    ::PostMessageA(summary, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return program.Find("TScanInfoDlg") == nullptr && ::IsWindowVisible(scan); }, 10s));

    // The protected folder and all it holds stay; the rest of the tree is gone.
    EXPECT_TRUE(Exists(kTree + "junk\\Keep\\a.tmp"));
    EXPECT_TRUE(Exists(kTree + "junk\\Keep\\inner\\b.tmp"));
    EXPECT_FALSE(Exists(kTree + "junk\\gone.tmp"));
    EXPECT_FALSE(Exists(kTree + "junk\\other"));
  }
}

}  // namespace
}  // namespace tw
