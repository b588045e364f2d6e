// twcli strings: the localized string table, for translators and reviewers.
#include <cstdio>
#include <string>

#include "cli/Cli.h"
#include "strings/StrRes.h"

namespace tw {
namespace {

// One row per line: line breaks and tabs are written as \r, \n and \t, a backslash as \\ (the
// form of the translators' files).
std::string OneLine(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

int RunStringsCommand(const std::vector<std::string>& rawArgs) {
  CliArgs args = ParseArgs(rawArgs, {"--lang"}, {"--json"});
  if (!args.positional.empty()) throw UsageError("strings [--lang en|fr|de|es] [--json]");
  const int language = LanguageOption(args);
  if (args.Flag("--json")) {
    static const char* const kCodes[] = {"en", "fr", "de", "es"};
    std::string out = "{\"lang\":\"" + std::string(kCodes[language]) + "\",\"rows\":[";
    for (int row = 0; row < kStrResRows; ++row) {
      if (row) out += ',';
      out += JsonString(std::string(StrRes(row, language)));
    }
    out += "]}\n";
    std::fputs(out.c_str(), stdout);
    return kExitOk;
  }
  for (int row = 0; row < kStrResRows; ++row)
    std::printf("%d\t%s\n", row, OneLine(StrRes(row, language)).c_str());
  return kExitOk;
}

}  // namespace tw
