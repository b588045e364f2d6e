#pragma once
// The user's custom places: folders (with a file mask, with or without their subfolders) and
// registry keys (with a filter on value names) that the user adds to what is cleaned. They show
// as the group "gcustom" of the ready list, one item per place ("gcustom-i1", "gcustom-i2"...
// in list order), and scan and clean as database items do.
//
// Stored per user as the REG_MULTI_SZ value "CustomPlaces" of the settings key, one place a line,
// environment variables kept as typed:
//   folder|recurse|*.log|%LOCALAPPDATA%\Vendor\Logs     (or "top": this folder only)
//   key|MRU*;Last*|HKEY_CURRENT_USER\Software\Vendor\Recent
// The path or key comes last and may hold "|"; the mask and the filter may not.
#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "database/portable/ItemIds.h"
#include "settings/portable/Settings.h"

namespace tw {

enum class TCustomKind { Folder, Key };

struct TCustomPlace {
  TCustomKind Kind = TCustomKind::Folder;
  std::string Place;    // the folder or the key, as typed
  std::string Pattern;  // folders: file mask ("*.*" when empty); keys: value-name filter ("*")
  bool Recurse = false;  // folders: their subfolders too
  bool operator==(const TCustomPlace&) const = default;
};

inline constexpr const char* kCustomPlacesValue = "CustomPlaces";

// "gcustom-i1" for Index 0.
std::string CustomItemId(int index);
// The index of a custom item id ("gcustom-i3" gives 2); -1 for any other text.
int CustomItemIndex(std::string_view id);

std::string CustomPlaceText(const TCustomPlace& place);
// False for a line of another form (the place then shows nowhere).
bool ParseCustomPlace(std::string_view text, TCustomPlace& place);
// The pattern a place uses: its own, or "*.*" (folders) and "*" (keys) when it has none.
std::string CustomPattern(const TCustomPlace& place);
// That pattern as the action takes it: the blanks around each ";"-separated name dropped.
std::string CustomPatternList(const TCustomPlace& place);

// Why a place cannot be added, judged on its text with variables expanded. Folders: a full path
// ("C:\..." or "\\server\share\..."), no wildcard, a mask of names only. Keys: a known root, a
// filter without "|"; a root key, HKEY_USERS, the hardware configuration, the system's own
// hives and the keys that Windows and every program share are refused. Which folders are refused
// (drive roots, the profile, Windows, the program files) is for the cleaners to say.
enum class TCustomProblem {
  None,
  Empty,
  FolderPath,
  FolderWildcard,
  Mask,
  FolderRefused,
  KeyRoot,
  KeyRefused,
  Filter,
};
TCustomProblem CustomPlaceProblem(const TCustomPlace& expanded);
// The English text of a problem (empty for None).
const char* CustomProblemText(TCustomProblem problem);

// The value filter of the delete-values method for a wildcard filter: each ";"-separated
// pattern ("*" any run, "?" one character) becomes an anchored regular expression that ignores
// letter case, so "MRU*" selects "MRUList" and "mru1" but not "OldMRU".
std::string ValueFilterExpression(std::string_view filter);

// The stored lines, empty ones dropped; missing means no custom place.
std::vector<std::string> ReadCustomLines(TSettingsStore& store);
void WriteCustomLines(TSettingsStore& store, const std::vector<std::string>& lines);
// The places of the lines that parse, in order.
std::vector<TCustomPlace> ParseCustomLines(const std::vector<std::string>& lines);

// Ticks follow their places: after the place at Index left a list of Count places, the tick of
// each later item moves to the id before it and the last id keeps none.
void CustomPlaceRemovedTicks(std::map<std::string, bool>& checked, int index, int count);
// The same on the user's stored ticks ("ItemChecks"); a new place at Index starts unticked.
void RemoveCustomPlaceTicks(TSettingsStore& store, int index, int count);
void ForgetCustomPlaceTick(TSettingsStore& store, int index);

// The texts of the group in one language; the info texts take the pattern and the place ("%s").
struct TCustomTexts {
  std::string Group, GroupInfo, FolderInfo, FolderTreeInfo, KeyInfo;
};
// The whole <Group id="gcustom"> element (UTF-8) for Places, its texts in English, French,
// German and Spanish. Every item starts unticked (Checked names the ticked ones by index), is
// marked recoverable="true" and holds one action on the database's own methods: DeleteFiles
// (system files left alone; a mask "*.*" without subfolders lists files only) or DeleteValues.
std::string CustomGroupXml(const std::vector<TCustomPlace>& places, const std::vector<bool>& checked,
                           const std::array<TCustomTexts, 4>& texts);
// The "mode" text of a custom item: it takes part in every mode once ticked, in none before.
std::string CustomItemMode(bool checked);

}  // namespace tw
