// twcli: scripted use of Tidewhisk's engine, database and containers.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "platform/Com.h"
#include "support/Exceptions.h"
#include "support/LogFile.h"

namespace {

constexpr const char* kUsage =
    "usage: twcli COMMAND ...\n"
    "  db encrypt|decrypt IN OUT [--key HEX32]\n"
    "  db pack|unpack IN OUT [--key HEX32] [--no-compress] [--no-encrypt]\n"
    "  list [--database PATH]\n"
    "  tip [--lang en|fr|de|es] [--database PATH]\n"
    "  strings [--lang en|fr|de|es] [--json]\n"
    "  scan [--mode 1..7] [--items ID,ID...] [--database PATH] [--lang en|fr|de|es] [--json]\n"
    "  clean [--mode 1..7] [--items ID,ID...] [--database PATH] [--lang en|fr|de|es] [--json]\n"
    "        [--no-backup]\n"
    "    (--items: the items ticked for this run, modes 5 and 7)\n"
    "  cookies list [--json] | keep NAME... | forget NAME...|--all\n"
    "  backup list [--json]\n"
    "  backup show FILE\n"
    "  backup restore FILE... [--dry-run] [--json]\n"
    "  backup recycle [--days N] [--json]\n"
    "  winapp2 import FILE.ini OUT.xml|OUT.dat [--all] [--json] [--database PATH]\n"
    "    (the rule file's entries added to the database as groups of their own)\n"
    "  --log, with any command: errors met and not printed go to the diagnostics log,\n"
    "    Tidewhisk\\Logger.txt in the user's local application data folder\n"
    "  protect list [--json] | add folder|file|key TEXT | remove folder|file|key TEXT\n"
    "    (what no item may list or remove; TEXT may hold %VARIABLES%)\n"
    "  custom list [--json] | add folder PATH [--mask M] [--recurse] | add key KEY [--filter F]\n"
    "  custom remove folder PATH | remove key KEY | remove ID\n"
    "    (places of the user's own, the group \"Custom\" (gcustom) of scan and clean)\n";

struct Command {
  const char* name;
  int (*run)(const std::vector<std::string>&);
};

constexpr Command kCommands[] = {
    {"db", tw::RunDbCommand},
    {"list", tw::RunListCommand},
    {"tip", tw::RunTipCommand},
    {"strings", tw::RunStringsCommand},
    {"scan", tw::RunScanCommand},
    {"clean", tw::RunCleanCommand},
    {"cookies", tw::RunCookiesCommand},
    {"backup", tw::RunBackupCommand},
    {"winapp2", tw::RunWinapp2Command},
    {"protect", tw::RunProtectCommand},
    {"custom", tw::RunCustomCommand},
};

// The benchmarks ask for the process's peak working set: with TWCLI_PEAK_MEMORY=1 it is printed
// to the standard error when the command ends.
struct TPeakMemoryReport {
  ~TPeakMemoryReport() {
    char flag[4] = {};
    if (::GetEnvironmentVariableA("TWCLI_PEAK_MEMORY", flag, sizeof flag) != 1 || flag[0] != '1') return;
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters))
      std::fprintf(stderr, "twcli: peak working set %llu bytes\n",
                   static_cast<unsigned long long>(counters.PeakWorkingSetSize));
  }
};

}  // namespace

int main(int argc, char** argv) {
  tw::ComApartment com;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (std::erase(args, std::string("--log")) > 0) tw::EnableDiagnosticsLog(true);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    std::fputs(kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? tw::kExitUsage : tw::kExitOk;
  }
  for (const Command& command : kCommands) {
    if (args[0] != command.name) continue;
    const TPeakMemoryReport peak;
    try {
      return command.run(std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const tw::UsageError& e) {
      std::fprintf(stderr, "twcli: %s\n%s", e.what(), kUsage);
      return tw::kExitUsage;
    } catch (...) {
      tw::ErrorInfo error = tw::DescribeException(std::current_exception());
      std::fprintf(stderr, "twcli: %s: %s\n", error.className.c_str(), error.message.c_str());
      return tw::kExitFailed;
    }
  }
  std::fprintf(stderr, "twcli: unknown command %s\n%s", args[0].c_str(), kUsage);
  return tw::kExitUsage;
}
