#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "containers/FileProtect.h"
#include "platform/Handles.h"
#include "platform/Text.h"
#include "registry/BackupFiles.h"
#include "registry/ExRegistry.h"
#include "registry/RegRestore.h"
#include "support/FileIO.h"

namespace tw {
namespace {

const char* const kScratch = "Software\\TidewhiskTest\\Restore";

struct Raw {
  DWORD type = 0;
  std::string data;
};

// A value as the wide API gives it.
bool ReadRaw(const std::string& path, const std::wstring& name, Raw& raw) {
  unique_hkey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, Utf8ToWide(path).c_str(), 0, KEY_READ, key.put()) !=
      ERROR_SUCCESS)
    return false;
  DWORD size = 0;
  if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &raw.type, nullptr, &size) !=
      ERROR_SUCCESS)
    return false;
  raw.data.assign(size, '\0');
  return ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &raw.type,
                            reinterpret_cast<BYTE*>(raw.data.data()), &size) == ERROR_SUCCESS;
}

std::string Wide(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

class RestoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kScratch); }
  void TearDown() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kScratch); }
};

TEST_F(RestoreTest, WritesEveryValueExactly) {
  const std::string text =
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\TidewhiskTest\\Restore\\A]\r\n"
      "@=\"d\xC3\xA9\"\r\n"
      "\"q\\\"\\\\=\"=hex(1):61,00,62\r\n"
      "\"e\"=hex(2):25,41,25,00\r\n"
      "\"m\"=hex(7):c3,a9,00,00\r\n"
      "\"n\"=hex(0):\r\n"
      "\"w\"=hex(11):01,02,03,04,05,06,07,08\r\n"
      "\r\n[HKCU\\Software\\TidewhiskTest\\Restore\\A\\empty]\r\n";
  const TRestoreReport report = RestoreRegText(text);
  EXPECT_TRUE(report.AllRestored());
  EXPECT_EQ(report.Restored, 8);  // two keys, six values
  const std::string a = std::string(kScratch) + "\\A";
  struct Case {
    std::wstring name;
    DWORD type;
    std::string data;
  } cases[] = {
      {L"", REG_SZ, Wide(std::wstring(L"d\u00e9\0", 3))},
      {L"q\"\\=", REG_SZ, Wide(std::wstring(L"a\0b", 3))},
      {L"e", REG_EXPAND_SZ, Wide(std::wstring(L"%A%\0", 4))},
      {L"m", REG_MULTI_SZ, Wide(std::wstring(L"\u00e9\0\0", 3))},
      {L"n", REG_NONE, ""},
      {L"w", 11, "\1\2\3\4\5\6\7\x08"},
  };
  for (const Case& c : cases) {
    Raw raw;
    ASSERT_TRUE(ReadRaw(a, c.name, raw));
    EXPECT_EQ(raw.type, c.type);
    EXPECT_EQ(raw.data, c.data);
  }
  TExRegistry reg(KEY_READ);
  EXPECT_TRUE(reg.KeyExists(a + "\\empty"));
}

// The system's editor writes REGEDIT4 in the system's code page.
TEST_F(RestoreTest, ReadsTheSystemCodePage) {
  const std::string text =
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\TidewhiskTest\\Restore]\r\n"
      "\"caf\xE9\"=\"\xE9t\xE9\"\r\n\"x\"=hex(2):e9,00\r\n";
  EXPECT_TRUE(RestoreRegText(text).AllRestored());
  const std::string cafe = SystemCodePageToUtf8("caf\xE9");
  ASSERT_NE(cafe, "caf\xE9");
  Raw raw;
  ASSERT_TRUE(ReadRaw(kScratch, Utf8ToWide(cafe), raw));
  EXPECT_EQ(raw.data, Wide(Utf8ToWide(SystemCodePageToUtf8(std::string("\xE9t\xE9\0", 4)))));
  ASSERT_TRUE(ReadRaw(kScratch, L"x", raw));
  EXPECT_EQ(raw.data, Wide(Utf8ToWide(SystemCodePageToUtf8(std::string("\xE9\0", 2)))));
}

TEST_F(RestoreTest, DamagedTextsAndFilesChangeNothing) {
  const std::string good =
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\TidewhiskTest\\Restore]\r\n\"v\"=\"1\"\r\n";
  EXPECT_THROW(RestoreRegText(good + "\"w\"=hex:zz\r\n"), ERegTextError);
  TExRegistry reg(KEY_READ);
  EXPECT_FALSE(reg.KeyExists(kScratch));

  const std::string dir = BackupFolder();
  const std::string packet = dir + "g99-i99 damaged.bkp";
  TFileProtect::SaveFile(packet, good);
  std::string bytes = ReadWholeFile(packet);
  WriteFileAtomic(packet, bytes.substr(0, bytes.size() - 20));
  try {
    RestoreBackup(packet);
    ADD_FAILURE();
  } catch (const EBackupError& e) {
    EXPECT_NE(std::string(e.what()).find("Damaged backup"), std::string::npos) << e.what();
  }
  TFileProtect::SaveFile(packet, good + "garbage\r\n");
  EXPECT_THROW(RestoreBackup(packet), EBackupError);
  WriteFileAtomic(packet, "random bytes");
  EXPECT_THROW(RestoreBackup(packet), EBackupError);
  ::DeleteFileA(packet.c_str());
  EXPECT_THROW(RestoreBackup(packet), EBackupError);
  EXPECT_FALSE(reg.KeyExists(kScratch));

  // A whole one restores; a plain REGEDIT4 file is read as well.
  TFileProtect::SaveFile(packet, MarkBackupText(good));
  EXPECT_TRUE(RestoreBackup(packet).AllRestored());
  EXPECT_TRUE(reg.KeyExists(kScratch));
  WriteFileAtomic(packet, good);
  EXPECT_EQ(LoadBackupText(packet), good);
  ::DeleteFileA(packet.c_str());
}

TEST_F(RestoreTest, BackupFilesNeverOverwriteEachOther) {
  std::vector<std::string> paths;
  for (int i = 0; i < 3; ++i)
    paths.push_back(SaveBackup("g99-i98", "REGEDIT4\r\n" + std::to_string(i)));
  EXPECT_NE(paths[0], paths[1]);
  EXPECT_NE(paths[1], paths[2]);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(LoadBackupText(paths[i]), MarkBackupText("REGEDIT4\r\n" + std::to_string(i)));
  std::vector<std::string> listed;
  for (const TBackupFile& file : ListBackups())
    if (file.ItemId == "g99-i98") listed.push_back(file.Path);
  std::sort(listed.begin(), listed.end());
  std::vector<std::string> sorted = paths;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(listed, sorted);
  EXPECT_THROW(SaveBackup("g9-i98", "REGEDIT4\r\n"), EBackupError);
  for (const std::string& path : paths) ::DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace tw

namespace tw {
namespace {

// Only what this program wrote for this user is merged: a file planted in the user's folder
// (no mark, a mark made without the user's key, a marked text changed afterwards, another
// user's identifier) is refused before anything is written. Files of the shared folder of
// older versions are this user's when this user owns them.
TEST_F(RestoreTest, OnlyThisUsersBackupsAreMerged) {
  const std::string good = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\TidewhiskTest\\Restore]\r\n"
                           "\"v\"=\"1\"\r\n";
  const std::string marked = MarkBackupText(good);
  ASSERT_TRUE(HasUserMark(marked));
  EXPECT_EQ(marked.substr(0, 10), "REGEDIT4\r\n");
  EXPECT_EQ(MarkBackupText(marked), marked);  // marked once
  const std::size_t macAt = marked.find(": ") + 2;
  std::string otherUser = marked;
  otherUser.replace(otherUser.find("S-1-"), 4, "S-2-");
  std::string tampered = marked;
  tampered.replace(tampered.rfind("\"1\""), 3, "\"2\"");
  std::string forged = marked;
  forged.replace(macAt, 64, std::string(64, '0'));
  const std::string planted = BackupFolder() + "g99-i97 planted.bkp";
  TExRegistry reg(KEY_READ);
  for (const std::string& text : {good, otherUser, tampered, forged}) {
    EXPECT_FALSE(HasUserMark(text)) << text;
    TFileProtect::SaveFile(planted, text);
    EXPECT_THROW(RestoreBackup(planted), EBackupError) << text;
    EXPECT_THROW(BackupKeys(planted), EBackupError);
    WriteFileAtomic(planted, text);  // nor as a plain text
    EXPECT_THROW(RestoreBackup(planted), EBackupError);
    EXPECT_FALSE(reg.KeyExists(kScratch));
  }
  TFileProtect::SaveFile(planted, marked);
  EXPECT_EQ(BackupKeys(planted),
            std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\TidewhiskTest\\Restore"});
  EXPECT_TRUE(RestoreBackup(planted).AllRestored());
  EXPECT_TRUE(reg.KeyExists(kScratch));
  ::DeleteFileA(planted.c_str());
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);

  // The user's folder is not the shared one; a backup of the shared folder that this user owns
  // is listed and merged as it was written then, without a mark.
  const std::string shared = SharedBackupFolder();
  EXPECT_NE(BackupFolder(), shared);
  std::filesystem::create_directories(std::filesystem::u8path(shared));
  const std::string old = shared + "g99-i96 (2020-01-01 00.00.00).bkp";
  TFileProtect::SaveFile(old, good);
  bool listed = false;
  for (const TBackupFile& file : ListBackups())
    if (file.Path == old) listed = file.Shared;
  EXPECT_TRUE(listed);
  EXPECT_TRUE(RestoreBackup(old).AllRestored());
  EXPECT_TRUE(reg.KeyExists(kScratch));
  ::DeleteFileA(old.c_str());
}

}  // namespace
}  // namespace tw
