#pragma once
// The packet container of backups and the kept-cookies file:
//   "<DATA" C E length ">" payload "<TAIL_PACKET>"
// with the payload compressed (zlib) when C is 1 and enciphered when E is 1.
#include <string>
#include <string_view>

#include "database/Crypter.h"

namespace tw {

// Indexes into the compression levels: none, fastest, default, best (zlib 0, 1, 6, 9).
enum TCompressionLevel { clNone = 0, clFastest = 1, clDefault = 2, clMax = 3 };

class TPackager {
 public:
  explicit TPackager(const TCrypter& crypter = Crypter()) : crypter_(crypter) {}

  std::string Pack(std::string_view data, bool compress, int level, bool encrypt) const;
  // Empty for a packet whose header does not parse or that has no trailer after its header;
  // raises EDecompressionError for a damaged compressed payload.
  std::string Unpack(std::string_view packet) const;

 private:
  const TCrypter& crypter_;
};

const TPackager& Packager();

// zlib streams (RFC 1950). Compress raises ECompressionError; Decompress EDecompressionError.
std::string ZCompress(std::string_view data, int zlibLevel);
std::string ZDecompress(std::string_view data);

}  // namespace tw
