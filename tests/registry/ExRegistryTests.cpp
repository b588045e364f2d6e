#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include <sddl.h>

#include "platform/Handles.h"
#include "platform/Text.h"
#include "registry/ExRegistry.h"
#include "registry/RegRestore.h"

namespace tw {
namespace {

const char* const kScratch = "Software\\TidewhiskTest\\ExRegistry";

// Writes a value through the wide API exactly as given (Data: raw bytes).
void Put(HKEY key, const std::wstring& name, DWORD type, const std::string& data) {
  ASSERT_EQ(::RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
}

std::string Wide(const std::wstring& text, bool terminated = true) {
  return std::string(reinterpret_cast<const char*>(text.c_str()),
                     (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
}

class ExRegistryTest : public ::testing::Test {
 protected:
  // The scratch key, links removed as links.
  static void DropScratch() {
    TExRegistry reg(KEY_ALL_ACCESS);
    try {
      if (reg.OpenKey("Software\\TidewhiskTest", false)) reg.DeleteKeyTree("ExRegistry");
    } catch (const ERegistryException&) {
    }
  }
  void SetUp() override {
    DropScratch();
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                key_.put(), nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    key_.reset();
    Unlock();
    DropScratch();
  }
  // The key a test locks gets its rights back (its owner may always change them).
  static void Unlock() {
    unique_hkey owner;
    PSECURITY_DESCRIPTOR full = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kScratch) + "\\t\\locked").c_str(), 0,
                        WRITE_DAC, owner.put()) == ERROR_SUCCESS &&
        ::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KA;;;WD)", SDDL_REVISION_1,
                                                               &full, nullptr)) {
      ::RegSetKeySecurity(owner.get(), DACL_SECURITY_INFORMATION, full);
      ::LocalFree(full);
    }
  }
  unique_hkey key_;
};

TEST_F(ExRegistryTest, ReadsWritesAndListsInUtf8) {
  Put(key_.get(), L"caf\u00e9", REG_SZ, Wide(L"d\u00e9j\u00e0 \u65e5"));
  Put(key_.get(), L"bin", REG_BINARY, "\x01\x02");
  TExRegistry reg(KEY_ALL_ACCESS);
  ASSERT_TRUE(reg.OpenKey("\\" + std::string(kScratch), false));
  EXPECT_EQ(reg.CurrentPath(), kScratch);
  std::vector<std::string> names = reg.GetValueNames();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"bin", "caf\xC3\xA9"}));
  const auto value = reg.ReadValue("caf\xC3\xA9");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->Type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value->Data, std::string("d\xC3\xA9j\xC3\xA0 \xE6\x97\xA5\0", 11));
  EXPECT_FALSE(reg.ReadValue("missing"));
  EXPECT_EQ(reg.ValueSize("bin"), 2);
  EXPECT_EQ(reg.ValueSize("missing"), -1);

  reg.WriteValue("\xE6\x97\xA5", REG_EXPAND_SZ, std::string("%x%\xC3\xA9\0", 6));
  wchar_t back[16] = {};
  DWORD type = 0, size = sizeof back;
  ASSERT_EQ(::RegQueryValueExW(key_.get(), L"\u65e5", nullptr, &type, reinterpret_cast<BYTE*>(back),
                               &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(std::wstring(back, size / 2), std::wstring(L"%x%\u00e9\0", 5));

  EXPECT_TRUE(reg.DeleteValue("bin"));
  EXPECT_TRUE(reg.DeleteValue("bin"));  // gone already: still gone
  EXPECT_FALSE(reg.ReadValue("bin"));
  EXPECT_FALSE(reg.OpenKey(std::string(kScratch) + "\\absent", false));
  EXPECT_TRUE(reg.OpenKey(std::string(kScratch) + "\\made", true));
  EXPECT_TRUE(reg.KeyExists(std::string(kScratch) + "\\made"));
}

TEST_F(ExRegistryTest, MultiStringsAndTheirErrors) {
  Put(key_.get(), L"multi", REG_MULTI_SZ,
      Wide(std::wstring(L"one\0t\u00e9o\0\0three\0", 16), false));
  Put(key_.get(), L"text", REG_SZ, Wide(L"x"));
  TExRegistry reg(KEY_READ);
  ASSERT_TRUE(reg.OpenKey(kScratch, false));
  std::vector<std::string> strings{"stale"};
  reg.ReadMultiSz("multi", strings);
  EXPECT_EQ(strings, (std::vector<std::string>{"one", "t\xC3\xA9o"}));

  strings = {"stale"};
  try {
    reg.ReadMultiSz("missing", strings);
    FAIL();
  } catch (const EExRegistryException& e) {
    EXPECT_EQ(e.ErrorCode, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    const std::string text = e.what();
    EXPECT_EQ(text.rfind("Error 2", 0), 0u) << text;
    EXPECT_NE(text.find("\n:Unable to read MULTI_SZ value"), std::string::npos) << text;
  }
  EXPECT_TRUE(strings.empty());
  strings = {"stale"};
  try {
    reg.ReadMultiSz("text", strings);
    FAIL();
  } catch (const EExRegistryException&) {
    FAIL() << "a type mismatch is not a system error";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "String list expected");
  }
  EXPECT_TRUE(strings.empty());
}

TEST_F(ExRegistryTest, BinaryAsHexForDisplay) {
  Put(key_.get(), L"bin", REG_BINARY, "\x01\xab");
  Put(key_.get(), L"empty", REG_BINARY, "");
  Put(key_.get(), L"multi", REG_MULTI_SZ, Wide(std::wstring(L"a\0", 2)));
  Put(key_.get(), L"custom", 0x20, "\xff");
  Put(key_.get(), L"text", REG_SZ, Wide(L"x"));
  Put(key_.get(), L"dword", REG_DWORD, std::string(4, '\0'));
  TTidewhiskReg reg(KEY_READ);
  ASSERT_TRUE(reg.OpenKey(kScratch, false));
  EXPECT_EQ(reg.ReadBinaryAsHex("bin"), "hex:01,ab");
  EXPECT_EQ(reg.ReadBinaryAsHex("empty"), "hex:");
  EXPECT_EQ(reg.ReadBinaryAsHex("multi"), "hex(7):61,00,00");
  EXPECT_EQ(reg.ReadBinaryAsHex("custom"), "hex(32):ff");
  EXPECT_EQ(reg.ReadBinaryAsHex("missing"), "");
  for (const char* name : {"text", "dword"}) {
    try {
      reg.ReadBinaryAsHex(name);
      ADD_FAILURE() << name;
    } catch (const ERegistryException& e) {
      EXPECT_STREQ(e.what(), "Not a REG_BINARY value");
    }
  }
}

TEST_F(ExRegistryTest, KeyTreeExportHoldsEmptyKeysAndRefusesWhatItCannotCarry) {
  unique_hkey a, b, c;
  ASSERT_EQ(::RegCreateKeyExA(key_.get(), "tree\\b", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              b.put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegCreateKeyExA(key_.get(), "tree\\a\\empty", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              c.put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegOpenKeyExA(key_.get(), "tree", 0, KEY_ALL_ACCESS, a.put()), ERROR_SUCCESS);
  Put(a.get(), L"z", REG_SZ, Wide(L"last"));
  Put(a.get(), L"", REG_SZ, Wide(L"default"));
  Put(b.get(), L"n", REG_DWORD, std::string("\x01\0\0\0", 4));

  TTidewhiskReg reg(KEY_READ);
  reg.RootKey = HKEY_CURRENT_USER;
  const std::string tree = std::string(kScratch) + "\\tree";
  reg.BeginExport();
  ASSERT_TRUE(reg.ExportKeyTree(tree));
  EXPECT_FALSE(reg.ExportKeyTree(tree + "\\absent"));
  const std::string root = "[HKEY_CURRENT_USER\\" + tree;
  EXPECT_EQ(reg.EndExport(), "REGEDIT4\r\n" + std::string(kHexTypesLine) + "\r\n\r\n" + root +
                                 "]\r\n@=\"default\"\r\n\"z\"=\"last\"\r\n\r\n" + root +
                                 "\\a]\r\n\r\n" + root + "\\a\\empty]\r\n\r\n" + root +
                                 "\\b]\r\n\"n\"=dword:00000001\r\n");

  // A string with a lone surrogate, or an odd number of bytes, cannot be written back exactly.
  for (const std::string& data : {std::string("\x00\xD8\0\0", 4), std::string("ab\0", 3)}) {
    Put(b.get(), L"odd", REG_SZ, data);
    reg.BeginExport();
    EXPECT_THROW(reg.ExportKeyTree(tree), ERegistryException);
    ASSERT_TRUE(reg.OpenKey(tree + "\\b", false));
    EXPECT_THROW(reg.ExportCurrentValue("odd"), ERegistryException);
    EXPECT_TRUE(reg.ExportCurrentValue("n"));
    EXPECT_FALSE(reg.ExportCurrentValue("absent"));
    reg.EndExport();
  }
}

TEST_F(ExRegistryTest, DeletesWholeTrees) {
  unique_hkey deep;
  ASSERT_EQ(::RegCreateKeyExA(key_.get(), "t\\x\\y\\z", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              deep.put(), nullptr),
            ERROR_SUCCESS);
  Put(deep.get(), L"v", REG_SZ, Wide(L"1"));
  deep.reset();
  TExRegistry reg(KEY_ALL_ACCESS);
  ASSERT_TRUE(reg.OpenKey(kScratch, false));
  EXPECT_TRUE(reg.DeleteKeyTree("t\\x"));
  EXPECT_FALSE(reg.KeyExists(std::string(kScratch) + "\\t\\x"));
  EXPECT_TRUE(reg.KeyExists(std::string(kScratch) + "\\t"));
  EXPECT_TRUE(reg.DeleteKeyTree("t\\x"));
  EXPECT_FALSE(reg.DeleteKeyTree(""));  // never the open key itself
}

// The registry's own name of a key of this user ("\Registry\User\S-1-5-...\Path").
std::wstring UserKeyName(const std::string& path) {
  unique_handle token;
  EXPECT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()));
  char buffer[256];
  DWORD size = sizeof buffer;
  EXPECT_TRUE(::GetTokenInformation(token.get(), TokenUser, buffer, size, &size));
  wchar_t* sid = nullptr;
  EXPECT_TRUE(::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid));
  std::wstring name = std::wstring(L"\\Registry\\User\\") + sid + L"\\" + Utf8ToWide(path);
  ::LocalFree(sid);
  return name;
}

// A link key inside a tree is deleted and exported as the link it is: what it points at keeps
// every value and key, and a restore of the export makes the link again.
TEST_F(ExRegistryTest, LinksAreNeverFollowed) {
  const std::string target = std::string(kScratch) + "\\target";
  unique_hkey t, deep;
  ASSERT_EQ(::RegCreateKeyExA(key_.get(), "target\\deep", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              deep.put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegOpenKeyExA(key_.get(), "target", 0, KEY_ALL_ACCESS, t.put()), ERROR_SUCCESS);
  Put(t.get(), L"keep", REG_SZ, Wide(L"1"));
  Put(deep.get(), L"keep too", REG_SZ, Wide(L"2"));
  const std::wstring to = UserKeyName(target);
  const std::string link = Wide(to, false);
  for (const char* at : {"tree\\sub\\link", "lone"}) {
    unique_hkey key;
    ASSERT_EQ(CreateLinkKey(key_.get(), at, KEY_ALL_ACCESS, key), ERROR_SUCCESS) << at;
    Put(key.get(), L"SymbolicLinkValue", REG_LINK, link);
  }
  TExRegistry reg(KEY_ALL_ACCESS);
  ASSERT_TRUE(reg.KeyExists(std::string(kScratch) + "\\tree\\sub\\link\\deep"));  // a real link

  TTidewhiskReg exporter(KEY_READ);
  exporter.BeginExport();
  ASSERT_TRUE(exporter.ExportKeyTree(std::string(kScratch) + "\\tree"));
  const std::string text = exporter.EndExport();
  EXPECT_EQ(text.find("keep"), std::string::npos) << text;
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\" + std::string(kScratch) +
                      "\\tree\\sub\\link]\r\n\"SymbolicLinkValue\"=hex(6):"),
            std::string::npos)
      << text;

  ASSERT_TRUE(reg.OpenKey(kScratch, false));
  EXPECT_TRUE(reg.DeleteKeyTree("tree"));
  EXPECT_TRUE(reg.DeleteKeyTree("lone"));
  EXPECT_FALSE(reg.KeyExists(std::string(kScratch) + "\\tree"));
  EXPECT_FALSE(reg.KeyExists(std::string(kScratch) + "\\lone"));
  ASSERT_TRUE(reg.OpenKey(target + "\\deep", false));
  EXPECT_TRUE(reg.ReadValue("keep too"));
  ASSERT_TRUE(reg.OpenKey(target, false));
  EXPECT_TRUE(reg.ReadValue("keep"));

  EXPECT_TRUE(RestoreRegText(text).AllRestored());
  ASSERT_TRUE(reg.OpenKey(std::string(kScratch) + "\\tree\\sub\\link", false));
  EXPECT_TRUE(reg.ReadValue("keep"));  // through the link again
  ASSERT_TRUE(reg.OpenKey(kScratch, false));
  EXPECT_TRUE(reg.DeleteKeyTree("tree"));
  EXPECT_TRUE(reg.KeyExists(target));
}

// A key this user may not enter is not deleted, and the reason says why.
TEST_F(ExRegistryTest, DeletionTellsTheRealError) {
  unique_hkey locked;
  ASSERT_EQ(::RegCreateKeyExA(key_.get(), "t\\locked", 0, nullptr, 0, KEY_ALL_ACCESS | WRITE_DAC,
                              nullptr, locked.put(), nullptr),
            ERROR_SUCCESS);
  PSECURITY_DESCRIPTOR readOnly = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;RC;;;WD)",
                                                                      SDDL_REVISION_1, &readOnly,
                                                                      nullptr));
  ASSERT_EQ(::RegSetKeySecurity(locked.get(), DACL_SECURITY_INFORMATION, readOnly), ERROR_SUCCESS);
  ::LocalFree(readOnly);
  locked.reset();
  TExRegistry reg(KEY_ALL_ACCESS);
  ASSERT_TRUE(reg.OpenKey(kScratch, false));
  try {
    reg.DeleteKeyTree("t");
    ADD_FAILURE();
  } catch (const EExRegistryException& e) {
    EXPECT_EQ(e.ErrorCode, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_NE(std::string(e.what()).find("Unable to delete key"), std::string::npos) << e.what();
  }
  // Still there: it cannot be opened, but it is not missing.
  EXPECT_EQ(reg.TryOpenKey(std::string(kScratch) + "\\t\\locked", false), ERROR_ACCESS_DENIED);
}

// The 32-bit programs' keys are read by their WOW6432Node path in the 64-bit view.
TEST(RegistryViews, Wow6432NodeByItsPath) {
  const char* name = "Software\\TidewhiskTestView";
  ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, name, KEY_WOW64_32KEY, 0);
  ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, name, KEY_WOW64_64KEY, 0);
  unique_hkey key32;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, name, 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, key32.put(), nullptr),
            ERROR_SUCCESS);
  Put(key32.get(), L"bits", REG_DWORD, std::string("\x20\0\0\0", 4));
  TExRegistry reg(KEY_READ);
  reg.RootKey = HKEY_LOCAL_MACHINE;
  EXPECT_FALSE(reg.OpenKey(name, false));
  ASSERT_TRUE(reg.OpenKey("Software\\WOW6432Node\\TidewhiskTestView", false));
  const auto value = reg.ReadValue("bits");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->Data, std::string("\x20\0\0\0", 4));
  reg.CloseKey();
  key32.reset();
  ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, name, KEY_WOW64_32KEY, 0);
}

}  // namespace
}  // namespace tw
