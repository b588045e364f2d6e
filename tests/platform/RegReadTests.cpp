#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/Handles.h"
#include "platform/RegRead.h"

namespace tw {
namespace {

const char* const kScratch = "Software\\TidewhiskTest\\RegRead";

void Put(HKEY key, const wchar_t* name, DWORD type, const std::wstring& text) {
  ASSERT_EQ(::RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.data()),
                             static_cast<DWORD>(text.size() * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

void PutBytes(HKEY key, const wchar_t* name, DWORD type, const std::string& bytes) {
  ASSERT_EQ(::RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
}

class RegRead : public ::testing::Test {
 protected:
  void SetUp() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                key_.put(), nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    key_.reset();
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
  }
  unique_hkey key_;
};

TEST_F(RegRead, TextsByType) {
  Put(key_.get(), L"sz", REG_SZ, std::wstring(L"C:\\d\u00e9j\u00e0\0", 8));
  Put(key_.get(), L"expand", REG_EXPAND_SZ, std::wstring(L"%TEMP%\\x\0", 9));
  // Without a terminator, and with text after an inner NUL.
  Put(key_.get(), L"bare", REG_SZ, L"bare");
  Put(key_.get(), L"inner", REG_SZ, std::wstring(L"one\0two\0", 8));
  Put(key_.get(), L"", REG_SZ, std::wstring(L"default\0", 8));
  PutBytes(key_.get(), L"bin", REG_BINARY, "ab");
  const TRegReadKey key(HKEY_CURRENT_USER, kScratch);
  ASSERT_TRUE(key.IsOpen());
  EXPECT_EQ(key.Text("sz"), "C:\\d\xC3\xA9j\xC3\xA0");
  EXPECT_EQ(key.Text("expand"), "%TEMP%\\x");  // not expanded
  EXPECT_EQ(key.Text("bare"), "bare");
  EXPECT_EQ(key.Text("inner"), "one");
  EXPECT_EQ(key.Text(""), "default");
  EXPECT_FALSE(key.Text("bin"));
  EXPECT_FALSE(key.Text("missing"));
  const std::optional<TRegData> bin = key.Value("bin");
  ASSERT_TRUE(bin);
  EXPECT_EQ(bin->Type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(bin->Bytes, "ab");
  EXPECT_FALSE(key.Value("missing"));
}

TEST_F(RegRead, LinesAndNumbers) {
  Put(key_.get(), L"multi", REG_MULTI_SZ, std::wstring(L"a\0b\u00e9\0\0", 6));
  // No list terminator, and an empty string that ends the list early.
  Put(key_.get(), L"cut", REG_MULTI_SZ, std::wstring(L"a\0b", 3));
  Put(key_.get(), L"gap", REG_MULTI_SZ, std::wstring(L"a\0\0b\0\0", 6));
  Put(key_.get(), L"single", REG_SZ, std::wstring(L"one\0", 4));
  Put(key_.get(), L"blank", REG_SZ, std::wstring(L"\0", 1));
  PutBytes(key_.get(), L"dword", REG_DWORD, std::string("\x2A\0\0\0", 4));
  PutBytes(key_.get(), L"short", REG_DWORD, std::string("\x2A\0", 2));
  const TRegReadKey key(HKEY_CURRENT_USER, kScratch);
  using Lines = std::vector<std::string>;
  EXPECT_EQ(key.Lines("multi"), (Lines{"a", "b\xC3\xA9"}));
  EXPECT_EQ(key.Lines("cut"), (Lines{"a", "b"}));
  EXPECT_EQ(key.Lines("gap"), (Lines{"a"}));
  EXPECT_EQ(key.Lines("single"), (Lines{"one"}));
  EXPECT_EQ(key.Lines("blank"), Lines{});
  EXPECT_FALSE(key.Lines("dword"));
  EXPECT_FALSE(key.Lines("missing"));
  EXPECT_EQ(key.Dword("dword"), 42u);
  EXPECT_FALSE(key.Dword("short"));
  EXPECT_FALSE(key.Dword("single"));
}

TEST_F(RegRead, MissingKeyAndKeysOpenedElsewhere) {
  const TRegReadKey missing(HKEY_CURRENT_USER, std::string(kScratch) + "\\none");
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_EQ(missing.Error(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(missing.Value(""));
  EXPECT_FALSE(missing.Text("sz"));

  Put(key_.get(), L"sz", REG_SZ, std::wstring(L"x\0", 2));
  {
    const TRegReadKey borrowed(key_.get());
    EXPECT_EQ(borrowed.Text("sz"), "x");
  }
  // The borrowed key stays open for its owner.
  DWORD values = 0;
  EXPECT_EQ(::RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               &values, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, 1u);
}

// The 32-bit programs' view is chosen by the view flag.
TEST(RegReadViews, Wow64ViewFlag) {
  const char* name = "Software\\TidewhiskTestReadView";
  ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, name, KEY_WOW64_32KEY, 0);
  ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, name, KEY_WOW64_64KEY, 0);
  unique_hkey key32;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, name, 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, key32.put(), nullptr),
            ERROR_SUCCESS);
  Put(key32.get(), L"bits", REG_SZ, std::wstring(L"32\0", 3));
  EXPECT_EQ(TRegReadKey(HKEY_LOCAL_MACHINE, name, KEY_WOW64_32KEY).Text("bits"), "32");
  EXPECT_FALSE(TRegReadKey(HKEY_LOCAL_MACHINE, name, KEY_WOW64_64KEY).IsOpen());
  key32.reset();
  ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, name, KEY_WOW64_32KEY, 0);
}

}  // namespace
}  // namespace tw
