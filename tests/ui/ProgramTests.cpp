// Drives the real Tidewhisk.exe: start-up, hidden start, second instances, every way out, the
// settings it keeps, languages, and what it does without a usable database.
#include <gtest/gtest.h>
#include <windows.h>

#include "ui/MainProgram.h"

namespace tw {
namespace {

using namespace main_program;
using namespace std::chrono_literals;

TEST_F(ProgramTest, FirstStartThenTerminateRequest) {
  TProgram program;
  ASSERT_TRUE(program.Started());
  // The splash comes first; the main window shows after 4.5 s and the tips once the database is ready.
  ASSERT_TRUE(WaitFor([&] { return program.Find("TSplashForm") && ::IsWindowVisible(program.Find("TSplashForm")); }, 20s));
  EXPECT_FALSE(::IsWindowVisible(program.Main()));
  EXPECT_NE(program.Find("TwTrayIconWindow"), nullptr);
  ASSERT_TRUE(program.WaitVisible());
  HWND tips = program.WaitTips();
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(Text(tips), Row(kRowTipOfTheDay, 0));
  EXPECT_EQ(Text(program.Main()).rfind(Row(kRowProgramName, 0) + " " + Row(kRowAboutVersion, 0) + " 1.0.0.0", 0), 0u) << Text(program.Main());
  EXPECT_EQ(ReadValue(kKey, "Locale").text, "en");
  EXPECT_FALSE(ReadValue(kKey, "PresetScanMode").exists);  // written at exit only

  program.Post(Registered("UM_TERMINATE"));
  const long long ms = program.WaitExit(5s);
  EXPECT_GE(ms, 0) << "still running after UM_TERMINATE";
  EXPECT_LT(ms, 2600);
  ExpectStoredDefaults(0);  // a fresh user has no mode yet
  const TValue run = ReadValue(kRunKey, "Tidewhisk.exe");
  EXPECT_EQ(run.text, "\"" + kProgram + "\" -HIDE");
  EXPECT_TRUE(Exists(DesktopShortcut()));
}

TEST_F(ProgramTest, HiddenStartSecondInstancesAndTrayExit) {
  for (const char* hideSwitch : {"-HIDE", "/hide"}) {
    SCOPED_TRACE(hideSwitch);
    TProgram program(hideSwitch);
    ASSERT_TRUE(program.WaitMain());
    // Past the splash and the database load, the window is still hidden; the tray icon is there.
    ASSERT_TRUE(WaitFor([&] { return program.Find("TSplashForm") != nullptr; }, kStartup));
    ASSERT_TRUE(WaitFor([&] { return !program.Find("TSplashForm"); }, kStartup));
    std::this_thread::sleep_for(1500ms);
    EXPECT_FALSE(::IsWindowVisible(program.Main()));
    EXPECT_NE(program.Find("TwTrayIconWindow"), nullptr);
    // The first-show work waits until the window is first shown.
    EXPECT_FALSE(Exists(DesktopShortcut()));

    // A second start while hidden shows the first instance and ends without a window of its own.
    {
      TProgram second;
      DWORD code = 1;
      EXPECT_GE(second.WaitExit(10s, &code), 0);
      EXPECT_EQ(code, 0u);
      EXPECT_EQ(second.Main(), nullptr);
    }
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(program.Main()) != FALSE; }, 20s));
    EXPECT_TRUE(WaitFor([] { return Exists(DesktopShortcut()); }, 20s));
    ::DeleteFileA(DesktopShortcut().c_str());
    // The tips made while hidden appear with the window.
    EXPECT_TRUE(WaitFor([&] { return program.Find("TTipOfTheDayForm") && ::IsWindowVisible(program.Find("TTipOfTheDayForm")); }, 20s));
    RECT before{};
    ::GetWindowRect(program.Main(), &before);

    // A second start while visible changes nothing.
    {
      TProgram second;
      EXPECT_GE(second.WaitExit(10s), 0);
    }
    std::this_thread::sleep_for(500ms);
    RECT after{};
    ::GetWindowRect(program.Main(), &after);
    EXPECT_TRUE(::IsWindowVisible(program.Main()));
    EXPECT_TRUE(::EqualRect(&before, &after));

    // Exit from the tray menu ends the program within 2.5 s.
    program.Post(WM_COMMAND, kCmdExit);
    const long long ms = program.WaitExit(5s);
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 2600);
    ExpectStoredDefaults(0);
  }
}

TEST_F(ProgramTest, ClosingHidesToTrayOrEnds) {
  {
    TProgram program;
    ASSERT_TRUE(program.WaitVisible());
    program.Post(WM_CLOSE);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(program.Main()); }, 20s));
    EXPECT_TRUE(program.Running());
    EXPECT_FALSE(ReadValue(kKey, "PresetScanMode").exists);
    // The tray's open/hide entry brings it back.
    program.Post(WM_COMMAND, kCmdOpenHide);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(program.Main()) != FALSE; }, 20s));
    program.Post(Registered("UM_TERMINATE"));
    EXPECT_GE(program.WaitExit(5s), 0);
  }
  // Without sending to the tray, closing writes the settings and ends at once.
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  WriteString(kKey, "SendToTrayOnClose", "0");
  TProgram program;
  ASSERT_TRUE(program.WaitVisible());
  ASSERT_NE(program.WaitTips(), nullptr);
  program.Post(WM_CLOSE);
  const long long ms = program.WaitExit(5s);
  EXPECT_GE(ms, 0);
  EXPECT_LT(ms, 2500);  // at once, not by the fallback
  EXPECT_EQ(ReadValue(kKey, "SendToTrayOnClose").text, "0");
  EXPECT_EQ(ReadValue(kKey, "PresetScanMode").number, 0u);
  EXPECT_TRUE(ReadValue(kRunKey, "Tidewhisk.exe").exists);
}

TEST_F(ProgramTest, EndOfSessionAnswersYesAndEnds) {
  TProgram program;
  ASSERT_TRUE(program.WaitVisible());
  ASSERT_NE(program.WaitTips(), nullptr);
  DWORD_PTR answer = 0;
  ASSERT_TRUE(::SendMessageTimeoutA(program.Main(), WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
  EXPECT_EQ(answer, 1u);
  ::PostMessageA(program.Main(), WM_ENDSESSION, TRUE, 0);
  const long long ms = program.WaitExit(5s);
  EXPECT_GE(ms, 0);
  EXPECT_LT(ms, 2600);
  ExpectStoredDefaults(0);
}

TEST_F(ProgramTest, StoredFormsSurviveAndRunValueIsRemoved) {
  WriteString(kKey, "PresetScanMode", "5");    // another tool's string
  WriteDword(kKey, "ShowInfoTips", 1);          // a boolean as a DWORD
  WriteString(kKey, "RunOnWindowsStartup", "0");
  WriteDword(kKey, "CookiesSortOrder", 1);
  WriteString(kKey, "Locale", "FR");
  WriteString(kRunKey, "Tidewhisk.exe", "\"C:\\elsewhere\\Tidewhisk.exe\" -HIDE");
  TProgram program;
  ASSERT_TRUE(program.WaitVisible());
  HWND tips = program.WaitTips();
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(Text(tips), Row(kRowTipOfTheDay, 1));  // "FR" is French
  program.Post(Registered("UM_TERMINATE"));
  ASSERT_GE(program.WaitExit(5s), 0);
  const TValue preset = ReadValue(kKey, "PresetScanMode");
  EXPECT_EQ(preset.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(preset.text, "5");
  const TValue tipsValue = ReadValue(kKey, "ShowInfoTips");
  EXPECT_EQ(tipsValue.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(tipsValue.text, "1");
  EXPECT_EQ(ReadValue(kKey, "CookiesSortOrder").number, 1u);
  EXPECT_EQ(ReadValue(kKey, "Locale").text, "fr");
  EXPECT_FALSE(ReadValue(kRunKey, "Tidewhisk.exe").exists);
}

TEST_F(ProgramTest, LanguageSwitchIsWrittenAtOnceAndKept) {
  WriteString(kKey, "Locale", "it");  // not one of the four: English
  {
    TProgram program;
    ASSERT_TRUE(program.WaitVisible());
    HWND tips = program.WaitTips();
    ASSERT_NE(tips, nullptr);
    EXPECT_EQ(Text(tips), Row(kRowTipOfTheDay, 0));
    EXPECT_EQ(ReadValue(kKey, "Locale").text, "en");
    program.Post(WM_COMMAND, 1031);  // German from the language menu
    EXPECT_TRUE(WaitFor([] { return ReadValue(kKey, "Locale").text == "de"; }, 20s));
    EXPECT_TRUE(WaitFor([&] { return Text(tips) == Row(kRowTipOfTheDay, 2); }, 20s)) << Text(tips);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(program.Main()) && !::IsIconic(program.Main()); }, 20s));
    program.Post(WM_COMMAND, 1034);  // and Spanish
    EXPECT_TRUE(WaitFor([] { return ReadValue(kKey, "Locale").text == "es"; }, 20s));
    program.Post(Registered("UM_TERMINATE"));
    ASSERT_GE(program.WaitExit(5s), 0);
  }
  TProgram program;
  HWND tips = program.WaitTips();
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(Text(tips), Row(kRowTipOfTheDay, 3));
  program.Post(Registered("UM_TERMINATE"));
  EXPECT_GE(program.WaitExit(5s), 0);
}

TEST_F(ProgramTest, TipsAdvanceAndTheirPlaceAndSwitchAreKept) {
  std::wstring first, second;
  {
    TProgram program;
    HWND tips = program.WaitTips();
    ASSERT_NE(tips, nullptr);
    HWND text = Child(tips, "RICHEDIT50W");
    ASSERT_NE(text, nullptr);
    first = WideText(text);
    EXPECT_EQ(first.rfind(L"\r\n\r\n", 0), 0u);  // two line breaks, then the tip
    EXPECT_GT(first.size(), 4u);
    ::SendMessageA(Child(tips, Row(kRowNextTip, 0)), BM_CLICK, 0, 0);
    second = WideText(text);
    EXPECT_NE(second, first);
    // "Do not show tips at startup" turns the tips off.
    HWND box = Child(tips, Row(kRowNoTipsAtStartup, 0));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(::SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ::SendMessageA(box, BM_CLICK, 0, 0);
    program.Post(Registered("UM_TERMINATE"));
    ASSERT_GE(program.WaitExit(5s), 0);
  }
  EXPECT_EQ(ReadValue(kKey, "ShowTipsAtStartup").text, "0");
  {
    // No tips at start now; the database remembers the last tip shown.
    TProgram program;
    ASSERT_TRUE(program.WaitVisible());
    std::this_thread::sleep_for(3s);
    EXPECT_EQ(program.Find("TTipOfTheDayForm"), nullptr);
    program.Post(Registered("UM_TERMINATE"));
    ASSERT_GE(program.WaitExit(5s), 0);
  }
  WriteString(kKey, "ShowTipsAtStartup", "1");
  TProgram program;
  HWND tips = program.WaitTips();
  ASSERT_NE(tips, nullptr);
  const std::wstring third = WideText(Child(tips, "RICHEDIT50W"));
  EXPECT_NE(third, first);
  EXPECT_NE(third, second);
  EXPECT_EQ(::SendMessageA(Child(tips, Row(kRowNoTipsAtStartup, 0)), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  program.Post(Registered("UM_TERMINATE"));
  EXPECT_GE(program.WaitExit(5s), 0);
}

TEST_F(ProgramTest, ReadyListShowsEveryModeAndKeepsTheUsersChoices) {
  {
    TProgram program;
    HWND tips = program.WaitTips();
    ASSERT_NE(tips, nullptr);
    ::PostMessageA(tips, WM_CLOSE, 0, 0);
    const TReadyList list(program.Main());
    ASSERT_TRUE(list);
    // A fresh user has no mode yet: every group shows, every item is greyed, no check boxes.
    EXPECT_EQ(Text(list.Handle()), Row(kRowSelectPresetMode, 0));
    const int groups = list.Groups();
    ASSERT_EQ(groups, 14);
    for (int g = 0; g < groups; ++g) {
      EXPECT_TRUE(list.State(g) & TGL_STATE_VISIBLE) << g;
      EXPECT_GE(list.Image(g), 0) << "group " << g << " has no icon";
      for (int i = 0; i < list.Items(g); ++i) EXPECT_TRUE(list.State(g, i) & TGL_STATE_DISABLED) << g << "." << i;
    }
    EXPECT_EQ(list.View(), 42);
    EXPECT_GE(list.Image(0, 0), 0);

    // Each mode button, found by its caption, shows its mode.
    for (int mode : {1, 2, 3, 4, 6, 5, 7}) {
      SCOPED_TRACE(mode);
      HWND button = ChildOf(program.Main(), "TwHotImage", Row(ModeRow(mode), 0));
      ASSERT_NE(button, nullptr);
      ClickAt(button, 5, 5);
      ASSERT_TRUE(WaitFor([&] { return Text(list.Handle()) == Row(ModeRow(mode), 0); }, 20s));
      int shown = 0, enabled = 0, items = 0;
      for (int g = 0; g < groups; ++g) {
        if (!(list.State(g) & TGL_STATE_VISIBLE)) continue;
        ++shown;
        for (int i = 0; i < list.Items(g); ++i, ++items) enabled += !(list.State(g, i) & TGL_STATE_DISABLED);
      }
      EXPECT_EQ(shown, mode == 5 ? 1 : mode <= 4 ? 13 : 14);
      EXPECT_EQ((list.View() & TGL_VIEW_CHECKBOXES) != 0, mode == 5 || mode == 7);
      if (mode == 5 || mode == 7) EXPECT_EQ(enabled, items);
      else EXPECT_TRUE(enabled > 0 && enabled < items) << enabled << " of " << items;
    }

    // The user's choices: an item unticked in the registry mode, the browser group closed and
    // small icons in the advanced mode.
    ClickAt(ChildOf(program.Main(), "TwHotImage", Row(kRowPresetRegistry, 0)), 5, 5);
    ASSERT_TRUE(WaitFor([&] { return Text(list.Handle()) == Row(kRowPresetRegistry, 0); }, 20s));
    ASSERT_TRUE(list.State(0, 0) & TGL_STATE_CHECKED);
    list.ClickItemCheck(0, 0);
    EXPECT_TRUE(WaitFor([&] { return !(list.State(0, 0) & TGL_STATE_CHECKED); }, 20s));
    ClickAt(ChildOf(program.Main(), "TwHotImage", Row(kRowPresetAdvanced, 0)), 5, 5);
    ASSERT_TRUE(WaitFor([&] { return Text(list.Handle()) == Row(kRowPresetAdvanced, 0); }, 20s));
    ASSERT_TRUE(list.State(1) & TGL_STATE_EXPANDED);
    list.ClickExpand(1);
    EXPECT_TRUE(WaitFor([&] { return !(list.State(1) & TGL_STATE_EXPANDED); }, 20s));
    program.Post(WM_COMMAND, kCmdIconSize);
    EXPECT_TRUE(WaitFor([&] { return list.View() == (28 | TGL_VIEW_SMALLIMAGES | TGL_VIEW_CHECKBOXES); }, 20s));
    program.Post(Registered("UM_TERMINATE"));
    ASSERT_GE(program.WaitExit(5s), 0);
  }
  EXPECT_EQ(ReadValue(kKey, "PresetScanMode").number, 7u);

  // After a restart the document brings them back; rebuilt with small icons, tiles are 32 high.
  TProgram program;
  HWND tips = program.WaitTips();
  ASSERT_NE(tips, nullptr);
  ::PostMessageA(tips, WM_CLOSE, 0, 0);
  const TReadyList list(program.Main());
  EXPECT_EQ(Text(list.Handle()), Row(kRowPresetAdvanced, 0));
  EXPECT_FALSE(list.State(0, 0) & TGL_STATE_CHECKED);
  EXPECT_TRUE(list.State(0, 1) & TGL_STATE_CHECKED);
  EXPECT_FALSE(list.State(1) & TGL_STATE_EXPANDED);
  EXPECT_TRUE(list.State(0) & TGL_STATE_EXPANDED);
  EXPECT_EQ(list.View(), 32 | TGL_VIEW_SMALLIMAGES | TGL_VIEW_CHECKBOXES);
  // In every language the list's header and the picture buttons carry their captions.
  for (int language : {1, 2, 3, 0}) {
    SCOPED_TRACE(language);
    program.Post(WM_COMMAND, static_cast<WPARAM>(std::array<int, 4>{1033, 1036, 1031, 1034}[language]));
    EXPECT_TRUE(WaitFor([&] { return Text(list.Handle()) == Row(kRowPresetAdvanced, language); }, 20s)) << Text(list.Handle());
    for (int row : {kRowPresetQuick, kRowPresetRegistry, kRowHomePage, kRowAbout, kRowScanNow}) EXPECT_NE(ChildOf(program.Main(), "TwHotImage", Row(row, language)), nullptr) << row;
  }
  program.Post(Registered("UM_TERMINATE"));
  EXPECT_GE(program.WaitExit(5s), 0);
}

TEST_F(ProgramTest, MissingOrDamagedDatabaseIsReportedAndTheProgramStaysUp) {
  struct Case {
    const char* name;
    std::function<void()> prepare;
    int row;
  };
  const Case cases[] = {
      {"missing", [] { ::DeleteFileA(DatabasePath().c_str()); }, kRowDatabaseNotFound},
      {"damaged",
       [] {
         unique_hfile file(::CreateFileA(DatabasePath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
         DWORD written = 0;
         ::WriteFile(file.get(), "not a database", 14, &written, nullptr);
       },
       kRowDatabaseCorrupted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.prepare();
    TProgram program;
    ASSERT_TRUE(program.WaitVisible());
    HWND box = program.WaitMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_NE(ChildTexts(box).find(Format(Row(c.row, 0), DatabasePath())), std::string::npos) << ChildTexts(box);
    // Centred over the main window.
    RECT main{}, dialog{};
    ::GetWindowRect(program.Main(), &main);
    ::GetWindowRect(box, &dialog);
    EXPECT_NEAR((dialog.left + dialog.right) / 2, (main.left + main.right) / 2, 2);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !program.Find("#32770"); }, 20s));
    // No database: no ready state, no tips; the window stays and the language still switches.
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(program.Running());
    EXPECT_EQ(program.Find("TTipOfTheDayForm"), nullptr);
    program.Post(WM_COMMAND, 1036);
    EXPECT_TRUE(WaitFor([] { return ReadValue(kKey, "Locale").text == "fr"; }, 20s));
    // The About box, the home page and the settings do not wait for the database; scanning is
    // disabled.
    EXPECT_TRUE(::IsWindowEnabled(ChildOf(program.Main(), "TwHotImage", Row(kRowHomePage, 1))));
    EXPECT_TRUE(::IsWindowEnabled(ChildOf(program.Main(), "TwHotImage", Row(kRowSettings, 1))));
    EXPECT_FALSE(::IsWindowEnabled(ChildOf(program.Main(), "TwHotImage", Row(kRowScanNow, 1))));
    ClickAt(ChildOf(program.Main(), "TwHotImage", Row(kRowAbout, 1)), 5, 5);
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (about = program.Find("TAboutForm")) && ::IsWindowVisible(about); }, 20s));
    EXPECT_EQ(Text(about), Row(kRowAboutTitle, 1));
    ::PostMessageA(about, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(about); }, 20s));
    program.Post(Registered("UM_TERMINATE"));
    EXPECT_GE(program.WaitExit(5s), 0);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  }
}

}  // namespace
}  // namespace tw
