// The settings dialog's custom places section in this process: places added as folders and keys
// and stored at once as typed, refusals told in the dialog's language with nothing stored, and a
// removal that moves the ticks of the places after it.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "platform/Com.h"
#include "settings/portable/UserState.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "ui/dialogs/CustomSection.h"
#include "ui/dialogs/SettingsDialog.h"

namespace tw {
namespace {

class LinesStore final : public TSettingsStore {
 public:
  TStoredValue Read(std::string_view name) override {
    auto it = values.find(std::string(name));
    return it == values.end() ? TStoredValue{} : it->second;
  }
  void WriteString(std::string_view name, std::string_view text) override {
    values[std::string(name)] = {TStoredValue::TKind::String, std::string(text), 0};
  }
  void WriteDword(std::string_view name, std::uint32_t value) override {
    values[std::string(name)] = {TStoredValue::TKind::Dword, "", value};
  }
  std::vector<std::string> ReadLines(std::string_view name) override { return lines[std::string(name)]; }
  void WriteLines(std::string_view name, const std::vector<std::string>& list) override {
    lines[std::string(name)] = list;
    ++lineWrites;
  }
  std::map<std::string, TStoredValue> values;
  std::map<std::string, std::vector<std::string>> lines;
  int lineWrites = 0;
};

std::vector<std::string> ListTexts(HWND list) {
  std::vector<std::string> texts;
  const int count = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[1024] = "";
    ::SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    texts.emplace_back(text);
  }
  return texts;
}

void Type(TCustomSection& section, const std::string& place, const std::string& pattern = "", bool recurse = false) {
  ::SetWindowTextA(section.Edit(), place.c_str());
  ::SetWindowTextA(section.PatternEdit(), pattern.c_str());
  ::SendMessageA(section.RecurseBox(), BM_SETCHECK, recurse ? BST_CHECKED : BST_UNCHECKED, 0);
}
void Click(TCustomSection& section, TCustomSection::TButton button) {
  ::SendMessageA(section.Button(button), BM_CLICK, 0, 0);
}

TEST(CustomSection, AddsFoldersAndKeysAsTypedAndRemovalMovesTicks) {
  ComApartment com;
  LinesStore store;
  store.lines[kCustomPlacesValue] = {"key||HKCU\\Software\\Vendor\\Recent"};
  // The user ticked the first place; an old tick of a second id must not reach a new place.
  store.values["ItemChecks"] = {TStoredValue::TKind::String, "g01-i01:1;gcustom-i1:1;gcustom-i2:1", 0};
  TCheckSettings checks;
  TSettingsForm form(nullptr, 0, store, checks, nullptr, {}, "C:\\nowhere\\kept.dat");
  TCustomSection& section = form.Custom();
  EXPECT_EQ(ListTexts(section.List()),
            std::vector<std::string>{"Values matching * of the registry key HKCU\\Software\\Vendor\\Recent"});

  Type(section, "%SystemDrive%\\Vendor\\Logs", "*.log", true);  // judged expanded, stored as typed
  Click(section, TCustomSection::btnAddFolder);
  Type(section, "c:/vendor/logs/", "*.LOG", true);  // the same place again: not stored twice
  Click(section, TCustomSection::btnAddFolder);
  const std::vector<std::string> expected = {"key||HKCU\\Software\\Vendor\\Recent",
                                             "folder|recurse|*.log|%SystemDrive%\\Vendor\\Logs"};
  EXPECT_EQ(store.lines[kCustomPlacesValue], expected);
  EXPECT_EQ(ListTexts(section.List())[1], "Files matching *.log in %SystemDrive%\\Vendor\\Logs and its subfolders");
  EXPECT_EQ(WindowText(section.Edit()), "");
  EXPECT_EQ(::SendMessageA(section.RecurseBox(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(ReadUserState(store).Checked, (std::map<std::string, bool>{{"g01-i01", true}, {"gcustom-i1", true}}));

  // The ticked first place goes: the second place becomes gcustom-i1, unticked as it was.
  ::SendMessageA(section.List(), LB_SETCURSEL, 0, 0);
  Click(section, TCustomSection::btnRemove);
  EXPECT_EQ(store.lines[kCustomPlacesValue],
            std::vector<std::string>{"folder|recurse|*.log|%SystemDrive%\\Vendor\\Logs"});
  EXPECT_EQ(ReadUserState(store).Checked, (std::map<std::string, bool>{{"g01-i01", true}}));
}

TEST(CustomSection, RefusalsAreToldInTheDialogsLanguageAndStoreNothing) {
  ComApartment com;
  struct Case {
    TCustomSection::TButton button;
    const char* place;
    const char* pattern;
    int row;
  };
  const Case cases[] = {
      {TCustomSection::btnAddFolder, "", "", kRowCustomProblemEmpty},
      {TCustomSection::btnAddFolder, "Temp\\Logs", "", kRowCustomProblemFolderPath},
      {TCustomSection::btnAddFolder, "C:\\Temp\\*", "", kRowCustomProblemFolderWildcard},
      {TCustomSection::btnAddFolder, "C:\\Temp", "a\\*.log", kRowCustomProblemMask},
      {TCustomSection::btnAddFolder, "C:\\", "*.tmp", kRowCustomProblemFolderRefused},
      {TCustomSection::btnAddFolder, "%USERPROFILE%", "", kRowCustomProblemFolderRefused},
      {TCustomSection::btnAddFolder, "%WINDIR%\\..", "", kRowCustomProblemFolderRefused},
      {TCustomSection::btnAddKey, "Software\\Vendor", "", kRowCustomProblemKeyRoot},
      {TCustomSection::btnAddKey, "HKLM\\Software", "", kRowCustomProblemKeyRefused},
      {TCustomSection::btnAddKey, "HKCU\\Software\\Vendor", "a|b", kRowCustomProblemFilter},
  };
  for (int language : {0, 1, 2, 3}) {
    LinesStore store;
    TCheckSettings checks;
    TSettingsForm form(nullptr, language, store, checks, nullptr, {}, "C:\\nowhere\\kept.dat");
    TCustomSection& section = form.Custom();
    EXPECT_FALSE(::IsWindowEnabled(section.Button(TCustomSection::btnRemove)));  // nothing to remove
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(language) + ": " + c.place);
      Type(section, c.place, c.pattern);
      Click(section, c.button);
      EXPECT_EQ(WindowText(section.Problem()), std::string(StrRes(c.row, language)));
      EXPECT_EQ(WindowText(section.Edit()), c.place);  // kept for the user to correct
    }
    EXPECT_EQ(store.lineWrites, 0);
    Type(section, "HKEY_CURRENT_USER\\Software\\Vendor\\Recent", "MRU*");
    Click(section, TCustomSection::btnAddKey);
    EXPECT_EQ(WindowText(section.Problem()), "");
    EXPECT_EQ(store.lines[kCustomPlacesValue],
              std::vector<std::string>{"key|MRU*|HKEY_CURRENT_USER\\Software\\Vendor\\Recent"});
  }
}

}  // namespace
}  // namespace tw
