#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/portable/RegImport.h"
#include "registry/portable/RegText.h"

namespace tw {
namespace {

struct Value {
  std::string name;
  std::uint32_t type;
  std::string data;
};

// Values that every export must carry back exactly.
std::vector<Value> AwkwardValues() {
  std::string longBinary;
  for (int i = 0; i < 700; ++i) longBinary += static_cast<char>(i * 37);
  return {
      {"", kRegSz, std::string("default\0", 8)},
      {"quote\"back\\slash=equals", kRegSz, std::string("C:\\Path \"quoted\" = x\0", 22)},
      {"caf\xC3\xA9 \xE6\x97\xA5", kRegSz,
       std::string("d\xC3\xA9j\xC3\xA0 \xF0\x9F\x98\x80\0", 12)},
      {"pipe|name", kRegExpandSz, std::string("%TEMP%\\x\0", 9)},
      {"multi", kRegMultiSz, std::string("one\0two\0\0", 9)},
      {"embedded nul", kRegSz, std::string("a\0b\0", 4)},
      {"no terminator", kRegSz, "abc"},
      {"line\\breaks", kRegSz, std::string("a\r\nb\0", 5)},
      {"dword", kRegDword, std::string("\xff\xfe\xfd\x7f", 4)},
      {"long", kRegBinary, longBinary},
      {"qword", kRegQword, std::string("\1\2\3\4\5\6\7\x08", 8)},
      {"big endian", kRegDwordBigEndian, std::string("\0\0\0\1", 4)},
      {"custom", 0x1234, "xyz"},
      {"empty sz", kRegSz, ""},
      {"empty binary", kRegBinary, ""},
      {"empty dword", kRegDword, ""},
      {"empty none", kRegNone, ""},
  };
}

TEST(RegImport, ReadsBackEveryValueOfAnExport) {
  TRegExportWriter w;
  w.Begin();
  w.AddLine("REGEDIT4");
  const std::vector<Value> values = AwkwardValues();
  for (const Value& v : values) w.Value("HKEY_CURRENT_USER", "Software\\A", v.name, v.type, v.data);
  w.KeyHeader("HKEY_LOCAL_MACHINE", "Software\\A\\empty key");
  const std::vector<TRegTextKey> keys = ParseRegText(w.End());
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].Root, 0x80000001u);
  EXPECT_EQ(keys[0].Path, "Software\\A");
  ASSERT_EQ(keys[0].Values.size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(keys[0].Values[i].Name, values[i].name);
    EXPECT_EQ(keys[0].Values[i].Type, values[i].type) << values[i].name;
    EXPECT_EQ(keys[0].Values[i].Data, values[i].data) << values[i].name;
  }
  EXPECT_EQ(keys[1].Root, 0x80000002u);
  EXPECT_TRUE(keys[1].Values.empty());
}

// Type numbers are written in hexadecimal, as the system's editor reads them, and read back
// whole up to the largest; a text without the line that says so is an older export of ours,
// decimal unless a letter says otherwise.
TEST(RegImport, TypeNumbersRoundTrip) {
  const struct {
    std::uint32_t type;
    const char* form;
  } cases[] = {{0, "hex(0):"},         {7, "hex(7):"},          {10, "hex(a):"},
               {11, "hex(b):"},        {16, "hex(10):"},        {0x99, "hex(99):"},
               {100000000, "hex(5f5e100):"}, {0xFFFFFFFF, "hex(ffffffff):"}};
  for (const auto& c : cases) {
    TRegExportWriter w;
    w.Begin();
    w.AddLine("REGEDIT4");
    w.Value("HKEY_CURRENT_USER", "Software\\T", "v", c.type, "\x01");
    const std::string text = w.End();
    EXPECT_NE(text.find(std::string("\"v\"=") + c.form + "01"), std::string::npos) << text;
    const std::vector<TRegTextKey> keys = ParseRegText(text);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].Values.at(0).Type, c.type) << c.form;
  }
  const std::string old =
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\T]\r\n\"a\"=hex(11):01\r\n\"b\"=hex(b):01\r\n";
  const std::vector<TRegTextKey> keys = ParseRegText(old);
  ASSERT_EQ(keys.at(0).Values.size(), 2u);
  EXPECT_EQ(keys[0].Values[0].Type, 11u);
  EXPECT_EQ(keys[0].Values[1].Type, 11u);
}

// As the system's registry editor writes REGEDIT4: types from 10 on in hexadecimal, other
// wrapping, LF or CR LF line ends.
TEST(RegImport, ReadsTheSystemEditorsForm) {
  for (const char* eol : {"\r\n", "\n"}) {
    std::string text = std::string("REGEDIT4") + eol + eol + "[HKEY_CURRENT_USER\\Software\\B]" +
                       eol + "\"q\"=hex(b):01,00,00,00,00,00,00,00" + eol + "\"r\"=hex(a):ff" +
                       eol + "\"path\"=hex(2):25,00,41,\\" + eol + "  00" + eol + "; a comment" +
                       eol + "\"\"=\"also the default\"" + eol + "@=dword:1" + eol;
    const std::vector<TRegTextKey> keys = ParseRegText(text);
    ASSERT_EQ(keys.size(), 1u);
    const std::vector<TRegTextValue>& v = keys[0].Values;
    ASSERT_EQ(v.size(), 5u);
    EXPECT_EQ(v[0].Type, 11u);
    EXPECT_EQ(v[0].Data, std::string("\1\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(v[1].Type, 10u);
    EXPECT_EQ(v[2].Type, 2u);
    EXPECT_EQ(v[2].Data, std::string("%\0A\0", 4));
    EXPECT_EQ(v[3].Name, "");
    EXPECT_EQ(v[4].Data, std::string("\1\0\0\0", 4));
    EXPECT_EQ(v[4].Line, 10);
  }
}

TEST(RegImport, DamagedTextsNameTheirLine) {
  struct Case {
    std::string text;
    std::string message;
  } cases[] = {
      {"", "Not a REGEDIT4 text"},
      {"Windows Registry Editor Version 5.00\r\n", "Not a REGEDIT4 text"},
      {"REGEDIT4\r\n\"a\"=\"b\"\r\n", "Line 2: value outside a key"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x\r\n", "Line 2: unterminated key name"},
      {"REGEDIT4\r\n[HKEY_NOWHERE\\x]\r\n", "Line 2: unknown root key \"HKEY_NOWHERE\""},
      {"REGEDIT4\r\n[-HKEY_CURRENT_USER\\x]\r\n", "Line 2: key removal is not restored"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=-\r\n", "Line 3: value removal is not restored"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a=\"b\"\r\n", "Line 3: \"=\" expected after the value name"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=\"b\r\n", "Line 3: unterminated quoted text"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=\"b\\n\"\r\n", "Line 3: unknown escape in quoted text"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=\"b\" x\r\n", "Line 3: text after the closing quote"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=dword:123456789\r\n",
       "Line 3: dword needs 1 to 8 hexadecimal digits"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=hex:0g\r\n", "Line 3: \",\" expected between bytes"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=hex:123\r\n", "Line 3: bad byte in hex list"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=hex:01,\r\n", "Line 3: byte missing after \",\""},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=hex(z):01\r\n", "Line 3: bad type number"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=hex:01,\\",
       "Line 3: hex list continues past the end of the text"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=hex:01,\\\r\n", "Line 4: byte missing after \",\""},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=hex:01,\\\r\n  02,\r\n", "Line 4: byte missing after \",\""},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=str\r\n", "Line 3: unknown value data"},
      {"REGEDIT4\r\n[HKCU\\x]\r\nrandom\r\n", "Line 3: unexpected text"},
  };
  for (const Case& c : cases) {
    try {
      ParseRegText(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const ERegTextError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.text;
    }
  }
}

}  // namespace
}  // namespace tw
