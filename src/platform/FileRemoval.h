#pragma once
// Removal of files, folders and links, shared by the file cleaner and the shell-trace cleaners.
// Paths are UTF-8 and go to the system through wide "\\?\" calls, so long paths and any name are
// reached whatever the process code page. A junction or symbolic link is never followed: it is
// removed itself and what it points to stays. Only a file held open by another program (a
// sharing or lock violation) is scheduled for deletion at the next restart; every other failure
// stays a failure, with the system's error left in GetLastError.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Handles.h"

namespace tw {

// The wide "\\?\" form of an absolute UTF-8 path ("\\?\UNC\..." for a network path; "." and
// ".." steps and "/" resolved first); other text is only widened.
std::wstring LongPathW(const std::string& path);

// True when Path names an existing folder (a link to a folder counts).
bool IsFolderPath(const std::string& path);

// True when Path lies below Root (which ends with "\"), names no ".." step, and no folder
// between Root and Path is a junction or symbolic link.
bool IsInsideWithoutLinks(const std::string& root, const std::string& path);

// Each returns true when the entry is gone afterwards ("not found" counts as gone).
// A file, also read-only, hidden or system; a link is removed itself. A locked file is
// scheduled for deletion at the next restart and counts as not removed.
bool DeleteFileEntry(const std::string& path);
// A folder only when it is empty (a folder held open is scheduled for the next restart); a link
// to a folder is removed itself.
bool DeleteEmptyFolder(const std::string& path);
// A junction or symbolic link itself; false when the system will not remove the link alone.
bool DeleteLinkEntry(const std::string& path);

// The pieces the file cleaner's own walk uses on paths already in "\\?\" form.
bool IsGoneError(unsigned long error);    // file or path not found
bool IsLockedError(unsigned long error);  // sharing or lock violation
// Schedules LongPath for deletion at the next restart when Error says it is locked; true when
// it was scheduled.
bool ScheduleIfLocked(const std::wstring& longPath, unsigned long error);
// Schedules LongPath (a folder left holding scheduled entries) for the next restart.
bool ScheduleAtRestart(const std::wstring& longPath);
// Removes the link LongPath itself through a handle of the link, only when that handle proves
// to be the link; true when it is gone.
bool RemoveLinkItself(const std::wstring& longPath);

// ---- Entries reached through their open folder. A folder handle pins the folder: whatever is
// renamed, moved or swapped for a link on the way to it afterwards, a name opened relative to
// the handle is an entry of that very folder.

// True when the system shows a symbolic link to a file as a link (a reparse point), so that a
// file opened by name "as itself" is the entry and not what it points to. Windows does. Wine
// does not: a host symbolic link to a file looks like the file it points to, and deleting it
// through a handle deletes that file; there a removal has to ask each opened file where it
// really lies.
bool FileLinksShowAsLinks();
// Sets the answer above for a test or benchmark that exercises the way Windows takes under
// Wine; no value puts the system's own answer back.
void OverrideFileLinksShowAsLinks(std::optional<bool> shown);

// Opens the folder LongPath ("\\?\" form) to reach its entries by name: the folder itself,
// never what a link in its place points to. Empty on failure, with the system's error left in
// GetLastError.
unique_hfile OpenFolderOfEntries(const std::wstring& longPath);

enum class TDeleteInFolder : std::uint8_t {
  Deleted,   // the system took the removal (Wine may still be refused by the host afterwards)
  Gone,      // no such entry
  Folder,    // the entry is a folder (or a link to one), left to the folder removal
  Refused,   // read-only, locked, denied...: the caller's full way finds out why and acts
};
// Deletes the entry Name (a plain name) of Folder as itself in one open with delete-on-close:
// a link is removed, never what it points to. Sound only where FileLinksShowAsLinks().
TDeleteInFolder DeleteInFolder(HANDLE folder, std::wstring_view name);
// Opens the entry Name of Folder, not a folder, as itself (a link, not its target) with Access.
// Empty on failure, with the system's error left in GetLastError.
unique_hfile OpenInFolder(HANDLE folder, std::wstring_view name, DWORD access);

// ---- Recycling: files moved into the Recycle Bin instead of deleted, so the user can put them
// back. The shell does the move; it takes no "\\?\" path, so a file whose path is MAX_PATH
// characters or longer is not recycled. A file the Recycle Bin cannot take is never deleted
// for good in its place: it stays where it is and says why.

// The class name of a PartialErrors entry about files that were not recycled.
inline constexpr const char* kNotRecycledClass = "ENotRecycled";

enum class TRecycleOutcome : std::uint8_t {
  Recycled,     // in the Recycle Bin, from where the user can restore it
  Gone,         // no longer there before the move: nothing to recycle (counts as removed)
  Deleted,      // gone, but the Recycle Bin did not get it (the shell deleted it for good)
  NotRecycled,  // left where it is; Reason says why
};

struct TRecycleEntry {
  std::string Path;  // full UTF-8 path of a file (not a folder, not a link)
  int Tag = 0;       // the caller's
  TRecycleOutcome Outcome = TRecycleOutcome::NotRecycled;
  std::string Reason;  // why it was not recycled (NotRecycled, Deleted)
};

// Moves the files of Entries, all in one folder, into the Recycle Bin with one call of the
// shell (IFileOperation; SHFileOperation where the system has no working IFileOperation), and
// sets each entry's Outcome. Files on a drive without a Recycle Bin (removable, network) and
// paths the shell cannot take are left alone without asking the shell.
void RecycleFolderFiles(std::vector<TRecycleEntry>& entries);

// Hands files to RecycleFolderFiles one folder at a time: Add collects the files of a folder and
// sends them when a file of another folder comes (or at Flush). Done hears of every entry once,
// in the order added.
class TRecycleBatch {
 public:
  using TDone = std::function<void(const TRecycleEntry& entry)>;
  explicit TRecycleBatch(TDone done) : done_(std::move(done)) {}
  void Add(const std::string& path, int tag);
  void Flush();
  // Texts for the user about the files that were not recycled, or deleted for good instead,
  // since the batch was made: one per folder and reason, naming the file when it is one.
  std::vector<std::string> Problems;

 private:
  TDone done_;
  std::string folder_;
  std::vector<TRecycleEntry> pending_;
};

}  // namespace tw
