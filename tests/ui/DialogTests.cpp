// The cookie manager, the backup manager and the settings dialog in this process, on real
// backup files, real URL-cache cookies and the real registry. With TW_SHOTS set to a folder,
// every dialog is also saved there as a picture in each language.
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>

#include "cleaners/system/KeptCookies.h"
#include "cleaners/system/RegistryObjects.h"
#include "database/FileProtect.h"
#include "database/XmlDom.h"
#include "platform/Com.h"
#include "registry/BackupFiles.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/FileIO.h"
#include "support/Format.h"
#include "ui/components/Window.h"
#include "ui/dialogs/BackupManagerDialog.h"
#include "support/LogFile.h"
#include "ui/dialogs/CookieManagerDialog.h"
#include "ui/dialogs/SettingsDialog.h"
#include "ui/MessagePump.h"
#include "ui/ScreenPicture.h"

namespace tw {
namespace {

using namespace std::chrono_literals;

class MemoryStore final : public TSettingsStore {
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
  std::map<std::string, TStoredValue> values;
};

// Saves Window's picture as TW_SHOTS\Name.bmp when TW_SHOTS is set.
void Shot(TWindow& window, const std::string& name) {
  const char* folder = std::getenv("TW_SHOTS");
  if (!folder || !*folder) return;
  window.Show();
  ::SetWindowPos(window.Handle(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
  ::RedrawWindow(window.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump(400ms);
  SaveScreenPicture(window.Bounds(), std::string(folder) + "\\" + name + ".bmp");
  window.Hide();
}

// ---- Backups

void ClearBackups() {
  for (const TBackupFile& file : ListBackups()) ::DeleteFileA(file.Path.c_str());
}

// Sets a file's last write to local Y-M-D h:00.
void SetLocalTime(const std::string& path, int year, int month, int day, int hour) {
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(year);
  local.wMonth = static_cast<WORD>(month);
  local.wDay = static_cast<WORD>(day);
  local.wHour = static_cast<WORD>(hour);
  SYSTEMTIME utc{};
  ASSERT_TRUE(::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
  FILETIME time{};
  ::SystemTimeToFileTime(&utc, &time);
  HANDLE h = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ::SetFileTime(h, nullptr, nullptr, &time);
  ::CloseHandle(h);
}

constexpr const char* kTestKey = "Software\\TidewhiskDialogTest";

std::string ReadTestValue(const char* name) {
  char data[256] = {};
  DWORD size = sizeof data;
  if (::RegGetValueA(HKEY_CURRENT_USER, kTestKey, name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    return "<missing>";
  return data;
}

class BackupManager : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearBackups();
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
  }
  void TearDown() override {
    ClearBackups();
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
  }
  std::string Backup(const char* value, int day, int hour) {
    const std::string text = Format("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\%s]\r\n\"%s\"=\"restored %s\"\r\n", kTestKey,
                                    value, value);
    const std::string path = SaveBackup("g07-i01", text);
    SetLocalTime(path, 2024, 5, day, hour);
    return path;
  }
};

TEST_F(BackupManager, GroupsByDayPreviewsAndEnablesItsButtons) {
  {
    TBackupMgrForm empty(nullptr, 0, nullptr);
    ASSERT_EQ(empty.List().GroupCount(), 1);
    EXPECT_EQ(empty.List().GroupCaption(0), std::string(StrRes(kRowRegistryBackupManager, 0)));
    EXPECT_EQ(empty.List().ItemCount(0), 0);
    Shot(empty, "backup-manager-empty-EN");
  }
  const std::string b = Backup("b", 22, 10), a = Backup("a", 22, 8), c = Backup("c", 22, 23), d = Backup("d", 21, 9);
  for (int language = 0; language < 4; ++language) {
    TBackupMgrForm form(nullptr, language, nullptr);
    TGroupedList& list = form.List();
    ASSERT_EQ(list.GroupCount(), 2);
    EXPECT_EQ(list.GroupCaption(0), BackupDayCaption({2024, 5, 22}, language));
    EXPECT_EQ(list.GroupCaption(1), BackupDayCaption({2024, 5, 21}, language));
    ASSERT_EQ(list.ItemCount(0), 3);
    EXPECT_EQ(form.Backup(0, 0)->Path, a);
    EXPECT_EQ(form.Backup(0, 1)->Path, b);
    EXPECT_EQ(form.Backup(0, 2)->Path, c);
    EXPECT_EQ(form.Backup(1, 0)->Path, d);
    EXPECT_EQ(list.OnItemCaption(0, 0), form.Backup(0, 0)->Caption);
    // The preview is the backup's text.
    EXPECT_EQ(form.Hint({THitKind::ItemText, 1, 0}).Text, LoadBackupText(d));
    EXPECT_TRUE(form.Hint({THitKind::GroupCaption, 1, -1}).Text.empty());
    Shot(form, "backup-manager-" + std::string(language == 0 ? "EN" : language == 1 ? "FR" : language == 2 ? "DE" : "ES"));
    if (language > 0) continue;
    EXPECT_FALSE(::IsWindowEnabled(form.DeleteButton()));
    EXPECT_FALSE(::IsWindowEnabled(form.MergeButton()));
    list.SetItemChecked(1, 0, true);
    list.OnItemCheckChange(1, 0);
    EXPECT_TRUE(::IsWindowEnabled(form.DeleteButton()));
    EXPECT_TRUE(::IsWindowEnabled(form.MergeButton()));
    list.SetItemChecked(1, 0, false);
    list.OnItemCheckChange(1, 0);
    EXPECT_FALSE(::IsWindowEnabled(form.DeleteButton()));
    EXPECT_FALSE(::IsWindowEnabled(form.MergeButton()));
  }
  // A large file gets no preview.
  {
    std::ofstream big(d, std::ios::binary | std::ios::trunc);
    big << std::string(1048576, 'x');
  }
  SetLocalTime(d, 2024, 5, 21, 9);
  TBackupMgrForm form(nullptr, 0, nullptr);
  EXPECT_TRUE(form.Hint({THitKind::ItemText, 1, 0}).Text.empty());
}

TEST_F(BackupManager, MergesIntoTheRegistryAndReportsWhatFailed) {
  const std::string a = Backup("a", 20, 8), b = Backup("b", 20, 9);
  const std::string damaged = BackupFolder() + "g07-i02 (2024-05-20 10.00.00).bkp";
  {
    std::ofstream out(damaged, std::ios::binary);
    out << "not a packet";
  }
  SetLocalTime(damaged, 2024, 5, 20, 10);
  TBackupMgrForm form(nullptr, 1, nullptr);
  std::vector<std::string> asked, told;
  bool allRestored = true;
  int answer = IDNO;
  form.Ask = [&](const std::string& text, UINT) {
    asked.push_back(text);
    return answer;
  };
  form.Tell = [&](const std::string& text, bool all) {
    told.push_back(text);
    allRestored = all;
  };
  ASSERT_EQ(form.List().ItemCount(0), 3);
  form.List().SetItemChecked(0, 0, true);
  form.List().SetItemChecked(0, 1, true);
  // The question names the keys the merge writes; "No" writes nothing.
  form.MergeClick();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], std::string(StrRes(kRowConfirmRestoreBackups, 1)) + "\r\n\r\n" + std::string(StrRes(kRowMergeKeys, 1)) +
                          "\r\n  HKEY_CURRENT_USER\\" + kTestKey);
  EXPECT_TRUE(told.empty());
  EXPECT_EQ(ReadTestValue("a"), "<missing>");
  answer = IDYES;
  form.MergeClick();
  EXPECT_EQ(ReadTestValue("a"), "restored a");
  EXPECT_EQ(ReadTestValue("b"), "restored b");
  ASSERT_EQ(told.size(), 1u);
  EXPECT_TRUE(allRestored);
  // The damaged file is named in the question and the report; the others are still written.
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
  form.List().SetItemChecked(0, 2, true);
  form.MergeClick();
  ASSERT_EQ(told.size(), 2u);
  EXPECT_FALSE(allRestored);
  EXPECT_NE(asked.back().find("g07-i02 (2024-05-20 10.00.00).bkp"), std::string::npos) << asked.back();
  EXPECT_NE(told[1].find("g07-i02 (2024-05-20 10.00.00).bkp"), std::string::npos) << told[1];
  EXPECT_EQ(ReadTestValue("a"), "restored a");
}

// A file this program did not write for this user, planted in the user's backup folder, is
// listed but never merged: the question and the report name it, and nothing of it is written.
TEST_F(BackupManager, APlantedFileIsNeverMerged) {
  const std::string planted = BackupFolder() + "g07-i03 (2024-05-20 11.00.00).bkp";
  TFileProtect::SaveFile(
      planted, Format("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\%s]\r\n\"p\"=\"planted\"\r\n", kTestKey));
  TBackupMgrForm form(nullptr, 0, nullptr);
  std::string asked, told;
  form.Ask = [&](const std::string& text, UINT) {
    asked = text;
    return IDYES;
  };
  form.Tell = [&](const std::string& text, bool) { told = text; };
  ASSERT_EQ(form.List().ItemCount(0), 1);
  form.List().SetItemChecked(0, 0, true);
  form.MergeClick();
  EXPECT_NE(asked.find("not a backup this program made for this user"), std::string::npos) << asked;
  EXPECT_EQ(asked.find(kTestKey), std::string::npos) << asked;  // none of its keys
  EXPECT_NE(told.find("g07-i03"), std::string::npos) << told;
  EXPECT_EQ(ReadTestValue("p"), "<missing>");
}

TEST_F(BackupManager, DeletesToTheRecycleBinAfterAYes) {
  const std::string a = Backup("a", 20, 8), b = Backup("b", 19, 9);
  TBackupMgrForm form(nullptr, 0, nullptr);
  int answer = IDCANCEL;
  UINT flags = 0;
  form.Ask = [&](const std::string&, UINT f) {
    flags = f;
    return answer;
  };
  form.List().SetItemChecked(0, 0, true);
  form.List().OnItemCheckChange(0, 0);
  // Escape presses the delete button; Cancel (the default) keeps the file.
  ::SendMessageA(form.Handle(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(flags & MB_DEFMASK, static_cast<UINT>(MB_DEFBUTTON3));
  EXPECT_TRUE(FileExists(a));
  answer = IDYES;
  form.DeleteClick();
  EXPECT_FALSE(FileExists(a));
  EXPECT_TRUE(FileExists(b));
  ASSERT_EQ(form.List().GroupCount(), 1);
  EXPECT_EQ(form.Backup(0, 0)->Path, b);
  EXPECT_FALSE(::IsWindowEnabled(form.DeleteButton()));
}

// The file a registry clean writes is what the manager shows, previews, merges back (the key
// is then as it was) and deletes.
TEST_F(BackupManager, TakesBackWhatARegistryCleanRemoved) {
  ComApartment com;
  struct TRaw {
    const char* name;
    DWORD type;
    std::string data;
  };
  const std::vector<TRaw> values = {{"text", REG_SZ, std::string("t\0e\0x\0t\0\0\0", 10)},
                                    {"number", REG_DWORD, std::string("\x2a\0\0\0", 4)},
                                    {"bytes", REG_BINARY, std::string("\x01\xff\0", 3)},
                                    {"empty", REG_SZ, std::string()}};
  {
    unique_hkey key;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    for (const TRaw& v : values) {
      const std::wstring name(v.name, v.name + std::strlen(v.name));
      ASSERT_EQ(::RegSetValueExW(key.get(), name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                                 static_cast<DWORD>(v.data.size())),
                ERROR_SUCCESS);
    }
  }
  TXmlDocument item = TXmlDocument::Create();
  ASSERT_TRUE(item.LoadXML("<Item id=\"g05-i02\"/>"));
  TDeleteValuesObject object(nullptr, [](TCustomWorkObject*) {}, nullptr, item.Root());
  object.Key = "HKEY_CURRENT_USER";
  object.Subkey = kTestKey;
  object.Execute();
  ASSERT_EQ(object.Found.Count(), 4);
  object.CleanMode = true;
  object.OnBackup = [](TWorkObject*, TWorkDataPtr) {};
  object.Execute();
  ASSERT_EQ(object.BackupFiles.size(), 1u);
  const std::string file = object.BackupFiles[0];
  for (const TRaw& v : values)
    EXPECT_NE(::RegGetValueA(HKEY_CURRENT_USER, kTestKey, v.name, RRF_RT_ANY, nullptr, nullptr, nullptr), ERROR_SUCCESS)
        << v.name;

  TBackupMgrForm form(nullptr, 0, nullptr);
  form.Ask = [](const std::string&, UINT) { return IDYES; };
  bool allRestored = false;
  form.Tell = [&](const std::string&, bool all) { allRestored = all; };
  ASSERT_EQ(form.List().GroupCount(), 1);
  ASSERT_EQ(form.List().ItemCount(0), 1);
  ASSERT_EQ(form.Backup(0, 0)->Path, file);
  TListHit hit;
  hit.Group = 0;
  hit.Item = 0;
  hit.Kind = THitKind::ItemIcon;
  EXPECT_NE(form.Hint(hit).Text.find("\"number\"=dword:0000002a"), std::string::npos) << form.Hint(hit).Text;
  form.List().SetItemChecked(0, 0, true);
  form.MergeClick();
  EXPECT_TRUE(allRestored);
  for (const TRaw& v : values) {
    char data[64];
    DWORD type = 0, size = sizeof data;
    const std::wstring name(v.name, v.name + std::strlen(v.name));
    ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, L"Software\\TidewhiskDialogTest", name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                             &type, data, &size),
              ERROR_SUCCESS)
        << v.name;
    EXPECT_EQ(type, v.type) << v.name;
    EXPECT_EQ(std::string(data, size), v.data) << v.name;
  }
  form.List().SetItemChecked(0, 0, true);
  form.List().OnItemCheckChange(0, 0);
  form.DeleteClick();
  EXPECT_FALSE(FileExists(file));
}

// ---- Cookies

std::string Host(const std::string& name) {
  return Format("%s-%d-%d.tw-dialog.example", name, static_cast<int>(::GetCurrentProcessId()),
                static_cast<int>(::GetTickCount()));
}

// A persistent cookie; its entry name in the cache.
std::string SetCookie(const std::string& host) {
  const std::string url = "http://" + host + "/";
  EXPECT_TRUE(::InternetSetCookieA(url.c_str(), "twdialog", "v; expires=Sat, 01-Jan-2050 00:00:00 GMT"));
  for (const TCookieLine& line : ListFoundCookies({}))
    if (line.Name.find(host) != std::string::npos) return line.Name;
  ADD_FAILURE() << host;
  return {};
}

int IndexOf(const std::vector<TCookieLine>& lines, const std::string& name) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].Name == name) return static_cast<int>(i);
  return -1;
}

class CookieManager : public ::testing::Test {
 protected:
  void SetUp() override {
    keptFile = BackupFolder() + Format("cookies-test-%d.dat", static_cast<int>(::GetCurrentProcessId()));
    ::DeleteFileA(keptFile.c_str());
  }
  void TearDown() override { ::DeleteFileA(keptFile.c_str()); }
  std::string keptFile;
  MemoryStore store;
  TCheckSettings checks;
};

TEST_F(CookieManager, KeptCookiesMoveSurviveTheDialogAndAreForgottenAgain) {
  const std::string keep = SetCookie(Host("keep")), other = SetCookie(Host("other"));
  {
    TCookieMgrForm form(nullptr, 0, store, checks, nullptr, {}, keptFile);
    EXPECT_FALSE(form.KeptFileDamaged());
    EXPECT_TRUE(form.Kept().empty());
    const int at = IndexOf(form.Found(), keep);
    ASSERT_GE(at, 0);
    ASSERT_GE(IndexOf(form.Found(), other), 0);
    EXPECT_EQ(form.FoundList().GroupCaption(0),
              Format("%s (%d)", std::string(StrRes(kRowCookiesToClean, 0)), static_cast<int>(form.Found().size())));
    EXPECT_FALSE(::IsWindowEnabled(form.Button(0)));
    form.FoundList().SetItemChecked(0, at, true);
    form.FoundList().OnItemCheckChange(0, at);
    EXPECT_TRUE(::IsWindowEnabled(form.Button(0)));
    // A drop on the kept view from the found view moves what is checked.
    ASSERT_TRUE(form.KeptList().OnDragDrop);
    form.KeptList().OnDragDrop(form.FoundList());
    Pump();
    ASSERT_EQ(form.Kept().size(), 1u);
    EXPECT_EQ(form.Kept()[0].Name, keep);
    EXPECT_LT(IndexOf(form.Found(), keep), 0);
    EXPECT_EQ(form.KeptList().ItemCount(0), 1);
    EXPECT_EQ(form.KeptList().OnItemCaption(0, 0), CookieCaption(keep));
    EXPECT_EQ(form.Hint(true, {THitKind::ItemText, 0, 0}).Text,
              Format(std::string(StrRes(kRowCookieHits, 0)), static_cast<int>(form.Kept()[0].Hits)) + "\r\n" + keep + "\r\n" +
                  form.Kept()[0].LocalFile);
    form.SetSortIndex(1);
    Pump();
  }
  EXPECT_EQ(checks.CookiesSortOrder, 1);
  EXPECT_EQ(store.Read("CookiesSortOrder").Number, 1u);
  ASSERT_EQ(LoadKeptCookies(keptFile).size(), 1u);
  {
    // Another run: the kept cookie shows only on the kept side; moving all back removes the file.
    TCookieMgrForm form(nullptr, 1, store, checks, nullptr, {}, keptFile);
    EXPECT_EQ(form.SortIndex(), 1);
    ASSERT_EQ(form.Kept().size(), 1u);
    EXPECT_LT(IndexOf(form.Found(), keep), 0);
    EXPECT_EQ(form.Hint(true, {THitKind::ItemText, 0, 0}).Text.rfind("Visites", 0), 0u);
    ::SendMessageA(form.Handle(), WM_COMMAND, 23, 0);  // Remove All
    Pump();
    EXPECT_TRUE(form.Kept().empty());
    EXPECT_GE(IndexOf(form.Found(), keep), 0);
  }
  EXPECT_FALSE(FileExists(keptFile));
}

TEST_F(CookieManager, ADamagedFileIsToldAndKeptUntilANewListIsMade) {
  SetCookie(Host("damaged"));
  {
    std::ofstream out(keptFile, std::ios::binary);
    out << "garbled";
  }
  std::vector<std::string> told;
  {
    TCookieMgrForm form(nullptr, 0, store, checks, nullptr, {}, keptFile);
    form.Tell = [&](const std::string& text) { told.push_back(text); };
    EXPECT_TRUE(form.KeptFileDamaged());
    Pump();
  }
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find(keptFile), std::string::npos);
  {
    std::ifstream in(keptFile, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "garbled");
  }
  {
    TCookieMgrForm form(nullptr, 0, store, checks, nullptr, {}, keptFile);
    form.Tell = [](const std::string&) {};
    form.AddAll();
    Pump();
  }
  EXPECT_FALSE(LoadKeptCookies(keptFile).empty());
}

TEST_F(CookieManager, AFailedSaveIsToldOnClose) {
  SetCookie(Host("unsaved"));
  // A folder where the file should be: nothing can be written there.
  ASSERT_TRUE(::CreateDirectoryA(keptFile.c_str(), nullptr));
  std::vector<std::string> told;
  {
    TCookieMgrForm form(nullptr, 2, store, checks, nullptr, {}, keptFile);
    form.Tell = [&](const std::string& text) { told.push_back(text); };
    form.AddAll();
    Pump();
    ASSERT_FALSE(form.Kept().empty());
    form.CloseButton().OnClick();
    EXPECT_EQ(form.ModalResult, mrOk);
  }
  ::RemoveDirectoryA(keptFile.c_str());
  ASSERT_EQ(told.size(), 1u);  // once, not again when the form goes
  const std::string row(StrRes(kRowKeptCookiesNotSaved, 2));
  EXPECT_EQ(told[0].rfind(row.substr(0, row.find('%')), 0), 0u) << told[0];
  EXPECT_NE(told[0].find(keptFile), std::string::npos);
}

// ---- Settings

TEST(SettingsDialog, BoxesMirrorTheOptionsResetWritesAndManagersFollowTheirRules) {
  ClearBackups();
  MemoryStore store;
  TCheckSettings checks;
  checks.SendToTrayOnClose = false;
  checks.ShowCleanWarning = false;
  checks.CookiesSortOrder = 1;
  bool large = false;
  int switches = 0;
  TSettingsActions actions;
  actions.LargeIcons = [&] { return large; };
  actions.SwitchIconSize = [&] {
    large = !large;
    ++switches;
  };
  const std::string keptFile = BackupFolder() + "cookies-settings-test.dat";
  ::DeleteFileA(keptFile.c_str());
  {
    TSettingsForm form(nullptr, 0, store, checks, nullptr, actions, keptFile);
    EXPECT_EQ(::SendMessageA(form.CheckBox(TSettingsForm::cbxSendToTray), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(::SendMessageA(form.CheckBox(TSettingsForm::cbxLargeIcons), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(::SendMessageA(form.CheckBox(TSettingsForm::cbxRunStartup), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(switches, 0);  // filling the dialog changes nothing
    EXPECT_FALSE(::IsWindowEnabled(form.BackupMgrButton()));
    ::SendMessageA(form.CheckBox(TSettingsForm::cbxRunStartup), BM_CLICK, 0, 0);
    EXPECT_FALSE(checks.RunOnWindowsStartup);
    ::SendMessageA(form.CheckBox(TSettingsForm::cbxLargeIcons), BM_CLICK, 0, 0);
    EXPECT_TRUE(large);
    ::SendMessageA(form.CheckBox(TSettingsForm::cbxLargeIcons), BM_CLICK, 0, 0);
    EXPECT_FALSE(large);
    // The diagnostics log: off at first, switched on and kept at once.
    HWND log = form.CheckBox(TSettingsForm::cbxDiagnosticsLog);
    char caption[256] = "";
    ::GetWindowTextA(log, caption, sizeof caption);
    EXPECT_EQ(std::string(caption), std::string(StrRes(kRowDiagnosticsLog, 0)));
    EXPECT_EQ(::SendMessageA(log, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ::SendMessageA(log, BM_CLICK, 0, 0);
    EXPECT_TRUE(checks.WriteDiagnosticsLog);
    EXPECT_TRUE(LogFile().Enabled());
    EXPECT_EQ(store.Read("WriteDiagnosticsLog").Text, "1");
    // The Recycle Bin for removed files: off at first, kept at once, and off again after reset.
    HWND recycle = form.CheckBox(TSettingsForm::cbxMoveToRecycleBin);
    ::GetWindowTextA(recycle, caption, sizeof caption);
    EXPECT_EQ(std::string(caption), std::string(StrRes(kRowMoveToRecycleBin, 0)));
    EXPECT_EQ(::SendMessageA(recycle, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ::SendMessageA(recycle, BM_CLICK, 0, 0);
    EXPECT_TRUE(checks.MoveToRecycleBin);
    EXPECT_EQ(store.Read("MoveToRecycleBin").Text, "1");
    ::SendMessageA(form.ResetButton(), BM_CLICK, 0, 0);
    EXPECT_EQ(::SendMessageA(recycle, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(checks.MoveToRecycleBin);
    EXPECT_EQ(store.Read("MoveToRecycleBin").Text, "0");
    EXPECT_TRUE(large);
    // Reset turns it off again.
    EXPECT_EQ(::SendMessageA(log, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(checks.WriteDiagnosticsLog);
    EXPECT_FALSE(LogFile().Enabled());
    EXPECT_EQ(store.Read("WriteDiagnosticsLog").Text, "0");
    EXPECT_TRUE(checks.RunOnWindowsStartup && checks.SendToTrayOnClose && checks.ShowCleanWarning);
    EXPECT_EQ(checks.CookiesSortOrder, 0);
    EXPECT_EQ(store.Read("ShowCleanWarning").Text, "1");
    EXPECT_EQ(store.Read("CookiesSortOrder").Kind, TStoredValue::TKind::Dword);
    EXPECT_EQ(store.Read("CookiesSortOrder").Number, 0u);
    ::SendMessageA(form.ResetButton(), BM_CLICK, 0, 0);
    EXPECT_TRUE(large);  // reset with large icons leaves them large
  }
  // Deleting the last backup in the manager disables the button on return.
  SaveBackup("g07-i01", "REGEDIT4\r\n");
  {
    TSettingsForm form(nullptr, 0, store, checks, nullptr, actions, keptFile);
    ASSERT_TRUE(::IsWindowEnabled(form.BackupMgrButton()));
    int shown = 0;
    form.OnManagerShown = [&](TWindow& window) {
      ++shown;
      auto& manager = dynamic_cast<TBackupMgrForm&>(window);
      manager.Ask = [](const std::string&, UINT) { return IDYES; };
      manager.List().SetItemChecked(0, 0, true);
      manager.DeleteClick();
      ::PostMessageA(manager.Handle(), WM_CLOSE, 0, 0);
    };
    form.OpenBackupManager();
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(::IsWindowEnabled(form.BackupMgrButton()));
    // A cookie in the cache enables the cookie manager.
    SetCookie(Host("settings"));
    form.OnManagerShown = [](TWindow& window) { ::PostMessageA(window.Handle(), WM_CLOSE, 0, 0); };
    form.OpenCookieManager();
    EXPECT_TRUE(::IsWindowEnabled(form.CookieMgrButton()));
  }
  ::DeleteFileA(keptFile.c_str());
}

TEST(DialogPictures, EveryDialogInFourLanguages) {
  if (!std::getenv("TW_SHOTS")) GTEST_SKIP() << "TW_SHOTS not set";
  ClearBackups();
  const std::string keptFile = BackupFolder() + "cookies-shots.dat";
  for (const char* host : {"www.news-site", "mail.provider", "shop.example-store", "bank.online-banking"})
    SetCookie(Host(host));
  SaveBackup("g07-i01", "REGEDIT4\r\n");
  MemoryStore store;
  TCheckSettings checks;
  const char* codes[] = {"EN", "FR", "DE", "ES"};
  for (int language = 0; language < 4; ++language) {
    {
      TSettingsForm form(nullptr, language, store, checks, nullptr, {}, keptFile);
      Shot(form, std::string("settings-") + codes[language]);
    }
    {
      TCookieMgrForm form(nullptr, language, store, checks, nullptr, {}, keptFile);
      form.Tell = [](const std::string&) {};
      form.FoundList().SetItemChecked(0, 0, true);
      form.Add();
      Pump();
      Shot(form, std::string("cookie-manager-") + codes[language]);
      form.RemoveAll();
      Pump();
    }
  }
  ClearBackups();
  ::DeleteFileA(keptFile.c_str());
}

}  // namespace
}  // namespace tw
