#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "containers/Crypter.h"
#include "database/XMLDatabase.h"
#include "platform/Com.h"
#include "platform/ShellFolders.h"
#include "support/FileIO.h"

namespace tw {
namespace {

// A scratch folder under the system's temporary folder, emptied for every test.
class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    dir_ = std::string(temp) + "tw_db_" + std::to_string(::GetCurrentProcessId()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
    Cleanup();
    ::CreateDirectoryA(dir_.c_str(), nullptr);
  }
  void TearDown() override { Cleanup(); }
  void Cleanup() {
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((dir_ + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do ::DeleteFileA((dir_ + fd.cFileName).c_str());
      while (::FindNextFileA(h, &fd));
      ::FindClose(h);
    }
    ::RemoveDirectoryA(dir_.c_str());
  }
  std::string Write(const std::string& name, const std::string& text) {
    WriteFileAtomic(dir_ + name, text);
    return dir_ + name;
  }
  std::vector<std::string> LogLines() {
    if (!FileExists(dir_ + "Logger.txt")) return {};
    std::string text = ReadWholeFile(dir_ + "Logger.txt");
    std::vector<std::string> lines;
    for (size_t start = 0, pos; (pos = text.find("\r\n", start)) != std::string::npos; start = pos + 2)
      lines.push_back(text.substr(start, pos - start));
    return lines;
  }

  ComApartment com_;
  std::string dir_;
  // An enabled log in the scratch folder, so the records the database writes can be read back.
  TFileLogFile& Log() {
    if (!log_) {
      log_ = std::make_unique<TFileLogFile>(dir_ + "Logger.txt", true);
      log_->TimeStamp = false;
    }
    return *log_;
  }
  std::unique_ptr<TFileLogFile> log_;
};

// This program's file name without ".exe": files made beside it carry it, so that the test
// programs built from this file can run side by side.
std::string ProgramStem() {
  char self[MAX_PATH];
  std::string path(self, ::GetModuleFileNameA(nullptr, self, MAX_PATH));
  path = path.substr(path.find_last_of('\\') + 1);
  return path.substr(0, path.rfind('.'));
}

std::string Tips(const std::string& lastTip, const std::string& maxTipId, const std::vector<std::string>& ids) {
  std::string xml = "<?xml version=\"1.0\"?>\n<Database version=\"1\" smallIcons=\"false\">\n  <TipsAndTricks lastTip=\"" +
                    lastTip + "\" maxTipId=\"" + maxTipId + "\">\n";
  for (const std::string& id : ids)
    xml += "    <Tip id=\"" + id + "\">\n      <en info=\"en" + id + "\"/>\n      <fr info=\"fr" + id +
           "\"/>\n      <de info=\"de" + id + "\"/>\n      <es info=\"es" + id + "\"/>\n    </Tip>\n";
  return xml + "  </TipsAndTricks>\n</Database>\n";
}

constexpr const char* kSmall =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Database version=\"2.5\" smallIcons=\"false\">\n"
    "  <Group id=\"g07\" icon=\"x.exe\" expanded=\"true\">\n"
    "    <en name=\"Windows\" info=\"i\"/>\n    <fr name=\"Windows\" info=\"i\"/>\n"
    "    <de name=\"Windows\" info=\"i\"/>\n    <es name=\"Windows\" info=\"i\"/>\n"
    "    <Item id=\"g07-i01\" icon=\"x.exe\" enabled=\"true\" mode=\"1001010\" checked=\"true\">\n"
    "      <en name=\"Temporäre\" info=\"i\"/>\n      <fr name=\"Données\" info=\"i\"/>\n"
    "      <de name=\"Dateien\" info=\"i\"/>\n      <es name=\"Archivos\" info=\"i\"/>\n"
    "      <Action method=\"DeleteFiles\" path=\"%TEMP%\"/>\n"
    "    </Item>\n"
    "  </Group>\n"
    "</Database>\n";

TEST_F(DatabaseTest, LoadsBothFormsAndDropsWhitespaceText) {
  for (bool isProtected : {false, true}) {
    std::string file = isProtected ? Write("database.dat", Crypter().Encrypt(kSmall)) : Write("database.xml", kSmall);
    TXMLDatabase db(nullptr, {}, Log());
    ASSERT_TRUE(db.Load(file, isProtected)) << file;
    EXPECT_TRUE(db.Loaded);
    TXmlNode root = db.Document.Root();
    EXPECT_EQ(root.Attr("version"), "2.5");
    ASSERT_EQ(root.ChildCount(), 1);
    TXmlNode group = root.Child(0);
    EXPECT_EQ(group.Name(), "Group");
    ASSERT_EQ(group.ChildCount(), 5);  // four languages and one item, no text between them
    TXmlNode item = group.Child(4);
    EXPECT_EQ(item.Attr("id"), "g07-i01");
    EXPECT_EQ(item.Child(0).Attr("name"), "Temporäre");
    EXPECT_EQ(item.Child(1).Attr("name"), "Données");
    EXPECT_EQ(item.Child(4).Attr("method"), "DeleteFiles");
    EXPECT_EQ(item.Child(4).Parent().Attr("id"), "g07-i01");
    EXPECT_THROW(item.Child(4).Attr("recurse"), EXMLAttributeError);
  }
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(DatabaseTest, IsReadyOnlyAfterASuccessfulLoad) {
  int ready = 0;
  TXMLDatabase good([&] { ++ready; }, {}, Log());
  ASSERT_TRUE(good.Load(Write("good.xml", kSmall), false));
  EXPECT_EQ(ready, 1);
  TXMLDatabase bad([&] { ++ready; }, {}, Log());
  EXPECT_FALSE(bad.Load(Write("bad.xml", "<Database><Group></Database>"), false));
  EXPECT_EQ(ready, 1);
}

TEST_F(DatabaseTest, FailuresAreLoggedAndReturnFalse) {
  TXMLDatabase db(nullptr, {}, Log());
  EXPECT_FALSE(db.Load(Write("broken.xml", "<Database>\n  <Group id=\"g00\">\n</Database>\n"), false));
  EXPECT_FALSE(db.Load(Write("damaged.dat", std::string("\x13\x99garbage-not-a-database", 24)), true));
  EXPECT_FALSE(db.Load(dir_ + "missing.dat", true));
  EXPECT_FALSE(db.Loaded);
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 3u);
  for (const auto& line : lines) EXPECT_EQ(line.rfind("[TXMLDatabase.Load] ", 0), 0u) << line;
  EXPECT_NE(lines[0].find(" errorCode="), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find(" reason="), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find(" errorCode="), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find("EFOpenError"), std::string::npos) << lines[2];
}

TEST_F(DatabaseTest, RelativeNamesAreBesideTheProgram) {
  const std::string name = ProgramStem() + "_relative.xml";
  WriteFileAtomic(ProgramFolder() + name, kSmall);
  TXMLDatabase db;
  EXPECT_TRUE(db.Load(name, false));
  ::DeleteFileA((ProgramFolder() + name).c_str());
  EXPECT_EQ(ResolveDatabasePath("C:\\data\\database.dat"), "C:\\data\\database.dat");
  EXPECT_EQ(ResolveDatabasePath("database.dat"), ProgramFolder() + "database.dat");
}

TEST_F(DatabaseTest, SaveReplacesTheFileWholeAndKeepsChanges) {
  const std::string file = Write("database.dat", Crypter().Encrypt(kSmall));
  TXMLDatabase unloaded(nullptr, {}, Log());
  unloaded.Save(dir_ + "never.dat", true);
  EXPECT_FALSE(FileExists(dir_ + "never.dat"));

  TXMLDatabase db(nullptr, {}, Log());
  ASSERT_TRUE(db.Load(file, true));
  db.Document.Root().Child(0).Child(4).SetAttr("checked", "false");
  db.Document.Root().SetAttr("smallIcons", "true");
  db.Save(file, true);
  EXPECT_FALSE(FileExists(file + ".tmp~"));
  TXMLDatabase again(nullptr, {}, Log());
  ASSERT_TRUE(again.Load(file, true));
  EXPECT_EQ(again.Document.Root().Attr("smallIcons"), "true");
  EXPECT_EQ(again.Document.Root().Child(0).Child(4).Attr("checked"), "false");
  EXPECT_EQ(again.Document.Root().Child(0).Child(4).Child(0).Attr("name"), "Temporäre");

  // The plain form too.
  db.Save(dir_ + "plain.xml", false);
  TXMLDatabase plain(nullptr, {}, Log());
  ASSERT_TRUE(plain.Load(dir_ + "plain.xml", false));
  EXPECT_EQ(plain.Document.Root().Child(0).Child(4).Child(1).Attr("name"), "Données");

  // A save that cannot be written leaves no file, raises nothing and is logged.
  db.Save(dir_ + "no such folder\\database.dat", true);
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("[TXMLDatabase.Save] ", 0), 0u) << lines[0];
}

TEST_F(DatabaseTest, SaveKeepsTheOldFileWhenReplacingFails) {
  const std::string file = Write("database.dat", Crypter().Encrypt(kSmall));
  TXMLDatabase db(nullptr, {}, Log());
  ASSERT_TRUE(db.Load(file, true));
  db.Document.Root().SetAttr("version", "changed");
  // Another program holds the database open without sharing delete: the rename must fail.
  HANDLE holder = ::CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  db.Save(file, true);
  ::CloseHandle(holder);
  EXPECT_FALSE(FileExists(file + ".tmp~"));
  EXPECT_EQ(ReadWholeFile(file), Crypter().Encrypt(kSmall));
  EXPECT_EQ(LogLines().size(), 1u);
}

// The test programs built from this file run in the code page they were built for: one with the
// manifest that makes it UTF-8, one in the system's.
TEST(DatabaseCodePage, IsTheOneThisProgramWasBuiltFor) {
#ifdef TW_SYSTEM_CODE_PAGE
  EXPECT_NE(::GetACP(), static_cast<UINT>(CP_UTF8));
#else
  EXPECT_EQ(::GetACP(), static_cast<UINT>(CP_UTF8));
#endif
}

constexpr const char* kIntl =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Database version=\"2.5\" smallIcons=\"false\">\n"
    "  <Tip id=\"1\">\n"
    "    <fr info=\"Données supprimées\"/>\n"
    "    <de info=\"Größe über\"/>\n"
    "    <es info=\"Contraseña\"/>\n"
    "    <zh info=\"临时文件 𠀋\"/>\n"
    "  </Tip>\n"
    "</Database>\n";

// The database's texts come out as UTF-8 and are written back as UTF-8 in both forms, whatever
// the process's code page.
TEST_F(DatabaseTest, TextIsUtf8WhateverTheCodePage) {
  const std::vector<std::string> texts = {"Données supprimées", "Größe über", "Contraseña", "临时文件 𠀋"};
  auto expectTexts = [&](const TXMLDatabase& db, const std::string& what) {
    TXmlNode tip = db.Document.Root().Child(0);
    ASSERT_EQ(tip.ChildCount(), 4) << what;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(tip.Child(i).Attr("info"), texts[i]) << what;
  };
  TXMLDatabase plain(nullptr, {}, Log()), dat(nullptr, {}, Log());
  ASSERT_TRUE(plain.Load(Write("database.xml", kIntl), false));
  ASSERT_TRUE(dat.Load(Write("database.dat", Crypter().Encrypt(kIntl)), true));
  expectTexts(plain, "database.xml");
  expectTexts(dat, "database.dat");

  // Each form saved as the other carries every text as UTF-8, the plain one its layout too.
  dat.Save(dir_ + "from-dat.xml", false);
  plain.Save(dir_ + "from-xml.dat", true);
  EXPECT_EQ(ReadWholeFile(dir_ + "from-dat.xml"), kIntl);
  const std::string fromXml = Crypter().Decrypt(ReadWholeFile(dir_ + "from-xml.dat"));
  for (const std::string& text : texts) EXPECT_NE(fromXml.find(text), std::string::npos) << text << " in\n" << fromXml;

  // Loaded and saved again without a change, each file keeps its bytes.
  for (bool isProtected : {false, true}) {
    const std::string file = dir_ + (isProtected ? "from-xml.dat" : "from-dat.xml");
    const std::string before = ReadWholeFile(file);
    TXMLDatabase db(nullptr, {}, Log());
    ASSERT_TRUE(db.Load(file, isProtected));
    expectTexts(db, file);
    db.Save(file, isProtected);
    EXPECT_EQ(ReadWholeFile(file), before) << file;
  }

  // A text the program sets is saved and read back as given.
  dat.Document.Root().Child(0).SetAttr("id", "Überprüfung ñ 中");
  dat.Save(dir_ + "changed.dat", true);
  TXMLDatabase changed(nullptr, {}, Log());
  ASSERT_TRUE(changed.Load(dir_ + "changed.dat", true));
  EXPECT_EQ(changed.Document.Root().Child(0).Attr("id"), "Überprüfung ñ 中");

  // A document that an earlier version saved in the system's code page still reads right.
  const std::wstring legacyText = L"<Database><Tip info=\"Donn\u00e9es Gr\u00f6\u00dfe Contrase\u00f1a\"/></Database>";
  std::string legacy(legacyText.size() * 4, '\0');
  legacy.resize(::WideCharToMultiByte(CP_ACP, 0, legacyText.data(), static_cast<int>(legacyText.size()),
                                      legacy.data(), static_cast<int>(legacy.size()), nullptr, nullptr));
  TXMLDatabase old(nullptr, {}, Log());
  ASSERT_TRUE(old.Load(Write("legacy.dat", Crypter().Encrypt(legacy)), true));
  EXPECT_EQ(old.Document.Root().Child(0).Attr("info"), "Données Größe Contraseña");
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(DatabaseTest, NextTip) {
  struct Case {
    std::string lastTip, maxTipId;
    std::vector<std::string> ids;
    int language;
    std::string expectedText, expectedLast;
  } cases[] = {
      {"1", "4", {"1", "2", "3", "4"}, 0, "en2", "2"},
      {"3", "4", {"1", "2", "3", "4"}, 2, "de4", "4"},
      {"4", "4", {"1", "2", "3", "4"}, 1, "fr1", "1"},   // the cycle starts again
      {"9", "10", {"9", "10"}, 0, "unchanged", "9"},     // ids compare as text: "10" < "9"
      {"1", "4", {"1", "2"}, 7, "en2", "2"},             // unknown language: English
      {"2", "4", {"1", "2"}, 3, "unchanged", "2"},       // nothing after the last tip
      {"0", "3", {"01", "02", "03"}, 3, "es01", "01"},
  };
  for (const Case& c : cases) {
    const std::string file = Write("tips.xml", Tips(c.lastTip, c.maxTipId, c.ids));
    TXMLDatabase db;
    ASSERT_TRUE(db.Load(file, false));
    std::string text = "unchanged";
    db.GetNextTip(c.language, text);
    EXPECT_EQ(text, c.expectedText) << c.lastTip << "/" << c.maxTipId;
    TXmlNode tips = db.Document.Root().Child(0);
    EXPECT_EQ(tips.Attr("lastTip"), c.expectedLast);
  }
  TXMLDatabase unloaded;
  std::string text = "old";
  unloaded.GetNextTip(0, text);
  EXPECT_EQ(text, "");
}

// The version-independent DOM is used when MSXML 6.0 and 4.0 are missing. The parent test
// runs a copy of this program for which Wine loads neither library.
TEST_F(DatabaseTest, FallsBackToTheVersionIndependentDocument) {
  char self[MAX_PATH];
  ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (std::getenv("TW_FALLBACK_CHILD")) {
    TXMLDatabase db(nullptr, {}, Log());
    ASSERT_TRUE(db.Load(Write("database.xml", kSmall), false));
    auto lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("[TXMLDatabase.Load (CLASS_DOMDocument60)] EOleSysError ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("[TXMLDatabase.Load (CLASS_DOMDocument40)] EOleSysError ", 0), 0u) << lines[1];
    return;
  }
  const std::string copyName = ProgramStem() + "_nomsxml.exe";
  const std::string copy = ProgramFolder() + copyName;
  ASSERT_TRUE(::CopyFileA(self, copy.c_str(), FALSE));
  HKEY key;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, ("Software\\Wine\\AppDefaults\\" + copyName + "\\DllOverrides").c_str(),
                              0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
  for (const char* dll : {"msxml6", "msxml4"}) ::RegSetValueExA(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
  ::RegCloseKey(key);
  ::SetEnvironmentVariableA("TW_FALLBACK_CHILD", "1");
  std::string command = "\"" + copy + "\" --gtest_filter=DatabaseTest.FallsBackToTheVersionIndependentDocument";
  STARTUPINFOA si{sizeof si};
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
  ::WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 1;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  ::SetEnvironmentVariableA("TW_FALLBACK_CHILD", nullptr);
  ::DeleteFileA(copy.c_str());
  EXPECT_EQ(code, 0u) << "the copy without MSXML 6.0 and 4.0 failed";
}

}  // namespace
}  // namespace tw
