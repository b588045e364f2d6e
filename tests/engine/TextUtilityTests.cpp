#include <gtest/gtest.h>

#include <map>

#include "engine/portable/TextUtility.h"

namespace tw {
namespace {

TEST(FieldList, TakesQuotedAndPlainFieldsAndStopsCountingAtAnEmptyField) {
  struct Case {
    const char* text;
    int count;
    std::vector<std::string> fields;  // GetField 1, 2, ...
  };
  const Case cases[] = {
      {"\"a;b\";c", 2, {"a;b", "c"}},
      {"\"ab\";c", 2, {"\"ab\"", "c"}},           // quotes kept: no separator inside
      {"\"a;b\";\"c;d\"", 2, {"a;b", "c;d"}},
      {"one.exe;;two.exe", 1, {"one.exe", "", "two.exe"}},
      {"a;b;", 2, {"a", "b", ""}},
      {"", 0, {""}},
      {"\"a;b", 1, {"a;"}},                        // no closing quote: the rest is the field
      {"\"", 1, {"\"", ""}},
      {"x", 1, {"x", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FieldCount(c.text), c.count);
    for (std::size_t i = 0; i < c.fields.size(); ++i)
      EXPECT_EQ(GetField(c.text, static_cast<int>(i) + 1), c.fields[i]) << "field " << i + 1;
  }
  EXPECT_EQ(GetField("a|b", 2, '|'), "b");
  EXPECT_EQ(GetField("a;b", 0), "");
}

TEST(Rot13, RotatesAsciiLettersOnlyAndIsItsOwnInverse) {
  EXPECT_EQ(Rot13("Hello, World-123 az AZ mn MN"), "Uryyb, Jbeyq-123 nm NM za ZA");
  const std::string text = "C:\\Program Files\\Tool.exe \xE9";
  EXPECT_EQ(Rot13(Rot13(text)), text);
}

TEST(Csidl, LooksNamesUpWithoutRegardToCase) {
  EXPECT_EQ(CsidlFromName("csidl_cookies"), 33);
  EXPECT_EQ(CsidlFromName("CSIDL_DESKTOP"), 0);
  EXPECT_EQ(CsidlFromName("CSIDL_DESKTOPDIRECTORY"), 16);
  EXPECT_EQ(CsidlFromName("CSIDL_COMMON_APPDATA"), 35);
  EXPECT_EQ(CsidlFromName("CSIDL_COOKIE"), -1);
  EXPECT_EQ(CsidlFromName("CSIDL_MYMUSIC"), -1);
  EXPECT_EQ(CsidlFromName(""), -1);
}

TEST(Macros, ExpandLeadingEnvironmentVariables) {
  const std::map<std::string, std::string> env = {
      {"WINDIR", "C:\\windows"}, {"TEMP", "C:\\t"}, {"LOCALAPPDATA", "C:\\u\\local"}};
  auto getEnv = [&](const std::string& name) {
    auto it = env.find(name);
    return it == env.end() ? std::string() : it->second;
  };
  const std::pair<const char*, const char*> cases[] = {
      {"%WINDIR%\\HH.EXE", "C:\\windows\\HH.EXE"},
      {"%LOCALAPPDATA%\\Temp", "C:\\u\\local\\Temp"},
      {"%TEMP%", "C:\\t"},
      {"%UNSET%\\sub", "\\sub"},
      {"%UNSET%", ""},
      {"C:\\plain\\path", "C:\\plain\\path"},
      {"%TEMP", "%TEMP"},
      {"%NOCLOSE\\sub", "%NOCLOSE\\sub"},
      {"", ""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ExpandEnvPathWith(text, getEnv), expected) << text;
}

TEST(Macros, ResolveFolderNamesWithAndWithoutSubpath) {
  auto folder = [](int id) { return id < 0 ? std::string() : "F" + std::to_string(id) + "\\"; };
  EXPECT_EQ(ResolveFolderMacroWith("CSIDL_COOKIES\\Low", folder), "F33\\Low");
  EXPECT_EQ(ResolveFolderMacroWith("csidl_internet_cache", folder), "F32\\");
  EXPECT_EQ(ResolveFolderMacroWith("CSIDL_BOGUS\\sub\\x", folder), "sub\\x");
  EXPECT_EQ(ResolveFolderMacroWith("CSIDL_BOGUS", folder), "");
}

TEST(Macros, SystemFolderTestIsExactAndAddsTheBackslash) {
  auto getEnv = [](const std::string& name) -> std::string {
    if (name == "ProgramFiles") return "C:\\Program Files";
    if (name == "SystemRoot" || name == "WinDir") return "C:\\windows";
    return {};
  };
  EXPECT_TRUE(IsSystemFolderWith("C:\\windows", getEnv));
  EXPECT_TRUE(IsSystemFolderWith("C:\\windows\\", getEnv));
  EXPECT_TRUE(IsSystemFolderWith("C:\\Program Files\\", getEnv));
  EXPECT_FALSE(IsSystemFolderWith("C:\\WINDOWS", getEnv));
  EXPECT_FALSE(IsSystemFolderWith("C:\\windows\\temp", getEnv));
  EXPECT_FALSE(IsSystemFolderWith("", [](const std::string&) { return std::string("C:\\x"); }));
}

TEST(OsKind, ClassifiesVersionNumbers) {
  struct Case {
    unsigned platform, major, minor;
    const char* text;
    std::uint16_t sp;
    int kind;
  };
  const Case cases[] = {
      {1, 4, 0, "", 0, 1},      {1, 4, 0, "B", 0, 2},     {1, 4, 0, "C", 0, 1},
      {1, 4, 10, "", 0, 3},     {1, 4, 1, "A", 0, 4},     {1, 4, 10, "A", 0, 4},
      {1, 4, 90, "", 0, 5},     {1, 4, 9, "", 0, 5},      {1, 4, 3, "", 0, 0},
      {2, 3, 51, "", 0, 6},     {2, 4, 0, "", 0x0600, 7}, {2, 5, 0, "", 0, 8},
      {2, 5, 0, "", 0x0100, 9}, {2, 5, 0, "", 0x0300, 11}, {2, 5, 0, "", 0x0400, 12},
      {2, 5, 0, "", 0x0001, 12}, {2, 5, 1, "", 0, 13},    {2, 5, 1, "", 0x0100, 14},
      {2, 5, 1, "", 0x0200, 15}, {2, 5, 1, "", 0x0300, 16}, {2, 5, 2, "", 0x0200, 17},
      {2, 5, 3, "", 0, 0},      {2, 6, 0, "", 0x0200, 18}, {2, 6, 1, "", 0x0100, 19},
      {2, 6, 3, "", 0, 19},     {2, 10, 0, "", 0, 19},    {2, 11, 0, "", 0, 19},
      {0, 5, 1, "", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OsKindOf(c.platform, c.major, c.minor, c.text, c.sp), c.kind)
        << c.platform << " " << c.major << "." << c.minor << " '" << c.text << "' sp " << c.sp;
  }
}

}  // namespace
}  // namespace tw
