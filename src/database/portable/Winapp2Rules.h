#pragma once
// What the files of the winapp2.ini import share: the folders, files and keys that no imported
// rule may empty or remove (Winapp2Tables.cpp), and the steps that turn a rule's keys into
// database actions (Winapp2Convert.cpp).
#include <array>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/portable/Winapp2.h"

namespace tw::winapp2 {

// A or B, or B lies beneath A (canonical paths or key names).
bool IsUnder(const std::string& b, const std::string& a);

// ---- Folders and files

// A folder macro in one spelling, lower-case, for comparisons.
std::string Canonical(const std::string& macro);
// Drive roots, profiles, system folders and the folders that hold them (canonical forms).
bool IsProtectedFolder(const std::string& canonical);
// Name endings of browsers' profile roots: they hold passwords and settings beside the caches.
extern const std::array<const char*, 4> kProfileRootEndings;
// Roaming Mozilla profiles: passwords, certificates, bookmarks and mail.
extern const std::array<const char*, 2> kRoamingProfiles;
// Files that hold passwords, keys, certificates, bookmarks or settings (lower case).
const std::set<std::string>& KeepFiles();
// A pattern that begins with a name and matches a credential store's name.
bool NamesCredentials(const std::string& pattern);
// A pattern that could match any name, or the name of a program, library or settings file.
bool MatchesBroadly(const std::string& pattern);
// Programs that must never be offered for closing (lower case).
const std::set<std::string>& ShellProcesses();

// ---- Registry

struct TRuleKey {
  std::string Root;                // long name
  std::vector<std::string> Parts;  // below the root
  bool HasValue = false;
  std::string Value;
  std::string Error;
};

// Canonical name of Root\Parts: lower-case, "Software\WOW6432Node" read as "Software".
std::string CanonicalKey(const std::string& root, const std::vector<std::string>& parts);
// Why removing this key or value is refused; empty when it may be removed.
std::string RegistryRefusal(const TRuleKey& key);

// ---- Rules turned into actions

struct TRulePath {
  std::vector<std::string> Macros;  // one, or two for the Program Files folders
  bool Wildcard = false;            // "*" or "?" in a folder part
  std::string Error;                // why the path cannot be used
};

// A rule's folder as database macros.
TRulePath ConvertPath(std::string_view text);
// "root\key" or "root\key|value".
TRuleKey ParseRegKey(std::string_view text);
// The key itself, and on HKLM\Software the key of 32-bit programs beside it.
std::vector<std::vector<std::string>> KeyViews(const std::string& root,
                                               const std::vector<std::string>& parts);

struct TAction {
  std::vector<std::pair<std::string, std::string>> Attributes;  // "method" first
};

struct TFileRule {
  int Number = 0;
  std::string KeyName;
  std::vector<std::string> Folders;  // canonical, one per action
  bool Recursive = false;
  std::vector<TAction> Actions;
};

struct TRegRule {
  std::string KeyName;
  std::string Method;  // "DeleteValues" or "DeleteSubkeys"
  std::string Root;
  std::vector<std::vector<std::string>> Views;  // the key and its 32-bit twin
  std::string Canonical;                        // of the key
  bool HasValue = false;
  std::string Value;
};

struct TExclusion {
  std::string KeyName;
  bool Unreadable = false;           // cannot tell what it keeps
  bool Files = false;                // keeps files and folders
  bool Registry = false;             // keeps keys and values
  std::vector<std::string> Folders;  // canonical
  bool Subtree = false;              // also keeps what lies beneath
  std::string Key;                   // canonical
  bool HasValue = false;
  std::string Value;  // lower-case
};

TExclusion ParseExclusion(const TWinapp2Key& key);
bool KeepsFromFiles(const TExclusion& exclusion, const TFileRule& rule);
bool KeepsFromKey(const TExclusion& exclusion, const TRegRule& rule);
// A FileKey: "folder|pattern;pattern|RECURSE or REMOVESELF". Error: why it is left out.
TFileRule ConvertFileKey(const TWinapp2Key& key, std::string& error);
TRegRule ConvertRegKey(const TWinapp2Key& key, std::string& error);
// One action per key (or parent key) and method, the names of all its rules in its filter.
std::vector<TAction> RegistryActions(const std::vector<TRegRule>& rules);

}  // namespace tw::winapp2
