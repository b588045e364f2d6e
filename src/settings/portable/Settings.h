#pragma once
// The user's settings: value names, types, defaults and the conversions between the string and
// DWORD forms in which they may be stored. The storage itself is behind TSettingsStore so that
// the rules work the same on the registry and in tests.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// One stored value as read back: missing, a string, a DWORD, or some other type.
struct TStoredValue {
  enum class TKind { Missing, String, Dword, Other };
  TKind Kind = TKind::Missing;
  std::string Text;
  std::uint32_t Number = 0;
};

class TSettingsStore {
 public:
  virtual ~TSettingsStore() = default;
  // Read errors of any kind come back as Missing: the caller then uses the default.
  virtual TStoredValue Read(std::string_view name) = 0;
  virtual void WriteString(std::string_view name, std::string_view text) = 0;
  virtual void WriteDword(std::string_view name, std::uint32_t value) = 0;
  // A list of texts, in order. Stores without a list type keep it as one string of lines
  // separated by "\n" (what these defaults do); the registry store uses REG_MULTI_SZ.
  virtual std::vector<std::string> ReadLines(std::string_view name);
  virtual void WriteLines(std::string_view name, const std::vector<std::string>& lines);
};

inline constexpr const char* kSettingsKey = "Software\\Tidewhisk";
inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Decimal integer text as the settings accept it (optional sign, digits, nothing else).
bool ParseSettingInteger(std::string_view text, std::int32_t& value);

// Integers: a DWORD, or a string holding a decimal integer; anything else gives Default.
std::int32_t ReadIntegerSetting(TSettingsStore& store, std::string_view name, std::int32_t def);
// Booleans are read as integers; any non-zero number is true.
bool ReadBoolSetting(TSettingsStore& store, std::string_view name, bool def);
std::string ReadStringSetting(TSettingsStore& store, std::string_view name, std::string_view def);
// Writes decimal text over an existing string value, a DWORD otherwise.
void WriteIntegerSetting(TSettingsStore& store, std::string_view name, std::int32_t value);
// Booleans are always written as the strings "0" and "1".
void WriteBoolSetting(TSettingsStore& store, std::string_view name, bool value);

// The eight check settings and the cookie sort order, with their defaults.
struct TCheckSettings {
  bool MakeRegistryBackups = true;
  bool RunOnWindowsStartup = true;
  bool SendToTrayOnClose = true;
  bool ShowInfoTips = true;
  bool ShowScanDialog = true;
  bool ShowCleanDialog = true;
  bool ShowCleanWarning = true;
  bool ShowTipsAtStartup = true;
  std::int32_t CookiesSortOrder = 0;
  // "WriteDiagnosticsLog": written at once by the settings dialog, not at exit.
  bool WriteDiagnosticsLog = false;
  // "MoveToRecycleBin": a clean moves the files of the user's own places into the Recycle Bin
  // instead of deleting them. Written at once by the settings dialog, not at exit.
  bool MoveToRecycleBin = false;
  bool operator==(const TCheckSettings&) const = default;
};

struct TStartupSettings {
  std::string LocaleCode = "en";  // lower-cased as stored; not yet validated
  TCheckSettings Checks;
};

// What the main window reads when it is created.
TStartupSettings ReadStartupSettings(TSettingsStore& store);
// "Locale", lower-cased ("en" when missing).
std::string ReadLocaleCode(TSettingsStore& store);
// "PresetScanMode": 0 when missing, not an integer, or outside 0..7.
int ReadPresetScanMode(TSettingsStore& store);
// What the exit action writes, in its order; "Locale" is not among them.
void WriteExitSettings(TSettingsStore& store, int currentMode, const TCheckSettings& checks);

// The user's protect list: "Protect", one stored entry a line ("folder:%USERPROFILE%\Keep"),
// environment variables kept as typed. Empty lines are dropped; missing means nothing protected.
inline constexpr const char* kProtectValue = "Protect";
std::vector<std::string> ReadProtectLines(TSettingsStore& store);
void WriteProtectLines(TSettingsStore& store, const std::vector<std::string>& lines);

// The log-on Run value of a program file: its name is the file name, its data the quoted path
// followed by the hidden-start switch.
std::string RunValueName(std::string_view programPath);
std::string RunValueData(std::string_view programPath);

}  // namespace tw
