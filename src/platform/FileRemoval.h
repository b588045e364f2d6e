#pragma once
// Removal of files, folders and links, shared by the file cleaner and the shell-trace cleaners.
// Paths are UTF-8 and go to the system through wide "\\?\" calls, so long paths and any name are
// reached whatever the process code page. A junction or symbolic link is never followed: it is
// removed itself and what it points to stays. Only a file held open by another program (a
// sharing or lock violation) is scheduled for deletion at the next restart; every other failure
// stays a failure, with the system's error left in GetLastError.
#include <string>

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

}  // namespace tw
