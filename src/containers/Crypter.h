#pragma once
// The program's block cipher: 16-byte blocks, a 32-byte key, 12 quad-rounds, each block on its
// own. Encrypt marks the end of the text with "||" and pads with spaces; Decrypt undoes both.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tw {

// The key compiled into the program (set with the CMake cache variable TW_CRYPT_KEY).
std::string_view CompiledCryptKey();

class TCrypter {
 public:
  explicit TCrypter(std::string key = std::string(CompiledCryptKey()));

  std::string Encrypt(std::string_view text) const;
  std::string Decrypt(std::string_view data) const;
  // Decrypt of data that Encrypt made with this key: false when Data is not whole blocks or
  // the end marker is not where Encrypt puts it (cut short, damaged, or another key).
  bool DecryptMarked(std::string_view data, std::string& text) const;

  // One block in place; exposed for the container tests.
  void EncipherBlock(unsigned char block[16]) const;
  void DecipherBlock(unsigned char block[16]) const;

  const std::string& Key() const { return key_; }

 private:
  std::string key_;
  // Per quad-round: the four addends and the four rotation words.
  std::array<std::array<std::uint32_t, 4>, 12> addend_{};
  std::array<std::array<std::uint32_t, 4>, 12> rotation_{};
};

// The process-wide cipher with the compiled-in key.
const TCrypter& Crypter();

}  // namespace tw
