#include "cleaners/system/RegistryObjects.h"

#include <charconv>
#include <map>
#include <utility>

#include "cleaners/portable/NameFilter.h"
#include "database/portable/ItemIds.h"
#include "database/portable/Winapp2.h"
#include "engine/Utility.h"
#include "registry/BackupFiles.h"
#include "settings/CustomGroup.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/Format.h"
#include "support/LogFile.h"

namespace tw {

namespace {

constexpr std::uint32_t kHkeyUsers = 0x80000003;
constexpr std::uint32_t kClassesRoot = 0x80000000;
// Where HKEY_CLASSES_ROOT takes its keys from: the user's classes first, then the machine's.
constexpr const char* kClassesPath = "Software\\Classes";
constexpr const char* kUserMirror =
    "Software\\Microsoft\\Internet Explorer\\InternetRegistry\\REGISTRY\\USER";

[[noreturn]] void RaiseSubkeyNotFound(const std::string& key, const std::string& subkey) {
  throw ERegistryException(Format("Subkey \"%s\\%s\" not found.", key, subkey));
}

std::string JoinPath(const std::string& path, const std::string& name) {
  return path.empty() ? name : path + "\\" + name;
}

// Opens the key that holds values, following a link in its path as the scan did (only the
// entries below it are opened as themselves).
LONG OpenValuesKey(HKEY root, const std::string& path, unique_hkey& key) {
  key.reset();
  return ::RegOpenKeyExW(root, WideFromUtf8(path).c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                         key.put());
}

// A string value's text: its characters before the first NUL.
std::string StringText(const TRegValue& value) {
  return value.Data.substr(0, value.Data.find('\0'));
}

bool IsString(const TRegValue& value) {
  return value.Type == REG_SZ || value.Type == REG_EXPAND_SZ;
}

std::int32_t DwordOf(const TRegValue& value) {
  std::uint32_t n = 0;
  for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(value.Data[i]);
  return static_cast<std::int32_t>(n);
}

bool IsDword(const TRegValue& value) { return value.Type == REG_DWORD && value.Data.size() == 4; }

// NewValue read as a decimal integer; 0 when it is not one.
std::int32_t DecimalOrZero(const std::string& text) {
  std::int32_t n = 0;
  const char* first = text.data();
  if (!text.empty() && text.front() == '+') ++first;
  auto [end, ec] = std::from_chars(first, text.data() + text.size(), n);
  return ec == std::errc() && end == text.data() + text.size() && first != end ? n : 0;
}

}  // namespace

TRegEntryChecked::TRegEntryChecked(std::string name, bool isKey, std::int64_t size)
    : TRegChecked(nullptr, std::string()), Name(std::move(name)), IsKey(isKey) {
  // The size comes from the registry class, which reads the value by its exact name (no key
  // was given to the base, which therefore found nothing).
  Size = size > 0 ? size : 0;
}

std::string TRegistryObject::ItemId() const {
  return ItemNode ? ItemNode.AttrOpt("id").value_or("") : std::string();
}

std::unique_ptr<TTidewhiskReg> TRegistryObject::OpenRegistry() {
  auto reg = std::make_unique<TTidewhiskReg>(CleanMode ? KEY_ALL_ACCESS : KEY_READ);
  const std::uint32_t root = RootKeyFromName(Key);
  reg->RootKey = RootKeyHandle(root);
  if (root == kNoRootKey) RaiseSubkeyNotFound(Key, Subkey);
  if (!CleanMode && root == kHkeyUsers) {
    // The current user's hive under HKEY_USERS, named by the user's security identifier as
    // the mirror key lists it. The clean opens the path the scan left.
    TTidewhiskReg user(KEY_READ);
    user.RootKey = HKEY_CURRENT_USER;
    if (!user.OpenKey(kUserMirror, false)) RaiseSubkeyNotFound(Key, kUserMirror);
    const std::vector<std::string> users = user.GetKeyNames();
    if (users.empty()) RaiseSubkeyNotFound(Key, Subkey);
    Subkey = JoinPath(users.front(), Subkey);
  }
  const LONG rc = reg->TryOpenKey(Subkey, false);
  if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND) RaiseSubkeyNotFound(Key, Subkey);
  // Any other failure is told as it is ("Access is denied" for a key this user may only read).
  if (rc != ERROR_SUCCESS)
    throw EExRegistryException(static_cast<DWORD>(rc),
                               Format("Subkey \"%s\\%s\" cannot be opened%s.", Key, Subkey,
                                      CleanMode ? " for writing" : ""));
  return reg;
}

void TRegistryObject::AddPartialError(const std::string& className, const std::string& message) {
  LogFile().Write("[%s.Clean] %s: %s", ClassName(), className, message);
  PartialErrors.push_back({className, message});
}

std::vector<TRegistryObject::TEntryPlace> TRegistryObject::PlacesOf(const TTidewhiskReg& reg,
                                                               const std::string& name,
                                                               bool isKey) const {
  if (RootKeyValue(reg.RootKey) != kClassesRoot) return {{reg.RootKey, reg.CurrentPath()}};
  std::vector<TEntryPlace> places;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    const std::string path = JoinPath(kClassesPath, reg.CurrentPath());
    unique_hkey key;
    if (isKey) {
      if (OpenKeyAsLink(root, JoinPath(path, name), KEY_QUERY_VALUE, key) != ERROR_FILE_NOT_FOUND)
        places.push_back({root, path});
    } else if (OpenValuesKey(root, path, key) == ERROR_SUCCESS &&
               ::RegQueryValueExW(key.get(), WideFromUtf8(name).c_str(), nullptr, nullptr,
                                  nullptr, nullptr) != ERROR_FILE_NOT_FOUND) {
      places.push_back({root, path});
    }
  }
  return places;
}

bool TRegistryObject::Unchanged(const TTidewhiskReg& reg, int index, const std::string& name,
                                bool isKey) {
  const auto* entry = dynamic_cast<const TRegEntryChecked*>(&Found.Record(index));
  if (!entry) return true;
  const std::string where = RootKeyName(RootKeyValue(reg.RootKey)) + "\\" +
                            JoinPath(reg.CurrentPath(), name);
  if (isKey && entry->ListedTime) {
    const std::optional<std::int64_t> now = reg.KeyLastWrite(name);
    // A key that is gone needs nothing; one written since the scan is not what was listed.
    if (!now || *now == *entry->ListedTime) return true;
    AddPartialError("EEntryChanged",
                    Format("Key \"%s\" changed since the scan; it was not removed.", where));
    return false;
  }
  if (!isKey && entry->Listed) {
    std::optional<TRegValue> now;
    try {
      now = reg.ReadValue(name);
    } catch (const ERegistryException& e) {
      AddPartialError(e.ClassName(), e.Message());
      return false;
    }
    if (!now || (now->Type == entry->Listed->Type && now->Data == entry->Listed->Data)) return true;
    AddPartialError("EEntryChanged", Format("Value \"%s\" of \"%s\" changed since the scan; it "
                                            "was not changed.",
                                            name, RootKeyName(RootKeyValue(reg.RootKey)) + "\\" +
                                                      reg.CurrentPath()));
    return false;
  }
  return true;
}

TFindingPlace TRegistryObject::FindingPlace(const std::string& text, const TChecked& record) const {
  TFindingPlace place{TFindingPlace::TKind::Key, JoinPath(Key, Subkey), false};
  if (const auto* entry = dynamic_cast<const TRegEntryChecked*>(&record)) {
    if (entry->IsKey) place.Text = JoinPath(place.Text, entry->Name);
    place.WithContents = entry->IsKey;
  } else if (FindingsAreKeys()) {
    place.Text = JoinPath(place.Text, text.substr(0, text.find('|')));
    place.WithContents = true;
  }
  return place;
}

std::string TRegistryObject::EntryName(int index, bool* isKey, bool keysByDefault) const {
  if (const auto* entry = dynamic_cast<const TRegEntryChecked*>(&Found.Record(index))) {
    *isKey = entry->IsKey;
    return entry->Name;
  }
  *isKey = keysByDefault;
  return Found.Name(index);
}

std::vector<bool> TRegistryObject::BackUpEntries(TTidewhiskReg& reg, const std::vector<bool>& todo,
                                                 bool keysByDefault) {
  std::vector<bool> mayChange(Found.Count(), false);
  // Each entry once, also when the filters listed it twice: whether it was there to export.
  std::map<std::pair<bool, std::string>, bool> exported;
  const HKEY openRoot = reg.RootKey;
  reg.ExportRootKey = nullptr;
  reg.BeginExport();
  for (int i = 0; i < Found.Count() && !Aborted; ++i) {
    if (!todo[i]) continue;
    bool isKey = false;
    const std::string name = EntryName(i, &isKey, keysByDefault);
    if (auto seen = exported.find({isKey, name}); seen != exported.end()) {
      mayChange[i] = true;
      continue;
    }
    const TRegExportWriter::TMark mark = reg.ExportMark();
    try {
      // An entry that is gone already needs neither a backup nor a change. Each part is
      // exported under the root that holds it.
      bool present = false;
      for (const TEntryPlace& place : PlacesOf(reg, name, isKey)) {
        reg.RootKey = place.Root;
        if (isKey) {
          present = reg.ExportKeyTree(JoinPath(place.Path, name)) || present;
          continue;
        }
        unique_hkey key;
        const LONG rc = OpenValuesKey(place.Root, place.Path, key);
        if (rc == ERROR_FILE_NOT_FOUND) continue;
        // Never a change without its backup: a key that cannot be read stops this entry.
        if (rc != ERROR_SUCCESS)
          throw EExRegistryException(static_cast<DWORD>(rc),
                                     Format("Unable to open \"%s\"", place.Path));
        const std::optional<TRegValue> value = ReadValueOf(key.get(), name);
        if (!value) continue;
        if (!value->Exact)
          throw ERegistryException(
              Format("Value \"%s\" of \"%s\" cannot be exported exactly", name, place.Path));
        reg.ExportValue(place.Path, name, value->Type, value->Data);
        present = true;
      }
      reg.RootKey = openRoot;
      exported[{isKey, name}] = present;
      mayChange[i] = true;
    } catch (const Exception& e) {
      reg.RootKey = openRoot;
      reg.ExportRollback(mark);
      AddPartialError(e.ClassName(), Format("No backup of \"%s\": %s", name, e.Message()));
    }
  }
  const std::string text = reg.EndExport();
  bool anyPresent = false;
  for (const auto& entry : exported) anyPresent = anyPresent || entry.second;
  if (!anyPresent) return mayChange;
  try {
    BackupFiles.push_back(SaveBackup(ItemId(), text));
  } catch (const Exception& e) {
    AddPartialError(e.ClassName(), e.Message());
    for (int i = 0; i < Found.Count(); ++i) {
      if (!mayChange[i]) continue;
      bool isKey = false;
      const std::string name = EntryName(i, &isKey, keysByDefault);
      if (exported[{isKey, name}]) mayChange[i] = false;
    }
  }
  return mayChange;
}

void TRegistryObject::CleanEntries(TTidewhiskReg& reg, const TChange& change, bool reportNameOnly,
                                   bool keysByDefault) {
  BackupFiles.clear();
  const bool backups = static_cast<bool>(OnBackup);
  // What may be changed at all: the ticked entries that are still what the scan listed.
  std::vector<bool> todo(Found.Count(), false);
  for (int i = 0; i < Found.Count() && !Aborted; ++i) {
    if (!Found.Record(i).Checked) continue;
    bool isKey = false;
    const std::string name = EntryName(i, &isKey, keysByDefault);
    todo[i] = Unchanged(reg, i, name, isKey);
  }
  const std::vector<bool> mayChange = backups ? BackUpEntries(reg, todo, keysByDefault) : todo;
  const bool classes = RootKeyValue(reg.RootKey) == kClassesRoot;
  for (int i = 0; i < Found.Count(); ++i) {
    if (Aborted) return;
    TChecked& record = Found.Record(i);
    if (!record.Checked) continue;
    bool isKey = false;
    const std::string name = EntryName(i, &isKey, keysByDefault);
    bool changed = false;
    // Never a change that could not be backed up first.
    if (mayChange[i]) {
      if (backups) OnBackup(this, std::make_unique<TWorkData>(Found.Text(i)));
      try {
        if (!classes) {
          changed = change(reg, name, isKey);
        } else {
          // Every hive that holds it, each opened for writing on its own.
          changed = true;
          for (const TEntryPlace& place : PlacesOf(reg, name, isKey)) {
            TTidewhiskReg hive(KEY_ALL_ACCESS);
            hive.RootKey = place.Root;
            const LONG rc = hive.TryOpenKey(place.Path, false);
            if (rc != ERROR_SUCCESS)
              throw EExRegistryException(
                  static_cast<DWORD>(rc),
                  Format("Key \"%s\\%s\" cannot be opened for writing",
                         RootKeyName(RootKeyValue(place.Root)), place.Path));
            changed = change(hive, name, isKey) && changed;
          }
        }
      } catch (const ERegistryException& e) {
        changed = false;
        AddPartialError(e.ClassName(), e.Message());
      }
    }
    if (!changed) record.CleanSucceeded = false;
    ReportItem(reportNameOnly ? name : Found.Text(i));
  }
}

std::vector<std::string> TDeleteValuesObject::Candidates(TTidewhiskReg& reg) const {
  return SelectNames(reg.GetValueNames(), ValueFilter);
}

std::string TDeleteValuesObject::ValueLine(TTidewhiskReg& reg, const std::string& name,
                                           const TRegValue& value, bool asHex) const {
  std::string text;
  if (asHex || value.Type == REG_BINARY) {
    try {
      text = reg.ReadBinaryAsHex(name);
    } catch (const ERegistryException&) {
      text = StrRes(kRowBinaryData, Language);  // "Binary data"
    }
  } else if (IsString(value)) {
    text = StringText(value);
  } else if (IsDword(value)) {
    text = Format("%d", DwordOf(value));
  } else if (value.Type == REG_DWORD) {
    text = HexText(value.Type, value.Data);  // a DWORD of another size than four bytes
  } else {
    try {
      text = reg.ReadBinaryAsHex(name);
    } catch (const ERegistryException&) {
      text = StrRes(kRowUnknownDataType, Language);  // "Unknown data type"
    }
  }
  return Format("%s|%s", name, text);
}

void TDeleteValuesObject::Execute() {
  if (IsCustomItem(ItemNode)) {
    const std::string key = Format("%s\\%s", Key, Subkey);
    if (const std::string refusal = RegistryKeyRefusal(key); !refusal.empty())
      throw ERegistryException(Format("Refused custom key! %s (%s)", key, refusal));
  }
  TPrivilegeScope privilege(CleanMode ? "SeRestorePrivilege" : "SeBackupPrivilege");
  std::unique_ptr<TTidewhiskReg> reg = OpenRegistry();
  if (CleanMode) {
    CleanEntries(
        *reg,
        [](TTidewhiskReg& r, const std::string& name, bool isKey) {
          return isKey ? r.DeleteKeyTree(name) : r.DeleteValue(name);
        },
        true, false);
    return;
  }
  const bool asHex = ItemId() == kItemUserAssist;
  for (const std::string& name : Candidates(*reg)) {
    if (Aborted) return;
    const std::optional<TRegValue> value = reg->ReadValue(name);
    if (!value) continue;  // removed since it was listed
    auto record = std::make_unique<TRegEntryChecked>(name, false, reg->ValueSize(name));
    record->Listed = *value;
    AddFinding(ValueLine(*reg, name, *value, asHex), std::move(record));
  }
}

void TReplaceValuesObject::Execute() {
  TPrivilegeScope privilege(CleanMode ? "SeRestorePrivilege" : "SeBackupPrivilege");
  std::unique_ptr<TTidewhiskReg> reg = OpenRegistry();
  const std::int32_t number = DecimalOrZero(NewValue);
  if (CleanMode) {
    // The value keeps its type: string values get the text, DWORDs the number; other types
    // cannot take the replacement and stay as they are.
    CleanEntries(
        *reg,
        [&](TTidewhiskReg& r, const std::string& name, bool isKey) {
          if (isKey) return false;
          const std::optional<TRegValue> value = r.ReadValue(name);
          if (!value) return true;
          if (IsString(*value)) {
            r.WriteValue(name, value->Type, NewValue + '\0');
          } else if (value->Type == REG_DWORD) {
            const auto n = static_cast<std::uint32_t>(number);
            const char bytes[4] = {static_cast<char>(n), static_cast<char>(n >> 8),
                                   static_cast<char>(n >> 16), static_cast<char>(n >> 24)};
            r.WriteValue(name, REG_DWORD, std::string_view(bytes, 4));
          } else {
            return false;
          }
          return true;
        },
        false, false);
    return;
  }
  for (const std::string& name : Candidates(*reg)) {
    if (Aborted) return;
    const std::optional<TRegValue> value = reg->ReadValue(name);
    if (!value) continue;
    if (IsString(*value)) {
      const std::string text = StringText(*value);
      if (text.empty() || text == NewValue) continue;
    } else if (IsDword(*value) && DwordOf(*value) == number) {
      continue;
    }
    auto record = std::make_unique<TRegEntryChecked>(name, false, reg->ValueSize(name));
    record->Listed = *value;
    AddFinding(ValueLine(*reg, name, *value, false), std::move(record));
  }
}

void TDeleteSubkeysObject::Execute() {
  TPrivilegeScope privilege(CleanMode ? "SeRestorePrivilege" : "SeBackupPrivilege");
  std::unique_ptr<TTidewhiskReg> reg = OpenRegistry();
  if (CleanMode) {
    CleanEntries(
        *reg,
        [](TTidewhiskReg& r, const std::string& name, bool isKey) {
          return isKey ? r.DeleteKeyTree(name) : r.DeleteValue(name);
        },
        false, true);
    return;
  }
  const std::vector<std::string> names = reg->GetKeyNames();
  for (const std::string& name : SelectNames(names, SubkeyFilter)) {
    if (Aborted) return;
    auto record = std::make_unique<TRegEntryChecked>(name, true, 0);
    record->ListedTime = reg->KeyLastWrite(name);
    AddFinding(name + "|", std::move(record));
  }
}

}  // namespace tw
