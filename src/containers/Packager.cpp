#include "containers/Packager.h"

#include <zlib.h>

#include <charconv>

#include "support/Exceptions.h"
#include "support/Format.h"

namespace tw {
namespace {

constexpr int kZlibLevels[4] = {0, 1, 6, 9};
constexpr std::string_view kTrailer = "<TAIL_PACKET>";

// A decimal number with an optional sign, and nothing else.
bool ParseInt(std::string_view text, long long& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string ZCompress(std::string_view data, int zlibLevel) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  int rc = compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                     reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                     zlibLevel);
  if (rc != Z_OK) throw ECompressionError(Format("Compression error (%d)", rc));
  out.resize(size);
  return out;
}

std::string ZDecompress(std::string_view data) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) throw EDecompressionError("Decompression error (init)");
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  std::string out;
  char buf[65536];
  int rc;
  do {
    zs.next_out = reinterpret_cast<Bytef*>(buf);
    zs.avail_out = sizeof buf;
    rc = inflate(&zs, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) {
      inflateEnd(&zs);
      throw EDecompressionError(Format("Decompression error (%d)", rc));
    }
    out.append(buf, sizeof buf - zs.avail_out);
    if (rc == Z_OK && zs.avail_in == 0 && zs.avail_out != 0) {
      // The input ended before the stream did.
      inflateEnd(&zs);
      throw EDecompressionError(Format("Decompression error (%d)", Z_BUF_ERROR));
    }
  } while (rc != Z_STREAM_END);
  const bool trailing = zs.avail_in != 0;
  inflateEnd(&zs);
  if (trailing) throw EDecompressionError("Decompression error (data after the end of the stream)");
  return out;
}

std::string TPackager::Pack(std::string_view data, bool compress, int level, bool encrypt) const {
  std::string body;
  int c = 0;
  if (compress) {
    try {
      body = ZCompress(data, kZlibLevels[(level >= 0 && level <= 3) ? level : clDefault]);
      c = 1;
    } catch (const Exception&) {
      body.assign(data);  // written uncompressed instead
    }
  } else {
    body.assign(data);
  }
  std::string packet = Format("<DATA%d%d%d>", c, encrypt ? 1 : 0, static_cast<long long>(data.size()));
  packet += encrypt ? crypter_.Encrypt(body) : body;
  packet += kTrailer;
  return packet;
}

std::string TPackager::Unpack(std::string_view packet) const {
  // A packet that does not prove whole is an error: an empty result would read as "nothing
  // stored" and, for a backup, restore nothing with success.
  const size_t a = packet.find('>');
  long long length = 0;
  if (packet.substr(0, 5) != "<DATA" || packet.size() < 8 || !IsDigit(packet[5]) ||
      !IsDigit(packet[6]) || a == std::string_view::npos || a < 8 ||
      !ParseInt(packet.substr(7, a - 7), length))
    throw EPacketError("Damaged packet: no packet header");
  const bool compressed = packet[5] == '1', enciphered = packet[6] == '1';
  // The trailer closes the packet: a payload stored as it is may hold the same text.
  const size_t b = packet.rfind(kTrailer);
  if (b == std::string_view::npos || b <= a) throw EPacketError("Damaged packet: cut short (no trailer)");
  std::string body(packet.substr(a + 1, b - a - 1));
  if (enciphered) {
    std::string plain;
    if (!crypter_.DecryptMarked(body, plain))
      throw EPacketError(
          "Damaged packet: the enciphered data is cut short, damaged or made with another key");
    body = std::move(plain);
  }
  if (compressed) body = ZDecompress(body);
  if (static_cast<long long>(body.size()) != length)
    throw EPacketError(Format("Damaged packet: %d bytes where the header gives %d",
                              static_cast<long long>(body.size()), length));
  return body;
}

const TPackager& Packager() {
  static const TPackager instance;
  return instance;
}

}  // namespace tw
