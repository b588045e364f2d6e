// Drives the real Tidewhisk.exe for what a user keeps and what a user may press: the ready list's
// state lives with the user (the installed database is never written, even when it cannot be),
// it is kept when Windows ends the session, and buttons that would ignore a click are disabled.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "platform/Handles.h"
#include "strings/StrRes.h"
#include "ui/ProgramDriver.h"
#include "ui/components/GroupedList.h"
#include "ui/main/portable/ReadyRules.h"

namespace tw {
namespace {

using namespace std::chrono_literals;
using drive::ChildOf;
using drive::ClickAt;
using drive::Text;
using drive::TopWindow;
using drive::DatabasePath;
using drive::WaitFor;

using drive::WinPath;
const std::string kProgram = WinPath(TW_PROGRAM);
const std::string kDatabaseSource = WinPath(TW_DATABASE);
constexpr const char* kKey = "Software\\Tidewhisk";
constexpr auto kStartup = 60s;  // generous: with other program tests beside it Wine starts slowly

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
std::string ReadSetting(const char* name) {
  unique_hkey key;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
  char data[16384];
  DWORD size = sizeof data, type = 0;
  if (::RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  return std::string(data, size && data[size - 1] == '\0' ? size - 1 : size);
}
std::string Row(int row) { return std::string(StrRes(row, 0)); }

class TProgram : public drive::TProgramRun {
 public:
  TProgram() : TProgramRun(kProgram) {}
  // The database is ready once the tips window (on for a fresh user) shows; it is closed here.
  bool WaitReadyAndCloseTips() const {
    HWND tips = nullptr;
    if (!WaitFor([&] { return (tips = TopWindow(Pid(), "TTipOfTheDayForm")) && ::IsWindowVisible(tips); }, kStartup))
      return false;
    ::PostMessageA(tips, WM_CLOSE, 0, 0);
    return true;
  }
  HWND Tips() const { return TopWindow(Pid(), "TTipOfTheDayForm"); }
  HWND ModeButton(int mode) const { return ChildOf(Main(), "TwHotImage", Row(ModeRow(mode))); }
};

// The ready list, read and clicked through its messages.
struct TReady {
  HWND list;
  LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) const {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(list, msg, w, l, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
  }
  LRESULT State(int g, int i = -1) const { return Send(TGL_GETSTATE, static_cast<WPARAM>(g), i); }
  RECT Rect(int g, int i = -1) const {
    const auto packed = static_cast<unsigned long long>(Send(TGL_GETRECT, static_cast<WPARAM>(g), i));
    auto edge = [&](int n) { return static_cast<LONG>(static_cast<std::int16_t>((packed >> (16 * n)) & 0xFFFF)); };
    return {edge(0), edge(1), edge(2), edge(3)};
  }
  void ClickItemCheck(int g, int i) const {
    const RECT r = Rect(g, i);
    ClickAt(list, r.left + 3 + 6, (r.top + r.bottom) / 2);
  }
  void ClickExpand(int g) const {
    const RECT r = Rect(g);
    ClickAt(list, 4 + 5, (r.top + r.bottom) / 2);
  }
};

// The picture buttons of Parent that are enabled (or disabled).
int PictureButtons(HWND parent, bool enabled) {
  std::pair<bool, int> count{enabled, 0};
  ::EnumChildWindows(
      parent,
      [](HWND child, LPARAM param) -> BOOL {
        auto* c = reinterpret_cast<std::pair<bool, int>*>(param);
        char name[64];
        ::GetClassNameA(child, name, sizeof name);
        if (std::strcmp(name, "TwHotImage") == 0 && (::IsWindowEnabled(child) != FALSE) == c->first) ++c->second;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.second;
}

class UserStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    ::SetFileAttributesA(DatabasePath().c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(::CopyFileA(kDatabaseSource.c_str(), DatabasePath().c_str(), FALSE)) << kDatabaseSource;
  }
  void TearDown() override { ::SetFileAttributesA(DatabasePath().c_str(), FILE_ATTRIBUTE_NORMAL); }
};

TEST_F(UserStateTest, ModeAndTopButtonsAreDisabledUntilTheDatabaseIsReady) {
  TProgram program;
  ASSERT_TRUE(program.Started());
  // The main window exists from the start; the database loads only after the splash: until then
  // the seven mode buttons and the four top buttons (About, settings, home page, language) are
  // disabled.
  ASSERT_TRUE(WaitFor([&] { return program.Main() != nullptr; }, kStartup));
  ASSERT_TRUE(WaitFor([&] { return PictureButtons(program.Main(), false) >= 11; }, 2s));
  EXPECT_EQ(program.Tips(), nullptr) << "the database was ready before the buttons were seen";
  ASSERT_TRUE(program.WaitReadyAndCloseTips());
  EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(program.ModeButton(1)) != FALSE; }, 5s));
  for (int mode = 1; mode <= 7; ++mode) EXPECT_TRUE(::IsWindowEnabled(program.ModeButton(mode))) << mode;
  // Now a click on a mode button is taken.
  const TReady list{::GetDlgItem(program.Main(), 1)};
  ClickAt(program.ModeButton(1), 5, 5);
  EXPECT_TRUE(WaitFor([&] { return Text(list.list) == Row(ModeRow(1)); }, 5s)) << Text(list.list);
}

TEST_F(UserStateTest, ChoicesOfAUserWhoCannotWriteTheDatabaseAreKeptAtTheEndOfTheSession) {
  // The installed database as a standard user meets it: it cannot be written.
  ASSERT_TRUE(::SetFileAttributesA(DatabasePath().c_str(), FILE_ATTRIBUTE_READONLY));
  const std::string installed = FileBytes(DatabasePath());
  {
    TProgram program;
    ASSERT_TRUE(program.WaitReadyAndCloseTips());
    const TReady list{::GetDlgItem(program.Main(), 1)};
    // An item unticked in the registry mode, a group closed and small icons in the advanced mode.
    ClickAt(program.ModeButton(5), 5, 5);
    ASSERT_TRUE(WaitFor([&] { return Text(list.list) == Row(ModeRow(5)); }, 5s));
    ASSERT_TRUE(list.State(0, 0) & TGL_STATE_CHECKED);
    list.ClickItemCheck(0, 0);
    ASSERT_TRUE(WaitFor([&] { return !(list.State(0, 0) & TGL_STATE_CHECKED); }, 5s));
    ClickAt(program.ModeButton(7), 5, 5);
    ASSERT_TRUE(WaitFor([&] { return Text(list.list) == Row(ModeRow(7)); }, 5s));
    ASSERT_TRUE(list.State(1) & TGL_STATE_EXPANDED);
    list.ClickExpand(1);
    ASSERT_TRUE(WaitFor([&] { return !(list.State(1) & TGL_STATE_EXPANDED); }, 5s));
    ::PostMessageA(program.Main(), WM_COMMAND, 308, 0);  // the icon size
    ASSERT_TRUE(WaitFor([&] { return (list.Send(TGL_GETVIEW) & TGL_VIEW_SMALLIMAGES) != 0; }, 5s));

    // Windows ends the session: by the time the program answers, its state is written.
    DWORD_PTR answer = 0;
    ASSERT_TRUE(::SendMessageTimeoutA(program.Main(), WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(answer, 1u);
    EXPECT_NE(ReadSetting("ItemChecks").find("g00-i01:0"), std::string::npos) << ReadSetting("ItemChecks");
    EXPECT_NE(ReadSetting("GroupsExpanded").find("g01:0"), std::string::npos) << ReadSetting("GroupsExpanded");
    EXPECT_EQ(ReadSetting("SmallIcons"), "1");
    EXPECT_GE(program.WaitExit(5s), 0);
  }
  EXPECT_EQ(FileBytes(DatabasePath()), installed) << "the installed database was written";

  // The next start brings them back over the database's defaults.
  TProgram program;
  ASSERT_TRUE(program.WaitReadyAndCloseTips());
  const TReady list{::GetDlgItem(program.Main(), 1)};
  EXPECT_EQ(Text(list.list), Row(ModeRow(7)));
  EXPECT_FALSE(list.State(0, 0) & TGL_STATE_CHECKED);
  EXPECT_TRUE(list.State(0, 1) & TGL_STATE_CHECKED);
  EXPECT_FALSE(list.State(1) & TGL_STATE_EXPANDED);
  EXPECT_TRUE(list.State(0) & TGL_STATE_EXPANDED);
  EXPECT_TRUE(list.Send(TGL_GETVIEW) & TGL_VIEW_SMALLIMAGES);
  ::PostMessageA(program.Main(), ::RegisterWindowMessageA("UM_TERMINATE"), 0, 0);
  EXPECT_GE(program.WaitExit(5s), 0);
  EXPECT_EQ(FileBytes(DatabasePath()), installed);
}

}  // namespace
}  // namespace tw
