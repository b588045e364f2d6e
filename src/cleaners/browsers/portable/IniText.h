#pragma once
// An INI file read into memory, looked up as the system's profile functions do: section and key
// names without regard to ASCII letter case, the first of repeated keys wins, values trimmed of
// blanks and of one pair of enclosing quotes.
#include <string>
#include <string_view>
#include <vector>

namespace tw {

class TIniText {
 public:
  TIniText() = default;
  explicit TIniText(std::string_view text);

  bool HasSection(std::string_view section) const;
  bool HasKey(std::string_view section, std::string_view key) const;
  // The value, or Default when the section or key is missing.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;

 private:
  struct Entry {
    std::string section;  // upper-cased
    std::string key;      // upper-cased; empty for the section's own line
    std::string value;
  };
  const Entry* Find(std::string_view section, std::string_view key) const;
  std::vector<Entry> entries_;
};

}  // namespace tw
