#include "cleaners/registry/RegistryFixObject.h"

#include <cstdint>
#include <unordered_map>

#include "platform/FileRemoval.h"
#include "engine/Utility.h"
#include "platform/Text.h"
#include "support/Format.h"
#include "support/LogFile.h"

namespace tw {

namespace {

constexpr REGSAM kReadView = KEY_READ | KEY_WOW64_64KEY;

std::string JoinPath(const std::string& path, const std::string& name) {
  return path.empty() ? name : path + "\\" + name;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// A variable of this process as UTF-8, whatever the process code page: a profile folder such as
// "C:\Users\José" must reach the file probe as it is.
std::string EnvironmentUtf8(const std::string& name) {
  const std::wstring wideName = Utf8ToWide(name);
  std::wstring value(256, L'\0');
  for (;;) {
    const DWORD n = ::GetEnvironmentVariableW(wideName.c_str(), value.data(),
                                              static_cast<DWORD>(value.size()));
    if (n == 0) return {};
    if (n < value.size()) return WideToUtf8(std::wstring_view(value.data(), n));
    value.resize(n);
  }
}

}  // namespace

class TFileProbe {
 public:
  TPathProbe Functions() {
    return {[this](const std::string& path) { return State(path); },
            [this](const std::string& root) { return IsFixedDisk(root); }};
  }

 private:
  TPathState State(const std::string& path) {
    const std::string key = LowerAscii(path);
    if (auto known = states_.find(key); known != states_.end()) return known->second;
    TPathState state = TPathState::Unknown;
    const DWORD attributes = ::GetFileAttributesW(LongPathW(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      state = attributes & FILE_ATTRIBUTE_DIRECTORY ? TPathState::Folder : TPathState::File;
    } else {
      // Only "not there" is certain: a step that is missing, or a step that is a file.
      const DWORD error = ::GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
          error == ERROR_DIRECTORY)
        state = TPathState::Missing;
    }
    states_.emplace(key, state);
    return state;
  }

  bool IsFixedDisk(const std::string& root) {
    const char letter = static_cast<char>(root.empty() ? 0 : root[0] & ~0x20);
    if (auto known = drives_.find(letter); known != drives_.end()) return known->second;
    const bool fixed = ::GetDriveTypeW(Utf8ToWide(root).c_str()) == DRIVE_FIXED;
    drives_.emplace(letter, fixed);
    return fixed;
  }

  std::unordered_map<std::string, TPathState> states_;
  std::unordered_map<char, bool> drives_;
};

LONG TFixKey::TryOpen(HKEY parent, const std::string& path) {
  key_.reset();
  if (!parent) return ERROR_INVALID_HANDLE;
  return ::RegOpenKeyExW(parent, Utf8ToWide(path).c_str(), 0, kReadView, key_.put());
}

bool TFixKey::IsEmpty() const {
  DWORD keys = 0, values = 0;
  return ::RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         keys == 0 && values == 0;
}

bool TFixKey::HasValues() const {
  DWORD values = 0;
  return ::RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
         values > 0;
}

bool TFixKey::HasSubkey(const std::string& name) const { return KeyPresent(key_.get(), name); }

bool TFixKey::HasValue(const std::string& name) const {
  return ::RegQueryValueExW(key_.get(), Utf8ToWide(name).c_str(), nullptr, nullptr, nullptr,
                            nullptr) != ERROR_FILE_NOT_FOUND;
}

std::string TFixKey::Text(const std::string& name) const {
  // Most texts fit the first buffer: one query instead of a size query and a read.
  wchar_t buffer[260];
  DWORD type = REG_NONE, size = sizeof buffer;
  const std::wstring wide = Utf8ToWide(name);
  const LONG rc = ::RegQueryValueExW(key_.get(), wide.c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(buffer), &size);
  if (rc == ERROR_FILE_NOT_FOUND) return {};
  if (rc == ERROR_SUCCESS) {
    if (!IsStringType(type)) return {};
    std::wstring_view text(buffer, size / 2);
    return WideToUtf8(text.substr(0, text.find(L'\0')));
  }
  const std::optional<TRegValue> value = Value(name);
  if (!value || !IsStringType(value->Type)) return {};
  return value->Data.substr(0, value->Data.find('\0'));
}

std::int64_t TFixKey::Size(const std::string& name) const {
  DWORD size = 0;
  return ::RegQueryValueExW(key_.get(), Utf8ToWide(name).c_str(), nullptr, nullptr, nullptr,
                            &size) == ERROR_SUCCESS
             ? size
             : 0;
}

bool KeyPresent(HKEY root, const std::string& path) {
  unique_hkey key;
  const LONG rc = ::RegOpenKeyExW(root, Utf8ToWide(path).c_str(), 0, kReadView, key.put());
  return rc != ERROR_FILE_NOT_FOUND;
}

std::string DisplayText(const TRegValue& value) {
  if (IsStringType(value.Type)) return value.Data.substr(0, value.Data.find('\0'));
  if (value.Type == REG_DWORD && value.Data.size() == 4) {
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(value.Data[i]);
    return Format("%d", static_cast<std::int32_t>(n));
  }
  return HexText(value.Type, value.Data);
}

void TRegistryFixObject::Execute() {
  FindsSubkeys = NamesSubkeys();
  TPrivilegeScope privilege(CleanMode ? "SeRestorePrivilege" : "SeBackupPrivilege");
  // A key of the 32-bit view on a system that has none: nothing to examine.
  const std::uint32_t root = RootKeyFromName(Key);
  const std::string wow32 = Wow32Base(Subkey);
  if (!wow32.empty() && root != kNoRootKey && !KeyPresent(RootKeyHandle(root), wow32)) return;
  std::unique_ptr<TTidewhiskReg> reg = OpenRegistry();
  if (CleanMode) {
    CleanEntries(
        *reg,
        [](TTidewhiskReg& r, const std::string& name, bool isKey) {
          return isKey ? r.DeleteKeyTree(name) : r.DeleteValue(name);
        },
        !FindsSubkeys, FindsSubkeys);
    return;
  }
  env_ = TResolveEnv{EnvironmentUtf8, ViewOfKey(Key, Subkey)};
  TFileProbe files;
  files_ = &files;
  walkReg_ = reg.get();
  struct Forget {
    TFileProbe*& probe;
    TTidewhiskReg*& reg;
    ~Forget() {
      probe = nullptr;
      reg = nullptr;
    }
  } forget{files_, walkReg_};
  Walk(*reg);
}

bool TRegistryFixObject::IsBroken(const TReference& reference) {
  return reference.Judged() && ReferenceTest(reference, files_->Functions());
}

void TRegistryFixObject::AddValueFinding(const TTidewhiskReg& reg, const std::string& name,
                                         const std::string& data) {
  auto record = std::make_unique<TRegEntryChecked>(name, false, reg.ValueSize(name));
  // The value as judged: a clean removes it only while it is still the same.
  try {
    record->Listed = reg.ReadValue(name);
  } catch (const ERegistryException&) {
    record->Listed.reset();
  }
  AddFinding(name + "|" + data, std::move(record));
}

void TRegistryFixObject::AddKeyFinding(const std::string& path, const std::string& data,
                                       std::int64_t size) {
  auto record = std::make_unique<TRegEntryChecked>(path, true, size);
  // The key as judged: a clean removes it only while it has not been written since.
  if (walkReg_) record->ListedTime = walkReg_->KeyLastWrite(path);
  AddFinding(path + "|" + data, std::move(record));
}

void TRegistryFixObject::LogFindings() const {
  for (int i = 0; i < Found.Count(); ++i) {
    if (!Subkey.empty())
      LogFile().Write("[%-20s %3d]: %s\\%s\\%s", ClassName(), i + 1, Key, Subkey, Found.Text(i));
    else
      LogFile().Write("[%-20s %3d]: %s\\%s", ClassName(), i + 1, Key, Found.Text(i));
  }
}

void TRegistryFixObject::RaiseUnexpectedType() const {
  throw ERegistryException(Format("\"%s\\%s\" unexpected data type.", Key, Subkey));
}

std::string TRegistryFixObject::RequireString(const TRegValue& value) const {
  if (!IsStringType(value.Type)) RaiseUnexpectedType();
  return value.Data.substr(0, value.Data.find('\0'));
}

bool TRegistryFixObject::Selected(const std::string& name) const {
  return LowerAscii(SubkeyFilter).find(LowerAscii(name)) != std::string::npos;
}

void TRegistryFixObject::JudgeClassSubkey(const TFixKey& parent, const std::string& parentPath,
                                          const std::string& name, const TClassRules& rules) {
  const std::string path = JoinPath(parentPath, name);
  if (LowerAscii(name) == "shell") {
    TFixKey shell;
    if (!shell.Open(parent, name)) return;
    for (const std::string& verb : shell.SubkeyNames()) {
      TFixKey key, command;
      // A verb the shell hands over by DDE or a drop target does not live by its command alone.
      if (!key.Open(shell, verb) || key.HasSubkey("ddeexec") || key.HasSubkey("DropTarget") ||
          !command.Open(key, "command"))
        continue;
      const std::string text = command.Text("");
      if (IsBroken(VerbCommandToPath(text, env_, rules)))
        AddKeyFinding(JoinPath(path, verb), text, command.Size(""));
    }
    return;
  }
  TFixKey handler;
  if (!handler.Open(parent, name)) return;
  const std::string data = handler.Text("");
  if (IsBroken(ClassHandlerToPath(name, data, env_, rules)))
    AddKeyFinding(path, data, handler.Size(""));
}

}  // namespace tw
