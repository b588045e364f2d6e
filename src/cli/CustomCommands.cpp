// twcli custom: the user's custom places (folders and registry keys of their own that the ready
// list shows as the group "Custom"), as the program's settings dialog keeps them.
#include <cstdio>
#include <string>
#include <vector>

#include "cleaners/CustomPlaceCheck.h"
#include "cli/Cli.h"
#include "engine/ProtectPlaces.h"
#include "settings/RegistrySettings.h"
#include "support/Format.h"

namespace tw {
namespace {

constexpr const char* kCustomUsage =
    "custom list [--json] | add folder PATH [--mask M] [--recurse] | add key KEY [--filter F] | "
    "remove folder PATH | remove key KEY | remove ID";

const char* KindName(TCustomKind kind) { return kind == TCustomKind::Folder ? "folder" : "key"; }

bool ParseKind(const std::string& name, TCustomKind& kind) {
  if (name == "folder") kind = TCustomKind::Folder;
  else if (name == "key") kind = TCustomKind::Key;
  else return false;
  return true;
}

// Writes Lines and reads them back: false when the settings did not take them.
bool Store(TSettingsStore& store, const std::vector<std::string>& lines) {
  WriteCustomLines(store, lines);
  return ReadCustomLines(store) == lines;
}

std::string PlaceLine(const TCustomPlace& place) {
  if (place.Kind == TCustomKind::Key) return Format("key\t%s\t%s", place.Place, CustomPattern(place));
  return Format("folder\t%s\t%s\t%s", place.Place, CustomPattern(place), place.Recurse ? "recurse" : "top");
}

int List(const CliArgs& args, TSettingsStore& store) {
  if (args.positional.size() != 1) throw UsageError(kCustomUsage);
  const std::vector<TCustomPlace> places = ParseCustomLines(ReadCustomLines(store));
  std::string out;
  if (args.Flag("--json")) {
    out = "{\"places\":[";
    for (std::size_t i = 0; i < places.size(); ++i) {
      const TCustomPlace& place = places[i];
      const bool folder = place.Kind == TCustomKind::Folder;
      out += Format("%s{\"id\":%s,\"kind\":%s,\"place\":%s,\"expanded\":%s,\"%s\":%s", i ? "," : "",
                    JsonString(CustomItemId(static_cast<int>(i))), JsonString(KindName(place.Kind)),
                    JsonString(place.Place), JsonString(folder ? ExpandEnvironment(place.Place) : place.Place),
                    folder ? "mask" : "filter", JsonString(CustomPattern(place)));
      if (folder) out += place.Recurse ? ",\"recurse\":true" : ",\"recurse\":false";
      out += "}";
    }
    out += "]}\n";
  } else {
    for (std::size_t i = 0; i < places.size(); ++i)
      out += CustomItemId(static_cast<int>(i)) + "\t" + PlaceLine(places[i]) + "\n";
  }
  std::fputs(out.c_str(), stdout);
  return kExitOk;
}

int Add(const CliArgs& args, TSettingsStore& store) {
  if (args.positional.size() != 3) throw UsageError(kCustomUsage);
  TCustomPlace place;
  if (!ParseKind(args.positional[1], place.Kind))
    throw UsageError("unknown kind \"" + args.positional[1] + "\" (folder or key)");
  place.Place = args.positional[2];
  const bool folder = place.Kind == TCustomKind::Folder;
  if (folder && args.Option("--filter")) throw UsageError("--filter applies to keys; a folder takes --mask");
  if (!folder && (args.Option("--mask") || args.Flag("--recurse")))
    throw UsageError("--mask and --recurse apply to folders; a key takes --filter");
  if (const std::string* pattern = args.Option(folder ? "--mask" : "--filter")) place.Pattern = *pattern;
  place.Recurse = folder && args.Flag("--recurse");

  // Judged as it will be cleaned, kept as typed: "%LOCALAPPDATA%\Vendor" stays portable.
  if (const TCustomProblem problem = CustomPlaceProblemHere(place); problem != TCustomProblem::None) {
    std::fprintf(stderr, "twcli: %s: %s\n", place.Place.c_str(), CustomProblemText(problem));
    return kExitUsage;
  }
  std::vector<std::string> lines = ReadCustomLines(store);
  const std::vector<TCustomPlace> places = ParseCustomLines(lines);
  for (std::size_t i = 0; i < places.size(); ++i)
    if (SameCustomPlace(places[i], place, true)) {
      std::printf("already a custom place: %s %s\n", CustomItemId(static_cast<int>(i)).c_str(),
                  PlaceLine(places[i]).c_str());
      return kExitOk;
    }
  lines.push_back(CustomPlaceText(place));
  // A tick left from an earlier place of that id does not carry over to the new one.
  ForgetCustomPlaceTick(store, static_cast<int>(ParseCustomLines(lines).size()) - 1);
  if (!Store(store, lines)) {
    std::fprintf(stderr, "twcli: the custom places could not be saved in the settings\n");
    return kExitFailed;
  }
  std::printf("added: %s %s\n", CustomItemId(static_cast<int>(ParseCustomLines(lines).size()) - 1).c_str(),
              PlaceLine(place).c_str());
  return kExitOk;
}

int Remove(const CliArgs& args, TSettingsStore& store) {
  if (args.positional.size() != 2 && args.positional.size() != 3) throw UsageError(kCustomUsage);
  std::vector<std::string> lines = ReadCustomLines(store);
  std::vector<TCustomPlace> places = ParseCustomLines(lines);
  // Lines that do not parse are kept as they are, after the places.
  std::vector<std::string> others;
  for (const std::string& line : lines) {
    TCustomPlace ignored;
    if (!ParseCustomPlace(line, ignored)) others.push_back(line);
  }
  std::vector<bool> removed(places.size(), false);
  std::string what;
  if (args.positional.size() == 2) {
    const int index = CustomItemIndex(args.positional[1]);
    if (index < 0) throw UsageError(kCustomUsage);
    if (static_cast<std::size_t>(index) < places.size()) removed[static_cast<std::size_t>(index)] = true;
    what = args.positional[1];
  } else {
    TCustomPlace wanted;
    if (!ParseKind(args.positional[1], wanted.Kind))
      throw UsageError("unknown kind \"" + args.positional[1] + "\" (folder or key)");
    wanted.Place = args.positional[2];
    for (std::size_t i = 0; i < places.size(); ++i) removed[i] = SameCustomPlace(places[i], wanted, false);
    what = args.positional[1] + " " + wanted.Place;
  }
  std::vector<std::string> kept;
  int count = static_cast<int>(places.size());
  bool any = false;
  // From the last to the first, so that each removal moves the ticks of the places after it.
  for (int i = count - 1; i >= 0; --i) {
    if (!removed[static_cast<std::size_t>(i)]) continue;
    RemoveCustomPlaceTicks(store, i, count);
    places.erase(places.begin() + i);
    --count;
    any = true;
  }
  if (!any) {
    std::fprintf(stderr, "twcli: not a custom place: %s\n", what.c_str());
    return kExitFailed;
  }
  for (const TCustomPlace& place : places) kept.push_back(CustomPlaceText(place));
  kept.insert(kept.end(), others.begin(), others.end());
  if (!Store(store, kept)) {
    std::fprintf(stderr, "twcli: the custom places could not be saved in the settings\n");
    return kExitFailed;
  }
  std::printf("removed: %s\n", what.c_str());
  return kExitOk;
}

}  // namespace

int RunCustomCommand(const std::vector<std::string>& rawArgs) {
  CliArgs args = ParseArgs(rawArgs, {"--mask", "--filter"}, {"--json", "--recurse"});
  if (args.positional.empty()) throw UsageError(kCustomUsage);
  const std::string& verb = args.positional[0];
  if (verb != "list" && args.Flag("--json")) throw UsageError("--json applies to custom list");
  if (verb != "add" && (args.Option("--mask") || args.Option("--filter") || args.Flag("--recurse")))
    throw UsageError("--mask, --filter and --recurse apply to custom add");
  TRegistrySettingsStore store;
  if (verb == "list") return List(args, store);
  if (verb == "add") return Add(args, store);
  if (verb == "remove") return Remove(args, store);
  throw UsageError(kCustomUsage);
}

}  // namespace tw
