#include "settings/portable/Settings.h"

#include <cctype>
#include <limits>

namespace tw {

bool ParseSettingInteger(std::string_view text, std::int32_t& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  std::int64_t result = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
    if (result > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return false;
  }
  if (negative) result = -result;
  if (result > std::numeric_limits<std::int32_t>::max()) return false;
  value = static_cast<std::int32_t>(result);
  return true;
}

std::int32_t ReadIntegerSetting(TSettingsStore& store, std::string_view name, std::int32_t def) {
  const TStoredValue stored = store.Read(name);
  switch (stored.Kind) {
    case TStoredValue::TKind::Dword:
      return static_cast<std::int32_t>(stored.Number);
    case TStoredValue::TKind::String: {
      std::int32_t value = 0;
      return ParseSettingInteger(stored.Text, value) ? value : def;
    }
    default:
      return def;
  }
}

bool ReadBoolSetting(TSettingsStore& store, std::string_view name, bool def) {
  return ReadIntegerSetting(store, name, def ? 1 : 0) != 0;
}

std::vector<std::string> TSettingsStore::ReadLines(std::string_view name) {
  const TStoredValue stored = Read(name);
  std::vector<std::string> lines;
  if (stored.Kind != TStoredValue::TKind::String) return lines;
  for (std::size_t start = 0; start <= stored.Text.size();) {
    std::size_t end = stored.Text.find('\n', start);
    if (end == std::string::npos) end = stored.Text.size();
    lines.push_back(stored.Text.substr(start, end - start));
    start = end + 1;
  }
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

void TSettingsStore::WriteLines(std::string_view name, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  WriteString(name, text);
}

std::vector<std::string> ReadProtectLines(TSettingsStore& store) {
  std::vector<std::string> lines = store.ReadLines(kProtectValue);
  std::erase_if(lines, [](const std::string& line) { return line.empty(); });
  return lines;
}

void WriteProtectLines(TSettingsStore& store, const std::vector<std::string>& lines) {
  std::vector<std::string> kept = lines;
  std::erase_if(kept, [](const std::string& line) { return line.empty(); });
  store.WriteLines(kProtectValue, kept);
}

std::string ReadStringSetting(TSettingsStore& store, std::string_view name, std::string_view def) {
  const TStoredValue stored = store.Read(name);
  if (stored.Kind == TStoredValue::TKind::String) return stored.Text;
  return std::string(def);
}

void WriteIntegerSetting(TSettingsStore& store, std::string_view name, std::int32_t value) {
  if (store.Read(name).Kind == TStoredValue::TKind::String)
    store.WriteString(name, std::to_string(value));
  else
    store.WriteDword(name, static_cast<std::uint32_t>(value));
}

void WriteBoolSetting(TSettingsStore& store, std::string_view name, bool value) {
  store.WriteString(name, value ? "1" : "0");
}

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::string ReadLocaleCode(TSettingsStore& store) {
  return Lower(ReadStringSetting(store, "Locale", "en"));
}

TStartupSettings ReadStartupSettings(TSettingsStore& store) {
  TStartupSettings s;
  s.LocaleCode = ReadLocaleCode(store);
  TCheckSettings& c = s.Checks;
  c.MakeRegistryBackups = ReadBoolSetting(store, "MakeRegistryBackups", true);
  c.RunOnWindowsStartup = ReadBoolSetting(store, "RunOnWindowsStartup", true);
  c.SendToTrayOnClose = ReadBoolSetting(store, "SendToTrayOnClose", true);
  c.ShowInfoTips = ReadBoolSetting(store, "ShowInfoTips", true);
  c.ShowScanDialog = ReadBoolSetting(store, "ShowScanDialog", true);
  c.ShowCleanDialog = ReadBoolSetting(store, "ShowCleanDialog", true);
  c.ShowCleanWarning = ReadBoolSetting(store, "ShowCleanWarning", true);
  c.ShowTipsAtStartup = ReadBoolSetting(store, "ShowTipsAtStartup", true);
  c.CookiesSortOrder = ReadIntegerSetting(store, "CookiesSortOrder", 0);
  c.WriteDiagnosticsLog = ReadBoolSetting(store, "WriteDiagnosticsLog", false);
  c.MoveToRecycleBin = ReadBoolSetting(store, "MoveToRecycleBin", false);
  return s;
}

int ReadPresetScanMode(TSettingsStore& store) {
  const std::int32_t mode = ReadIntegerSetting(store, "PresetScanMode", 0);
  return mode >= 0 && mode <= 7 ? mode : 0;
}

void WriteExitSettings(TSettingsStore& store, int currentMode, const TCheckSettings& c) {
  WriteIntegerSetting(store, "PresetScanMode", currentMode);
  WriteBoolSetting(store, "MakeRegistryBackups", c.MakeRegistryBackups);
  WriteBoolSetting(store, "RunOnWindowsStartup", c.RunOnWindowsStartup);
  WriteBoolSetting(store, "SendToTrayOnClose", c.SendToTrayOnClose);
  WriteBoolSetting(store, "ShowScanDialog", c.ShowScanDialog);
  WriteBoolSetting(store, "ShowCleanDialog", c.ShowCleanDialog);
  WriteBoolSetting(store, "ShowCleanWarning", c.ShowCleanWarning);
  WriteBoolSetting(store, "ShowInfoTips", c.ShowInfoTips);
  WriteBoolSetting(store, "ShowTipsAtStartup", c.ShowTipsAtStartup);
  WriteIntegerSetting(store, "CookiesSortOrder", c.CookiesSortOrder);
}

std::string RunValueName(std::string_view programPath) {
  const std::size_t slash = programPath.find_last_of("\\/:");
  return std::string(slash == std::string_view::npos ? programPath : programPath.substr(slash + 1));
}

std::string RunValueData(std::string_view programPath) {
  return "\"" + std::string(programPath) + "\" -HIDE";
}

}  // namespace tw
