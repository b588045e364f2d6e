// Drives the real Tidewhisk.exe through what a run may not do: a clean aborted with the summary
// switched off, and the offer of administrator rights before a scan and a clean.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/Elevation.h"
#include "platform/Handles.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "ui/ProgramDriver.h"
#include "ui/main/portable/ReadyRules.h"

namespace tw {
namespace {

using namespace std::chrono_literals;
using drive::ChildOf;
using drive::ClickAt;
using drive::Text;
using drive::TopWindow;
using drive::VisibleWindows;
using drive::WaitFor;

using drive::WinPath;
const std::string kProgram = WinPath(TW_PROGRAM);
const std::string kDatabaseSource = WinPath(TW_DATABASE);
constexpr const char* kKey = "Software\\Tidewhisk";
constexpr auto kStartup = 30s;

std::string Row(int row) { return std::string(StrRes(row, 0)); }
std::string Folder(int csidl) {
  char path[MAX_PATH];
  ::SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, path);
  return path;
}
void WriteString(const char* name, const std::string& text) {
  unique_hkey k;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(), nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExA(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}
void WriteMode(DWORD mode) {
  unique_hkey k;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(), nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExA(k.get(), "PresetScanMode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mode), 4);
}
void MakeFile(const std::string& path) {
  unique_handle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  ::WriteFile(file.get(), "x", 1, &written, nullptr);
}

class TProgram : public drive::TProgramRun {
 public:
  TProgram() : TProgramRun(kProgram) {}
  // A visible button of the main window by its caption.
  HWND Button(int row) const {
    HWND button = Main() ? ChildOf(Main(), "TwHotImage", Row(row)) : nullptr;
    return button && ::IsWindowVisible(button) ? button : nullptr;
  }
  HWND WaitButton(int row, std::chrono::milliseconds timeout) const {
    HWND button = nullptr;
    WaitFor([&] { return (button = Button(row)) != nullptr && ::IsWindowEnabled(button); }, timeout);
    return button;
  }
  // The scan button once the database is ready in Mode.
  HWND WaitReady(int mode) const {
    HWND scan = nullptr;
    WaitFor([&] {
      scan = Button(kRowScanNow);
      return scan && ::IsWindowEnabled(scan) && Text(::GetDlgItem(Main(), 1)) == Row(ModeRow(mode));
    }, kStartup);
    return scan;
  }
  // A task dialog or message box of the program showing a button captioned Caption.
  HWND WaitBoxWith(const std::string& caption, std::chrono::milliseconds timeout) const {
    HWND button = nullptr;
    WaitFor([&] {
      HWND box = Find("#32770");
      button = box && ::IsWindowVisible(box) ? ChildOf(box, "Button", caption) : nullptr;
      return button != nullptr;
    }, timeout);
    return button;
  }
  void Terminate() const { ::PostMessageA(Main(), ::RegisterWindowMessageA("UM_TERMINATE"), 0, 0); }
};

void Press(HWND button) { ::PostMessageA(button, BM_CLICK, 0, 0); }

class RunProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    const std::string data = Folder(CSIDL_COMMON_APPDATA) + "\\Tidewhisk\\";
    ::CreateDirectoryA(data.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileA(kDatabaseSource.c_str(), (data + "database.dat").c_str(), FALSE));
    for (const char* name : {"ShowTipsAtStartup", "ShowInfoTips", "ShowScanDialog", "ShowCleanWarning",
                             "ShowCleanDialog", "RunOnWindowsStartup"})
      WriteString(name, "0");
    WriteString("MakeRegistryBackups", "0");
    WriteMode(1);
    // Elevated unless a test says otherwise, whatever token Wine hands out.
    ::SetEnvironmentVariableA(kElevationOverride, "1");
  }
  void TearDown() override {
    for (const std::string& file : files_) ::DeleteFileA(file.c_str());
    ::SetEnvironmentVariableA(kElevationOverride, "1");
  }
  std::string TempFile(const std::string& name) {
    files_.push_back(Folder(CSIDL_LOCAL_APPDATA) + "\\Temp\\" + name);
    return files_.back();
  }
  std::vector<std::string> files_;
};

TEST_F(RunProgramTest, AnAbortedCleanWithoutSummaryLeavesTheProgramWhole) {
  // Enough files that the clean is still removing them when Abort comes.
  for (int i = 0; i < 3000; ++i) MakeFile(TempFile("tw_abort_clean_" + std::to_string(i) + ".tmp"));
  TProgram program;
  HWND scan = program.WaitReady(1);
  ASSERT_NE(scan, nullptr);
  ClickAt(scan, 5, 5);
  HWND clean = program.WaitButton(kRowCleanButton, 120s);
  ASSERT_NE(clean, nullptr);
  ClickAt(clean, 5, 5);
  // Past the programs to close, if any: the progress dialog, aborted as soon as it shows.
  HWND abort = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    if (HWND close = program.Find("TTerminateAppDlg"); close && ::IsWindowVisible(close))
      if (HWND cancel = ChildOf(close, "TwHotImage", Row(kRowCancel))) ClickAt(cancel, 5, 5);
    HWND progress = program.Find("TCleanProgress");
    abort = progress && ::IsWindowVisible(progress) ? ChildOf(progress, "TwHotImage", Row(kRowAbort)) : nullptr;
    return abort != nullptr;
  }, 30s));
  ClickAt(abort, 5, 5);
  // Straight back to the ready list, and the program goes on working: a new scan runs.
  scan = program.WaitButton(kRowScanNow, 30s);
  ASSERT_NE(scan, nullptr);
  EXPECT_EQ(program.Find("TScanInfoDlg"), nullptr);
  std::this_thread::sleep_for(1s);
  ASSERT_TRUE(program.Running());
  ClickAt(scan, 5, 5);
  EXPECT_NE(program.WaitButton(kRowCleanButton, 120s), nullptr);
  EXPECT_TRUE(program.Running());
  program.Terminate();
  DWORD code = 99;
  ASSERT_GE(program.WaitExit(10s, &code), 0);
  EXPECT_EQ(code, 0u);
}

TEST_F(RunProgramTest, WithoutRightsTheMachineWideItemsAreOfferedBeforeScanAndClean) {
  ::SetEnvironmentVariableA(kElevationOverride, "0");
  // A finding in the Windows folder's temporary folder, which every user shares.
  char windows[MAX_PATH];
  ::GetWindowsDirectoryA(windows, MAX_PATH);
  files_.push_back(std::string(windows) + "\\Temp\\tw_rights_fixture.tmp");
  MakeFile(files_.back());
  MakeFile(TempFile("tw_rights_own.tmp"));
  TProgram program;
  HWND scan = program.WaitReady(1);
  ASSERT_NE(scan, nullptr);

  // Before the scan: Cancel scans nothing; Continue scans everything.
  ClickAt(scan, 5, 5);
  HWND proceed = program.WaitBoxWith(Row(kRowContinue), 30s);
  ASSERT_NE(proceed, nullptr);
  EXPECT_NE(program.WaitBoxWith(Row(kRowRestartAsAdmin), 1s), nullptr);
  Press(ChildOf(::GetParent(proceed), "Button", "Cancel"));
  ASSERT_TRUE(WaitFor([&] { return !program.Find("#32770") || !::IsWindowVisible(program.Find("#32770")); }, 5s));
  EXPECT_NE(program.Button(kRowScanNow), nullptr) << "still ready: nothing was scanned";
  ClickAt(scan, 5, 5);
  proceed = program.WaitBoxWith(Row(kRowContinue), 30s);
  ASSERT_NE(proceed, nullptr);
  Press(proceed);
  HWND clean = program.WaitButton(kRowCleanButton, 120s);
  ASSERT_NE(clean, nullptr);

  // Before the clean: the rest is cleaned, the machine's file is skipped and stays.
  ClickAt(clean, 5, 5);
  HWND rest = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    if (HWND close = program.Find("TTerminateAppDlg"); close && ::IsWindowVisible(close))
      if (HWND cancel = ChildOf(close, "TwHotImage", Row(kRowCancel))) ClickAt(cancel, 5, 5);
    HWND box = program.Find("#32770");
    rest = box && ::IsWindowVisible(box) ? ChildOf(box, "Button", Row(kRowCleanTheRest)) : nullptr;
    return rest != nullptr;
  }, 30s));
  Press(rest);
  // Then the programs to close, if any, and the clean itself.
  EXPECT_TRUE(WaitFor([&] {
    if (HWND close = program.Find("TTerminateAppDlg"); close && ::IsWindowVisible(close))
      if (HWND cancel = ChildOf(close, "TwHotImage", Row(kRowCancel))) ClickAt(cancel, 5, 5);
    return program.Button(kRowScanNow) != nullptr;
  }, 120s)) << VisibleWindows() << "running: " << program.Running();
  EXPECT_NE(::GetFileAttributesA(files_[0].c_str()), INVALID_FILE_ATTRIBUTES) << "skipped, not removed";
  EXPECT_EQ(::GetFileAttributesA(files_[1].c_str()), INVALID_FILE_ATTRIBUTES) << "the user's own file goes";
  program.Terminate();
  DWORD code = 99;
  EXPECT_GE(program.WaitExit(10s, &code), 0);
}

}  // namespace
}  // namespace tw
