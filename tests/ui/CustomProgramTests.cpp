// Drives the real Tidewhisk.exe: a custom folder the user added (with a file mask and its
// subfolders) and ticked is scanned and cleaned in every mode, as an item of the group "Custom".
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <string>

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
const std::string kTree = "C:\\tw_custom_gui\\";

std::string Row(int row) { return std::string(StrRes(row, 0)); }
class TProgram : public drive::TProgramRun {
 public:
  TProgram() : TProgramRun(kProgram, {}, true) {}
};

class CustomProgramTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A database whose one item never runs: whatever is cleaned comes from the custom place.
    ::CreateDirectoryA(kTree.c_str(), nullptr);
    const std::string names = R"(<en name="Idle" info="i"/><fr name="Idle" info="i"/><de name="Idle" info="i"/><es name="Idle" info="i"/>)";
    WriteFileAtomic(kTree + "db.xml",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Database version=\"1\" smallIcons=\"false\">"
                    "<Group id=\"g00\" icon=\"shell32.dll\">" + names +
                    "<Item id=\"g00-i01\" icon=\"shell32.dll\" enabled=\"true\" mode=\"0000000\" checked=\"false\">" +
                    names + "<Action method=\"EraseClipboard\"/></Item></Group>"
                    "<TipsAndTricks lastTip=\"01\" maxTipId=\"01\"><Tip id=\"01\"><en info=\"a\"/><fr info=\"b\"/>"
                    "<de info=\"c\"/><es info=\"d\"/></Tip></TipsAndTricks></Database>\n");
    ASSERT_EQ(drive::RunCli(kCli, "db encrypt \"" + kTree + "db.xml\" \"" + DatabasePath() + "\""), 0);
  }

  void SetUp() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    ASSERT_TRUE(drive::WriteSetting("ShowTipsAtStartup", REG_SZ, std::string("0", 2)));
    ASSERT_TRUE(drive::WriteSetting("ShowInfoTips", REG_SZ, std::string("0", 2)));
    ASSERT_TRUE(drive::WriteSetting("ShowCleanWarning", REG_SZ, std::string("0", 2)));
    std::string places = "folder|recurse|*.tmp|%SystemDrive%\\tw_custom_gui\\junk";
    places.append(2, '\0');
    ASSERT_TRUE(drive::WriteSetting("CustomPlaces", REG_MULTI_SZ, places));
    // The user ticked it in an earlier session.
    ASSERT_TRUE(drive::WriteSetting("ItemChecks", REG_SZ, std::string("gcustom-i1:1", 13)));
  }

  static void MakeTree() {
    for (const char* folder : {"junk", "junk\\sub"}) ::CreateDirectoryA((kTree + folder).c_str(), nullptr);
    for (const char* file : {"junk\\a.tmp", "junk\\sub\\b.tmp", "junk\\keep.txt"}) WriteFileAtomic(kTree + file, "data");
  }
};

TEST_F(CustomProgramTest, ATickedCustomFolderIsScannedAndCleanedInEveryMode) {
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
    EXPECT_TRUE(Exists(kTree + "junk\\a.tmp"));  // a scan removes nothing

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

    // The mask's files go, in the folder and below it; the rest stays.
    EXPECT_FALSE(Exists(kTree + "junk\\a.tmp"));
    EXPECT_FALSE(Exists(kTree + "junk\\sub\\b.tmp"));
    EXPECT_TRUE(Exists(kTree + "junk\\keep.txt"));
    EXPECT_TRUE(Exists(kTree + "junk\\sub"));
  }
}

}  // namespace
}  // namespace tw
