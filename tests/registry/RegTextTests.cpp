#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/portable/RegText.h"

namespace tw {
namespace {

constexpr std::uint32_t kHkcu = 0x80000001;

std::string Bytes(std::initializer_list<int> bytes) {
  std::string out;
  for (int b : bytes) out += static_cast<char>(b);
  return out;
}

std::string Sequence(int count, int first = 0) {
  std::string out;
  for (int i = 0; i < count; ++i) out += static_cast<char>(first + i);
  return out;
}

TEST(RootKeys, NamesBothWays) {
  EXPECT_EQ(RootKeyTable().size(), 7u);
  for (const char* name : {"hkcu", "HKCU", "HKEY_CURRENT_USER", "hkey_current_user"})
    EXPECT_EQ(RootKeyFromName(name), kHkcu) << name;
  EXPECT_EQ(RootKeyFromName("HKUS"), 0x80000003u);
  EXPECT_EQ(RootKeyFromName("HKU"), kNoRootKey);
  EXPECT_EQ(RootKeyFromName(""), kNoRootKey);
  EXPECT_EQ(RootKeyName(0x80000006), "HKEY_DYN_DATA");
  EXPECT_EQ(RootKeyName(0x80000007), "");
}

TEST(RegExport, EscapingCountsAndStopsAtNul) {
  EXPECT_EQ(EscapeRegText("a\"b\\c"), "a\\\"b\\\\c");
  EXPECT_EQ(EscapeRegText("ab\"cd", 3), "ab\\\"");
  EXPECT_EQ(EscapeRegText(std::string("ab\0cd", 5)), "ab");
}

// One export through every form of value, compared line by line with the text it must give.
TEST(RegExport, LinesOfEveryForm) {
  TRegExportWriter w;
  w.Begin();
  w.AddLine("REGEDIT4");
  const std::string key = "Software\\Tw";
  w.Value("HKEY_CURRENT_USER", key, "", kRegSz, std::string("default\0", 8));
  w.Value("HKEY_CURRENT_USER", key, "q\"uo\\te=", kRegSz, std::string("C:\\\"x\"\0", 7));
  w.Value("HKEY_CURRENT_USER", key, "ten", kRegDword, Bytes({10, 0, 0, 0}));
  w.Value("HKEY_CURRENT_USER", key, "b", kRegBinary, Sequence(40));
  w.Value("HKEY_CURRENT_USER", key, "x", kRegExpandSz, std::string("%A%\0", 4));
  w.Value("HKEY_CURRENT_USER", key + "\\Sub", "m", kRegMultiSz, std::string("a\0b\0\0", 5));
  w.Value("HKEY_CURRENT_USER", key + "\\Sub", "q", kRegQword, Sequence(8, 1));
  // The same path under another root is another key.
  w.Value("HKEY_LOCAL_MACHINE", key + "\\Sub", "n", kRegNone, "");
  w.Value("", "Orphan", "e", kRegBinary, "");
  EXPECT_EQ(w.End(),
            "REGEDIT4\r\n"
            "; type numbers of hex(N) are hexadecimal\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Software\\Tw]\r\n"
            "@=\"default\"\r\n"
            "\"q\\\"uo\\\\te=\"=\"C:\\\\\\\"x\\\"\"\r\n"
            "\"ten\"=dword:0000000a\r\n"
            "\"b\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
            "  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27\r\n"
            "\"x\"=hex(2):25,41,25,00\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Software\\Tw\\Sub]\r\n"
            "\"m\"=hex(7):61,00,62,00,00\r\n"
            "\"q\"=hex(b):01,02,03,04,05,06,07,08\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Tw\\Sub]\r\n"
            "\"n\"=hex(0):\r\n"
            "\r\n"
            "[\\Orphan]\r\n"
            "\"e\"=hex:\r\n");
  EXPECT_FALSE(w.Active());
}

// String data the quoted form would change goes out in the hex form of its type; an empty
// value keeps its place and type.
TEST(RegExport, DataTheQuotedFormCannotCarry) {
  struct Case {
    std::uint32_t type;
    std::string data;
    std::string line;
  } cases[] = {
      {kRegSz, std::string("a\0b\0", 4), "\"v\"=hex(1):61,00,62,00"},
      {kRegSz, "ab", "\"v\"=hex(1):61,62"},
      {kRegSz, std::string("a\r\nb\0", 5), "\"v\"=hex(1):61,0d,0a,62,00"},
      {kRegSz, std::string("ab\0\0", 4), "\"v\"=hex(1):61,62,00,00"},
      {kRegSz, "", "\"v\"=hex(1):"},
      {kRegSz, std::string("\0", 1), "\"v\"=\"\""},
      {kRegDword, Bytes({1, 2, 3}), "\"v\"=hex(4):01,02,03"},
      {kRegDword, "", "\"v\"=hex(4):"},
      {kRegBinary, "", "\"v\"=hex:"},
  };
  for (const Case& c : cases) {
    TRegExportWriter w;
    w.Begin();
    w.Value("HKEY_CURRENT_USER", "K", "v", c.type, c.data);
    EXPECT_EQ(w.Lines().back(), c.line) << c.line;
  }
}

TEST(RegExport, WrappingAtTheLastByteLeavesAnIndentLine) {
  // "bb"=hex: and 22 pieces of 3 characters make 75; the 23rd and last piece wraps.
  TRegExportWriter w;
  w.Begin();
  w.Value("R", "K", "bb", kRegBinary, Sequence(23));
  const std::vector<std::string>& lines = w.Lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[3].size(), 9u + 22 * 3 + 2 + 1);
  EXPECT_EQ(lines[3].substr(lines[3].size() - 4), ",16\\");
  EXPECT_EQ(lines[4], "  ");
}

TEST(RegExport, ErrorsAndRollback) {
  TRegExportWriter w;
  EXPECT_EQ(w.End(), "");
  EXPECT_THROW(w.Value("R", "K", "v", kRegBinary, "x"), ERegistryException);
  try {
    w.KeyHeader("R", "K");
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "ExportStrings is not assigned");
  }
  w.Begin();
  w.Value("R", "K", "v", kRegBinary, "x");
  const auto mark = w.Mark();
  w.Value("R", "K2", "w", kRegBinary, "y");
  EXPECT_THROW(w.Value("R", "K2", "line\nbreak", kRegBinary, "y"), ERegistryException);
  EXPECT_THROW(w.KeyHeader("R", "K\r3"), ERegistryException);
  w.Rollback(mark);
  w.Value("R", "K", "z", kRegBinary, "z");
  EXPECT_EQ(w.End(), std::string(kHexTypesLine) + "\r\n\r\n[R\\K]\r\n\"v\"=hex:78\r\n\"z\"=hex:7a\r\n");
  // A second Begin starts over.
  w.Begin();
  w.Begin();
  w.AddLine("REGEDIT4");
  EXPECT_EQ(w.End(), "REGEDIT4\r\n");
  EXPECT_THROW(w.Value("R", "K", "v", kRegBinary, "x"), ERegistryException);
}

}  // namespace
}  // namespace tw
