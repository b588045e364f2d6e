// The settings dialog's protect section in this process: entries added by kind and stored at
// once as typed, refusals told in the dialog's language with nothing stored, removal.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "platform/Com.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "ui/dialogs/ProtectSection.h"
#include "ui/dialogs/SettingsDialog.h"

namespace tw {
namespace {

// Lines are kept as the registry keeps them: a list value of its own kind.
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

void Type(TProtectSection& section, const std::string& text) { ::SetWindowTextA(section.Edit(), text.c_str()); }
void Click(TProtectSection& section, TProtectSection::TButton button) {
  ::SendMessageA(section.Button(button), BM_CLICK, 0, 0);
}

TEST(ProtectSection, AddsByKindStoresAsTypedAndRemoves) {
  ComApartment com;
  LinesStore store;
  store.lines[kProtectValue] = {"key:HKCU\\Software\\Kept"};
  TCheckSettings checks;
  TSettingsForm form(nullptr, 0, store, checks, nullptr, {}, "C:\\nowhere\\kept.dat");
  TProtectSection& section = form.Protect();
  EXPECT_EQ(ListTexts(section.List()), std::vector<std::string>{"key:HKCU\\Software\\Kept"});

  Type(section, "%SystemDrive%\\Keep");  // judged expanded, stored as typed
  Click(section, TProtectSection::btnAddFolder);
  Type(section, "*.kdbx");
  Click(section, TProtectSection::btnAddFile);
  Type(section, "c:/keep/");  // the same folder again: not stored twice
  Click(section, TProtectSection::btnAddFolder);
  const std::vector<std::string> expected = {"key:HKCU\\Software\\Kept", "folder:%SystemDrive%\\Keep",
                                             "file:*.kdbx"};
  EXPECT_EQ(store.lines[kProtectValue], expected);
  EXPECT_EQ(ListTexts(section.List()), expected);
  EXPECT_EQ(WindowText(section.Edit()), "");

  ::SendMessageA(section.List(), LB_SETCURSEL, 0, 0);
  Click(section, TProtectSection::btnRemove);
  EXPECT_EQ(store.lines[kProtectValue], (std::vector<std::string>{"folder:%SystemDrive%\\Keep", "file:*.kdbx"}));
  EXPECT_EQ(ListTexts(section.List()), store.lines[kProtectValue]);
}

TEST(ProtectSection, RefusalsAreToldInTheDialogsLanguageAndStoreNothing) {
  ComApartment com;
  struct Case {
    TProtectSection::TButton button;
    const char* text;
    int row;
  };
  const Case cases[] = {
      {TProtectSection::btnAddFolder, "", kRowProtectProblemEmpty},
      {TProtectSection::btnAddFolder, "C:\\Temp\\*", kRowProtectProblemFolderWildcard},
      {TProtectSection::btnAddFolder, "Temp\\Keep", kRowProtectProblemFolderPath},
      {TProtectSection::btnAddFile, "Temp\\a.txt", kRowProtectProblemFilePath},
      {TProtectSection::btnAddFile, "C:\\Temp\\", kRowProtectProblemFileEnd},
      {TProtectSection::btnAddKey, "Software\\Keep", kRowProtectProblemKeyRoot},
  };
  for (int language : {0, 1, 2, 3}) {
    LinesStore store;
    TCheckSettings checks;
    TSettingsForm form(nullptr, language, store, checks, nullptr, {}, "C:\\nowhere\\kept.dat");
    TProtectSection& section = form.Protect();
    EXPECT_FALSE(::IsWindowEnabled(section.Button(TProtectSection::btnRemove)));  // nothing to remove
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(language) + ": " + c.text);
      Type(section, c.text);
      Click(section, c.button);
      EXPECT_EQ(WindowText(section.Problem()), std::string(StrRes(c.row, language)));
      EXPECT_EQ(WindowText(section.Edit()), c.text);  // kept for the user to correct
    }
    EXPECT_EQ(store.lineWrites, 0);
    // A good entry clears the problem.
    Type(section, "HKEY_CURRENT_USER\\Software\\Keep");
    Click(section, TProtectSection::btnAddKey);
    EXPECT_EQ(WindowText(section.Problem()), "");
    EXPECT_EQ(store.lines[kProtectValue], std::vector<std::string>{"key:HKEY_CURRENT_USER\\Software\\Keep"});
  }
}

}  // namespace
}  // namespace tw
