#pragma once
// Removal steps of the shell-trace cleaners: files, whole folder trees and links, through wide
// "\\?\" calls so that long paths and any name are reached. None of them follows a junction or
// symbolic link: a link is removed itself and what it points to stays.
#include <string>

namespace tw {

// The wide "\\?\" form of an absolute path ("\\?\UNC\..." for a network path); other text is
// only widened.
std::wstring LongPathW(const std::string& path);

// True when Path names an existing folder (a link to a folder counts).
bool IsFolderPath(const std::string& path);

// True when Path lies below Root (which ends with "\"), names no ".." step, and no folder
// between Root and Path is a junction or symbolic link.
bool IsInsideWithoutLinks(const std::string& root, const std::string& path);

// Each returns true when the entry is gone afterwards ("not found" counts as gone).
// A file, also read-only, hidden or system; a link is removed itself. A file that is locked is
// scheduled for deletion at the next restart and counts as not removed.
bool DeleteFileEntry(const std::string& path);
// A folder and everything in it. Links inside are removed themselves, never entered; files that
// are locked are scheduled for the next restart, and the folder after them.
bool DeleteFolderTree(const std::string& path);
// A folder only when it is empty (a folder held open is scheduled for the next restart).
bool DeleteEmptyFolder(const std::string& path);
// A junction or symbolic link itself; false when the system will not remove the link alone.
bool DeleteLinkEntry(const std::string& path);

}  // namespace tw
