// twcli protect: the user's protect list (what no item may list or remove), as the program's
// settings dialog keeps it.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "engine/ProtectPlaces.h"
#include "support/Format.h"
#include "settings/RegistrySettings.h"

namespace tw {
namespace {

constexpr const char* kProtectUsage = "protect list [--json] | add KIND TEXT | remove KIND TEXT (KIND: folder, file, key)";

// The entry of "KIND TEXT"; raises UsageError for another shape or kind.
TProtectEntry EntryArgument(const CliArgs& args) {
  if (args.positional.size() != 3) throw UsageError(kProtectUsage);
  TProtectEntry entry;
  if (!ParseProtectKind(args.positional[1], entry.Kind))
    throw UsageError("unknown kind \"" + args.positional[1] + "\" (folder, file or key)");
  entry.Text = args.positional[2];
  return entry;
}

// Writes Lines and reads them back: false when the settings did not take them.
bool Store(TSettingsStore& store, const std::vector<std::string>& lines) {
  WriteProtectLines(store, lines);
  return ReadProtectLines(store) == lines;
}

int List(const CliArgs& args, TSettingsStore& store) {
  if (args.positional.size() != 1) throw UsageError(kProtectUsage);
  const std::vector<TProtectEntry> entries = ParseProtectLines(ReadProtectLines(store));
  std::string out;
  if (args.Flag("--json")) {
    out = "{\"entries\":[";
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const TProtectEntry& entry = entries[i];
      out += Format("%s{\"kind\":%s,\"text\":%s,\"expanded\":%s}", i ? "," : "",
                    JsonString(ProtectKindName(entry.Kind)), JsonString(entry.Text),
                    JsonString(ExpandEnvironment(entry.Text)));
    }
    out += "]}\n";
  } else {
    for (const TProtectEntry& entry : entries)
      out += Format("%s\t%s\n", ProtectKindName(entry.Kind), entry.Text);
  }
  std::fputs(out.c_str(), stdout);
  return kExitOk;
}

int Add(const CliArgs& args, TSettingsStore& store) {
  const TProtectEntry entry = EntryArgument(args);
  // Judged as it will be honoured, kept as typed: "%USERPROFILE%\Keep" stays portable.
  TProtectEntry expanded = entry;
  expanded.Text = ExpandEnvironment(entry.Text);
  const std::string problem = ProtectEntryProblem(expanded);
  if (!problem.empty()) {
    std::fprintf(stderr, "twcli: %s\n", problem.c_str());
    return kExitUsage;
  }
  std::vector<std::string> lines = ReadProtectLines(store);
  for (const TProtectEntry& existing : ParseProtectLines(lines))
    if (SameProtectPlace(existing, entry)) {
      std::printf("already protected: %s %s\n", ProtectKindName(entry.Kind), existing.Text.c_str());
      return kExitOk;
    }
  lines.push_back(ProtectEntryText(entry));
  if (!Store(store, lines)) {
    std::fprintf(stderr, "twcli: the protect list could not be saved in the settings\n");
    return kExitFailed;
  }
  std::printf("protected: %s %s\n", ProtectKindName(entry.Kind), entry.Text.c_str());
  return kExitOk;
}

int Remove(const CliArgs& args, TSettingsStore& store) {
  const TProtectEntry entry = EntryArgument(args);
  std::vector<std::string> lines = ReadProtectLines(store);
  const std::size_t before = lines.size();
  std::erase_if(lines, [&](const std::string& line) {
    TProtectEntry existing;
    return ParseProtectEntry(line, existing) && SameProtectPlace(existing, entry);
  });
  if (lines.size() == before) {
    std::fprintf(stderr, "twcli: not in the protect list: %s %s\n", ProtectKindName(entry.Kind),
                 entry.Text.c_str());
    return kExitFailed;
  }
  if (!Store(store, lines)) {
    std::fprintf(stderr, "twcli: the protect list could not be saved in the settings\n");
    return kExitFailed;
  }
  std::printf("no longer protected: %s %s\n", ProtectKindName(entry.Kind), entry.Text.c_str());
  return kExitOk;
}

}  // namespace

int RunProtectCommand(const std::vector<std::string>& rawArgs) {
  CliArgs args = ParseArgs(rawArgs, {}, {"--json"});
  if (args.positional.empty()) throw UsageError(kProtectUsage);
  const std::string& verb = args.positional[0];
  if (verb != "list" && args.Flag("--json")) throw UsageError("--json applies to protect list");
  TRegistrySettingsStore store;
  if (verb == "list") return List(args, store);
  if (verb == "add") return Add(args, store);
  if (verb == "remove") return Remove(args, store);
  throw UsageError(kProtectUsage);
}

}  // namespace tw
