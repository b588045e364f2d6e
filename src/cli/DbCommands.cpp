// twcli db encrypt|decrypt|pack|unpack IN OUT [--key HEX32] [--no-compress] [--no-encrypt]
#include <cstdio>

#include "cli/Cli.h"
#include "containers/Crypter.h"
#include "containers/Packager.h"
#include "support/FileIO.h"

namespace tw {
namespace {

bool IsKeyText(const std::string& key) {
  if (key.size() != 32) return false;
  for (char c : key)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  return true;
}

}  // namespace

int RunDbCommand(const std::vector<std::string>& rawArgs) {
  CliArgs args = ParseArgs(rawArgs, {"--key"}, {"--no-compress", "--no-encrypt"});
  if (args.positional.size() != 3)
    throw UsageError("db encrypt|decrypt|pack|unpack IN OUT [--key HEX32] [--no-compress] [--no-encrypt]");
  const std::string& verb = args.positional[0];
  const bool packetForm = verb == "pack" || verb == "unpack";
  if (!packetForm && verb != "encrypt" && verb != "decrypt")
    throw UsageError("unknown db command " + verb);
  if (!packetForm && (args.Flag("--no-compress") || args.Flag("--no-encrypt")))
    throw UsageError("--no-compress and --no-encrypt belong to pack");
  std::string key(CompiledCryptKey());
  if (const std::string* given = args.Option("--key")) {
    if (!IsKeyText(*given)) throw UsageError("--key takes 32 upper-case hexadecimal digits");
    key = *given;
  }
  const TCrypter crypter(key);
  const TPackager packager(crypter);

  const std::string input = ReadWholeFile(args.positional[1]);
  std::string output;
  if (verb == "encrypt") output = crypter.Encrypt(input);
  else if (verb == "decrypt") output = crypter.Decrypt(input);
  else if (verb == "pack")
    output = packager.Pack(input, !args.Flag("--no-compress"), clDefault, !args.Flag("--no-encrypt"));
  else output = packager.Unpack(input);
  WriteFileAtomic(args.positional[2], output);
  return kExitOk;
}

}  // namespace tw
