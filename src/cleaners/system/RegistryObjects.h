#pragma once
// The registry work objects: the base every registry cleaner and fixer builds on, and the three
// cleaners that list values or subkeys of one key by name pattern.
//
// A clean changes only what the scan listed: a value whose type or data differ from what the
// scan read, or a key whose last-write time differs (it was replaced or changed), is left as it
// is and reported as changed. A clean with backups (OnBackup assigned) first exports every
// ticked entry as it is at that moment (a value, or a key with its whole tree) into one new
// backup file of the item; an entry that cannot be exported exactly, or a file that cannot be
// written, leaves the entry unchanged and reported as not cleaned. Only then is each entry
// changed, first line to last. Every entry not changed gets its reason in PartialErrors.
//
// An entry found through HKEY_CLASSES_ROOT lives in the user's classes (HKEY_CURRENT_USER
// \Software\Classes), the machine's (HKEY_LOCAL_MACHINE\Software\Classes) or both, which that
// root shows merged: it is backed up under, and removed from, each hive that holds it, so that
// a restore puts every part back in its own hive.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CustomWorkObject.h"
#include "registry/ExRegistry.h"

namespace tw {

// The record of a registry finding: the exact name of what it names (a value of the opened
// key, or a key path below it), which the line's text cannot carry when the name holds "|".
class TRegEntryChecked : public TRegChecked {
 public:
  TRegEntryChecked(std::string name, bool isKey, std::int64_t size);
  std::string Name;
  bool IsKey;
  // What the scan saw: a value's type and data, a key's last-write time (nothing: not known).
  std::optional<TRegValue> Listed;
  std::optional<std::int64_t> ListedTime;
};

class TRegistryObject : public TWorkObject {
 public:
  using TWorkObject::TWorkObject;

  std::string Subkey;  // key path below the root, without a leading "\"
  std::string Key;     // root key name, long or short ("HKEY_CURRENT_USER", "HKCU")
  // The language of the texts of the string table that a finding may show (0 English).
  int Language = 0;
  // The backup files the last clean wrote.
  std::vector<std::string> BackupFiles;

  // A value lies in Key\Subkey; a key finding is that key's subkey, removed with its subtree.
  TFindingPlace FindingPlace(const std::string& text, const TChecked& record) const override;

  TFindingKind FindingKind() const override { return TFindingKind::Registry; }
  // Key\Subkey as the action gave it.
  std::optional<std::string> PlaceText() const override;
  // The key in the registry editor: the root's long name and Subkey, and for a key finding
  // that key below it.
  TOpenPlace OpenPlace(int index) const override;
  // The exact name the record keeps (a value or key name may hold "|").
  std::string_view CleanReportName(int index) const override;
  std::vector<std::string> WrittenBackups() const override { return BackupFiles; }

 protected:
  // True when a finding whose record does not say so names a key (the subkey cleaners).
  virtual bool FindingsAreKeys() const { return false; }

  // The registry object of one run, with Key\Subkey open: read access in a scan, full access
  // in a clean. A scan of HKEY_USERS first puts the current user's identifier in front of
  // Subkey (from the Internet Explorer registry mirror). Raises "Subkey \"%s\%s\" not found.".
  std::unique_ptr<TTidewhiskReg> OpenRegistry();

  // What line Index names: from its record when it is a TRegEntryChecked, otherwise the line's
  // name part, a key when IsKey.
  std::string EntryName(int index, bool* isKey, bool keysByDefault) const;
  // The scan-database id of the item the action belongs to; empty without one.
  std::string ItemId() const;

  // Changes one entry of the open key; false when it does not apply. Raises ERegistryException
  // with the reason when it fails.
  using TChange = std::function<bool(TTidewhiskReg& reg, const std::string& name, bool isKey)>;
  // The clean walk of every registry object: backups (when OnBackup is assigned), then each
  // ticked line from first to last with OnBackup, the change and OnItem (the name part alone
  // when ReportNameOnly, else the whole line). Stops when Aborted.
  void CleanEntries(TTidewhiskReg& reg, const TChange& change, bool reportNameOnly,
                    bool keysByDefault);

 private:
  // The key (root and path) that holds an entry of the open key: the open key itself, or for
  // HKEY_CLASSES_ROOT each class hive that holds the entry.
  struct TEntryPlace {
    HKEY Root;
    std::string Path;
  };
  std::vector<TEntryPlace> PlacesOf(const TTidewhiskReg& reg, const std::string& name,
                               bool isKey) const;
  // Whether the entry is still as the scan listed it; false (and a reason) when it changed.
  bool Unchanged(const TTidewhiskReg& reg, int index, const std::string& name, bool isKey);
  // Exports the ticked entries of Todo into one new backup file; per line, whether it may be
  // changed.
  std::vector<bool> BackUpEntries(TTidewhiskReg& reg, const std::vector<bool>& todo,
                                  bool keysByDefault);
  void AddPartialError(const std::string& className, const std::string& message);
};

class TDeleteValuesObject : public TRegistryObject {
 public:
  using TRegistryObject::TRegistryObject;
  void Execute() override;
  const char* ClassName() const override { return "TDeleteValuesObject"; }

  std::string ValueFilter;  // regular expressions separated by ";"; empty: every value

  // A value shown by its data, or by its name when the data is binary (shown as hex).
  TFindingCaption FindingCaption(int index) const override;
  std::string FindingHint(int index) const override { return QuotedFinding(index); }

 protected:
  // The value names the filters select, in filter order (a name twice when two match it).
  std::vector<std::string> Candidates(TTidewhiskReg& reg) const;
  // "name|data text" of Value, found as Name.
  std::string ValueLine(TTidewhiskReg& reg, const std::string& name, const TRegValue& value,
                        bool asHex) const;
};

class TReplaceValuesObject : public TDeleteValuesObject {
 public:
  using TDeleteValuesObject::TDeleteValuesObject;
  void Execute() override;
  const char* ClassName() const override { return "TReplaceValuesObject"; }

  std::string NewValue;  // written over string values, and as a decimal number over DWORDs

  // The value's data, whatever its type.
  TFindingCaption FindingCaption(int index) const override { return {Found.Value(index), false}; }
};

class TDeleteSubkeysObject : public TRegistryObject {
 public:
  using TRegistryObject::TRegistryObject;
  void Execute() override;
  const char* ClassName() const override { return "TDeleteSubkeysObject"; }

  std::string SubkeyFilter;  // regular expressions separated by ";"; empty: every subkey

  // The subkey's full path.
  std::string FindingHint(int index) const override;

 protected:
  bool FindingsAreKeys() const override { return true; }
};

}  // namespace tw
