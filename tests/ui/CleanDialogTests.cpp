// The close-programs dialog with real programs, the clean warning, and cleans of real files
// through the progress dialog, in this process.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/FakeScanEvents.h"
#include "cleaners/WorkObjectBuilders.h"
#include "database/XMLDatabase.h"
#include "engine/ScanMgr.h"
#include "engine/States.h"
#include "engine/Utility.h"
#include "platform/Com.h"
#include "platform/Processes.h"
#include "platform/Text.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/FileIO.h"
#include "support/Format.h"
#include "ui/components/Window.h"
#include "ui/components/WindowSynchronizer.h"
#include "ui/dialogs/CleanProgressDialog.h"
#include "ui/dialogs/CleanWarningDialog.h"
#include "ui/dialogs/CloseProgramsDialog.h"
#include "ui/MessagePump.h"
#include "ui/ScreenPicture.h"

namespace tw {
namespace {

using namespace std::chrono_literals;

void Click(THotImage& button) {
  ::PostMessageA(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  ::PostMessageA(button.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
}

// Saves the window as a picture into the folder named by TW_SHOTS (nothing when it is unset).
void Shot(HWND hwnd, const std::string& name) {
  const char* folder = std::getenv("TW_SHOTS");
  if (!folder || !*folder) return;
  ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  Pump(200ms);
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  SaveScreenPicture(r, std::string(folder) + "\\" + name + ".bmp");
}

// ---- Closing programs

class Target {
 public:
  Target(const char* kind, const std::string& title) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string command = Format("\"%s\" %s \"%s\"", TW_CLOSE_TARGET, kind, title);
    EXPECT_TRUE(::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_));
    std::vector<HWND> windows;
    EXPECT_TRUE(PumpUntil([&] { return EnumerateWindows(pi_.dwProcessId, windows); }, 10s));
  }
  ~Target() {
    ::TerminateProcess(pi_.hProcess, 0);
    ::CloseHandle(pi_.hThread);
    ::CloseHandle(pi_.hProcess);
  }
  DWORD Id() const { return pi_.dwProcessId; }
  bool Running() const { return ::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

 private:
  PROCESS_INFORMATION pi_{};
};

// Answers the force question once it shows: Yes with OK, No by closing it.
struct Answerer {
  static inline bool yes = false;
  static inline int asked = 0;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = ::FindWindowA("TWarningDlg", nullptr);
    if (!dialog || !::IsWindowVisible(dialog)) return;
    ++asked;
    if (!yes) {
      ::PostMessageA(dialog, WM_CLOSE, 0, 0);
      return;
    }
    HWND ok = nullptr;
    ::EnumChildWindows(
        dialog,
        [](HWND child, LPARAM p) -> BOOL {
          if (WindowText(child) == StrRes(kRowCleanButton, 0) && ::IsWindowVisible(child)) {
            *reinterpret_cast<HWND*>(p) = child;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&ok));
    ::PostMessageA(ok, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    ::PostMessageA(ok, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
  }
};

const std::set<std::string, CaseInsensitiveLess> kTargets{"TwCloseTarget.EXE"};

TEST(CloseProgramsDlg, ClosesPolitelyAndForcesOnlyAfterYes) {
  // Without a window manager Wine takes about 2 s per window to let a process end: the
  // program's own timeout leaves room for that.
  TerminateTimeout = 5000;
  Target polite("polite", "Polite window"), stubborn("stubborn", "Stubborn window");
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, Answerer::Tick);
  {
    TTerminateAppDlg dialog(nullptr, 0, kTargets);
    EXPECT_FALSE(dialog.NothingToClose);
    ASSERT_EQ(dialog.Processes().size(), 2u);
    for (int group = 0; group < 2; ++group) {
      const TProcessInfo& info = dialog.Processes()[group];
      EXPECT_EQ(info.Windows.size(), 1u);
      EXPECT_TRUE(dialog.ELVProcess().GroupChecked(group));
      EXPECT_EQ(dialog.ELVProcess().GroupCaption(group), Format("twclosetarget.exe (ProcessId %d)", info.ProcessId));
      EXPECT_EQ(info.ExePath.substr(info.ExePath.size() - 17), "twclosetarget.exe");
    }
    // The stubborn one declined: it keeps running; the polite one closed.
    Answerer::yes = false;
    Answerer::asked = 0;
    Click(dialog.HotClean());
    EXPECT_EQ(dialog.Execute(), mrOk);
    EXPECT_EQ(Answerer::asked, 1);
    std::map<DWORD, int> results;
    for (const TCloseOutcome& o : dialog.Outcomes()) results[o.ProcessId] = o.Result;
    EXPECT_EQ(results, (std::map<DWORD, int>{{polite.Id(), trClosed}, {stubborn.Id(), trDeclined}}));
    EXPECT_FALSE(polite.Running());
    EXPECT_TRUE(stubborn.Running());
  }
  {
    TTerminateAppDlg dialog(nullptr, 0, kTargets);
    ASSERT_EQ(dialog.Processes().size(), 1u);
    Answerer::yes = true;
    Answerer::asked = 0;
    Click(dialog.HotClean());
    EXPECT_EQ(dialog.Execute(), mrOk);
    EXPECT_EQ(Answerer::asked, 1);
    ASSERT_EQ(dialog.Outcomes().size(), 1u);
    EXPECT_EQ(dialog.Outcomes()[0].Result, trForced);
    EXPECT_FALSE(stubborn.Running());
  }
  ::KillTimer(nullptr, timer);
}

TEST(CloseProgramsDlg, FollowsProgramsAndWindowsAndKeepsUncheckedOnes) {
  Target first("polite", "First");
  TTerminateAppDlg dialog(nullptr, 1, kTargets);
  ASSERT_EQ(dialog.Processes().size(), 1u);
  EXPECT_EQ(WindowText(dialog.Handle()), std::string(StrRes(kRowCaptionWarning, 1)));
  // A program started while the dialog is up is listed at the next refresh; a hidden window
  // leaves its group.
  Target second("polite", "Second");
  dialog.Refresh();
  ASSERT_EQ(dialog.Processes().size(), 2u);
  EXPECT_EQ(dialog.ELVProcess().ItemCount(1), 1);
  ::ShowWindow(dialog.Processes()[0].Windows[0], SW_HIDE);
  PumpUntil([&] { return !::IsWindowVisible(dialog.Processes()[0].Windows[0]); }, 2s);
  dialog.Refresh();
  EXPECT_EQ(dialog.ELVProcess().ItemCount(0), 0);
  EXPECT_TRUE(dialog.Processes()[0].Windows.empty());
  Shot(dialog.Handle(), "close-programs-fr");
  if (std::getenv("TW_SHOTS")) {
    for (int language : {0, 2, 3}) {
      TTerminateAppDlg other(nullptr, language, kTargets);
      ::ShowWindow(other.Handle(), SW_SHOWNA);
      Shot(other.Handle(), Format("close-programs-%d", language));
    }
  }
  // Unticked programs keep running; Cancel closes nothing.
  dialog.ELVProcess().SetGroupChecked(0, false);
  dialog.ELVProcess().SetGroupChecked(1, false);
  Click(dialog.HotClean());
  EXPECT_EQ(dialog.Execute(), mrOk);
  EXPECT_TRUE(dialog.Outcomes().empty());
  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(second.Running());

  // Nothing listed with a window: nothing to close.
  TTerminateAppDlg none(nullptr, 0, {"no-such-program.exe"});
  EXPECT_TRUE(none.NothingToClose);
  Click(none.HotAbort());
  EXPECT_EQ(none.Execute(), mrAbort);
}

TEST(CloseProgramsDlg, MessageByProgram) {
  const std::pair<const char*, UINT> table[] = {
      {"trillian.exe", WM_QUIT}, {"msnmsgr.exe", WM_QUIT}, {"MSN6.EXE", WM_QUIT}, {"googletalk.exe", WM_QUIT},
      {"aim6.exe", WM_QUIT},     {"ad-aware.exe", WM_QUIT}, {"firefox.exe", WM_CLOSE}, {"chrome.exe", WM_CLOSE},
  };
  for (const auto& [name, message] : table) EXPECT_EQ(CloseMessageFor(name), message) << name;
  // A process that does not exist cannot be opened: 0, and nobody is asked.
  bool asked = false;
  EXPECT_EQ(TerminateApp("c:\\x.exe", 0xFFFFFFF0, 100, WM_CLOSE, [&](DWORD, const std::string&) { return asked = true; }),
            trNotOpened);
  EXPECT_FALSE(asked);
}

// ---- The clean warning

class MemoryStore final : public TSettingsStore {
 public:
  std::map<std::string, std::string> values;
  TStoredValue Read(std::string_view name) override {
    auto it = values.find(std::string(name));
    if (it == values.end()) return {};
    return {TStoredValue::TKind::String, it->second, 0};
  }
  void WriteString(std::string_view name, std::string_view text) override { values[std::string(name)] = text; }
  void WriteDword(std::string_view name, std::uint32_t value) override {
    values[std::string(name)] = std::to_string(value);
  }
};

TEST(CleanWarningDlg, TextButtonsAndDoNotAsk) {
  for (int language = 0; language < 4; ++language) {
    MemoryStore store;
    bool show = true;
    {
      TCleanWarningDlg dialog(nullptr, language, store, show);
      EXPECT_EQ(dialog.HotClean().Hint(), std::string(StrRes(kRowCleanButton, language)));
      std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(dialog.WarningText())) + 1, L'\0');
      text.resize(::GetWindowTextW(dialog.WarningText(), text.data(), static_cast<int>(text.size())));
      const std::wstring note = Widen(std::string(StrRes(kRowBackupKeptDays, language)));
      EXPECT_NE(text.find(note.substr(0, 20)), std::wstring::npos);
      // The note is bold and red, the start is not.
      std::wstring flat;
      for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')) flat += text[i];
      const LRESULT at = static_cast<LRESULT>(flat.find(note));
      ASSERT_GE(at, 0);
      CHARFORMAT2W format{};
      format.cbSize = sizeof format;
      ::SendMessageW(dialog.WarningText(), EM_SETSEL, at + 2, at + 5);
      ::SendMessageW(dialog.WarningText(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
      EXPECT_TRUE(format.dwEffects & CFE_BOLD);
      EXPECT_EQ(format.crTextColor, RGB(255, 0, 0));
      ::SendMessageW(dialog.WarningText(), EM_SETSEL, 2, 5);
      ::SendMessageW(dialog.WarningText(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
      EXPECT_FALSE(format.dwEffects & CFE_BOLD);
      ::SendMessageW(dialog.WarningText(), EM_SETSEL, 0, 0);
      dialog.Show();
      Shot(dialog.Handle(), Format("clean-warning-%d", language));
      // Ticked and unticked again: the warning stays on.
      ::SendMessageA(dialog.CbxDoNotAsk(), BM_SETCHECK, BST_CHECKED, 0);
      ::SendMessageA(dialog.CbxDoNotAsk(), BM_SETCHECK, BST_UNCHECKED, 0);
      Click(dialog.HotClean());
      EXPECT_EQ(dialog.Execute(), mrOk);
    }
    EXPECT_TRUE(show);
    EXPECT_TRUE(store.values.empty());
  }
  MemoryStore store;
  bool show = true;
  {
    TCleanWarningDlg dialog(nullptr, 0, store, show);
    ::SendMessageA(dialog.CbxDoNotAsk(), BM_SETCHECK, BST_CHECKED, 0);
    Click(dialog.HotAbort());
    EXPECT_EQ(dialog.Execute(), mrAbort);
  }
  EXPECT_FALSE(show);
  EXPECT_EQ(store.values["ShowCleanWarning"], "0");
}

// ---- Cleaning through the progress dialog

class CleanProgressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    dir_ = Format("%stwclean_%d\\", temp, static_cast<int>(::GetCurrentProcessId()));
    Clear(dir_);
    ::CreateDirectoryA(dir_.c_str(), nullptr);
    ::CreateDirectoryA((dir_ + "junk").c_str(), nullptr);
  }
  void TearDown() override { Clear(dir_); }
  static void Clear(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA((folder + "*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Clear(folder + name + "\\");
        else ::DeleteFileA((folder + name).c_str());
      } while (::FindNextFileA(find, &entry));
      ::FindClose(find);
    }
    ::RemoveDirectoryA(folder.c_str());
  }
  void Files(int count) {
    for (int i = 0; i < count; ++i) WriteFileAtomic(Format("%sjunk\\f%05d.tmp", dir_, i), "data");
  }
  bool Exists(const std::string& name) const {
    return ::GetFileAttributesA((dir_ + "junk\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  // Scans the junk folder and waits for the end.
  void Scan() {
    const std::string xml =
        "<?xml version=\"1.0\"?><Database version=\"1\"><Group id=\"g02\" icon=\"x\">"
        "<en name=\"Windows\" info=\"i\"/><fr name=\"Windows\" info=\"i\"/><de name=\"Windows\" info=\"i\"/>"
        "<es name=\"Windows\" info=\"i\"/><Item id=\"g02-i01\" icon=\"shell32.dll\" enabled=\"true\" mode=\"1\" "
        "checked=\"true\"><en name=\"Temporary files\" info=\"i\"/><fr name=\"Fichiers temporaires\" info=\"i\"/>"
        "<de name=\"Temporäre Dateien\" info=\"i\"/><es name=\"Archivos temporales\" info=\"i\"/>"
        "<Action method=\"DeleteFiles\" path=\"" + dir_ + "junk\" excludeAttr=\"\" fileAttrib=\"faAnyFile\" "
        "fileFilter=\"*.*\" excludeFolder=\"\" recurse=\"false\"/></Item></Group></Database>";
    WriteFileAtomic(dir_ + "db.xml", xml);
    ASSERT_TRUE(database_.Load(dir_ + "db.xml", false));
    manager_ = std::make_unique<TScanMgr>(Application().Synchronizer(), events_, CleanerBuilders(), 1, true);
    bool finished = false;
    events_.WorkDone = [&](TCustomWorkObject* sender) {
      if (sender == manager_->WorkObjects.back().get()) finished = true;
    };
    manager_->Scan(database_.Document, pmQuick);
    ASSERT_TRUE(PumpUntil([&] { return finished; }, 60s));
    events_.WorkDone = nullptr;
  }
  TWorkObject& Junk() { return *manager_->WorkObjects.front(); }

  ComApartment com_;
  std::string dir_;
  TXMLDatabase database_;
  TFakeScanEvents events_;
  std::unique_ptr<TScanMgr> manager_;
};

TEST_F(CleanProgressTest, RemovesExactlyTheTickedFindings) {
  Files(6);
  const std::string lockedName = "f00005.tmp";
  Scan();
  ASSERT_EQ(Junk().Found.Count(), 6);
  // Two unticked; one ticked file is held open without sharing, so it cannot go now.
  std::vector<std::string> spared;
  for (int i = 0; i < 6; ++i) {
    const std::string name = Junk().Found.Text(i).substr(Junk().Found.Text(i).rfind('\\') + 1);
    if (i == 1 || i == 3) {
      Junk().Found.Record(i).Checked = false;
      spared.push_back(name);
    }
  }
  unique_hfile locked(::CreateFileA((dir_ + "junk\\" + lockedName).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    0, nullptr));
  ASSERT_TRUE(locked);
  int startMax = -1, lastPosition = -1;
  {
    TCleanProgress dialog(nullptr, 0, *manager_, false);
    dialog.OnProgressStart = [&](int maximum) { startMax = maximum; };
    dialog.OnProgress = [&](int position, int) { lastPosition = position; };
    EXPECT_EQ(dialog.Execute(), mrOk);
    EXPECT_EQ(dialog.Maximum(), 4);
    EXPECT_EQ(manager_->LastCleanedObject, manager_->WorkObjects.back().get());
    const TCleanCounts counts = dialog.Counts();
    EXPECT_EQ(counts.Checked, 4);
    EXPECT_EQ(counts.Failed, 1);
    EXPECT_TRUE(counts.ScheduledAtRestart);
    EXPECT_EQ(WindowText(dialog.Handle()), "Windows - Temporary files");
    EXPECT_EQ(WindowText(dialog.RunningLabel()), "Temporary files: Deleting files...");
  }
  EXPECT_EQ(startMax, 4);
  EXPECT_EQ(lastPosition, 4);
  for (int i = 0; i < 5; ++i) {
    const std::string name = Format("f%05d.tmp", i);
    const bool keep = std::find(spared.begin(), spared.end(), name) != spared.end();
    EXPECT_EQ(Exists(name), keep) << name;
  }
  EXPECT_TRUE(Exists(lockedName));
  // The objects have their own events again.
  EXPECT_FALSE(Junk().OnBackup);
}

TEST_F(CleanProgressTest, LargeCleansStayResponsiveAndAbortStopsThem) {
  Files(3000);
  Scan();
  ASSERT_EQ(Junk().Found.Count(), 3000);
  TCleanProgress dialog(nullptr, 2, *manager_, true);
  dialog.DisplayInterval = 40;
  int progressCalls = 0;
  dialog.OnProgress = [&](int position, int) {
    ++progressCalls;
    if (position >= 1500 && dialog.ModalResult == mrNone) {
      Shot(dialog.Handle(), "clean-progress-de");
      dialog.HotAbort().OnClick();
    }
  };
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(dialog.Execute(), mrAbort);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  // The current finding is shown at a readable rate, not once per finding.
  EXPECT_LT(dialog.DisplayUpdates(), 1500);
  EXPECT_GE(dialog.DisplayUpdates(), 1);
  EXPECT_LE(progressCalls, dialog.DisplayUpdates() + 1);
  // What was not reached stays.
  int left = 0;
  for (int i = 0; i < 3000; ++i) left += Exists(Format("f%05d.tmp", i));
  EXPECT_GT(left, 0);
  EXPECT_LT(left, 3000);
  // The only object was cut short: none finished, and the summary claims nothing.
  EXPECT_EQ(manager_->LastCleanedObject, nullptr);
  EXPECT_EQ(dialog.Counts(), (TCleanCounts{0, 0, false}));
  EXPECT_LT(elapsed, 60s);
}

TEST_F(CleanProgressTest, EveryLanguageAndNothingTicked) {
  Files(4);
  Scan();
  ASSERT_EQ(Junk().Found.Count(), 4);
  const char* items[] = {"Temporary files", "Fichiers temporaires", "Temporäre Dateien", "Archivos temporales"};
  for (int language = 0; language < 4; ++language) {
    for (int i = 0; i < 4; ++i) Junk().Found.Record(i).Checked = i == language;
    TCleanProgress dialog(nullptr, language, *manager_, false);
    dialog.DisplayInterval = 0;
    dialog.EndPause = 0;
    dialog.OnProgress = [&](int position, int) {
      if (position == 1) Shot(dialog.Handle(), Format("clean-progress-%d", language));
    };
    EXPECT_EQ(dialog.Execute(), mrOk);
    EXPECT_EQ(dialog.Maximum(), 1);
    EXPECT_EQ(dialog.HotAbort().Hint(), std::string(StrRes(kRowAbort, language)));
    EXPECT_EQ(WindowText(dialog.RunningLabel()), Format(std::string(StrRes(kRowCleanDeletingFiles, language)), items[language]));
    EXPECT_EQ(WindowText(dialog.LblCurrentItem()).rfind(dir_.substr(0, 10), 0), 0u);
  }
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(Exists(Format("f%05d.tmp", i)));
  // Nothing ticked: the objects still run and the dialog ends with OK.
  for (int i = 0; i < 4; ++i) Junk().Found.Record(i).Checked = false;
  TCleanProgress dialog(nullptr, 0, *manager_, false);
  dialog.EndPause = 0;
  EXPECT_EQ(dialog.Execute(), mrOk);
  EXPECT_EQ(dialog.Maximum(), 0);
  EXPECT_EQ(CountCleanResults(*manager_), (TCleanCounts{0, 0, false}));
}

}  // namespace
}  // namespace tw
