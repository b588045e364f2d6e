#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdio>
#include <filesystem>

#include "containers/FileProtect.h"
#include "containers/Packager.h"
#include "support/Exceptions.h"

namespace tw {
namespace {

constexpr const char* kKey = "5D3A9C17E04B68F2A1C7390E4FB2D685";

class PackagerTest : public ::testing::Test {
 protected:
  TCrypter crypter{kKey};
  TPackager packager{crypter};
};

TEST_F(PackagerTest, LayoutOfEachForm) {
  const std::string data = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\x]\r\n\"a\"=\"b\"\r\n";
  // Plain: header, the data itself, trailer.
  EXPECT_EQ(packager.Pack(data, false, clDefault, false), "<DATA00" + std::to_string(data.size()) + ">" + data + "<TAIL_PACKET>");
  // Enciphered only: the payload is Encrypt of the data.
  EXPECT_EQ(packager.Pack(data, false, clDefault, true),
            "<DATA01" + std::to_string(data.size()) + ">" + crypter.Encrypt(data) + "<TAIL_PACKET>");
  // Compressed: a zlib stream at the level of the index (2 = zlib 6).
  for (int level : {clNone, clFastest, clDefault, clMax}) {
    const int zlibLevel[] = {0, 1, 6, 9};
    std::string z = ZCompress(data, zlibLevel[level]);
    EXPECT_EQ(packager.Pack(data, true, level, false), "<DATA10" + std::to_string(data.size()) + ">" + z + "<TAIL_PACKET>");
    EXPECT_EQ(packager.Pack(data, true, level, true),
              "<DATA11" + std::to_string(data.size()) + ">" + crypter.Encrypt(z) + "<TAIL_PACKET>");
  }
  // Default level output is what zlib's own compress2 at level 6 makes.
  uLongf n = compressBound(static_cast<uLong>(data.size()));
  std::string ref(n, '\0');
  ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(ref.data()), &n, reinterpret_cast<const Bytef*>(data.data()), data.size(), 6), Z_OK);
  ref.resize(n);
  EXPECT_EQ(ZCompress(data, 6), ref);
}

TEST_F(PackagerTest, RoundTrips) {
  std::string big(200000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  for (const std::string& data : {std::string(), std::string("trailing spaces   "), big})
    for (bool compress : {false, true})
      for (bool encrypt : {false, true})
        EXPECT_EQ(packager.Unpack(packager.Pack(data, compress, clDefault, encrypt)), data)
            << compress << encrypt << data.size();
}

TEST_F(PackagerTest, UnpackParseRules) {
  struct Case {
    std::string packet;
    std::string expected;
  } cases[] = {
      {"<DATA005>hello<TAIL_PACKET>", "hello"},
      {"<DATA00+5>hello<TAIL_PACKET>", "hello"},
      // The payload ends at the last trailer: a stored payload may hold the trailer's text.
      {"<DATA0017>ab<TAIL_PACKET>cd<TAIL_PACKET>", "ab<TAIL_PACKET>cd"},
      // Digits other than 1 mean "not set".
      {"<DATA225>hello<TAIL_PACKET>", "hello"},
      {"<DATA000><TAIL_PACKET>", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(packager.Unpack(c.packet), c.expected) << c.packet;
}

// A packet that does not prove whole raises instead of unpacking to a shorter or empty text.
TEST_F(PackagerTest, PacketsThatAreNotWholeRaise) {
  const std::string enciphered = packager.Pack("some text", false, clDefault, true);
  const char* cases[] = {
      "", "<DAT", "<DATAx05>hello<TAIL_PACKET>", "<DATA0x5>hello<TAIL_PACKET>",
      "<DATA00>hello<TAIL_PACKET>", "<DATA00abc>hello<TAIL_PACKET>", "<DATA005 hello<TAIL_PACKET",
      "<DATA005>hello", "<TAIL_PACKET><DATA005>x", "[DATA005>hello<TAIL_PACKET>",
      // The length the header gives is the data's.
      "<DATA00999>hello<TAIL_PACKET>", "<DATA004>hello<TAIL_PACKET>",
  };
  for (const char* packet : cases) EXPECT_THROW(packager.Unpack(packet), EPacketError) << packet;
  // Enciphered data cut short, without its end marker, or made with another key.
  EXPECT_THROW(packager.Unpack(enciphered.substr(0, enciphered.size() - 14) + "<TAIL_PACKET>"), EPacketError);
  const TCrypter other("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF");
  EXPECT_THROW(TPackager(other).Unpack(enciphered), EPacketError);
}

// Every change of one byte of a compressed and enciphered packet (the backup form) is found.
TEST_F(PackagerTest, MutatedPacketsNeverUnpack) {
  std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\x]\r\n";
  for (int i = 0; i < 40; ++i) text += "\"value" + std::to_string(i) + "\"=hex:00,01,02\r\n";
  const std::string packet = packager.Pack(text, true, clDefault, true);
  ASSERT_EQ(packager.Unpack(packet), text);
  unsigned seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
  for (int round = 0; round < 150; ++round) {
    std::string mutated = packet;
    const std::size_t at = next() % mutated.size();
    mutated[at] = static_cast<char>(mutated[at] ^ (1 + next() % 255));
    EXPECT_THROW(packager.Unpack(mutated), Exception) << "byte " << at;
  }
  for (std::size_t cut : {std::size_t{1}, packet.size() / 2, packet.size() - 1})
    EXPECT_THROW(packager.Unpack(packet.substr(0, cut)), EPacketError) << cut;
}

TEST_F(PackagerTest, DamagedCompressedPayloadRaises) {
  std::string packet = packager.Pack(std::string(1000, 'z'), true, clDefault, false);
  std::string damaged = packet;
  damaged[12] ^= 0x55;
  EXPECT_THROW(packager.Unpack(damaged), EDecompressionError);
  // Truncated stream.
  std::string truncated = packet.substr(0, 14) + "<TAIL_PACKET>";
  EXPECT_THROW(packager.Unpack(truncated), EDecompressionError);
}

TEST_F(PackagerTest, FilesAreWrittenWholeAndReadBack) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "tw_packager_test";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string file = (dir / "cookies.dat").string();
  EXPECT_EQ(TFileProtect::LoadFile(file, packager), "");  // missing file: empty
  TFileProtect::SaveFile(file, "", packager);               // empty data: nothing written
  EXPECT_FALSE(fs::exists(file));
  TFileProtect::SaveFile(file, "first", packager);
  TFileProtect::SaveFile(file, "second version", packager);
  EXPECT_EQ(TFileProtect::LoadFile(file, packager), "second version");
  // Only the file itself remains: the temporary file was renamed over it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  // A new file is never written over an existing one.
  EXPECT_FALSE(TFileProtect::SaveNewFile(file, "third", packager));
  EXPECT_EQ(TFileProtect::LoadFile(file, packager), "second version");
  EXPECT_TRUE(TFileProtect::SaveNewFile(file + "2", "third", packager));
  EXPECT_EQ(TFileProtect::LoadFile(file + "2", packager), "third");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tw
