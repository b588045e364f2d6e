#pragma once
// twcli: the console front end on the same library as the program.
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

class TXMLDatabase;

// A command line that does not fit its command: exit code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum ExitCode { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

struct CliArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;  // "--key" -> value
  std::set<std::string> flags;                  // "--json"

  bool Flag(const std::string& name) const { return flags.count(name) != 0; }
  const std::string* Option(const std::string& name) const {
    auto it = options.find(name);
    return it == options.end() ? nullptr : &it->second;
  }
};

// Splits Args into positionals, options (from ValueOptions, "--x v" or "--x=v") and flags
// (from KnownFlags). Anything else raises UsageError.
CliArgs ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                  const std::set<std::string>& knownFlags);

// Language index of "--lang en|fr|de|es" (English when absent); raises UsageError.
int LanguageOption(const CliArgs& args);

// The database of "--database PATH" (".xml": plain, otherwise protected), or the installed one.
// On failure prints the program's own message (missing or damaged) and returns false.
bool LoadCliDatabase(const CliArgs& args, TXMLDatabase& database, std::string* fileName = nullptr,
                     bool* isProtected = nullptr);

// Text for a console: "\r\n" becomes "\n".
std::string ConsoleText(std::string text);
// JSON string literal of 8-bit text.
std::string JsonString(const std::string& text);
// The same, appended to Out.
void AppendJsonString(std::string& out, std::string_view text);

int RunDbCommand(const std::vector<std::string>& args);
int RunListCommand(const std::vector<std::string>& args);
int RunTipCommand(const std::vector<std::string>& args);
int RunStringsCommand(const std::vector<std::string>& args);
int RunScanCommand(const std::vector<std::string>& args);
int RunCleanCommand(const std::vector<std::string>& args);
int RunCookiesCommand(const std::vector<std::string>& args);
int RunBackupCommand(const std::vector<std::string>& args);
int RunWinapp2Command(const std::vector<std::string>& args);
int RunProtectCommand(const std::vector<std::string>& args);
int RunCustomCommand(const std::vector<std::string>& args);

}  // namespace tw
