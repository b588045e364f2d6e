#include "engine/ProtectPlaces.h"

#include <windows.h>

#include <cstring>

namespace tw {

std::string ExpandEnvironment(const std::string& text) {
  if (text.find('%') == std::string::npos) return text;
  std::string out(text.size() + 256, '\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD needed =
        ::ExpandEnvironmentStringsA(text.c_str(), out.data(), static_cast<DWORD>(out.size()));
    if (needed == 0) return text;
    if (needed <= out.size()) {
      out.resize(std::strlen(out.c_str()));
      return out;
    }
    out.resize(needed);
  }
  return text;
}

std::vector<TProtectEntry> ParseProtectLines(const std::vector<std::string>& lines) {
  std::vector<TProtectEntry> entries;
  for (const std::string& line : lines) {
    TProtectEntry entry;
    if (ParseProtectEntry(line, entry)) entries.push_back(std::move(entry));
  }
  return entries;
}

bool SameProtectPlace(const TProtectEntry& a, const TProtectEntry& b) {
  return a.Kind == b.Kind && FoldPath(ExpandEnvironment(a.Text)) == FoldPath(ExpandEnvironment(b.Text));
}

TProtectList ProtectListFromLines(const std::vector<std::string>& lines) {
  std::vector<TProtectEntry> entries = ParseProtectLines(lines);
  for (TProtectEntry& entry : entries) entry.Text = ExpandEnvironment(entry.Text);
  return TProtectList(entries);
}

}  // namespace tw
