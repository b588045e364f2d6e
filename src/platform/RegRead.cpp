#include "platform/RegRead.h"

#include <cstring>

#include "platform/Text.h"

namespace tw {

namespace {

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The UTF-16 characters of string data (an odd last byte is dropped).
std::wstring WideOf(const std::string& bytes) {
  std::wstring wide(bytes.size() / sizeof(wchar_t), L'\0');
  std::memcpy(wide.data(), bytes.data(), wide.size() * sizeof(wchar_t));
  return wide;
}

}  // namespace

std::optional<std::string> TRegData::Text() const {
  if (Type != REG_SZ && Type != REG_EXPAND_SZ) return std::nullopt;
  const std::wstring wide = WideOf(Bytes);
  return WideToUtf8(std::wstring_view(wide).substr(0, wide.find(L'\0')));
}

TRegReadKey::TRegReadKey(HKEY root, std::string_view path, REGSAM view) {
  error_ = ::RegOpenKeyExW(root, Utf8ToWide(path).c_str(), 0, KEY_QUERY_VALUE | view, owned_.put());
  key_ = error_ == ERROR_SUCCESS ? owned_.get() : nullptr;
}

std::optional<TRegData> TRegReadKey::Value(std::string_view name) const {
  if (!key_) return std::nullopt;
  const std::wstring wname = Utf8ToWide(name);
  TRegData data;
  // The value may grow between the size query and the read: ask again until it fits.
  for (;;) {
    DWORD size = static_cast<DWORD>(data.Bytes.size());
    const LONG rc = ::RegQueryValueExW(
        key_, wname.c_str(), nullptr, &data.Type,
        data.Bytes.empty() ? nullptr : reinterpret_cast<BYTE*>(data.Bytes.data()), &size);
    if (rc == ERROR_MORE_DATA || (rc == ERROR_SUCCESS && data.Bytes.empty() && size > 0)) {
      data.Bytes.resize(size);
      continue;
    }
    if (rc != ERROR_SUCCESS) return std::nullopt;
    data.Bytes.resize(size);
    return data;
  }
}

std::optional<std::string> TRegReadKey::Text(std::string_view name) const {
  const std::optional<TRegData> data = Value(name);
  return data ? data->Text() : std::nullopt;
}

std::optional<std::vector<std::string>> TRegReadKey::Lines(std::string_view name) const {
  const std::optional<TRegData> data = Value(name);
  if (!data || !IsText(data->Type)) return std::nullopt;
  const std::wstring wide = WideOf(data->Bytes);
  std::vector<std::string> lines;
  if (data->Type != REG_MULTI_SZ) {
    const std::wstring_view text = std::wstring_view(wide).substr(0, wide.find(L'\0'));
    if (!text.empty()) lines.push_back(WideToUtf8(text));
    return lines;
  }
  for (std::size_t start = 0; start < wide.size();) {
    std::size_t end = wide.find(L'\0', start);
    if (end == std::wstring::npos) end = wide.size();
    if (end == start) break;
    lines.push_back(WideToUtf8(std::wstring_view(wide).substr(start, end - start)));
    start = end + 1;
  }
  return lines;
}

std::optional<DWORD> TRegReadKey::Dword(std::string_view name) const {
  const std::optional<TRegData> data = Value(name);
  if (!data || data->Type != REG_DWORD || data->Bytes.size() != sizeof(DWORD)) return std::nullopt;
  DWORD value = 0;
  std::memcpy(&value, data->Bytes.data(), sizeof value);
  return value;
}

}  // namespace tw
