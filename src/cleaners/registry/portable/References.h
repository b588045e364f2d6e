#pragma once
// How the registry-integrity fixers read what a registry entry refers to (a command line, an
// icon or indirect-string reference, a folder, a file name) and decide whether it is gone.
// Text only: the environment comes in through a lookup and the file system through a probe, so
// every rule here is exercised natively too.
//
// The rule everything below keeps: an entry is broken only when every path it may name is
// certainly absent from a fixed disk that is present. Network paths, removable, CD and absent
// drives, bare names, relative paths, placeholders the scan cannot fill ("%1"), package
// references and paths the system will not answer for all leave the entry alone.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/portable/TextUtility.h"

namespace tw {

// Which programs read a key: only 64-bit ones (the 64-bit side of a key Windows keeps once per
// view), only 32-bit ones (a path through "WOW6432Node"), or both (a key shared by the views).
enum class TRegView { Native, Wow32, Shared };

// The view of the key Root\Subkey (root by its long or short name).
TRegView ViewOfKey(std::string_view root, std::string_view subkey);
// The part of Subkey up to and including its "WOW6432Node" step; empty when it has none.
std::string Wow32Base(std::string_view subkey);

// What a path text is resolved with.
struct TResolveEnv {
  TGetEnv GetEnv;  // a variable's value as this (64-bit) process has it; empty when unset
  TRegView View = TRegView::Shared;
};

// One path an entry may name; an existing folder there counts as found when FolderCounts.
struct TCandidate {
  std::string Path;
  bool FolderCounts = true;
  bool operator==(const TCandidate&) const = default;
};

// What an entry refers to: the paths it may name (found when any of them exists). Undecided,
// or no candidate at all, means the entry is not judged.
struct TReference {
  std::vector<TCandidate> Candidates;
  bool Undecided = false;
  bool Judged() const { return !Undecided && !Candidates.empty(); }
  // Adds Path, and its other forms in the view (System32 as SysWOW64...), once each.
  void Add(const std::string& path, bool folderCounts, const TResolveEnv& env);
  // Adds what Other names; an undecided Other makes this one undecided.
  void Merge(const TReference& other);
};

// What the file system says about a path.
enum class TPathState { File, Folder, Missing, Unknown };

struct TPathProbe {
  std::function<TPathState(const std::string& path)> State;
  // Root is a drive's root ("C:\"): true for a fixed disk that is present.
  std::function<bool(const std::string& root)> IsFixedDisk;
};

// The verdict: true when the reference is judged and every candidate is a drive path on a fixed
// disk that certainly does not exist (an existing folder counting where the candidate allows).
bool ReferenceTest(const TReference& reference, const TPathProbe& probe);

// Text steps.

std::string LowerAscii(std::string_view text);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool ContainsNoCase(std::string_view text, std::string_view part);
// "X:\..." (a drive letter, a colon and a backslash).
bool IsDrivePath(std::string_view path);
// The last step of a path has a dot after its first character.
bool HasExtension(std::string_view path);
// Text between a leading double quote and its closing one (two quotes in a row inside stand for
// one; without a closing quote, up to the end); the text itself when it does not begin with a
// quote or the quotes hold nothing.
std::string Dequote(std::string_view text);
// Text without any double quote.
std::string RemoveQuotes(std::string_view text);
// Every "%NAME%" whose variable has a value, replaced by it; any other "%" stays. A variable the
// views set apart ("ProgramFiles", "CommonProgramFiles") gives one text per folder a program of
// the key's view may mean (its own first), so the result holds one text or more.
std::vector<std::string> ExpandVariables(std::string_view text, const TResolveEnv& env);
// "%NAME%" left in a text after expansion: a variable this process does not have. A lone "%"
// ("My 100%") is part of a name.
bool HasUnresolvedVariable(std::string_view text);
// A placeholder the system fills before it runs a command: "%1", "%*", "%~", "%L"...
bool HasPlaceholder(std::string_view text);
// Either of the two: a path holding it is never judged.
bool HasUnfilledPercent(std::string_view text);
// A MUI cache name without the ".FriendlyAppName" or ".ApplicationCompany" that current Windows
// appends to the program's path (any letter case).
std::string StripMuiSuffix(std::string_view name);
// The file of an indirect string "@file,-id" (or "@file"); nothing for a package reference
// "@{...}" and for text that is not an indirect string.
std::optional<std::string> IndirectStringFile(std::string_view text);
// Text without a trailing icon or resource index (",0", ", -102"); a comma that is part of the
// path stays.
std::string StripIconIndex(std::string_view text);
// A Run box entry without the "\1" the shell appends to it.
std::string StripMruSuffix(std::string_view text);
// A web address ("http...", "www...", any letter case).
bool IsWebReference(std::string_view text);

// A command line as the system reads it to find the program.
struct TCommandLine {
  bool Quoted = false;
  std::string Program;    // the quoted part, or the text up to the first blank
  std::string Arguments;  // what follows Program, blanks trimmed
  // Unquoted: the text up to each blank, then the whole text: the names the system tries in
  // turn ("C:\Program", "C:\Program Files\X\app.exe", ...). Stops before a piece that cannot be
  // part of a path (quotes, wildcards, a placeholder such as "%1", a second drive); "/" and a
  // lone "%" may be part of a name and do not stop it.
  std::vector<std::string> Prefixes;
};
TCommandLine SplitCommandLine(std::string_view command);

// Resolvers: registry text to what it refers to.

// The program a command starts; for the library hosts "rundll32" and "regsvr32", the library
// they are given; nothing for the Windows installer ("msiexec"). A program without an extension
// may be the same name with ".exe", as the system tries it.
TReference ProgramReference(std::string_view command, const TResolveEnv& env);
// A value of a Run key: web addresses are not judged.
TReference RunCommandToPath(std::string_view data, const TResolveEnv& env);
// A Run box entry: without its "\1"; a typed folder counts as found.
TReference MruCommandToPath(std::string_view data, const TResolveEnv& env);
// A help file Name in the folder Data names.
TReference HelpFileToPath(std::string_view data, std::string_view name, const TResolveEnv& env);
// An App Paths key Name with its default value and "Path" value (when present): the program, or
// the program's name in the folders they give (see the App Paths fixer).
TReference AppPathToPath(std::string_view name, std::string_view program,
                         const std::optional<std::string>& folders, const TResolveEnv& env);
// An uninstall command.
TReference UninstallCommandToPath(std::string_view data, const TResolveEnv& env);
// A MUI cache value name: the program or resource file, when it has an extension.
TReference MuiNameToPath(std::string_view name, const TResolveEnv& env);
// A DefaultIcon text.
TReference IconReferenceToPath(std::string_view text, const TResolveEnv& env);
// A font file as the Fonts key holds it: a path, or a name in the Windows or per-user fonts
// folder.
TReference FontFileToPath(std::string_view data, const TResolveEnv& env);
// A path that names a file or a folder as it is written (SharedDLLs names, installer folders,
// shared folders); a trailing backslash is ignored.
TReference NamedPathToPath(std::string_view name, const TResolveEnv& env);
// A Start-menu folder Name under the all-users and the user's Programs folders (each ending
// with "\"; empty when unknown), also with "Ease Of Access" read as "Accessibility". Names with
// "Intel" are never judged.
TReference ProgramsFolderToPath(std::string_view name, const std::string& commonPrograms,
                                const std::string& userPrograms, const TResolveEnv& env);

// How the class fixers differ.
struct TClassRules {
  bool SecondPathUndecided = true;   // an unquoted command naming a second drive path
  bool IexploreUndecided = false;    // a handler naming "iexplore"
  bool PercentOneUndecided = false;  // a verb command that starts with "%1" or ""
};
// The default value of a class's handler subkey Name ("DefaultIcon", "InprocServer32"...).
TReference ClassHandlerToPath(std::string_view subkey, std::string_view data,
                              const TResolveEnv& env, const TClassRules& rules);
// A verb's command.
TReference VerbCommandToPath(std::string_view command, const TResolveEnv& env,
                             const TClassRules& rules);

}  // namespace tw
