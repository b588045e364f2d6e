// Packets and the cipher: unpacking any bytes either gives a text or raises one of the
// program's exceptions; whatever is packed unpacks to itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "containers/Crypter.h"
#include "containers/Packager.h"
#include "support/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    (void)tw::Packager().Unpack(bytes);
  } catch (const tw::Exception&) {
  }
  (void)tw::Crypter().Decrypt(bytes);

  if (size == 0) return 0;
  // The first byte picks the packet's options, the rest is the payload.
  const bool compress = data[0] & 1, encrypt = data[0] & 2;
  const int level = (data[0] >> 2) & 3;
  const std::string_view payload = bytes.substr(1);
  const std::string packet = tw::Packager().Pack(payload, compress, level, encrypt);
  if (tw::Packager().Unpack(packet) != payload) __builtin_trap();
  if (tw::Crypter().Decrypt(tw::Crypter().Encrypt(payload)) != payload) __builtin_trap();
  return 0;
}
