#pragma once
// Reading single values of keys the program does not change: its own settings, the system's
// records and other programs' keys. Names and texts are UTF-8; the key is read through the wide
// calls. (The registry class, registry/ExRegistry.h, is what scans, cleans and backs up keys.)
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Handles.h"

namespace tw {

// A value as stored: its type and its bytes.
struct TRegData {
  DWORD Type = REG_NONE;
  std::string Bytes;

  // The text of a REG_SZ or REG_EXPAND_SZ value up to its first NUL; nothing for another type.
  std::optional<std::string> Text() const;
};

class TRegReadKey {
 public:
  // Opens Path below Root to read its values; View adds KEY_WOW64_64KEY or KEY_WOW64_32KEY to
  // choose a registry view (0: the process's own).
  TRegReadKey(HKEY root, std::string_view path, REGSAM view = 0);
  // Reads the values of Key, opened elsewhere and closed by its owner.
  explicit TRegReadKey(HKEY key) : key_(key) {}

  // False when the key could not be opened; Error() then says why (ERROR_FILE_NOT_FOUND when it
  // does not exist).
  bool IsOpen() const { return key_ != nullptr; }
  LONG Error() const { return error_; }

  // The value Name (empty: the key's default value); nothing when the key is not open or the
  // value is missing or cannot be read.
  std::optional<TRegData> Value(std::string_view name) const;
  // The text of a REG_SZ or REG_EXPAND_SZ value up to its first NUL; nothing when the value is
  // missing or of another type.
  std::optional<std::string> Text(std::string_view name) const;
  // The strings of a REG_MULTI_SZ value up to the first empty one (a missing last NUL is
  // forgiven), or the text of a REG_SZ or REG_EXPAND_SZ value when it is not empty; nothing
  // when the value is missing or of another type.
  std::optional<std::vector<std::string>> Lines(std::string_view name) const;
  // A REG_DWORD value; nothing when the value is missing or of another type or size.
  std::optional<DWORD> Dword(std::string_view name) const;

 private:
  unique_hkey owned_;
  HKEY key_ = nullptr;
  LONG error_ = ERROR_SUCCESS;
};

}  // namespace tw
