// twcli scan and twcli clean: a run of the scan manager exactly as the program makes it, with the
// work executed in this (main) thread through a queue synchronizer.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cleaners/WorkObjectBuilders.h"
#include "cleaners/system/KeptCookies.h"
#include "cli/Cli.h"
#include "database/XMLDatabase.h"
#include "engine/ProtectPlaces.h"
#include "engine/RunTally.h"
#include "engine/ScanMgr.h"
#include "engine/States.h"
#include "platform/Elevation.h"
#include "platform/Handles.h"
#include "platform/QueueSynchronizer.h"
#include "registry/BackupFiles.h"
#include "settings/CustomGroup.h"
#include "settings/RegistrySettings.h"
#include "settings/portable/Settings.h"
#include "support/Format.h"

namespace tw {
namespace {

constexpr const char* kScanUsage = "scan [--mode 1..7] [--items ID,ID...] [--database PATH] [--lang en|fr|de|es] [--json]";
constexpr const char* kCleanUsage =
    "clean [--mode 1..7] [--items ID,ID...] [--database PATH] [--lang en|fr|de|es] [--json] [--no-backup] "
    "[--recycle]";

int ModeOption(const CliArgs& args, const char* usage) {
  const std::string* text = args.Option("--mode");
  if (!text) {
    // The mode the program would start in.
    TRegistrySettingsStore store;
    return ReadPresetScanMode(store);
  }
  if (text->size() != 1 || (*text)[0] < '1' || (*text)[0] > '7')
    throw UsageError(std::string("--mode must be 1 to 7: ") + usage);
  return (*text)[0] - '0';
}

std::vector<std::string> SplitIds(const std::string& list) {
  std::vector<std::string> ids;
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = list.find(',', start);
    std::string id = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (id.empty()) throw UsageError("--items: empty item id in \"" + list + "\"");
    ids.push_back(id);
    if (comma == std::string::npos) return ids;
    start = comma + 1;
  }
}

// --items: exactly the listed items are ticked for this run (the database file is not written).
void TickItems(TXMLDatabase& database, const std::string& list) {
  std::vector<std::string> wanted = SplitIds(list);
  std::set<std::string> unknown(wanted.begin(), wanted.end());
  for (const TXmlNode& group : database.Document.Root().Children()) {
    if (group.Name() != "Group") continue;
    for (TXmlNode& item : group.Children()) {
      if (item.Name() != "Item") continue;
      std::optional<std::string> id = item.AttrOpt("id");
      const bool ticked = id && std::find(wanted.begin(), wanted.end(), *id) != wanted.end();
      if (ticked) unknown.erase(*id);
      item.SetAttr("checked", ticked ? "true" : "false");
    }
  }
  if (!unknown.empty()) throw UsageError("--items: no item " + *unknown.begin() + " in the database");
}

std::string ItemId(const TWorkObject& object) {
  if (!object.ItemNode) return {};
  return object.ItemNode.AttrOpt("id").value_or("");
}

// The lines of one object that a clean reported (processed), found from the reported text
// without a copy of each line's: the lines are looked up by their text and by the name a clean
// may report instead. Lines the object lists while it cleans are looked up as well.
class TReportedLines {
 public:
  explicit TReportedLines(const TWorkObject& object) : object_(object) { Update(); }
  void Report(std::string_view text) {
    Update();
    const auto [first, last] = lines_.equal_range(text);
    for (auto line = first; line != last; ++line) reported_[static_cast<std::size_t>(line->second)] = true;
  }
  bool Reported(int index) {
    Update();
    return index >= 0 && static_cast<std::size_t>(index) < reported_.size() &&
           reported_[static_cast<std::size_t>(index)];
  }

 private:
  void Update() {
    const TFoundList& found = object_.Found;
    if (found.Count() < indexed_) {  // listed anew: the old lines are gone
      lines_.clear();
      reported_.clear();
      indexed_ = 0;
    }
    if (found.Count() == indexed_) return;
    lines_.reserve(static_cast<std::size_t>(found.Count()));
    for (int i = indexed_; i < found.Count(); ++i) {
      const std::string_view text = found.TextView(i), name = object_.CleanReportName(i);
      lines_.emplace(text, i);
      if (name != text) lines_.emplace(name, i);
    }
    indexed_ = found.Count();
    reported_.resize(static_cast<std::size_t>(indexed_), false);
  }

  const TWorkObject& object_;
  int indexed_ = 0;
  std::unordered_multimap<std::string_view, int> lines_;
  std::vector<bool> reported_;
};

// The run's side of the scan manager's events: each object's run time, from the end of the one
// before it (or the start of the run), and the end of the run (the end marker's completion).
class TCliScanEvents final : public TScanEvents {
 public:
  using Clock = std::chrono::steady_clock;

  void OnWorkDone(TCustomWorkObject* sender) override {
    const Clock::time_point now = Clock::now();
    seconds[sender] = std::chrono::duration<double>(now - last).count();
    last = now;
    if (static_cast<TWorkObject*>(sender)->IsEndMarker()) finished = true;
  }
  // A new run starts now.
  void Start() {
    finished = false;
    last = Clock::now();
  }

  bool finished = false;
  Clock::time_point last = Clock::now();
  std::map<const TCustomWorkObject*, double> seconds;
};

struct Run {
  explicit Run(bool clean) : cleaning(clean) {}
  bool cleaning;
  TQueueSynchronizer sync;
  TCliScanEvents events;
  // The lines each object's clean reported, i.e. processed
  std::map<const TWorkObject*, TReportedLines> cleaned;
};

int RunScanOrClean(const std::vector<std::string>& rawArgs, bool clean) {
  const char* usage = clean ? kCleanUsage : kScanUsage;
  CliArgs args = ParseArgs(rawArgs, {"--mode", "--items", "--database", "--lang"},
                           clean ? std::set<std::string>{"--json", "--no-backup", "--recycle"}
                                 : std::set<std::string>{"--json"});
  if (!args.positional.empty()) throw UsageError(usage);
  const int mode = ModeOption(args, usage);
  const std::string* items = args.Option("--items");
  if (items && mode != pmRegistry && mode != pmAdvanced)
    throw UsageError(std::string("--items applies to modes 5 and 7: ") + usage);
  const bool json = args.Flag("--json");

  TXMLDatabase database;
  if (!LoadCliDatabase(args, database)) return kExitFailed;
  {
    // The user's custom places join the database's items, unticked as the program starts them.
    TRegistrySettingsStore settings;
    PutStoredCustomGroup(database.Document, settings);
  }
  if (items) TickItems(database, *items);

  Run run(clean);
  TScanMgr manager(run.sync, run.events, CleanerBuilders(), 1, true);
  {
    TRegistrySettingsStore settings;
    manager.Protect = ProtectListFromLines(ReadProtectLines(settings));
  }
  run.events.Start();
  manager.Scan(database.Document, static_cast<TPresetMode>(mode), LanguageOption(args));
  run.sync.RunUntil([&] { return run.events.finished; });
  // What could not be scanned is reported as the program does (the clean's runs replace the
  // objects' errors).
  const std::vector<TRunError> scanErrors = RunErrors(manager.WorkObjects, false);
  std::set<const TWorkObject*> failed;  // objects whose scan raised
  for (const auto& object : manager.WorkObjects)
    if (!ScanCounts(*object)) failed.insert(object.get());
  // Places every user shares need administrator rights: a clean leaves them out.
  const bool elevated = ProcessIsElevated();
  const std::vector<TWorkObject*> machineWide =
      elevated ? std::vector<TWorkObject*>() : MachineWideObjects(manager.WorkObjects);
  if (!machineWide.empty()) {
    std::string note = Format(clean ? "twcli: %d items change places shared by every user of this computer and "
                                      "need administrator rights; they are skipped:\n"
                                    : "twcli: %d items change places shared by every user of this computer and "
                                      "need administrator rights to be cleaned:\n",
                              static_cast<int>(machineWide.size()));
    for (TWorkObject* object : machineWide) {
      note += Format("  %s (%s)\n", ItemId(*object), object->MachineWidePlace());
      if (clean) object->SkipClean = true;
    }
    std::fputs(note.c_str(), stderr);
  }
  // Registry entries are backed up before they change while the user's setting says so.
  bool backups = false;
  if (clean && !args.Flag("--no-backup")) {
    TRegistrySettingsStore settings;
    backups = ReadBoolSetting(settings, "MakeRegistryBackups", true);
  }
  if (clean) {
    // The user's own places go to the Recycle Bin with --recycle, or while the stored setting
    // says so.
    TRegistrySettingsStore settings;
    manager.MoveToRecycleBin = args.Flag("--recycle") || ReadBoolSetting(settings, "MoveToRecycleBin", false);
  }
  if (clean) {
    // The kept cookies as the cache holds them now; a damaged list is reported here and the
    // cookie clean then removes nothing.
    try {
      std::vector<std::string> failed;
      RefreshKeptCookies(KeptCookiesPath(), LookupUrlCacheEntry, &failed);
      for (const std::string& name : failed)
        std::fprintf(stderr, "twcli: the URL cache could not say whether %s is still there; it stays kept\n",
                     name.c_str());
    } catch (const EKeptCookiesError& e) {
      std::fprintf(stderr, "twcli: %s\n", e.what());
    }
    for (const auto& object : manager.WorkObjects) {
      // The findings of the scan are read from Found once it is over; only what the clean
      // reports is taken item by item, and marks the lines it names.
      TReportedLines& lines = run.cleaned.try_emplace(object.get(), *object).first->second;
      object->OnItem = [&lines](TWorkObject*, TWorkDataPtr data) { lines.Report(data->Text); };
      if (backups) object->OnBackup = [](TWorkObject*, TWorkDataPtr) {};
      else object->OnBackup = nullptr;
    }
    run.events.Start();
    manager.Clean();
    run.sync.RunUntil([&] { return run.events.finished; });
  }

  // Totals as the main window keeps them: every finding counts, a repeated name's size once.
  std::int64_t count = 0, size = 0, kept = 0;
  const TCleanTally tally = clean ? TallyClean(manager.WorkObjects, nullptr) : TCleanTally();
  const std::vector<TRunError> cleanErrors =
      clean ? RunErrors(manager.WorkObjects, true) : std::vector<TRunError>();
  TFoundNames names;
  // The output goes out as it is made: a scan may list a million findings.
  std::string out;
  auto flush = [&out] {
    std::fwrite(out.data(), 1, out.size(), stdout);
    out.clear();
  };
  if (json) out += Format("{\"mode\":%d,\"objects\":[", mode);
  bool firstObject = true;
  for (const auto& object : manager.WorkObjects) {
    if (object->IsEndMarker()) continue;
    const bool failedRun = !object->ErrorClass.empty();
    const bool failedScan = failed.count(object.get()) != 0;
    if (json) {
      out += Format("%s{\"item\":%s,\"class\":%s,\"error\":", firstObject ? "" : ",",
                    JsonString(ItemId(*object)), JsonString(object->ClassName()));
      out += failedRun ? Format("{\"class\":%s,\"message\":%s}", JsonString(object->ErrorClass),
                                JsonString(object->ErrorMessage))
                       : std::string("null");
      // Parts of the run that failed while the rest went on (one profile's database locked).
      out += ",\"partialErrors\":[";
      for (std::size_t e = 0; e < object->PartialErrors.size(); ++e)
        out += Format("%s{\"class\":%s,\"message\":%s}", e ? "," : "",
                      JsonString(object->PartialErrors[e].className), JsonString(object->PartialErrors[e].message));
      out += "]";
      if (object->SkipClean) out += ",\"skipped\":true";
      char time[32];
      std::snprintf(time, sizeof time, ",\"seconds\":%.6f", run.events.seconds[object.get()]);
      out += time;
      out += ",\"findings\":[";
    } else {
      out += Format("%s %s\n", ItemId(*object), object->ClassName());
      if (failedRun) out += Format("  error: %s: %s\n", object->ErrorClass, object->ErrorMessage);
      for (const ErrorInfo& part : object->PartialErrors)
        out += Format("  error: %s: %s\n", part.className, part.message);
      if (object->SkipClean) out += "  skipped: needs administrator rights\n";
    }
    firstObject = false;
    auto reported = run.cleaned.find(object.get());
    for (int i = 0; i < object->Found.Count(); ++i) {
      const std::string_view text = object->Found.TextView(i);
      const TChecked& record = object->Found.Record(i);
      // A scan that failed is not listed by the program: its findings are not in the totals.
      if (!failedScan) {
        ++count;
        if (names.Add(object->Found, i)) size += record.Size;
      }
      if (record.Protected) ++kept;
      const bool removed = clean && record.CleanSucceeded && !object->SkipClean && !failedRun &&
                           reported != run.cleaned.end() && reported->second.Reported(i);
      if (out.size() > 1 << 16) flush();
      if (json) {
        out += i ? ",{\"text\":" : "{\"text\":";
        AppendJsonString(out, text);
        out += ",\"size\":";
        out += std::to_string(record.Size);
        if (clean) out += removed ? ",\"removed\":true" : ",\"removed\":false";
        if (clean && record.Recycled) out += ",\"recycled\":true";
        if (record.Protected) out += ",\"protected\":true";
        out += "}";
      } else {
        out += "  ";
        out += text;
        out += "  ";
        out += std::to_string(record.Size);
        if (record.Protected) out += "  kept (protected)";
        else if (clean && record.Recycled) out += "  moved to the Recycle Bin";
        else if (clean) out += removed ? "  removed" : "  not removed";
        out += "\n";
      }
    }
    if (json) out += "]}";
  }

  std::vector<std::string> backupFiles;
  std::size_t oldBackups = 0;
  if (clean) {
    for (const auto& object : manager.WorkObjects) {
      const std::vector<std::string> written = object->WrittenBackups();
      backupFiles.insert(backupFiles.end(), written.begin(), written.end());
    }
    oldBackups = OldBackups().size();
  }

  if (json) {
    out += "],\"programsToClose\":[";
    bool first = true;
    for (const std::string& program : manager.ProgramsToClose) {
      out += (first ? "" : ",") + JsonString(program);
      first = false;
    }
    out += Format("],\"count\":%d,\"size\":%d,\"errors\":%d,\"elevated\":%s", count, size,
                  static_cast<int>(scanErrors.size() + cleanErrors.size()), elevated ? "true" : "false");
    if (clean) {
      out += Format(",\"checked\":%d,\"failed\":%d,\"skipped\":%d,\"backups\":[", tally.Checked, tally.Failed,
                    tally.Skipped);
      for (std::size_t i = 0; i < backupFiles.size(); ++i)
        out += (i ? "," : "") + JsonString(backupFiles[i]);
      out += Format("],\"oldBackups\":%d,\"protected\":%d", oldBackups, kept);
      out += Format(",\"recycled\":%d,\"recycledSize\":%d", tally.Recycled, tally.RecycledSize);
    }
    out += "}\n";
  } else {
    out += Format("Findings: %d, %s\n", count, SizeText(size));
    std::string programs;
    for (const std::string& program : manager.ProgramsToClose)
      programs += (programs.empty() ? "" : ", ") + program;
    out += Format("Programs to close: %s\n", programs.empty() ? std::string("none") : programs);
    if (clean) {
      out += Format("Cleaned: %d checked, %d could not be removed\n", tally.Checked, tally.Failed);
      if (tally.Skipped) out += Format("Skipped: %d (they need administrator rights)\n", tally.Skipped);
      if (kept) out += Format("Kept because protected: %d\n", kept);
      if (tally.Recycled)
        out += Format("Recycle Bin: %d files (%s) can be restored from it\n", tally.Recycled,
                      SizeText(tally.RecycledSize));
      std::string files;
      for (const std::string& file : backupFiles) files += (files.empty() ? "" : ", ") + file;
      out += Format("Backups: %s\n", files.empty() ? std::string(backups ? "none" : "off") : files);
      if (oldBackups)
        out += Format("Backups older than %d days: %d "
                      "(twcli backup recycle moves them to the Recycle Bin)\n",
                      kBackupRecycleDays, oldBackups);
    }
  }
  if (!json) {
    const std::size_t errors = scanErrors.size() + cleanErrors.size();
    if (errors) out += Format("Errors: %d\n", static_cast<int>(errors));
  }
  flush();
  // Something that could not be scanned, removed, or was skipped makes the run incomplete.
  const bool incomplete = !scanErrors.empty() || !cleanErrors.empty() || tally.Failed > 0 || tally.Skipped > 0;
  return incomplete ? kExitFailed : kExitOk;
}

}  // namespace

int RunScanCommand(const std::vector<std::string>& args) { return RunScanOrClean(args, false); }
int RunCleanCommand(const std::vector<std::string>& args) { return RunScanOrClean(args, true); }

}  // namespace tw
