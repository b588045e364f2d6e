// The fixers in a program without the UTF-8 code-page manifest, as on Windows before 10 1903
// (where that setting is ignored): paths under a profile folder with letters outside ASCII must
// reach the file system as they are, so healthy entries stay healthy.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cleaners/registry/StartupFixers.h"
#include "database/XMLDatabase.h"
#include "platform/Com.h"
#include "platform/Handles.h"
#include "platform/Text.h"
#include "registry/ExRegistry.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

const std::string kScratch = "Software\\TidewhiskTest\\FixAnsi";
const std::string kBase = "C:\\tw_fix_ansi";
// "C:\tw_fix_ansi\Users\José" and a folder no Western code page can name.
const std::string kProfile = kBase + "\\Users\\Jos\xC3\xA9";
const std::string kOther = kBase + "\\\xD0\x96\xD0\xB0\xD0\xBD\xD0\xBD\xD0\xB0";

void PutString(const std::string& path, const std::string& name, const std::string& data,
               DWORD type = REG_SZ) {
  unique_hkey key;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, Utf8ToWide(path).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  const std::wstring text = Utf8ToWide(data);
  ASSERT_EQ(::RegSetValueExW(key.get(), Utf8ToWide(name).c_str(), 0, type,
                             reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

class RegistryFixAnsiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TidewhiskTest\\FixAnsi");
    for (const std::string& folder : {kProfile + "\\AppData\\App", kOther}) {
      fs::create_directories(fs::path(Utf8ToWide(folder)));
      unique_hfile file(::CreateFileW(Utf8ToWide(folder + "\\app.exe").c_str(), GENERIC_WRITE, 0,
                                      nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_TRUE(file) << folder;
    }
    ASSERT_TRUE(::SetEnvironmentVariableW(L"TW_FIX_PROFILE", Utf8ToWide(kProfile).c_str()));
    item_ = TXmlDocument::Create();
    ASSERT_TRUE(item_.LoadXML("<Item id=\"g00-i99\"/>"));
  }
  void TearDown() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TidewhiskTest\\FixAnsi");
    ::SetEnvironmentVariableW(L"TW_FIX_PROFILE", nullptr);
    std::error_code ignored;
    fs::remove_all(fs::path(Utf8ToWide(kBase)), ignored);
  }

  template <class T>
  std::vector<std::string> Findings(const std::string& subkey) {
    T object(nullptr, [](TCustomWorkObject*) {}, nullptr, item_.Root());
    object.Key = "HKEY_CURRENT_USER";
    object.Subkey = subkey;
    object.Execute();
    std::vector<std::string> lines;
    for (int i = 0; i < object.Found.Count(); ++i) lines.push_back(object.Found.Text(i));
    std::sort(lines.begin(), lines.end());
    return lines;
  }

  ComApartment com_;
  TXmlDocument item_;
};

TEST_F(RegistryFixAnsiTest, EntriesUnderAProfileWithAccentsAreHealthy) {
  // The premise: this program reads 8-bit text in a legacy code page.
  ASSERT_NE(::GetACP(), static_cast<UINT>(CP_UTF8));

  const std::string app = kProfile + "\\AppData\\App\\app.exe";
  const std::string run = kScratch + "\\Run";
  PutString(run, "plain", "\"" + app + "\" /min");
  PutString(run, "unquoted", app + " -s");
  PutString(run, "variable", "%TW_FIX_PROFILE%\\AppData\\App\\app.exe", REG_EXPAND_SZ);
  PutString(run, "other script", kOther + "\\app.exe");
  PutString(run, "gone", kProfile + "\\AppData\\App\\gone.exe");
  EXPECT_EQ(Findings<TRegFixRun>(run),
            std::vector<std::string>{"gone|" + kProfile + "\\AppData\\App\\gone.exe"});

  const std::string mui = kScratch + "\\MuiCache";
  PutString(mui, app + ".FriendlyAppName", "App");
  PutString(mui, kOther + "\\gone.exe.FriendlyAppName", "Gone");
  EXPECT_EQ(Findings<TRegFixMUICache>(mui),
            std::vector<std::string>{kOther + "\\gone.exe.FriendlyAppName|Gone"});
}

}  // namespace
}  // namespace tw
