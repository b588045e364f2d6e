#include "cleaners/browsers/portable/IniText.h"

namespace tw {

namespace {

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

}  // namespace

TIniText::TIniText(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::string section;
  bool inSection = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const std::size_t close = line.find(']');
      section = Upper(Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1)));
      inSection = true;
      entries_.push_back({section, {}, {}});
      continue;
    }
    if (!inSection) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals == 0) continue;
    std::string_view value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                              (value.front() == '\'' && value.back() == '\'')))
      value = value.substr(1, value.size() - 2);
    entries_.push_back({section, Upper(Trim(line.substr(0, equals))), std::string(value)});
  }
}

const TIniText::Entry* TIniText::Find(std::string_view section, std::string_view key) const {
  const std::string s = Upper(section), k = Upper(key);
  for (const Entry& entry : entries_)
    if (entry.section == s && entry.key == k) return &entry;
  return nullptr;
}

bool TIniText::HasSection(std::string_view section) const { return Find(section, "") != nullptr; }

bool TIniText::HasKey(std::string_view section, std::string_view key) const {
  return !key.empty() && Find(section, key) != nullptr;
}

std::string TIniText::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
  const Entry* entry = key.empty() ? nullptr : Find(section, key);
  return entry ? entry->value : std::string(defaultValue);
}

}  // namespace tw
