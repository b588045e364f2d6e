#include <gtest/gtest.h>

#include <string>

#include "containers/Crypter.h"

namespace tw {
namespace {

constexpr const char* kKey = "5D3A9C17E04B68F2A1C7390E4FB2D685";

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// Known answers computed with a separate implementation of the cipher.
TEST(Crypter, KnownAnswers) {
  struct Case {
    std::string text;
    const char* key;
    const char* cipher;
  } cases[] = {
      {"", kKey, "d889d7debeec2d2845cb3fcff11db0d2"},
      {"Hello, world!\r\n", kKey,
       "a290ea6ca7cd389d26d7a19da78c81705f840fd38cfc6dd66e91c92ddc2e043e"},
      {"0123456789ABCD", kKey, "ac51c03c68f24bd24282754e610dcf68"},
      {"<?xml version=\"1.0\"?><Database/>  ", kKey,
       "3ee4d276216a14946354098e3e00273effd893cdeefd8c60c63ad56edf5689db"
       "ff34f4676b0cfe20c67b333a36fe152d"},
      {"", "00000000000000000000000000000000", "ca0ab43d2bc015c792013cdb784cf3c3"},
  };
  for (const Case& c : cases) {
    TCrypter crypter(c.key);
    EXPECT_EQ(Hex(crypter.Encrypt(c.text)), c.cipher) << c.text;
    EXPECT_EQ(crypter.Decrypt(crypter.Encrypt(c.text)), c.text);
  }
}

TEST(Crypter, PaddingAndLengths) {
  TCrypter crypter(kKey);
  // "||" then spaces to a multiple of 16: 14 bytes fill one block, 15 need two.
  EXPECT_EQ(crypter.Encrypt("").size(), 16u);
  EXPECT_EQ(crypter.Encrypt(std::string(14, 'x')).size(), 16u);
  EXPECT_EQ(crypter.Encrypt(std::string(15, 'x')).size(), 32u);
  unsigned char block[16];
  std::string plain = crypter.Decrypt(crypter.Encrypt(""));
  EXPECT_EQ(plain, "");
  // The empty text's single block is "||" and fourteen spaces.
  std::string one = crypter.Encrypt("");
  std::copy(one.begin(), one.end(), block);
  crypter.DecipherBlock(block);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block), 16), "||              ");
}

TEST(Crypter, RoundTripKeepsTrailingSpacesAndBinary) {
  TCrypter crypter(kKey);
  std::string binary;
  for (int i = 0; i < 300000; ++i) binary += static_cast<char>((i * 131) & 0xFF);  // > one 128 KiB piece
  for (const std::string& text : {std::string("ends with spaces   "), std::string("  \0 \0", 5), binary})
    EXPECT_EQ(crypter.Decrypt(crypter.Encrypt(text)), text);
}

TEST(Crypter, BlocksAreIndependent) {
  TCrypter crypter(kKey);
  std::string a = crypter.Encrypt(std::string(16, 'A') + "tail");
  std::string b = crypter.Encrypt(std::string(16, 'A') + "other");
  EXPECT_EQ(a.substr(0, 16), b.substr(0, 16));
  EXPECT_NE(a.substr(16), b.substr(16));
}

TEST(Crypter, IncompleteLastBlockStaysAsItIs) {
  TCrypter crypter(kKey);
  std::string data = crypter.Encrypt("abc") + "xyz  ";
  // The whole block deciphers to "abc||" + spaces; the tail is kept, then trailing spaces go
  // and the last two characters are removed.
  std::string expected = "abc||" + std::string(11, ' ') + "x";
  EXPECT_EQ(crypter.Decrypt(data), expected);
  EXPECT_EQ(crypter.Decrypt("a"), "");
}

TEST(Crypter, DifferentKeysDiffer) {
  EXPECT_NE(TCrypter(kKey).Encrypt("same"), TCrypter("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF").Encrypt("same"));
  EXPECT_EQ(CompiledCryptKey().size(), 32u);
}

}  // namespace
}  // namespace tw
