#include "registry/ExRegistry.h"

#include <algorithm>

#include "platform/Text.h"
#include "support/Format.h"

namespace tw {

namespace {

constexpr REGSAM kView = KEY_WOW64_64KEY;

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The system's text for Code: first from the network messages, then the system's table;
// kept as returned, line break included. Empty when neither knows the code.
std::string ErrorText(DWORD code) {
  unique_hmodule netmsg(::LoadLibraryExA("netmsg.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
  DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  if (netmsg) flags |= FORMAT_MESSAGE_FROM_HMODULE;
  char* buffer = nullptr;
  const DWORD n =
      ::FormatMessageA(flags, netmsg.get(), code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                       reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = n && buffer ? std::string(buffer, n) : std::string();
  if (buffer) ::LocalFree(buffer);
  return text;
}

std::string ExceptionText(DWORD code, const std::string& message) {
  const std::string system = ErrorText(code);
  const std::string error =
      system.empty() ? Format("Error %d", static_cast<unsigned long long>(code))
                     : Format("Error %d : %s", static_cast<unsigned long long>(code), system);
  return error + ":" + message;
}

[[noreturn]] void RaiseRegistryError(LONG rc, const std::string& message) {
  ::SetLastError(static_cast<DWORD>(rc));
  throw EExRegistryException(message);
}

using TNtDeleteKey = LONG(WINAPI*)(HANDLE);
using TNtStatusToError = ULONG(WINAPI*)(LONG);

template <class T>
T NtFunction(const char* name) {
  return reinterpret_cast<T>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), name)));
}

// Deletes the key a handle is open on (a link key opened as itself deletes the link alone).
LONG DeleteOpenKey(HKEY key) {
  static const auto ntDeleteKey = NtFunction<TNtDeleteKey>("NtDeleteKey");
  static const auto toError = NtFunction<TNtStatusToError>("RtlNtStatusToDosError");
  if (!ntDeleteKey || !toError) return ERROR_CALL_NOT_IMPLEMENTED;
  const LONG status = ntDeleteKey(key);
  return status == 0 ? ERROR_SUCCESS : static_cast<LONG>(toError(status));
}

// Deletes Path below Parent with everything under it, each key opened as itself so that a link
// is removed as a link. ERROR_SUCCESS also when it was not there.
LONG DeleteTree(HKEY parent, const std::wstring& path) {
  unique_hkey key;
  LONG rc = ::RegOpenKeyExW(parent, path.c_str(), REG_OPTION_OPEN_LINK,
                            KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE | kView, key.put());
  if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<std::string> children;
  try {
    children = EnumNames(key.get(), true, nullptr);
  } catch (const EExRegistryException& e) {
    return static_cast<LONG>(e.ErrorCode ? e.ErrorCode : ERROR_ACCESS_DENIED);
  }
  for (const std::string& child : children)
    if ((rc = DeleteTree(key.get(), Utf8ToWide(child))) != ERROR_SUCCESS) return rc;
  rc = DeleteOpenKey(key.get());
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

std::string ChildPath(const std::string& path, const std::string& name) {
  return path.empty() ? name : path + "\\" + name;
}

}  // namespace

std::vector<std::string> EnumNames(HKEY key, bool keys, bool* allExact) {
  if (allExact) *allExact = true;
  DWORD maxKey = 0, maxValue = 0;
  LONG rc = ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &maxKey, nullptr, nullptr,
                               &maxValue, nullptr, nullptr, nullptr);
  if (rc != ERROR_SUCCESS) RaiseRegistryError(rc, "Unable to list the key");
  std::vector<wchar_t> buffer((keys ? maxKey : maxValue) + 2);
  std::vector<std::string> names;
  for (DWORD index = 0;;) {
    DWORD length = static_cast<DWORD>(buffer.size());
    rc = keys ? ::RegEnumKeyExW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr,
                                nullptr)
              : ::RegEnumValueW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr,
                                nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA) {
      buffer.resize(buffer.size() * 2 + 256);
      continue;
    }
    if (rc != ERROR_SUCCESS) RaiseRegistryError(rc, "Unable to list the key");
    std::string name;
    if (AppendUtf8(name, std::wstring_view(buffer.data(), length)))
      names.push_back(std::move(name));
    else if (allExact)
      *allExact = false;
    ++index;
  }
  return names;
}

std::optional<TRegValue> ReadValueOf(HKEY key, const std::string& name) {
  const std::wstring wname = Utf8ToWide(name);
  std::string bytes;
  DWORD type = REG_NONE;
  for (;;) {
    DWORD size = static_cast<DWORD>(bytes.size());
    LONG rc =
        ::RegQueryValueExW(key, wname.c_str(), nullptr, &type,
                           bytes.empty() ? nullptr : reinterpret_cast<BYTE*>(bytes.data()), &size);
    if (rc == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (rc == ERROR_MORE_DATA || (rc == ERROR_SUCCESS && bytes.empty() && size > 0)) {
      bytes.resize(size);
      continue;
    }
    if (rc != ERROR_SUCCESS) RaiseRegistryError(rc, Format("Unable to read value \"%s\"", name));
    bytes.resize(size);
    break;
  }
  TRegValue value;
  value.Type = type;
  if (!IsStringType(type)) {
    value.Data = std::move(bytes);
    return value;
  }
  std::wstring text(bytes.size() / 2, L'\0');
  std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(text.size() * 2),
            reinterpret_cast<char*>(text.data()));
  value.Exact = AppendUtf8(value.Data, text) && bytes.size() % 2 == 0;
  return value;
}


EExRegistryException::EExRegistryException(const std::string& message)
    : EExRegistryException(::GetLastError(), message) {}

EExRegistryException::EExRegistryException(DWORD code, const std::string& message)
    : ERegistryException("EExRegistryException", ExceptionText(code, message)), ErrorCode(code) {}

HKEY RootKeyHandle(std::uint32_t root) {
  return reinterpret_cast<HKEY>(
      static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root))));
}

std::uint32_t RootKeyValue(HKEY root) {
  return static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(root));
}

TExRegistry::TExRegistry(REGSAM access) : Access(access) {}

LONG CreateLinkKey(HKEY root, const std::string& path, REGSAM access, unique_hkey& key) {
  key.reset();
  LONG rc = ::RegCreateKeyExW(root, Utf8ToWide(path).c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                              access | KEY_CREATE_LINK | kView, nullptr, key.put(), nullptr);
  // A link that is there already is opened as itself.
  if (rc == ERROR_ALREADY_EXISTS) rc = OpenKeyAsLink(root, path, access, key);
  return rc;
}

LONG OpenKeyAsLink(HKEY parent, const std::string& path, REGSAM access, unique_hkey& key) {
  key.reset();
  return ::RegOpenKeyExW(parent, Utf8ToWide(path).c_str(), REG_OPTION_OPEN_LINK, access | kView,
                         key.put());
}

LONG TExRegistry::TryOpenKey(const std::string& path, bool canCreate) {
  CloseKey();
  std::string relative = path;
  if (!relative.empty() && relative.front() == '\\') relative.erase(0, 1);
  const std::wstring wide = Utf8ToWide(relative);
  unique_hkey key;
  const LONG rc = canCreate ? ::RegCreateKeyExW(RootKey, wide.c_str(), 0, nullptr, 0,
                                                Access | kView, nullptr, key.put(), nullptr)
                            : ::RegOpenKeyExW(RootKey, wide.c_str(), 0, Access | kView, key.put());
  if (rc != ERROR_SUCCESS) {
    ::SetLastError(static_cast<DWORD>(rc));
    return rc;
  }
  current_ = std::move(key);
  currentPath_ = relative;
  return ERROR_SUCCESS;
}

void TExRegistry::CloseKey() {
  current_.reset();
  currentPath_.clear();
}

bool TExRegistry::KeyExists(const std::string& path) const {
  unique_hkey key;
  return ::RegOpenKeyExW(RootKey, Utf8ToWide(path).c_str(), 0, KEY_READ | kView, key.put()) ==
         ERROR_SUCCESS;
}

std::vector<std::string> TExRegistry::GetValueNames(bool* allExact) const {
  if (!current_) throw ERegistryException("No key is open");
  return EnumNames(current_.get(), false, allExact);
}

std::vector<std::string> TExRegistry::GetKeyNames(bool* allExact) const {
  if (!current_) throw ERegistryException("No key is open");
  return EnumNames(current_.get(), true, allExact);
}

std::optional<TRegValue> TExRegistry::ReadValue(const std::string& name) const {
  if (!current_) throw ERegistryException("No key is open");
  return ReadValueOf(current_.get(), name);
}

std::int64_t TExRegistry::ValueSize(const std::string& name) const {
  DWORD size = 0;
  if (!current_ || ::RegQueryValueExW(current_.get(), Utf8ToWide(name).c_str(), nullptr, nullptr,
                                      nullptr, &size) != ERROR_SUCCESS)
    return -1;
  return size;
}

void TExRegistry::WriteValue(const std::string& name, DWORD type, std::string_view data) {
  if (!current_) throw ERegistryException("No key is open");
  std::wstring wideData;
  if (IsStringType(type)) {
    wideData = Utf8ToWide(data);
    // The system adds a terminator to string data that lacks one when a NUL follows the
    // buffer; a string stored without one must stay so, hence a non-NUL character after it.
    wideData += L'\x1';
    data =
        std::string_view(reinterpret_cast<const char*>(wideData.data()), (wideData.size() - 1) * 2);
  }
  const LONG rc =
      ::RegSetValueExW(current_.get(), Utf8ToWide(name).c_str(), 0, type,
                       reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
  if (rc != ERROR_SUCCESS) RaiseRegistryError(rc, Format("Unable to write value \"%s\"", name));
}

bool TExRegistry::DeleteValue(const std::string& name) {
  if (!current_) return false;
  const LONG rc = ::RegDeleteValueW(current_.get(), Utf8ToWide(name).c_str());
  if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) return true;
  RaiseRegistryError(rc, Format("Unable to delete value \"%s\" of \"%s\"", name, currentPath_));
}

bool TExRegistry::DeleteKeyTree(const std::string& path) {
  if (!current_ || path.empty()) return false;
  const LONG rc = DeleteTree(current_.get(), Utf8ToWide(path));
  if (rc != ERROR_SUCCESS)
    RaiseRegistryError(rc, Format("Unable to delete key \"%s\"", ChildPath(currentPath_, path)));
  return true;
}

std::optional<std::int64_t> TExRegistry::KeyLastWrite(const std::string& path) const {
  unique_hkey key;
  if (!current_ || OpenKeyAsLink(current_.get(), path, KEY_QUERY_VALUE, key) != ERROR_SUCCESS)
    return std::nullopt;
  FILETIME time{};
  if (::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, &time) != ERROR_SUCCESS)
    return std::nullopt;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime);
}

void TExRegistry::ReadMultiSz(const std::string& name, std::vector<std::string>& strings) const {
  strings.clear();
  DWORD type = REG_NONE, size = 0;
  const LONG rc = current_ ? ::RegQueryValueExW(current_.get(), Utf8ToWide(name).c_str(), nullptr,
                                                &type, nullptr, &size)
                           : ERROR_INVALID_HANDLE;
  if (rc != ERROR_SUCCESS) RaiseRegistryError(rc, "Unable to read MULTI_SZ value");
  if (type != REG_MULTI_SZ) throw ERegistryException("String list expected");
  const std::optional<TRegValue> value = ReadValue(name);
  if (!value || value->Type != REG_MULTI_SZ) throw ERegistryException("String list expected");
  std::vector<std::string> out;
  for (std::size_t start = 0; start < value->Data.size();) {
    std::size_t end = value->Data.find('\0', start);
    if (end == std::string::npos) end = value->Data.size();
    if (end == start) break;
    out.push_back(value->Data.substr(start, end - start));
    start = end + 1;
  }
  strings = std::move(out);
}

std::string TExRegistry::HeaderRootName() const {
  return RootKeyName(RootKeyValue(ExportRootKey ? ExportRootKey : RootKey));
}

void TExRegistry::BeginExport() { writer_.Begin(); }

void TExRegistry::ExportValue(const std::string& keyPath, const std::string& valueName, DWORD type,
                              std::string_view data) {
  writer_.Value(HeaderRootName(), keyPath, valueName, type, data);
}

std::string TExRegistry::EndExport() { return writer_.End(); }

void TExRegistry::ExportKeyHeader(const std::string& keyPath) {
  writer_.KeyHeader(HeaderRootName(), keyPath);
}

bool TExRegistry::ExportCurrentValue(const std::string& name) {
  const std::optional<TRegValue> value = ReadValue(name);
  if (!value) return false;
  if (!value->Exact)
    throw ERegistryException(
        Format("Value \"%s\" of \"%s\" cannot be exported exactly", name, currentPath_));
  ExportValue(currentPath_, name, value->Type, value->Data);
  return true;
}

bool TExRegistry::ExportKeyTree(const std::string& path) {
  unique_hkey key;
  const LONG rc = OpenKeyAsLink(RootKey, path, KEY_READ, key);
  if (rc == ERROR_FILE_NOT_FOUND) return false;
  if (rc != ERROR_SUCCESS) RaiseRegistryError(rc, Format("Unable to open \"%s\"", path));
  ExportTreeOf(key.get(), path);
  return true;
}

void TExRegistry::ExportTreeOf(HKEY key, const std::string& path) {
  ExportKeyHeader(path);
  bool exact = true;
  std::vector<std::string> values = EnumNames(key, false, &exact);
  std::vector<std::string> keys = EnumNames(key, true, exact ? &exact : nullptr);
  if (!exact)
    throw ERegistryException(Format("A name under \"%s\" cannot be exported exactly", path));
  std::sort(values.begin(), values.end());
  std::sort(keys.begin(), keys.end());
  for (const std::string& name : values) {
    const std::optional<TRegValue> value = ReadValueOf(key, name);
    if (!value) continue;  // removed meanwhile
    if (!value->Exact)
      throw ERegistryException(
          Format("Value \"%s\" of \"%s\" cannot be exported exactly", name, path));
    ExportValue(path, name, value->Type, value->Data);
  }
  for (const std::string& name : keys) {
    unique_hkey child;
    const LONG rc = OpenKeyAsLink(key, name, KEY_READ, child);
    if (rc == ERROR_FILE_NOT_FOUND) continue;
    if (rc != ERROR_SUCCESS)
      RaiseRegistryError(rc, Format("Unable to open \"%s\"", ChildPath(path, name)));
    ExportTreeOf(child.get(), ChildPath(path, name));
  }
}

void TTidewhiskReg::BeginExport() {
  TExRegistry::BeginExport();
  writer_.AddLine("REGEDIT4");
}

std::string TTidewhiskReg::ReadBinaryAsHex(const std::string& name) const {
  // A separate handle proves that the key is still there.
  unique_hkey probe;
  if (::RegOpenKeyExW(RootKey, Utf8ToWide(CurrentPath()).c_str(), 0, KEY_READ | kView,
                      probe.put()) != ERROR_SUCCESS ||
      !CurrentKey())
    return {};
  DWORD type = REG_NONE, size = 0;
  if (::RegQueryValueExW(CurrentKey(), Utf8ToWide(name).c_str(), nullptr, &type, nullptr,
                         &size) != ERROR_SUCCESS)
    return {};
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_DWORD)
    throw ERegistryException("Not a REG_BINARY value");
  std::optional<TRegValue> value;
  try {
    value = ReadValue(name);
  } catch (const ERegistryException&) {
    return {};
  }
  return value ? HexText(value->Type, value->Data) : std::string();
}

}  // namespace tw
