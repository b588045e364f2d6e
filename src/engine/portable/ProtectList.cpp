#include "engine/portable/ProtectList.h"

#include <algorithm>

#include "registry/portable/RegText.h"
#include "support/Utf8.h"

namespace tw {

namespace {

char32_t FoldLetter(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 0x20;
  if (c < 0x80) return c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x137) return c | 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
  if (c >= 0x14A && c <= 0x177) return c | 1;
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

std::string Fold(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    // A byte that starts no valid sequence stays as it is: it never folds or matches a letter.
    char32_t cp;
    if (NextCodePoint(text, i, cp)) AppendUtf8(out, FoldLetter(cp));
    else out += text[i++];
  }
  return out;
}

bool HasWildcard(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

// Path lies in Folder or is Folder (both folded).
bool Inside(std::string_view path, std::string_view folder) {
  if (folder.empty()) return false;
  if (!path.starts_with(folder)) return false;
  return path.size() == folder.size() || path[folder.size()] == '\\' || folder.back() == '\\';
}

bool IsFullPath(std::string_view path) {
  const std::string folded = FoldPath(path);
  if (folded.size() >= 2 && folded[1] == ':' && folded[0] >= 'a' && folded[0] <= 'z')
    return folded.size() == 2 || folded[2] == '\\';
  return folded.starts_with("\\\\") && folded.size() > 2;
}

}  // namespace

std::string FoldPath(std::string_view path) {
  std::string text(path);
  std::replace(text.begin(), text.end(), '/', '\\');
  if (text.starts_with("\\\\?\\UNC\\")) text = "\\\\" + text.substr(8);
  else if (text.starts_with("\\\\?\\")) text = text.substr(4);
  while (text.size() > 1 && text.back() == '\\' && !(text.size() == 3 && text[1] == ':')) text.pop_back();
  if (text.size() == 3 && text[1] == ':') text.pop_back();  // "C:\" and "C:" are the same root
  return Fold(text);
}

std::vector<std::string> FoldKey(std::string_view key) {
  std::string text(key);
  while (!text.empty() && text.back() == '\\') text.pop_back();
  const std::size_t slash = text.find('\\');
  const std::uint32_t root = RootKeyFromName(std::string_view(text).substr(0, slash));
  if (root == kNoRootKey) return {};
  const std::string rest = slash == std::string::npos ? std::string() : Fold(text.substr(slash));
  const std::string name = Fold(RootKeyName(root));
  constexpr std::string_view kClasses = "\\software\\classes";
  const std::string machine = Fold(RootKeyName(RootKeyFromName("HKLM")));
  const std::string user = Fold(RootKeyName(RootKeyFromName("HKCU")));
  const std::string merged = Fold(RootKeyName(RootKeyFromName("HKCR")));
  std::string under;  // the part below the classes root, "" when the key is not a class key
  bool isClass = false;
  if (name == merged) {
    isClass = true;
    under = rest;
  } else if ((name == machine || name == user) &&
             (rest == kClasses || rest.starts_with(std::string(kClasses) + "\\"))) {
    isClass = true;
    under = rest.substr(kClasses.size());
  }
  if (!isClass) return {name + rest};
  return {merged + under, machine + std::string(kClasses) + under, user + std::string(kClasses) + under};
}

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
  // Iterative matching with one back-tracking point per "*".
  std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && pattern[p] != '\\' && (pattern[p] == '?' || pattern[p] == name[n]) &&
               !(pattern[p] == '?' && name[n] == '\\')) {
      // "?" stands for one character: skip the continuation bytes of a UTF-8 sequence too
      if (pattern[p] == '?')
        while (n + 1 < name.size() && (static_cast<unsigned char>(name[n + 1]) & 0xC0) == 0x80) ++n;
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '\\' && name[n] == '\\') {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos && name[starN] != '\\') {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

const char* ProtectKindName(TProtectKind kind) {
  switch (kind) {
    case TProtectKind::Folder: return "folder";
    case TProtectKind::File: return "file";
    case TProtectKind::Key: return "key";
  }
  return "folder";
}

bool ParseProtectKind(std::string_view name, TProtectKind& kind) {
  for (TProtectKind k : {TProtectKind::Folder, TProtectKind::File, TProtectKind::Key})
    if (name == ProtectKindName(k)) {
      kind = k;
      return true;
    }
  return false;
}

std::string ProtectEntryText(const TProtectEntry& entry) {
  return std::string(ProtectKindName(entry.Kind)) + ":" + entry.Text;
}

bool ParseProtectEntry(std::string_view text, TProtectEntry& entry) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon + 1 == text.size()) return false;
  TProtectKind kind;
  if (!ParseProtectKind(text.substr(0, colon), kind)) return false;
  entry.Kind = kind;
  entry.Text = std::string(text.substr(colon + 1));
  return true;
}

std::string ProtectEntryProblem(const TProtectEntry& entry) {
  if (entry.Text.empty()) return "An empty entry protects nothing.";
  switch (entry.Kind) {
    case TProtectKind::Folder:
      if (HasWildcard(entry.Text)) return "A folder is named without wildcards.";
      if (!IsFullPath(entry.Text)) return "A folder is named by its full path (\"C:\\...\").";
      return {};
    case TProtectKind::File:
      if (entry.Text.find_first_of("\\/") == std::string::npos) return {};
      if (!IsFullPath(entry.Text)) return "A file is named by its full path or by its name alone.";
      // Judged on the text as given: the folded form has lost its trailing separator.
      if (entry.Text.ends_with('\\') || entry.Text.ends_with('/')) return "A file pattern ends with a name.";
      return {};
    case TProtectKind::Key:
      if (FoldKey(entry.Text).empty())
        return "A registry key starts with its root (\"HKEY_CURRENT_USER\\...\" or \"HKCU\\...\").";
      return {};
  }
  return {};
}

TProtectList::TProtectList(const std::vector<TProtectEntry>& entries) {
  for (const TProtectEntry& entry : entries) {
    if (!ProtectEntryProblem(entry).empty()) continue;
    switch (entry.Kind) {
      case TProtectKind::Folder:
        folders_.push_back(FoldPath(entry.Text));
        break;
      case TProtectKind::File: {
        TPattern pattern;
        pattern.Text = FoldPath(entry.Text);
        pattern.NameOnly = pattern.Text.find('\\') == std::string::npos;
        if (!pattern.NameOnly) {
          // The literal folders in front of the first part with a wildcard.
          std::size_t end = pattern.Text.find_first_of("*?");
          end = end == std::string::npos ? pattern.Text.size() : end;
          const std::size_t slash = pattern.Text.rfind('\\', end);
          pattern.Folder = slash == std::string::npos ? std::string() : pattern.Text.substr(0, slash);
          pattern.FolderExact = slash != std::string::npos && slash == pattern.Text.rfind('\\');
        }
        files_.push_back(std::move(pattern));
        break;
      }
      case TProtectKind::Key:
        for (std::string& form : FoldKey(entry.Text)) keys_.push_back(std::move(form));
        break;
    }
  }
}

bool TProtectList::ProtectsPath(std::string_view path, bool removesContents) const {
  if (folders_.empty() && files_.empty()) return false;
  const std::string folded = FoldPath(path);
  const std::size_t slash = folded.rfind('\\');
  const std::string_view name = slash == std::string::npos ? std::string_view(folded)
                                                           : std::string_view(folded).substr(slash + 1);
  for (const std::string& folder : folders_) {
    if (Inside(folded, folder)) return true;
    if (removesContents && Inside(folder, folded)) return true;
  }
  for (const TPattern& pattern : files_) {
    if (pattern.NameOnly ? MatchesWildcard(name, pattern.Text) : MatchesWildcard(folded, pattern.Text))
      return true;
    // A folder removed with its contents may hold files of the pattern: any pattern with no
    // folder of its own, or whose literal folder lies in (or is) the removed one, or, when a
    // folder part of the pattern has a wildcard, holds the removed one.
    if (removesContents &&
        (pattern.NameOnly || Inside(pattern.Folder, folded) ||
         (!pattern.FolderExact && Inside(folded, pattern.Folder))))
      return true;
  }
  return false;
}

bool TProtectList::ProtectsKey(std::string_view key, bool removesSubtree) const {
  if (keys_.empty()) return false;
  for (const std::string& form : FoldKey(key))
    for (const std::string& protectedKey : keys_) {
      if (Inside(form, protectedKey)) return true;
      if (removesSubtree && Inside(protectedKey, form)) return true;
    }
  return false;
}

}  // namespace tw
