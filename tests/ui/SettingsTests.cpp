#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "settings/portable/Settings.h"
#include "settings/portable/UserState.h"
#include "strings/Language.h"
#include "ui/components/portable/Placement.h"
#include "ui/main/portable/StartupOptions.h"

namespace tw {
namespace {

// Values as a registry key holds them, with a log of the writes in order.
class FakeStore final : public TSettingsStore {
 public:
  std::map<std::string, TStoredValue, std::less<>> Values;
  std::vector<std::string> Writes;

  TStoredValue Read(std::string_view name) override {
    auto it = Values.find(name);
    return it == Values.end() ? TStoredValue{} : it->second;
  }
  void WriteString(std::string_view name, std::string_view text) override {
    Values[std::string(name)] = {TStoredValue::TKind::String, std::string(text), 0};
    Writes.emplace_back(name);
  }
  void WriteDword(std::string_view name, std::uint32_t value) override {
    Values[std::string(name)] = {TStoredValue::TKind::Dword, {}, value};
    Writes.emplace_back(name);
  }
  void SetString(const std::string& name, const std::string& text) {
    Values[name] = {TStoredValue::TKind::String, text, 0};
  }
  void SetDword(const std::string& name, std::uint32_t value) {
    Values[name] = {TStoredValue::TKind::Dword, {}, value};
  }
};

TEST(Settings, FreshUserGetsDefaults) {
  FakeStore store;
  const TStartupSettings s = ReadStartupSettings(store);
  EXPECT_EQ(s.LocaleCode, "en");
  EXPECT_EQ(s.Checks, TCheckSettings{});
  EXPECT_TRUE(s.Checks.RunOnWindowsStartup && s.Checks.SendToTrayOnClose && s.Checks.ShowTipsAtStartup);
  EXPECT_EQ(ReadPresetScanMode(store), 0);
  EXPECT_TRUE(store.Writes.empty());
}

TEST(Settings, UserStateRoundTripsAndSkipsWhatItCannotRead) {
  FakeStore store;
  EXPECT_EQ(ReadUserState(store), TUserState{});  // a fresh user: the database's defaults stand
  TUserState state;
  state.Checked = {{"g00-i01", false}, {"g07-i13", true}};
  state.Expanded = {{"g01", false}};
  state.SmallIcons = true;
  state.LastTip = "07";
  WriteUserState(store, state);
  EXPECT_EQ(store.Values["ItemChecks"].Text, "g00-i01:0;g07-i13:1");
  EXPECT_EQ(store.Values["SmallIcons"].Text, "1");
  EXPECT_EQ(ReadUserState(store), state);

  // Text another tool left: pieces that are not "id:0" or "id:1" are skipped, the rest read.
  const std::map<std::string, bool> read = ParseStateMap("a:1;;b:2;:1;c;d:0;e:10;f:1:0");
  EXPECT_EQ(read, (std::map<std::string, bool>{{"a", true}, {"d", false}, {"f:1", false}}));
}

TEST(Settings, ReadConversions) {
  struct Case {
    TStoredValue stored;
    std::int32_t integer;  // ReadIntegerSetting with default 7
    bool boolean;          // ReadBoolSetting with default true
  };
  using K = TStoredValue::TKind;
  const Case cases[] = {
      {{K::Missing, "", 0}, 7, true},
      {{K::Dword, "", 0}, 0, false},
      {{K::Dword, "", 1}, 1, true},
      {{K::Dword, "", 5}, 5, true},
      {{K::Dword, "", 0xFFFFFFFFu}, -1, true},
      {{K::String, "0", 0}, 0, false},
      {{K::String, "1", 0}, 1, true},
      {{K::String, "5", 0}, 5, true},
      {{K::String, "-3", 0}, -3, true},
      {{K::String, "", 0}, 7, true},
      {{K::String, "yes", 0}, 7, true},
      {{K::String, "5x", 0}, 7, true},
      {{K::String, "99999999999", 0}, 7, true},
      {{K::Other, "", 0}, 7, true},
  };
  for (const Case& c : cases) {
    FakeStore store;
    store.Values["V"] = c.stored;
    SCOPED_TRACE("text '" + c.stored.Text + "' number " + std::to_string(c.stored.Number));
    EXPECT_EQ(ReadIntegerSetting(store, "V", 7), c.integer);
    EXPECT_EQ(ReadBoolSetting(store, "V", true), c.boolean);
  }
}

TEST(Settings, IntegersKeepTheirStoredFormBooleansBecomeStrings) {
  FakeStore store;
  store.SetString("PresetScanMode", "5");  // written by another tool as text
  store.SetDword("ShowInfoTips", 1);        // a boolean stored as a DWORD
  EXPECT_EQ(ReadPresetScanMode(store), 5);
  TCheckSettings checks = ReadStartupSettings(store).Checks;
  EXPECT_TRUE(checks.ShowInfoTips);
  checks.CookiesSortOrder = 1;
  checks.RunOnWindowsStartup = false;
  WriteExitSettings(store, 5, checks);

  EXPECT_EQ(store.Values["PresetScanMode"].Kind, TStoredValue::TKind::String);
  EXPECT_EQ(store.Values["PresetScanMode"].Text, "5");
  EXPECT_EQ(store.Values["ShowInfoTips"].Kind, TStoredValue::TKind::String);
  EXPECT_EQ(store.Values["ShowInfoTips"].Text, "1");
  EXPECT_EQ(store.Values["RunOnWindowsStartup"].Text, "0");
  EXPECT_EQ(store.Values["CookiesSortOrder"].Kind, TStoredValue::TKind::Dword);
  EXPECT_EQ(store.Values["CookiesSortOrder"].Number, 1u);
  const std::vector<std::string> order = {
      "PresetScanMode", "MakeRegistryBackups", "RunOnWindowsStartup", "SendToTrayOnClose",
      "ShowScanDialog", "ShowCleanDialog", "ShowCleanWarning", "ShowInfoTips",
      "ShowTipsAtStartup", "CookiesSortOrder"};
  EXPECT_EQ(store.Writes, order);
  EXPECT_EQ(store.Values.count("Locale"), 0u);
}

TEST(Settings, PresetScanModeOutsideTheModesIsNoMode) {
  for (const char* text : {"8", "-1", "seven", "255"}) {
    FakeStore store;
    store.SetString("PresetScanMode", text);
    EXPECT_EQ(ReadPresetScanMode(store), 0) << text;
  }
  FakeStore store;
  store.SetDword("PresetScanMode", 7);
  EXPECT_EQ(ReadPresetScanMode(store), 7);
}

TEST(Settings, LocaleIsLowerCasedAndChoosesTheLanguage) {
  struct Case {
    const char* stored;
    int language;
  };
  for (const Case& c : {Case{"FR", 1}, Case{"de", 2}, Case{"Es", 3}, Case{"it", 0}, Case{"", 0}}) {
    FakeStore store;
    store.SetString("Locale", c.stored);
    EXPECT_EQ(LanguageFromLocaleCode(ReadLocaleCode(store)), c.language) << c.stored;
  }
  FakeStore dword;
  dword.SetDword("Locale", 1036);
  EXPECT_EQ(ReadLocaleCode(dword), "en");
}

TEST(Settings, RunValue) {
  EXPECT_EQ(RunValueName("C:\\Program Files\\Tidewhisk\\Tidewhisk.exe"), "Tidewhisk.exe");
  EXPECT_EQ(RunValueData("C:\\Program Files\\Tidewhisk\\Tidewhisk.exe"),
            "\"C:\\Program Files\\Tidewhisk\\Tidewhisk.exe\" -HIDE");
}

TEST(Language, LocaleIdsCodesAndPictures) {
  struct Case {
    int localeId;
    int language;
    const char* code;
  };
  for (const Case& c : {Case{1033, 0, "en"}, Case{1036, 1, "fr"}, Case{1031, 2, "de"},
                        Case{1034, 3, "es"}, Case{1040, 0, "en"}, Case{0, 0, "en"}}) {
    EXPECT_EQ(LanguageFromLocaleId(c.localeId), c.language) << c.localeId;
    EXPECT_STREQ(LocaleCodeFromLocaleId(c.localeId), c.code) << c.localeId;
    EXPECT_EQ(LanguageFromLocaleCode(c.code), c.language);
  }
  EXPECT_EQ(LanguagePicture("BTNSCAN_", 3), "BTNSCAN_ES");
  EXPECT_EQ(LanguagePicture("BTNSCAN_", 1, "_OVER"), "BTNSCAN_FR_OVER");
  EXPECT_EQ(LanguagePicture("QUICK_D_", 9), "QUICK_D_EN");
}

TEST(StartupOptions, HideSwitch) {
  struct Case {
    std::vector<std::string> args;
    bool hide;
  };
  const Case cases[] = {
      {{}, false},
      {{"-HIDE"}, true},
      {{"/hide"}, true},
      {{"-Hide"}, true},
      {{"x", "/hIdE"}, true},
      {{"HIDE"}, false},
      {{"--hide"}, false},
      {{"-hidden"}, false},
      {{"\\hide"}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HasHideSwitch(c.args), c.hide) << (c.args.empty() ? "(none)" : c.args.back());
  }
  EXPECT_TRUE(HasTerminateSwitch({"/terminate"}));
  EXPECT_FALSE(HasTerminateSwitch({"-HIDE"}));
  EXPECT_FALSE(HasHideSwitch({"/terminate"}));
}

TEST(StartupOptions, CenterCoordinate) {
  EXPECT_EQ(CenterCoordinate(100, 600, 200, 1280), 300);
  EXPECT_EQ(CenterCoordinate(100, 201, 200, 1280), 100);  // (1) / 2 truncates
  EXPECT_EQ(CenterCoordinate(0, 101, 200, 1280), 20);     // -99 / 2 = -49 (toward zero) -> 20
  EXPECT_EQ(CenterCoordinate(1200, 400, 300, 1280), 960);  // would leave the screen
  EXPECT_EQ(CenterCoordinate(-500, 200, 300, 1280), 20);
  EXPECT_EQ(CenterCoordinate(400, 100, 1000, 900), -120);  // larger than the screen
}

}  // namespace
}  // namespace tw

namespace tw {
namespace {

TEST(Settings, ProtectLinesKeepTheirOrderWithoutEmptyLines) {
  FakeStore store;
  EXPECT_TRUE(ReadProtectLines(store).empty());  // a fresh user protects nothing
  WriteProtectLines(store, {"folder:%USERPROFILE%\\Keep", "", "file:*.kdbx"});
  // A store without a list type keeps one line a row.
  EXPECT_EQ(store.Read(kProtectValue).Text, "folder:%USERPROFILE%\\Keep\nfile:*.kdbx\n");
  EXPECT_EQ(ReadProtectLines(store), (std::vector<std::string>{"folder:%USERPROFILE%\\Keep", "file:*.kdbx"}));
  store.SetString(kProtectValue, "key:HKCU\\Software\\Keep\n\nfile:a.txt");  // typed by hand
  EXPECT_EQ(ReadProtectLines(store), (std::vector<std::string>{"key:HKCU\\Software\\Keep", "file:a.txt"}));
  WriteProtectLines(store, {});
  EXPECT_TRUE(ReadProtectLines(store).empty());
}

}  // namespace
}  // namespace tw
