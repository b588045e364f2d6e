#pragma once
// What the user said no item may touch: folders (with everything inside them), files (a full
// path whose parts may hold "*" and "?", or a bare name pattern that applies in every folder)
// and registry keys (with their values and subkeys). The product's own refusals (drive roots,
// profiles, system folders) are separate and stay in force underneath.
//
// Entries reach the list with environment variables already expanded. Paths are compared
// without regard to letter case, "/" and "\" alike, without a "\\?\" prefix or a trailing "\".
// Registry roots may be written long or short; a key under HKEY_CLASSES_ROOT is the same key as
// under HKEY_CURRENT_USER\Software\Classes and HKEY_LOCAL_MACHINE\Software\Classes.
#include <string>
#include <string_view>
#include <vector>

namespace tw {

enum class TProtectKind { Folder, File, Key };

struct TProtectEntry {
  TProtectKind Kind = TProtectKind::Folder;
  std::string Text;
  bool operator==(const TProtectEntry&) const = default;
};

// The stored form of an entry: "folder:", "file:" or "key:" and the text; false for any other
// form or an empty text.
std::string ProtectEntryText(const TProtectEntry& entry);
bool ParseProtectEntry(std::string_view text, TProtectEntry& entry);
// The kind's word as stored and as twcli takes it ("folder", "file", "key"); false for another.
const char* ProtectKindName(TProtectKind kind);
bool ParseProtectKind(std::string_view name, TProtectKind& kind);

// Why an entry cannot be added; empty when it can. A folder or key must be a full path (drive
// or share, or a known root); a file pattern a full path or a bare name without "\".
std::string ProtectEntryProblem(const TProtectEntry& entry);

class TProtectList {
 public:
  TProtectList() = default;
  explicit TProtectList(const std::vector<TProtectEntry>& entries);

  bool Empty() const { return folders_.empty() && files_.empty() && keys_.empty(); }

  // Path names a file or folder that a clean would remove. Protected when it lies in (or is) a
  // protected folder, matches a protected file pattern or, when RemovesContents is set (a
  // folder removed with what it holds), contains a protected folder or file.
  bool ProtectsPath(std::string_view path, bool removesContents = false) const;
  // Key names a registry key ("HKCU\Software\X"); ValueName is empty for the key itself. A value
  // is protected when its key lies in a protected key; a key when it lies in one or, when
  // RemovesSubtree is set, holds one.
  bool ProtectsKey(std::string_view key, bool removesSubtree = false) const;

 private:
  struct TPattern {
    std::string Text;     // folded, normalised
    bool NameOnly = false;  // a bare name pattern: matched against the last part only
    std::string Folder;   // the literal folder part before the first wildcard part ("" when none)
    bool FolderExact = false;  // Folder is the pattern's whole folder (wildcards in the name only)
  };
  std::vector<std::string> folders_;
  std::vector<TPattern> files_;
  std::vector<std::string> keys_;
};

// The text as compared: "/" turned into "\", a "\\?\" or "\\?\UNC\" prefix and trailing "\"
// removed, letters folded to lower case (ASCII and the Latin, Greek and Cyrillic letters).
std::string FoldPath(std::string_view path);
// A registry key as compared: root in its long name, folded, no trailing "\"; the spellings of
// one key under HKEY_CLASSES_ROOT give the same three forms. Empty when the root is unknown.
std::vector<std::string> FoldKey(std::string_view key);
// Name matches Pattern ("*" any run of characters but "\", "?" one character); both folded.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

}  // namespace tw
