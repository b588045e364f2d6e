// Drives the real Tidewhisk.exe through scans in each mode: what it lists against what twcli
// finds, and an aborted scan.
#include <gtest/gtest.h>
#include <windows.h>

#include "ui/MainProgram.h"

namespace tw {
namespace {

using namespace main_program;
using namespace std::chrono_literals;

class ScanTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    WriteString(kKey, "ShowTipsAtStartup", "0");
    WriteString(kKey, "ShowInfoTips", "0");
    for (int i = 0; i < 5; ++i) {
      const std::string path = TempFolder() + "tw_scan_fixture" + std::to_string(i) + ".tmp";
      files_.push_back(path);
      unique_handle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
      const std::string data(1000 * (i + 1), 'x');
      DWORD written = 0;
      ::WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    }
  }
  void TearDown() override {
    for (const std::string& file : files_) ::DeleteFileA(file.c_str());
    ProgramTest::TearDown();
  }
  std::vector<std::string> files_;
};

TEST_F(ScanTest, ScanInEachModeListsWhatTheCommandLineFinds) {
  for (int mode : {1, 5, 3}) {
    SCOPED_TRACE(mode);
    WriteDword(kKey, "PresetScanMode", static_cast<DWORD>(mode));
    const TCliScan expected = CliScan(mode);
    ASSERT_GE(expected.count, 0);
    TProgram program;
    HWND scan = StartInMode(program, mode);
    ASSERT_NE(scan, nullptr);
    ClickAt(scan, 5, 5);
    // The summary comes at the end with the totals of the command line.
    HWND summary = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (summary = program.Find("TScanInfoDlg")) && ::IsWindowVisible(summary); }, 120s));
    const std::wstring text = WideText(Child(summary, "RICHEDIT50W"));
    EXPECT_NE(text.find(Widen(Format(Row(kRowProblemsFound, 0), expected.count))), std::wstring::npos)
        << Narrow(text) << " (the command line found " << expected.count << ")";
    ::PostMessageA(summary, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return program.Find("TScanInfoDlg") == nullptr; }, 5s));
    const TReadyList results = TReadyList::Results(program.Main());
    ASSERT_TRUE(results);
    if (expected.groups.empty()) {
      // Nothing found: back to the ready list, ready for the next scan.
      EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(results.Handle()) && ::IsWindowVisible(scan); }, 5s));
      EXPECT_EQ(results.Groups(), 0);
    } else {
      EXPECT_TRUE(::IsWindowVisible(results.Handle()));
      EXPECT_TRUE(::IsWindowVisible(ChildOf(program.Main(), "TwHotImage", Row(kRowCleanButton, 0))));
      ASSERT_EQ(results.Groups(), static_cast<int>(expected.groups.size()));
      for (int g = 0; g < results.Groups(); ++g) {
        EXPECT_EQ(results.Items(g), 0) << "items are made when the group first opens";
        EXPECT_TRUE(results.State(g) & TGL_STATE_CHECKED);
        results.ClickExpand(g);
        EXPECT_TRUE(WaitFor([&] { return results.Items(g) == expected.groups[static_cast<std::size_t>(g)]; }, 5s))
            << g << ": " << results.Items(g);
        EXPECT_TRUE(results.State(g, 0) & TGL_STATE_CHECKED);
        EXPECT_GE(results.Image(g, 0), 0);
      }
      // Cancel returns to the ready list with the results gone.
      ClickAt(ChildOf(program.Main(), "TwHotImage", Row(kRowCancel, 0)), 5, 5);
      EXPECT_TRUE(WaitFor([&] { return results.Groups() == 0 && ::IsWindowVisible(scan); }, 5s));
    }
    program.Post(Registered("UM_TERMINATE"));
    EXPECT_GE(program.WaitExit(10s), 0);
  }
}

TEST_F(ScanTest, AbortKeepsWhatWasFoundWithoutSummary) {
  // Enough files that the scan is still running when Abort comes.
  for (int i = 0; i < 3000; ++i) {
    const std::string path = TempFolder() + "tw_abort_fixture" + std::to_string(i) + ".tmp";
    files_.push_back(path);
    unique_handle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  WriteDword(kKey, "PresetScanMode", 1);
  TProgram program;
  HWND scan = StartInMode(program, 1);
  ASSERT_NE(scan, nullptr);
  ClickAt(scan, 5, 5);
  HWND abort = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (abort = ChildOf(program.Main(), "TwHotImage", Row(kRowAbort, 0))) && ::IsWindowVisible(abort); }, 10s));
  ClickAt(abort, 5, 5);
  HWND clean = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (clean = ChildOf(program.Main(), "TwHotImage", Row(kRowCleanButton, 0))) && ::IsWindowVisible(clean); }, 30s));
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(program.Find("TScanInfoDlg"), nullptr);
  const TReadyList results = TReadyList::Results(program.Main());
  EXPECT_TRUE(::IsWindowVisible(results.Handle()));
  EXPECT_TRUE(::IsWindowVisible(ChildOf(program.Main(), "TwHotImage", Row(kRowCancel, 0))));
  program.Post(Registered("UM_TERMINATE"));
  EXPECT_GE(program.WaitExit(10s), 0);
}

}  // namespace
}  // namespace tw
