#pragma once
// The registry class every registry work object opens keys with, and its "REGEDIT4" export.
//
// Text is UTF-8 throughout: names, paths and the data of the string types (REG_SZ,
// REG_EXPAND_SZ, REG_MULTI_SZ) are converted to and from the registry's UTF-16 here, so every
// name and string round-trips whatever the process's code page.
//
// Views: every key is opened in the 64-bit view (KEY_WOW64_64KEY), also from a 32-bit build,
// so a path means the same key to every build. The 32-bit programs' keys are reached by their
// own path in that view, "Software\WOW6432Node\..." (the same keys KEY_WOW64_32KEY opens as
// "Software\...").
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Handles.h"
#include "registry/portable/RegText.h"

namespace tw {

// A registry error with the system's error code (the thread's last error when it was made).
// Its text is "Error N : system message" (or "Error N"), ":" and Message.
class EExRegistryException : public ERegistryException {
 public:
  explicit EExRegistryException(const std::string& message);
  // The same with the error code given (a registry call's result).
  EExRegistryException(DWORD code, const std::string& message);
  DWORD ErrorCode;
};

// A root key's handle from its 32-bit value, and back.
HKEY RootKeyHandle(std::uint32_t root);
std::uint32_t RootKeyValue(HKEY root);

// One value as stored: its type and bytes (UTF-8 for the string types).
struct TRegValue {
  DWORD Type = REG_NONE;
  std::string Data;
  // False when UTF-8 cannot carry the stored data exactly (an odd byte count or a lone
  // surrogate in a string type): Data is then the nearest text.
  bool Exact = true;
};

class TExRegistry {
 public:
  // Access: the rights keys are opened with (the 64-bit view is added to every open).
  explicit TExRegistry(REGSAM access = KEY_ALL_ACCESS);
  virtual ~TExRegistry() = default;
  TExRegistry(const TExRegistry&) = delete;
  TExRegistry& operator=(const TExRegistry&) = delete;

  HKEY RootKey = HKEY_CURRENT_USER;
  REGSAM Access;
  // When set, names the root in section headers instead of RootKey.
  HKEY ExportRootKey = nullptr;

  // Opens Path below RootKey (a leading backslash is ignored), creating it when CanCreate;
  // false when it does not open. The previous key is closed.
  bool OpenKey(const std::string& path, bool canCreate) {
    return TryOpenKey(path, canCreate) == ERROR_SUCCESS;
  }
  // The same, giving the registry's result (ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED...).
  LONG TryOpenKey(const std::string& path, bool canCreate);
  void CloseKey();
  HKEY CurrentKey() const { return current_.get(); }
  const std::string& CurrentPath() const { return currentPath_; }
  bool KeyExists(const std::string& path) const;

  // Names under the open key. Raises EExRegistryException when the key cannot be listed. A
  // name UTF-8 cannot carry exactly is left out and AllExact set false.
  std::vector<std::string> GetValueNames(bool* allExact = nullptr) const;
  std::vector<std::string> GetKeyNames(bool* allExact = nullptr) const;

  // The value Name of the open key; nothing when it does not exist. Raises
  // EExRegistryException for any other failure.
  std::optional<TRegValue> ReadValue(const std::string& name) const;
  // The size in bytes of Name's data as stored; -1 when it cannot be queried.
  std::int64_t ValueSize(const std::string& name) const;
  // Writes Name with Type and Data (UTF-8 for the string types). Raises EExRegistryException.
  void WriteValue(const std::string& name, DWORD type, std::string_view data);
  // True when Name is gone afterwards (also when it was never there). Raises
  // EExRegistryException with the registry's error when it cannot be deleted.
  bool DeleteValue(const std::string& name);
  // Deletes the key Path below the open key with everything under it; true when it is gone
  // afterwards (also when it was never there). A registry link in the tree (Path itself
  // included) is deleted as the link it is: what it points at is never entered. Raises
  // EExRegistryException with the registry's error when something cannot be deleted.
  bool DeleteKeyTree(const std::string& path);
  // The last-write time of the key Path below the open key (a link itself, not its target);
  // nothing when it cannot be opened.
  std::optional<std::int64_t> KeyLastWrite(const std::string& path) const;

  // Clears Strings and fills it with the strings of the REG_MULTI_SZ Name, up to the first
  // empty one. Raises EExRegistryException "Unable to read MULTI_SZ value" when it cannot be
  // queried, ERegistryException "String list expected" for another type.
  void ReadMultiSz(const std::string& name, std::vector<std::string>& strings) const;

  // Export: BeginExport starts the lines, ExportValue adds one value, EndExport returns the
  // text (each line ended by CR LF) and ends the export.
  virtual void BeginExport();
  virtual void ExportValue(const std::string& keyPath, const std::string& valueName, DWORD type,
                           std::string_view data);
  virtual std::string EndExport();
  // The section header of KeyPath, also for a key without values.
  void ExportKeyHeader(const std::string& keyPath);
  // Exports the value Name of the open key exactly as stored, under the header of the open
  // key's path. False when the value does not exist; raises ERegistryException when it cannot
  // be exported exactly.
  bool ExportCurrentValue(const std::string& name);
  // Exports the key Path below RootKey with every value and every key under it, keys without
  // values included (names in byte order). A registry link is exported as itself, its
  // "SymbolicLinkValue" with what it points at, never followed. False when the key does not
  // exist; raises ERegistryException when something in it cannot be exported exactly.
  bool ExportKeyTree(const std::string& path);
  // Where a failed entry of a larger export rolls back to.
  TRegExportWriter::TMark ExportMark() const { return writer_.Mark(); }
  void ExportRollback(const TRegExportWriter::TMark& mark) { writer_.Rollback(mark); }

 protected:
  std::string HeaderRootName() const;
  TRegExportWriter writer_;

 private:
  void ExportTreeOf(HKEY key, const std::string& path);

  unique_hkey current_;
  std::string currentPath_;
};

// The product's registry class: every export starts with the line "REGEDIT4".
class TTidewhiskReg : public TExRegistry {
 public:
  using TExRegistry::TExRegistry;

  void BeginExport() override;

  // The data of Name as "hex:" (REG_BINARY) or "hex(N):" and its bytes, for display. Empty
  // when the key or value cannot be read; raises ERegistryException "Not a REG_BINARY value"
  // for REG_SZ, REG_EXPAND_SZ and REG_DWORD values.
  std::string ReadBinaryAsHex(const std::string& name) const;
};

// The names of the values (Keys false) or subkeys (Keys true) of an open key. Raises
// EExRegistryException when it cannot be listed. A name UTF-8 cannot carry exactly is left out
// and AllExact set false.
std::vector<std::string> EnumNames(HKEY key, bool keys, bool* allExact);
// The value Name of an open key; nothing when it does not exist. Raises EExRegistryException
// for any other failure.
std::optional<TRegValue> ReadValueOf(HKEY key, const std::string& name);

// The name of the value that holds a registry link's target.
inline constexpr const char* kSymbolicLinkValue = "SymbolicLinkValue";
// Creates (or opens) Path below Root as a registry link key, opened as the link itself with
// Access; the registry's result.
LONG CreateLinkKey(HKEY root, const std::string& path, REGSAM access, unique_hkey& key);
// Opens Path below Parent as itself: a link is opened as the link, not as its target.
LONG OpenKeyAsLink(HKEY parent, const std::string& path, REGSAM access, unique_hkey& key);

}  // namespace tw
