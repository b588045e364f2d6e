#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "engine/FakeScanEvents.h"
#include "cleaners/WorkObjectBuilders.h"
#include "cleaners/system/RegistryObjects.h"
#include "database/XMLDatabase.h"
#include "engine/ScanMgr.h"
#include "engine/States.h"
#include "platform/Com.h"
#include "platform/Handles.h"
#include "platform/QueueSynchronizer.h"
#include "platform/Text.h"
#include "registry/BackupFiles.h"
#include "registry/RegRestore.h"
#include "support/FileIO.h"

namespace tw {
namespace {

const std::string kScratch = "Software\\TidewhiskTest\\Cleaners";

std::string Wide(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

void Put(HKEY key, const std::wstring& name, DWORD type, const std::string& data) {
  ASSERT_EQ(::RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
}

unique_hkey Create(HKEY root, const std::string& path) {
  unique_hkey key;
  EXPECT_EQ(::RegCreateKeyExW(root, Utf8ToWide(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  return key;
}

bool HasValue(const std::string& path, const std::wstring& name) {
  unique_hkey key;
  return ::RegOpenKeyExW(HKEY_CURRENT_USER, Utf8ToWide(path).c_str(), 0, KEY_READ, key.put()) ==
             ERROR_SUCCESS &&
         ::RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
             ERROR_SUCCESS;
}

// Every value below Path (type and raw bytes as the wide API gives them) and every key, in
// byte order of their paths: the registry's content, read without the program's own classes.
using TSnapshot =
    std::map<std::tuple<std::wstring, std::wstring, bool>, std::pair<DWORD, std::string>>;
void Snap(HKEY root, const std::wstring& path, TSnapshot& out) {
  unique_hkey key;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
  out[{path, L"", true}] = {};
  wchar_t name[1024];
  for (DWORD i = 0;; ++i) {
    DWORD length = 1024, type = 0, size = 0;
    if (::RegEnumValueW(key.get(), i, name, &length, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      break;
    std::string data(size, '\0');
    length = 1024;
    ::RegEnumValueW(key.get(), i, name, &length, nullptr, &type,
                    reinterpret_cast<BYTE*>(data.data()), &size);
    out[{path, std::wstring(name, length), false}] = {type, data};
  }
  std::vector<std::wstring> children;
  for (DWORD i = 0;; ++i) {
    DWORD length = 1024;
    if (::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    children.emplace_back(name, length);
  }
  for (const std::wstring& child : children) Snap(root, path + L"\\" + child, out);
}

class RegistryCleanerTest : public ::testing::Test {
 protected:
  // The scratch key with everything in it, links removed as links (a plain tree deletion would
  // follow them).
  static void DropScratch() {
    TExRegistry reg(KEY_ALL_ACCESS);
    try {
      if (reg.OpenKey("Software\\TidewhiskTest", false)) reg.DeleteKeyTree("Cleaners");
    } catch (const ERegistryException&) {
    }
  }
  void SetUp() override {
    DropScratch();
    key_ = Create(HKEY_CURRENT_USER, kScratch);
    item_ = TXmlDocument::Create();
    ASSERT_TRUE(item_.LoadXML("<Item id=\"g99-i01\"/>"));
    assist_ = TXmlDocument::Create();
    ASSERT_TRUE(assist_.LoadXML("<Item id=\"g07-i13\"/>"));
  }
  void TearDown() override {
    key_.reset();
    // Keys a test locked get their rights back first, also when the test failed half-way.
    for (const char* locked : {"\\RO", "\\P\\locked"}) {
      unique_hkey key;
      PSECURITY_DESCRIPTOR full = nullptr;
      if (::RegOpenKeyExA(HKEY_CURRENT_USER, (kScratch + locked).c_str(), 0, WRITE_DAC, key.put()) ==
              ERROR_SUCCESS &&
          ::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KA;;;WD)", SDDL_REVISION_1,
                                                                 &full, nullptr)) {
        ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, full);
        ::LocalFree(full);
      }
    }
    DropScratch();
    for (const std::string& file : files_) ::DeleteFileA(file.c_str());
  }

  template <class T>
  std::unique_ptr<T> Make(const std::string& subkey, TXmlNode node = {}) {
    auto object = std::make_unique<T>(
        nullptr, [](TCustomWorkObject*) {},
        [this](TWorkObject*, TWorkDataPtr data) { log_.push_back(data->Text); },
        node ? node : item_.Root());
    object->Key = "HKEY_CURRENT_USER";
    object->Subkey = subkey;
    return object;
  }
  void Clean(TRegistryObject& object, bool backups) {
    log_.clear();
    object.CleanMode = true;
    if (backups)
      object.OnBackup = [this](TWorkObject*, TWorkDataPtr data) {
        log_.push_back("backup " + data->Text);
      };
    object.Execute();
    files_.insert(files_.end(), object.BackupFiles.begin(), object.BackupFiles.end());
  }
  static std::vector<std::string> Lines(const TWorkObject& object) {
    std::vector<std::string> lines;
    for (int i = 0; i < object.Found.Count(); ++i) lines.push_back(object.Found.Text(i));
    return lines;
  }

  ComApartment com_;
  unique_hkey key_;
  TXmlDocument item_, assist_;
  std::vector<std::string> log_;
  std::vector<std::string> files_;
};

TEST_F(RegistryCleanerTest, ValueLinesByTypeAndAnExactClean) {
  Put(key_.get(), L"url1", REG_SZ, Wide(std::wstring(L"http://a\0x\0", 11)));
  Put(key_.get(), L"url2", REG_EXPAND_SZ, Wide(std::wstring(L"%TEMP%\0", 7)));
  Put(key_.get(), L"File1", REG_DWORD, std::string("\xfb\xff\xff\xff", 4));
  Put(key_.get(), L"bin", REG_BINARY, "\x01\x02");
  Put(key_.get(), L"multi", REG_MULTI_SZ, Wide(std::wstring(L"a\0\0", 3)));
  Put(key_.get(), L"a|b", REG_SZ, Wide(std::wstring(L"c\0", 2)));
  Put(key_.get(), L"a", REG_SZ, Wide(std::wstring(L"keep\0", 5)));

  auto object = Make<TDeleteValuesObject>(kScratch);
  // One expression per name keeps the order; "l1$" lists url1 a second time.
  object->ValueFilter = "^url1$;^url2$;^File1$;l1$;^bin$;^multi$;\\|";
  object->Execute();
  EXPECT_EQ(Lines(*object),
            (std::vector<std::string>{"url1|http://a", "url2|%TEMP%", "File1|-5", "url1|http://a",
                                      "bin|hex:01,02", "multi|hex(7):61,00,00", "a|b|c"}));
  EXPECT_EQ(log_, Lines(*object));
  EXPECT_EQ(object->Found.Record(0).Size, 22);
  EXPECT_EQ(object->Found.Record(2).Size, 4);

  // The ROT13 item shows every value as hex; a string cannot be, and says so.
  auto assist = Make<TDeleteValuesObject>(kScratch, assist_.Root());
  assist->ValueFilter = "^File1$;^bin$;^url2$";
  assist->Execute();
  EXPECT_EQ(Lines(*assist),
            (std::vector<std::string>{"File1|Binary data", "bin|hex:01,02", "url2|Binary data"}));

  object->Found.Record(1).Checked = false;
  Clean(*object, false);
  EXPECT_EQ(log_, (std::vector<std::string>{"url1", "File1", "url1", "bin", "multi", "a|b"}));
  EXPECT_FALSE(HasValue(kScratch, L"url1"));
  EXPECT_TRUE(HasValue(kScratch, L"url2"));
  EXPECT_FALSE(HasValue(kScratch, L"a|b"));
  EXPECT_TRUE(HasValue(kScratch, L"a"));  // never a part of the finding's text
  for (int i = 0; i < object->Found.Count(); ++i)
    EXPECT_TRUE(object->Found.Record(i).CleanSucceeded) << i;
}

TEST_F(RegistryCleanerTest, MissingKeysAndRootsEndTheRun) {
  for (auto [key, subkey] :
       {std::pair<std::string, std::string>{"HKEY_CURRENT_USER", kScratch + "\\none"},
        {"HKEY_NOWHERE", kScratch},
        {"HKU", kScratch}}) {
    auto object = Make<TDeleteSubkeysObject>(subkey);
    object->Key = key;
    try {
      object->Execute();
      ADD_FAILURE() << key;
    } catch (const ERegistryException& e) {
      EXPECT_EQ(std::string(e.what()), "Subkey \"" + key + "\\" + subkey + "\" not found.");
    }
  }
}

TEST_F(RegistryCleanerTest, ReplaceValuesKeepsEveryType) {
  Put(key_.get(), L"zero", REG_DWORD, std::string(4, '\0'));
  Put(key_.get(), L"one", REG_DWORD, std::string("\1\0\0\0", 4));
  Put(key_.get(), L"bin", REG_BINARY, "\x05");
  Put(key_.get(), L"empty", REG_SZ, Wide(std::wstring(L"\0", 1)));
  Put(key_.get(), L"same", REG_SZ, Wide(std::wstring(L"0\0", 2)));
  Put(key_.get(), L"text", REG_SZ, Wide(std::wstring(L"x\0", 2)));
  Put(key_.get(), L"path", REG_EXPAND_SZ, Wide(std::wstring(L"%y%\0", 4)));
  auto object = Make<TReplaceValuesObject>(kScratch);
  object->NewValue = "0";
  object->Execute();
  std::vector<std::string> lines = Lines(*object);
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{"bin|hex:05", "one|1", "path|%y%", "text|x"}));

  Clean(*object, false);
  TExRegistry reg(KEY_READ);
  ASSERT_TRUE(reg.OpenKey(kScratch, false));
  EXPECT_EQ(reg.ReadValue("one")->Data, std::string(4, '\0'));
  EXPECT_EQ(reg.ReadValue("text")->Type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(reg.ReadValue("text")->Data, std::string("0\0", 2));
  EXPECT_EQ(reg.ReadValue("path")->Type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(reg.ReadValue("path")->Data, std::string("0\0", 2));
  EXPECT_EQ(reg.ReadValue("bin")->Data, "\x05");
  for (int i = 0; i < object->Found.Count(); ++i)
    EXPECT_EQ(object->Found.Record(i).CleanSucceeded, object->Found.Name(i) != "bin")
        << object->Found.Text(i);
}

TEST_F(RegistryCleanerTest, SubkeysWithTheirTrees) {
  Put(Create(key_.get(), "c1\\deep").get(), L"v", REG_SZ, Wide(std::wstring(L"1\0", 2)));
  Create(key_.get(), "c2");
  Create(key_.get(), "other");
  auto object = Make<TDeleteSubkeysObject>(kScratch);
  object->SubkeyFilter = "^c[0-9]+$";
  object->Execute();
  std::vector<std::string> lines = Lines(*object);
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{"c1|", "c2|"}));
  Clean(*object, false);
  TExRegistry reg(KEY_READ);
  EXPECT_FALSE(reg.KeyExists(kScratch + "\\c1"));
  EXPECT_FALSE(reg.KeyExists(kScratch + "\\c2"));
  EXPECT_TRUE(reg.KeyExists(kScratch + "\\other"));
}

// HKEY_USERS is reached through the current user's identifier, as the Internet Explorer
// registry mirror names it; the clean opens the same key without a second prefix.
TEST_F(RegistryCleanerTest, UsersHiveThroughTheMirror) {
  const std::string mirror =
      "Software\\Microsoft\\Internet Explorer\\InternetRegistry\\REGISTRY\\USER";
  TExRegistry probe(KEY_READ);
  if (probe.KeyExists(mirror)) GTEST_SKIP() << "this user already has a mirror key";
  auto object = Make<TDeleteValuesObject>(kScratch);
  object->Key = "HKEY_USERS";
  try {
    object->Execute();
    ADD_FAILURE();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(std::string(e.what()), "Subkey \"HKEY_USERS\\" + mirror + "\" not found.");
  }

  unique_handle token;
  ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()));
  char buffer[256];
  DWORD size = sizeof buffer;
  ASSERT_TRUE(::GetTokenInformation(token.get(), TokenUser, buffer, size, &size));
  char* sid = nullptr;
  ASSERT_TRUE(::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid));
  const std::string user = sid;
  ::LocalFree(sid);
  Create(HKEY_CURRENT_USER, mirror + "\\" + user);
  Put(key_.get(), L"v", REG_SZ, Wide(std::wstring(L"1\0", 2)));

  object->Execute();
  EXPECT_EQ(object->Subkey, user + "\\" + kScratch);
  EXPECT_EQ(Lines(*object), std::vector<std::string>{"v|1"});
  Clean(*object, false);
  EXPECT_EQ(object->Subkey, user + "\\" + kScratch);
  EXPECT_FALSE(HasValue(kScratch, L"v"));
  ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\InternetRegistry");
}

TEST_F(RegistryCleanerTest, BackupsComeFirstAndGuardEveryChange) {
  Put(key_.get(), L"a", REG_SZ, Wide(std::wstring(L"1\0", 2)));
  Put(key_.get(), L"odd", REG_SZ, "abc");  // three bytes: no exact text for it
  Put(key_.get(), L"b", REG_DWORD, std::string("\2\0\0\0", 4));
  auto object = Make<TDeleteValuesObject>(kScratch);
  object->ValueFilter = "^a$;^odd$;^b$";
  object->Execute();
  Clean(*object, true);
  ASSERT_EQ(object->BackupFiles.size(), 1u);
  const std::string file = object->BackupFiles[0];
  EXPECT_EQ(file.rfind(BackupFolder() + "g99-i01 (", 0), 0u) << file;
  // "REGEDIT4", this user's mark, then the export.
  std::string text = LoadBackupText(file);
  EXPECT_TRUE(HasUserMark(text));
  const std::size_t mark = text.find("\r\n") + 2;
  EXPECT_EQ(text.compare(mark, 22, "; Tidewhisk backup of "), 0) << text;
  text.erase(mark, text.find("\r\n", mark) + 2 - mark);
  EXPECT_EQ(text, "REGEDIT4\r\n" + std::string(kHexTypesLine) + "\r\n\r\n[HKEY_CURRENT_USER\\" +
                      kScratch + "]\r\n\"a\"=\"1\"\r\n\"b\"=dword:00000002\r\n");
  EXPECT_EQ(log_, (std::vector<std::string>{"backup a|1", "a", "odd", "backup b|2", "b"}));
  EXPECT_TRUE(HasValue(kScratch, L"odd"));
  EXPECT_FALSE(HasValue(kScratch, L"a"));
  EXPECT_FALSE(object->Found.Record(1).CleanSucceeded);
  EXPECT_TRUE(object->Found.Record(2).CleanSucceeded);

  // A second clean at once writes a second file.
  Put(key_.get(), L"a", REG_SZ, Wide(std::wstring(L"1\0", 2)));
  Clean(*object, true);
  ASSERT_EQ(object->BackupFiles.size(), 1u);
  EXPECT_NE(object->BackupFiles[0], file);

  // Without an item id there is no backup file, so nothing changes.
  Put(key_.get(), L"a", REG_SZ, Wide(std::wstring(L"1\0", 2)));
  auto anonymous = std::make_unique<TDeleteValuesObject>(
      nullptr, [](TCustomWorkObject*) {}, nullptr, TXmlNode());
  anonymous->Key = "HKCU";
  anonymous->Subkey = kScratch;
  anonymous->Execute();
  Clean(*anonymous, true);
  EXPECT_TRUE(anonymous->BackupFiles.empty());
  EXPECT_TRUE(HasValue(kScratch, L"a"));
  for (int i = 0; i < anonymous->Found.Count(); ++i)
    EXPECT_FALSE(anonymous->Found.Record(i).CleanSucceeded);
}

// A clean of registry findings with backups, then a restore of its backup files, gives back
// exactly the registry that was there before.
TEST_F(RegistryCleanerTest, CleanThenRestoreGivesBackTheSameRegistry) {
  std::string longBinary;
  for (int i = 0; i < 700; ++i) longBinary += static_cast<char>(i * 37);
  unique_hkey a = Create(key_.get(), "A"), c = Create(key_.get(), "C");
  Put(a.get(), L"", REG_SZ, Wide(std::wstring(L"default\0", 8)));
  Put(a.get(), L"q\"uo\\te=", REG_SZ, Wide(std::wstring(L"C:\\\"x\" = y\0", 11)));
  Put(a.get(), L"caf\u00e9 \u65e5\u672c", REG_SZ,
      Wide(std::wstring(L"d\u00e9j\u00e0 \U0001F600\0", 9)));
  Put(a.get(), L"pipe|name", REG_EXPAND_SZ, Wide(std::wstring(L"%TEMP%\\x\0", 9)));
  Put(a.get(), L"multi", REG_MULTI_SZ, Wide(std::wstring(L"one\0tw\u00f6\0\0", 9)));
  Put(a.get(), L"embedded nul", REG_SZ, Wide(std::wstring(L"a\0b\0", 4)));
  Put(a.get(), L"no terminator", REG_SZ, Wide(L"abc"));
  Put(a.get(), L"line breaks", REG_SZ, Wide(std::wstring(L"a\r\nb\0", 5)));
  Put(a.get(), L"dword", REG_DWORD, std::string("\xff\xfe\xfd\x7f", 4));
  Put(a.get(), L"qword", REG_QWORD, std::string("\1\2\3\4\5\6\7\x08", 8));
  Put(a.get(), L"big endian", REG_DWORD_BIG_ENDIAN, std::string("\0\0\0\1", 4));
  Put(a.get(), L"link", REG_LINK, Wide(L"\\Registry\\x"));
  for (DWORD type : {8u, 9u, 10u, 0x1234u})
    Put(a.get(), L"type " + std::to_wstring(type), type, "\x01\x02\x03");
  Put(a.get(), L"long", REG_BINARY, longBinary);
  Put(a.get(), L"empty sz", REG_SZ, "");
  Put(a.get(), L"empty binary", REG_BINARY, "");
  Put(a.get(), L"empty dword", REG_DWORD, "");
  Put(a.get(), L"empty none", REG_NONE, "");
  {
    unique_hkey b1 = Create(key_.get(), "B\\k\"=|\u00e9 \u65e5"),
                deep = Create(key_.get(), "B\\k\"=|\u00e9 \u65e5\\deep");
    Create(key_.get(), "B\\k\"=|\u00e9 \u65e5\\empty");
    Create(key_.get(), "B\\empty");
    Put(b1.get(), L"", REG_BINARY, longBinary.substr(0, 100));
    Put(deep.get(), L"x\\y", REG_MULTI_SZ, "");
  }
  Put(c.get(), L"text", REG_SZ, Wide(std::wstring(L"x\0", 2)));
  Put(c.get(), L"path", REG_EXPAND_SZ, Wide(std::wstring(L"%y%\0", 4)));
  Put(c.get(), L"count", REG_DWORD, std::string("\7\0\0\0", 4));
  Put(c.get(), L"bin", REG_BINARY, "\x05");
  a.reset();
  c.reset();

  const std::wstring root = Utf8ToWide(kScratch);
  TSnapshot before;
  Snap(HKEY_CURRENT_USER, root, before);
  auto fullExport = [&] {
    TTidewhiskReg reg(KEY_READ);
    reg.BeginExport();
    reg.ExportKeyTree(kScratch);
    return reg.EndExport();
  };
  const std::string exportBefore = fullExport();

  // The clean, as the program runs it, from a scan database.
  const std::string base = "HKEY_CURRENT_USER\\" + kScratch;
  auto item = [](const std::string& id, const std::string& action) {
    return "<Item id=\"" + id +
           "\" icon=\"x\" enabled=\"true\" mode=\"0000000\" checked=\"true\">"
           "<en name=\"n\" info=\"i\"/>" +
           action + "</Item>";
  };
  const std::string xml =
      "<?xml version=\"1.0\"?><Database version=\"1\"><Group id=\"g99\" icon=\"x\"><en name=\"n\" "
      "info=\"i\"/>" +
      item("g99-i01", "<Action method=\"DeleteValues\" key=\"HKEY_CURRENT_USER\" subkey=\"" +
                          kScratch + "\\A\" valueFilter=\"\"/>") +
      item("g99-i02", "<Action method=\"DeleteSubkeys\" key=\"HKCU\" subkey=\"" + kScratch +
                          "\\B\" subkeyFilter=\"\"/>") +
      item("g99-i03", "<Action method=\"ReplaceValues\" key=\"HKEY_CURRENT_USER\" subkey=\"" +
                          kScratch + "\\C\" newValue=\"0\" valueFilter=\"\"/>") +
      "</Group></Database>";
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  const std::string dbFile = std::string(temp) + "tw_registry_roundtrip.xml";
  WriteFileAtomic(dbFile, xml);
  TXMLDatabase database;
  ASSERT_TRUE(database.Load(dbFile, false));
  ::DeleteFileA(dbFile.c_str());

  TQueueSynchronizer sync;
  TFakeScanEvents events;
  TScanMgr manager(sync, events, CleanerBuilders(), 1, true);
  bool finished = false;
  int backups = 0;
  events.WorkDone = [&](TCustomWorkObject* sender) {
    if (sender == manager.WorkObjects.back().get()) finished = true;
  };
  manager.Scan(database.Document, pmAdvanced);
  sync.RunUntil([&] { return finished; });
  ASSERT_EQ(manager.WorkObjects.size(), 4u);
  for (const auto& object : manager.WorkObjects) {
    EXPECT_EQ(object->ErrorMessage, "");
    object->OnBackup = [&](TWorkObject*, TWorkDataPtr) { ++backups; };
  }
  finished = false;
  manager.Clean();
  sync.RunUntil([&] { return finished; });

  std::vector<std::string> files;
  for (const auto& object : manager.WorkObjects)
    if (auto* registry = dynamic_cast<TRegistryObject*>(object.get()))
      files.insert(files.end(), registry->BackupFiles.begin(), registry->BackupFiles.end());
  files_ = files;
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(backups, 21 + 2 + 4);
  TSnapshot cleaned;
  Snap(HKEY_CURRENT_USER, root, cleaned);
  EXPECT_EQ(cleaned.size(), 4u + 4);  // the key and A, B, C, with C's four values
  EXPECT_NE(fullExport(), exportBefore);

  for (const std::string& file : files) {
    const TRestoreReport report = RestoreBackup(file);
    EXPECT_TRUE(report.AllRestored()) << file;
  }
  TSnapshot after;
  Snap(HKEY_CURRENT_USER, root, after);
  EXPECT_EQ(after, before);
  EXPECT_EQ(fullExport(), exportBefore);
}

bool HasPartialError(const TWorkObject& object, const std::string& className,
                     const std::string& part) {
  for (const ErrorInfo& error : object.PartialErrors)
    if (error.className == className && error.message.find(part) != std::string::npos) return true;
  return false;
}

// Sets the key's rights to SDDL's DACL (the key stays this user's, who may set them back).
void SetRights(const std::string& path, const char* sddl) {
  unique_hkey key;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, Utf8ToWide(path).c_str(), 0, READ_CONTROL | WRITE_DAC,
                            key.put()),
            ERROR_SUCCESS);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                                      nullptr));
  EXPECT_EQ(::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
  ::LocalFree(descriptor);
}

// The value removed is the value the scan listed: a value whose data changed since (a list that
// renumbered its entries) and a key made again since are left, each with its reason; the rest
// of the clean goes on, and the backup holds only what was removed.
TEST_F(RegistryCleanerTest, OnlyWhatTheScanListedIsRemoved) {
  Put(key_.get(), L"a", REG_SZ, Wide(std::wstring(L"listed\0", 7)));
  Put(key_.get(), L"b", REG_SZ, Wide(std::wstring(L"2\0", 2)));
  Create(key_.get(), "K\\s1");
  Create(key_.get(), "K\\s2");
  auto values = Make<TDeleteValuesObject>(kScratch);
  values->ValueFilter = "^a$;^b$";
  values->Execute();
  auto keys = Make<TDeleteSubkeysObject>(kScratch + "\\K");
  keys->Execute();
  ASSERT_EQ(keys->Found.Count(), 2);

  Put(key_.get(), L"a", REG_SZ, Wide(std::wstring(L"unticked entry\0", 15)));
  ::RegDeleteTreeA(HKEY_CURRENT_USER, (kScratch + "\\K\\s1").c_str());
  ::Sleep(50);
  Create(key_.get(), "K\\s1");
  Clean(*values, true);
  Clean(*keys, true);

  TExRegistry reg(KEY_READ);
  ASSERT_TRUE(reg.OpenKey(kScratch, false));
  EXPECT_EQ(reg.ReadValue("a")->Data, std::string("unticked entry\0", 15));
  EXPECT_FALSE(reg.ReadValue("b"));
  EXPECT_FALSE(values->Found.Record(0).CleanSucceeded);
  EXPECT_TRUE(values->Found.Record(1).CleanSucceeded);
  EXPECT_TRUE(HasPartialError(*values, "EEntryChanged", "\"a\""));
  EXPECT_TRUE(reg.KeyExists(kScratch + "\\K\\s1"));
  EXPECT_FALSE(reg.KeyExists(kScratch + "\\K\\s2"));
  for (int i = 0; i < keys->Found.Count(); ++i)
    EXPECT_EQ(keys->Found.Record(i).CleanSucceeded, keys->Found.Name(i) == "s2");
  EXPECT_TRUE(HasPartialError(*keys, "EEntryChanged", "s1"));
  ASSERT_EQ(values->BackupFiles.size(), 1u);
  EXPECT_EQ(LoadBackupText(values->BackupFiles[0]).find("unticked"), std::string::npos);
}

// A link key in a removed tree is removed as a link: what it points at stays whole, and the
// backup brings the link back.
TEST_F(RegistryCleanerTest, ALinkInARemovedTreeLeavesItsTargetIntact) {
  Put(Create(key_.get(), "Y\\child").get(), L"v", REG_SZ, Wide(std::wstring(L"1\0", 2)));
  Put(Create(key_.get(), "Y").get(), L"w", REG_SZ, Wide(std::wstring(L"2\0", 2)));
  unique_handle token;
  ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()));
  char buffer[256];
  DWORD size = sizeof buffer;
  ASSERT_TRUE(::GetTokenInformation(token.get(), TokenUser, buffer, size, &size));
  wchar_t* sid = nullptr;
  ASSERT_TRUE(::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid));
  const std::wstring target =
      std::wstring(L"\\Registry\\User\\") + sid + L"\\" + Utf8ToWide(kScratch) + L"\\Y";
  ::LocalFree(sid);
  {
    Create(key_.get(), "X\\sub");
    unique_hkey link;
    ASSERT_EQ(CreateLinkKey(key_.get(), "X\\sub\\lnk", KEY_ALL_ACCESS, link), ERROR_SUCCESS);
    Put(link.get(), L"SymbolicLinkValue", REG_LINK, Wide(target));
  }
  TSnapshot target0;
  Snap(HKEY_CURRENT_USER, Utf8ToWide(kScratch + "\\Y"), target0);
  auto object = Make<TDeleteSubkeysObject>(kScratch + "\\X");
  object->Execute();
  ASSERT_EQ(Lines(*object), std::vector<std::string>{"sub|"});
  Clean(*object, true);
  EXPECT_TRUE(object->Found.Record(0).CleanSucceeded);
  TExRegistry reg(KEY_READ);
  EXPECT_FALSE(reg.KeyExists(kScratch + "\\X\\sub"));
  TSnapshot target1;
  Snap(HKEY_CURRENT_USER, Utf8ToWide(kScratch + "\\Y"), target1);
  EXPECT_EQ(target1, target0);
  ASSERT_EQ(object->BackupFiles.size(), 1u);
  EXPECT_TRUE(RestoreBackup(object->BackupFiles[0]).AllRestored());
  ASSERT_TRUE(reg.OpenKey(kScratch + "\\X\\sub\\lnk\\child", false));  // the link again
  EXPECT_TRUE(reg.ReadValue("v"));
}

// A key this user may only read: the clean says why ("Access is denied"), not that it is missing;
// a subkey that cannot be removed (one this user may not enter) is not removed, with that reason.
TEST_F(RegistryCleanerTest, KeysThatCannotBeWrittenTellWhy) {
  Put(Create(key_.get(), "RO").get(), L"v", REG_SZ, Wide(std::wstring(L"1\0", 2)));
  Create(key_.get(), "P\\locked");
  auto values = Make<TDeleteValuesObject>(kScratch + "\\RO");
  values->Execute();
  auto keys = Make<TDeleteSubkeysObject>(kScratch + "\\P");
  keys->Execute();
  SetRights(kScratch + "\\RO", "D:P(A;;KR;;;WD)");
  SetRights(kScratch + "\\P\\locked", "D:P(A;;RC;;;WD)");
  try {
    Clean(*values, false);
    ADD_FAILURE();
  } catch (const EExRegistryException& e) {
    EXPECT_EQ(e.ErrorCode, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_NE(std::string(e.what()).find("cannot be opened for writing"), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).find("not found"), std::string::npos) << e.what();
  }
  Clean(*keys, false);
  EXPECT_FALSE(keys->Found.Record(0).CleanSucceeded);
  ASSERT_EQ(keys->PartialErrors.size(), 1u);
  EXPECT_EQ(keys->PartialErrors[0].className, "EExRegistryException");
  EXPECT_NE(keys->PartialErrors[0].message.find("Error 5"), std::string::npos)
      << keys->PartialErrors[0].message;
  TExRegistry reg(KEY_READ);
  EXPECT_EQ(reg.TryOpenKey(kScratch + "\\P\\locked", false), ERROR_ACCESS_DENIED);  // still there
}

}  // namespace
}  // namespace tw
