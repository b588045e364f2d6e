#pragma once
// The packet container of backups and the kept-cookies file:
//   "<DATA" C E length ">" payload "<TAIL_PACKET>"
// with the payload compressed (zlib) when C is 1 and enciphered when E is 1.
#include <string>
#include <string_view>

#include "containers/Crypter.h"
#include "support/Exceptions.h"

namespace tw {

// A packet that is not whole: no header, no trailer, a payload cut short or not enciphered with
// this key.
TW_DECLARE_EXCEPTION(EPacketError, Exception)

// Indexes into the compression levels: none, fastest, default, best (zlib 0, 1, 6, 9).
enum TCompressionLevel { clNone = 0, clFastest = 1, clDefault = 2, clMax = 3 };

class TPackager {
 public:
  explicit TPackager(const TCrypter& crypter = Crypter()) : crypter_(crypter) {}

  std::string Pack(std::string_view data, bool compress, int level, bool encrypt) const;
  // The data of a whole packet. Raises EPacketError when the header does not parse, no trailer
  // follows it, the enciphered payload lacks its end marker or the data's length is not the
  // one the header gives; EDecompressionError for a damaged compressed payload. The payload
  // ends at the first trailer.
  std::string Unpack(std::string_view packet) const;

 private:
  const TCrypter& crypter_;
};

const TPackager& Packager();

// zlib streams (RFC 1950). Compress raises ECompressionError; Decompress EDecompressionError.
std::string ZCompress(std::string_view data, int zlibLevel);
std::string ZDecompress(std::string_view data);

}  // namespace tw
