#include "containers/Crypter.h"

#include <cstring>

#include "containers/CastSBoxes.h"

#ifndef TW_CRYPT_KEY
#error "TW_CRYPT_KEY must be defined by the build"
#endif

namespace tw {
namespace {

using u32 = std::uint32_t;

struct Tables {
  u32 s[4][256];
  u32 ta[192];  // schedule rotations
  u32 tr[192];  // schedule addends
  constexpr Tables() : s{}, ta{}, tr{} {
    for (int k = 0; k < 4; ++k)
      for (int n = 0; n < 256; ++n) s[k][n] = cast::kSBox[k][n] >> 4;
    // Signed sum, remainder by 2 with the sign of the sum: 0x5A827999, 0, 1, 0, 1, ...
    int a = 0x5A827999;
    ta[0] = static_cast<u32>(a);
    for (int j = 1; j < 192; ++j) {
      int sum = static_cast<int>(static_cast<u32>(a) + 0x6ED9EBA1u);
      a = sum % 2;
      ta[j] = static_cast<u32>(a);
    }
    tr[0] = 19;
    for (int j = 1; j < 192; ++j) tr[j] = (tr[j - 1] + 17) % 32;
  }
};

constexpr Tables kT;

constexpr u32 Rotl(u32 x, u32 r) {
  r &= 31;
  return r ? (x << r) | (x >> (32 - r)) : x;
}

inline u32 Mix(u32 i, int kind) {
  const u32 a = kT.s[0][i & 0xFF], b = kT.s[1][(i >> 8) & 0xFF], c = kT.s[2][(i >> 16) & 0xFF],
            d = kT.s[3][i >> 24];
  switch (kind) {
    case 1: return ((a ^ b) - c) + d;
    case 2: return ((a - b) + c) ^ d;
    default: return ((a + b) ^ c) - d;
  }
}
inline u32 F1(u32 x, u32 a, u32 r) { return Mix(Rotl(x + a, r), 1); }
inline u32 F2(u32 x, u32 a, u32 r) { return Mix(Rotl(x ^ a, r), 2); }
inline u32 F3(u32 x, u32 a, u32 r) { return Mix(Rotl(a - x, r), 3); }

inline u32 Load(const unsigned char* p) {
  return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24;
}
inline void Store(unsigned char* p, u32 v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

constexpr size_t kPiece = 131072;

}  // namespace

std::string_view CompiledCryptKey() { return TW_CRYPT_KEY; }

TCrypter::TCrypter(std::string key) : key_(std::move(key)) {
  unsigned char material[32] = {};
  material[0] = static_cast<unsigned char>(key_.size());
  std::memcpy(material + 1, key_.data(), std::min<size_t>(key_.size(), 31));
  u32 w[8];  // A..H
  for (int i = 0; i < 8; ++i) w[i] = Load(material + 4 * i);
  u32 &A = w[0], &B = w[1], &C = w[2], &D = w[3], &E = w[4], &F = w[5], &G = w[6], &H = w[7];
  auto octave = [&](int n) {
    const u32* add = kT.tr + 8 * n;
    const u32* rot = kT.ta + 8 * n;
    G ^= F1(H, add[0], rot[0]);
    F ^= F2(G, add[1], rot[1]);
    E ^= F3(F, add[2], rot[2]);
    D ^= F1(E, add[3], rot[3]);
    C ^= F2(D, add[4], rot[4]);
    B ^= F3(C, add[5], rot[5]);
    A ^= F1(B, add[6], rot[6]);
    H ^= F2(A, add[7], rot[7]);
  };
  for (int i = 0; i < 12; ++i) {
    octave(2 * i);
    octave(2 * i + 1);
    addend_[i] = {A % 32, C % 32, E % 32, G % 32};
    rotation_[i] = {B, D, F, H};
  }
}

void TCrypter::EncipherBlock(unsigned char block[16]) const {
  u32 A = Load(block), B = Load(block + 4), C = Load(block + 8), D = Load(block + 12);
  for (int i = 0; i < 6; ++i) {
    const auto &k = addend_[i], &r = rotation_[i];
    C ^= F1(D, k[0], r[0]);
    B ^= F2(C, k[1], r[1]);
    A ^= F3(B, k[2], r[2]);
    D ^= F1(A, k[3], r[3]);
  }
  for (int i = 6; i < 12; ++i) {
    const auto &k = addend_[i], &r = rotation_[i];
    D ^= F1(A, k[3], r[3]);
    A ^= F3(B, k[2], r[2]);
    B ^= F2(C, k[1], r[1]);
    C ^= F1(D, k[0], r[0]);
  }
  Store(block, A), Store(block + 4, B), Store(block + 8, C), Store(block + 12, D);
}

void TCrypter::DecipherBlock(unsigned char block[16]) const {
  u32 A = Load(block), B = Load(block + 4), C = Load(block + 8), D = Load(block + 12);
  for (int i = 11; i >= 6; --i) {
    const auto &k = addend_[i], &r = rotation_[i];
    C ^= F1(D, k[0], r[0]);
    B ^= F2(C, k[1], r[1]);
    A ^= F3(B, k[2], r[2]);
    D ^= F1(A, k[3], r[3]);
  }
  for (int i = 5; i >= 0; --i) {
    const auto &k = addend_[i], &r = rotation_[i];
    D ^= F1(A, k[3], r[3]);
    A ^= F3(B, k[2], r[2]);
    B ^= F2(C, k[1], r[1]);
    C ^= F1(D, k[0], r[0]);
  }
  Store(block, A), Store(block + 4, B), Store(block + 8, C), Store(block + 12, D);
}

std::string TCrypter::Encrypt(std::string_view text) const {
  std::string out;
  out.reserve(text.size() + 18);
  out.append(text);
  out += "||";
  out.append((16 - out.size() % 16) % 16, ' ');
  // Works through the data in pieces of at most 128 KiB; blocks are independent.
  auto* p = reinterpret_cast<unsigned char*>(out.data());
  for (size_t piece = 0; piece < out.size(); piece += kPiece) {
    const size_t end = std::min(out.size(), piece + kPiece);
    for (size_t b = piece; b + 16 <= end; b += 16) EncipherBlock(p + b);
  }
  return out;
}

std::string TCrypter::Decrypt(std::string_view data) const {
  std::string out(data);
  auto* p = reinterpret_cast<unsigned char*>(out.data());
  const size_t whole = out.size() / 16 * 16;
  for (size_t piece = 0; piece < whole; piece += kPiece) {
    const size_t end = std::min(whole, piece + kPiece);
    for (size_t b = piece; b + 16 <= end; b += 16) DecipherBlock(p + b);
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  out.resize(out.size() >= 2 ? out.size() - 2 : 0);
  return out;
}

bool TCrypter::DecryptMarked(std::string_view data, std::string& text) const {
  text.clear();
  if (data.empty() || data.size() % 16 != 0) return false;
  std::string out(data);
  auto* p = reinterpret_cast<unsigned char*>(out.data());
  for (size_t b = 0; b < out.size(); b += 16) DecipherBlock(p + b);
  // Encrypt pads with fewer than 16 spaces after the marker.
  size_t end = out.size();
  while (end > 0 && out.size() - end < 16 && out[end - 1] == ' ') --end;
  if (end < 2 || out[end - 1] != '|' || out[end - 2] != '|') return false;
  out.resize(end - 2);
  text = std::move(out);
  return true;
}

const TCrypter& Crypter() {
  static const TCrypter instance;
  return instance;
}

}  // namespace tw
