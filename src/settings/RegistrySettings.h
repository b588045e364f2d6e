#pragma once
// The settings store on the registry: values under HKEY_CURRENT_USER "Software\Tidewhisk", and
// the log-on Run value of the program.
#include <windows.h>

#include <string>

#include "platform/Handles.h"
#include "settings/portable/Settings.h"

namespace tw {

class TRegistrySettingsStore final : public TSettingsStore {
 public:
  // Root and Key name the place of the values (the user's settings key by default).
  explicit TRegistrySettingsStore(HKEY root = HKEY_CURRENT_USER, std::string key = kSettingsKey);
  TStoredValue Read(std::string_view name) override;
  // The key is created when missing. Write errors are not reported.
  void WriteString(std::string_view name, std::string_view text) override;
  void WriteDword(std::string_view name, std::uint32_t value) override;
  // REG_MULTI_SZ; a string value is read as one line. The key is created when missing.
  std::vector<std::string> ReadLines(std::string_view name) override;
  void WriteLines(std::string_view name, const std::vector<std::string>& lines) override;

 private:
  HKEY root_;
  std::string key_;
};

enum class TRunValueAction { Remove, Write };
// Writes or removes the Run value named after ProgramPath's file; nothing happens when the Run
// key does not open (it is never created).
void UpdateRunValue(TRunValueAction action, const std::string& programPath);

}  // namespace tw
