#pragma once
// The removal of a file clean's findings inside one root folder (used by the file cleaner only).
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cleaners/system/LongPaths.h"
#include "platform/FileRemoval.h"
#include "platform/Handles.h"
#include "platform/Text.h"

namespace tw::file_clean {

// Removes the findings of one clean inside one root folder, never through a junction or
// symbolic link: a link put in place after the scan must not lead the clean elsewhere.
//
// Every folder that holds findings is checked once (it lies inside the root, and neither it nor
// a folder between the root and it is a link), with the result kept for its other entries.
// Where the system shows file links as links, the folder is then opened once and its files are
// deleted through that handle, each in one open as itself with delete-on-close: the handle pins
// the folder, so nothing swapped in on the way to it afterwards can lead the removal elsewhere.
// Elsewhere (Wine, where a host link to a file looks like the file) a file is opened once, as
// itself, through the folder's handle or else by path: the same handle proves that it
// resolves to where it was listed and deletes it.
// Whether the removed files of a folder are really gone is looked up once for the folder.
class TFileRemover {
 public:
  enum class TOutcome { Removed, NotRemoved, Folder, Queued };

  // StillThere hears of a file whose removal the system reported but that is still there.
  using TStillThere = std::function<void(int tag)>;

  TFileRemover(const std::string& root, TStillThere stillThere)
      : root_(root),
        longRoot_(LongPath(root)),
        linksShown_(FileLinksShowAsLinks()),
        stillThere_(std::move(stillThere)) {
    DWORD error = 0;
    std::wstring final = FinalPath(longRoot_, error);
    finalRoot_ = WithBackslash(final.empty() ? NormalPath(longRoot_) : std::move(final));
    unique_hfile folder(::CreateFileW(longRoot_.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (folder && ObjectName(folder.get())) rootObject_ = WithBackslash(WithoutBackslash(std::wstring(name_)));
    if (folder && rootObject_.empty() && NameOnVolume(folder.get()))
      rootOnVolume_ = WithBackslash(WithoutBackslash(std::wstring(name_)));
  }

  // An entry that is not a folder: deleted (a link as itself, never what it points to), with a
  // read-only bit cleared first when that is what stops it (or, when the scan saw it, before
  // trying), and set again when it still cannot be deleted. A locked file is scheduled for
  // deletion at the next restart. Folder when the entry is an existing folder, left for
  // RemoveFolder. Tag names the entry to StillThere.
  TOutcome RemoveFile(const std::string& text, int tag, bool seenReadOnly) {
    std::string_view relative;
    if (!Inside(text, relative)) return TOutcome::NotRemoved;
    const std::string_view folder = FolderOf(text);
    const TFolderState state = Check(folder);
    if (state == TFolderState::Gone) return TOutcome::Removed;
    const std::wstring& path = LongPathOf(relative);
    if (state == TFolderState::Unsafe) return IsFolder(path) ? TOutcome::Folder : TOutcome::NotRemoved;

    const HANDLE pinned = PinnedFolder(folder);
    const std::wstring_view name = std::wstring_view(path).substr(path.rfind(L'\\') + 1);
    if (pinned && linksShown_ && !seenReadOnly) {
      switch (DeleteInFolder(pinned, name)) {
        case TDeleteInFolder::Deleted:
          Unconfirmed(folder, path, tag, 0);
          return TOutcome::Removed;
        case TDeleteInFolder::Gone: return TOutcome::Removed;
        case TDeleteInFolder::Folder: return TOutcome::Folder;
        case TDeleteInFolder::Refused: break;  // read-only, locked...: the way below tells
      }
    }
    const DWORD access =
        DELETE | FILE_READ_ATTRIBUTES | (seenReadOnly ? FILE_WRITE_ATTRIBUTES : 0);
    unique_hfile file;
    if (pinned) file = OpenInFolder(pinned, name, access);
    // Reached through the pinned folder, as itself where links show as links.
    const bool whereListed = file && linksShown_;
    if (!file)
      file.reset(::CreateFileW(path.c_str(), access,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
      const DWORD error = ::GetLastError();
      if (IsGone(error)) return TOutcome::Removed;
      if (IsFolder(path)) return TOutcome::Folder;
      if (error == ERROR_ACCESS_DENIED && seenReadOnly) return RemoveFile(text, tag, false);
      if (IsLocked(error)) Schedule(path, folder);
      return TOutcome::NotRemoved;
    }
    if (!whereListed && !IsWhereListed(file.get(), path)) return TOutcome::NotRemoved;
    DWORD restore = 0;  // attributes to put back when the file outlives its removal
    FILE_BASIC_INFO basic{};
    if (seenReadOnly &&
        ::GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) &&
        (basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
      FILE_BASIC_INFO cleared{};  // times of 0 stay as they are
      cleared.FileAttributes = basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
      if (::SetFileInformationByHandle(file.get(), FileBasicInfo, &cleared, sizeof cleared))
        restore = basic.FileAttributes;
    }
    bool disposed = Dispose(file.get());
    if (!disposed && !restore && ::GetLastError() == ERROR_ACCESS_DENIED &&
        ::GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) &&
        (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) &&
        ::SetFileAttributesW(path.c_str(), basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY)) {
      restore = basic.FileAttributes;  // a read-only bit the scan did not see
      disposed = Dispose(file.get());
    }
    if (!disposed) {
      if (restore) ::SetFileAttributesW(path.c_str(), restore);
      return TOutcome::NotRemoved;
    }
    file.reset();  // the file goes with its last handle
    Unconfirmed(folder, path, tag, restore);
    return TOutcome::Removed;
  }

  // Looks once for the files whose removal the system reported in the folder of the last ones:
  // Wine may report a removal that the host file system then refuses, and the
  // entry stays. Each one still there goes to StillThere and gets its read-only bit back.
  void Confirm() {
    if (unconfirmed_.empty()) return;
    std::unordered_set<std::wstring_view> names;
    for (const TUnconfirmed& entry : unconfirmed_) names.insert(entry.name);
    std::unordered_set<std::wstring_view> present;
    auto seen = [&](std::wstring_view entry) {
      auto name = names.find(entry);
      if (name != names.end()) present.insert(*name);
    };
    if (pinned_ && pinnedText_ == unconfirmedText_) {
      ListPinnedFolder(seen);  // the folder itself, wherever it is now
    } else {
      WIN32_FIND_DATAW found;
      unique_hfind find(FindFirst(unconfirmedFolder_ + L"*", found));
      if (find) {
        do seen(found.cFileName);
        while (::FindNextFileW(find.get(), &found));
      }
    }
    for (const TUnconfirmed& entry : unconfirmed_) {
      if (!present.count(entry.name)) continue;
      if (entry.restore)
        ::SetFileAttributesW((unconfirmedFolder_ + entry.name).c_str(), entry.restore);
      stillThere_(entry.tag);
    }
    unconfirmed_.clear();
  }

  // A folder (removed when it is empty) or a link to one (the link alone is removed). A folder
  // still holding entries that wait for the next restart is scheduled with them.
  bool RemoveFolder(const std::string& text) {
    UnpinFolder();  // a folder held open would outlive its removal
    std::string_view relative;
    if (!Inside(text, relative)) return false;
    const std::string_view folder = FolderOf(text);
    const TFolderState parent = Check(folder);
    if (parent != TFolderState::Safe) return parent == TFolderState::Gone;
    const std::wstring path = LongPathOf(relative);
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return IsGone(::GetLastError());
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveLink(path);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    DWORD error = 0;
    const std::wstring final = FinalPath(path, error);
    if (final.empty() && IsGone(error)) return true;
    if (!final.empty() && !SameTextIgnoreCase(final, finalRoot_ + path.substr(longRoot_.size())))
      return false;  // not where it was listed: a link that does not say it is one

    DWORD restore = 0;
    bool removed = ::RemoveDirectoryW(path.c_str());
    error = removed ? 0 : ::GetLastError();
    if (!removed && error == ERROR_ACCESS_DENIED && (attributes & FILE_ATTRIBUTE_READONLY) &&
        ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
      restore = attributes;
      removed = ::RemoveDirectoryW(path.c_str());
      if (!removed) error = ::GetLastError();
    }
    if (removed ? IsRemoved(path) : IsGone(error)) return true;
    if (restore) ::SetFileAttributesW(path.c_str(), restore);
    if (IsLocked(error) || (error == ERROR_DIR_NOT_EMPTY && holdingScheduled_.count(text)))
      Schedule(path, folder);
    return false;
  }

  // Anything: a file, or else a folder.
  bool Remove(const std::string& text, int tag, bool seenReadOnly) {
    switch (RemoveFile(text, tag, seenReadOnly)) {
      case TOutcome::Removed: return true;
      case TOutcome::NotRemoved:
      case TOutcome::Queued: return false;
      case TOutcome::Folder: return RemoveFolder(text);
    }
    return false;
  }

  // The recycling mode's counterpart of RemoveFile: a plain file inside the root, with no link
  // on the way, goes to Batch (Queued), which moves it into the Recycle Bin with the other files
  // of its folder. A link holds no data and is removed itself; a folder is left for RemoveFolder.
  TOutcome RecycleFile(const std::string& text, int tag, TRecycleBatch& batch) {
    std::string_view relative;
    if (!Inside(text, relative)) return TOutcome::NotRemoved;
    const TFolderState state = Check(FolderOf(text));
    if (state == TFolderState::Gone) return TOutcome::Removed;
    const std::wstring& path = LongPathOf(relative);
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
      return IsGone(::GetLastError()) ? TOutcome::Removed : TOutcome::NotRemoved;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return TOutcome::Folder;
    if (state == TFolderState::Unsafe) return TOutcome::NotRemoved;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
      return RemoveLink(path) ? TOutcome::Removed : TOutcome::NotRemoved;
    batch.Add(text, tag);
    return TOutcome::Queued;
  }

 private:
  enum class TFolderState : std::uint8_t { Safe, Unsafe, Gone };

  // True when Text names an entry below the root; Relative is then the part after the root,
  // made of plain names only (no empty, "." or ".." parts and no "/", which the "\\?\" form
  // would take literally).
  bool Inside(const std::string& text, std::string_view& relative) const {
    if (text.size() <= root_.size()) return false;
    if (text.compare(0, root_.size(), root_) != 0 &&
        !SameTextIgnoreCase(Utf8ToWide(std::string_view(text).substr(0, root_.size())),
                            Utf8ToWide(root_)))
      return false;
    relative = std::string_view(text).substr(root_.size());
    for (std::size_t start = 0;;) {
      const std::size_t end = relative.find('\\', start);
      const std::string_view name = relative.substr(start, end - start);
      if (name.empty() || name == "." || name == ".." || name.find('/') != name.npos) return false;
      if (end == relative.npos) return true;
      start = end + 1;
    }
  }

  // The folder part of an entry's text, without its trailing "\".
  static std::string_view FolderOf(const std::string& text) {
    return std::string_view(text).substr(0, text.rfind('\\'));
  }

  // The "\\?\" form of the root followed by Relative, in a buffer reused from call to call.
  const std::wstring& LongPathOf(std::string_view relative) {
    buffer_.assign(longRoot_);
    AppendWide(buffer_, relative);
    return buffer_;
  }

  // After a removal the system reported as done: true unless the entry is still there
  // (Wine may report a removal that the host file system then refuses).
  static bool IsRemoved(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
  }

  static bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  // The path of the open File on its volume (without the drive, "\\folder\\file"), as the
  // system resolves it, in name_; false when the system cannot tell.
  bool NameOnVolume(HANDLE file) {
    for (;;) {
      auto* info = reinterpret_cast<FILE_NAME_INFO*>(nameInfo_.data());
      if (::GetFileInformationByHandleEx(file, FileNameInfo, info,
                                         static_cast<DWORD>(nameInfo_.size() * sizeof(DWORD)))) {
        name_ = std::wstring_view(info->FileName, info->FileNameLength / sizeof(wchar_t));
        return true;
      }
      if (::GetLastError() != ERROR_MORE_DATA || nameInfo_.size() > 0x10000) return false;
      nameInfo_.resize(nameInfo_.size() * 2);
    }
  }

  // The name the system gives the open File, its device and path (a device such as
  // "\\Device\\HarddiskVolume2", or "\\??\\C:" where the system has no such devices, then the
  // path), in name_; false when the system cannot tell. Of the ways to ask, this one needs the
  // least of the system: an emulation layer answers it without the file's host descriptor.
  bool ObjectName(HANDLE file) {
    using TQueryObject = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<TQueryObject>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
    if (!query) return false;
    constexpr int kObjectNameInformation = 1;
    struct TObjectName {  // OBJECT_NAME_INFORMATION
      USHORT Length, MaximumLength;
      wchar_t* Buffer;
    };
    for (int attempt = 0; attempt < 2; ++attempt) {
      ULONG needed = 0;
      const LONG status = query(file, kObjectNameInformation, nameInfo_.data(),
                                static_cast<ULONG>(nameInfo_.size() * sizeof(DWORD)), &needed);
      if (status >= 0) {
        const auto* info = reinterpret_cast<const TObjectName*>(nameInfo_.data());
        if (!info->Buffer || info->Length == 0) return false;
        name_ = std::wstring_view(info->Buffer, info->Length / sizeof(wchar_t));
        return true;
      }
      if (needed <= nameInfo_.size() * sizeof(DWORD) || needed > 0x40000) return false;
      nameInfo_.resize(needed / sizeof(DWORD) + 1);
    }
    return false;
  }

  // True when the open File resolves to where Path lies below the root; where the system cannot
  // tell, the folder check made before has to do. The root's name was asked once: each file's
  // is compared with it and the rest of Path, which costs the system less than a full path with
  // the drive would.
  bool IsWhereListed(HANDLE file, const std::wstring& path) {
    // A folder is written with its "\" (the root as longRoot_ itself); the system names it without.
    const bool folder = path.back() == L'\\';
    std::wstring_view rest = std::wstring_view(path).substr(longRoot_.size());
    if (folder && !rest.empty()) rest.remove_suffix(1);
    auto sameAs = [&](std::wstring_view root) {
      if (folder && rest.empty()) root.remove_suffix(1);
      return name_.size() == root.size() + rest.size() &&
             SameTextIgnoreCase(name_.substr(0, root.size()), root) &&
             SameTextIgnoreCase(name_.substr(root.size()), rest);
    };
    if (!rootObject_.empty() && ObjectName(file)) return sameAs(rootObject_);
    if (!rootOnVolume_.empty() && NameOnVolume(file)) return sameAs(rootOnVolume_);
    DWORD n = ::GetFinalPathNameByHandleW(file, final_.data(), static_cast<DWORD>(final_.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n >= final_.size()) {
      final_.resize(n);
      n = ::GetFinalPathNameByHandleW(file, final_.data(), static_cast<DWORD>(final_.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    if (n == 0 || n >= final_.size()) return true;
    std::wstring_view final(final_.data(), n);
    std::wstring_view root = finalRoot_;
    if (final.starts_with(kLongUncPrefix)) {  // "\\?\UNC\server\share" is "\\server\share"
      if (!root.starts_with(L"\\\\")) return false;
      final.remove_prefix(kLongUncPrefix.size());
      root.remove_prefix(2);
    } else if (final.starts_with(kLongPrefix)) {
      final.remove_prefix(kLongPrefix.size());
    }
    if (folder && rest.empty()) root.remove_suffix(1);
    return final.size() == root.size() + rest.size() &&
           SameTextIgnoreCase(final.substr(0, root.size()), root) &&
           SameTextIgnoreCase(final.substr(root.size()), rest);
  }

  // The open handle of Folder (an entry's folder, without its "\"), through which its files
  // are opened by name alone (which also spares the system a walk of the whole path); null
  // where the folder cannot be opened or does not resolve to where it was listed. Kept for the
  // folder's other files.
  HANDLE PinnedFolder(std::string_view folder) {
    if (pinnedKnown_ && folder == pinnedText_) return pinned_ ? pinned_.get() : nullptr;
    UnpinFolder();
    pinnedText_.assign(folder);
    pinnedKnown_ = true;
    std::wstring path = longRoot_;  // with its "\", as IsWhereListed takes a folder
    if (folder.size() + 1 > root_.size()) {
      AppendWide(path, folder.substr(root_.size()));
      path += L'\\';
    }
    unique_hfile handle = OpenFolderOfEntries(path.substr(0, path.size() - 1));
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!handle ||
        !::GetFileInformationByHandleEx(handle.get(), FileAttributeTagInfo, &tag, sizeof tag) ||
        !(tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !IsWhereListed(handle.get(), path))
      return nullptr;
    pinned_ = std::move(handle);
    return pinned_.get();
  }

  // Confirms the files removed through the pinned folder, then lets it go.
  void UnpinFolder() {
    if (pinned_) Confirm();
    pinned_.reset();
    pinnedKnown_ = false;
  }

  // Hands the name of every entry of the pinned folder to Seen.
  template <typename TSeen>
  void ListPinnedFolder(TSeen&& seen) {
    std::vector<DWORD> buffer(16384);  // aligned for the entries
    for (FILE_INFO_BY_HANDLE_CLASS kind = FileFullDirectoryRestartInfo;; kind = FileFullDirectoryInfo) {
      if (!::GetFileInformationByHandleEx(pinned_.get(), kind, buffer.data(),
                                          static_cast<DWORD>(buffer.size() * sizeof(DWORD))))
        return;
      const auto* bytes = reinterpret_cast<const char*>(buffer.data());
      for (std::size_t at = 0;;) {
        const auto* entry = reinterpret_cast<const FILE_FULL_DIR_INFO*>(bytes + at);
        seen(std::wstring_view(entry->FileName, entry->FileNameLength / sizeof(wchar_t)));
        if (!entry->NextEntryOffset) break;
        at += entry->NextEntryOffset;
      }
    }
  }

  static bool Dispose(HANDLE file) {
    FILE_DISPOSITION_INFO dispose{TRUE};
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose) !=
           FALSE;
  }

  // The state of Folder (the root itself or a folder below it, written without a trailing
  // "\"), checked once for all its entries.
  TFolderState Check(std::string_view folder) {
    if (folder.size() + 1 == root_.size()) return TFolderState::Safe;
    if (folder.size() + 1 < root_.size()) return TFolderState::Unsafe;
    if (haveLast_ && folder == lastFolder_) return lastState_;
    std::string key(folder);
    auto known = folders_.find(key);
    TFolderState state;
    if (known != folders_.end()) {
      state = known->second;
    } else {
      state = Check(folder.substr(0, folder.rfind('\\')));
      if (state == TFolderState::Safe) {
        const DWORD attributes =
            ::GetFileAttributesW((longRoot_ + Utf8ToWide(folder.substr(root_.size()))).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
          state = IsGone(::GetLastError()) ? TFolderState::Gone : TFolderState::Unsafe;
        else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
                 (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
          state = TFolderState::Unsafe;
      }
      folders_.emplace(key, state);
    }
    lastFolder_ = std::move(key);
    lastState_ = state;
    haveLast_ = true;
    return state;
  }

  // Keeps a removed file of Folder (Path being its "\\?\" form) for Confirm, which runs when
  // the next one lies in another folder.
  void Unconfirmed(std::string_view folder, const std::wstring& path, int tag, DWORD restore) {
    const std::size_t slash = path.rfind(L'\\') + 1;
    if (folder != unconfirmedText_) {
      Confirm();
      unconfirmedText_.assign(folder);
      unconfirmedFolder_.assign(path, 0, slash);
    }
    unconfirmed_.push_back({tag, path.substr(slash), restore});
  }

  void Schedule(const std::wstring& path, std::string_view folder) {
    if (ScheduleAtRestart(path)) holdingScheduled_.emplace(folder);
  }

  static bool RemoveLink(const std::wstring& path) { return RemoveLinkItself(path); }

  const std::string root_;        // "C:\folder\"
  const std::wstring longRoot_;   // "\\?\C:\folder\"
  std::wstring finalRoot_;        // the root as the system resolves it, with its "\"
  std::unordered_map<std::string, TFolderState> folders_;
  std::string lastFolder_;
  TFolderState lastState_ = TFolderState::Unsafe;
  bool haveLast_ = false;
  // Folders left holding entries that are scheduled for deletion at the next restart.
  std::unordered_set<std::string> holdingScheduled_;
  std::wstring buffer_;
  std::wstring final_ = std::wstring(MAX_PATH, L'\0');
  const bool linksShown_;      // file links show as links: files go through their pinned folder
  unique_hfile pinned_;         // the folder of the last files, open; empty: not pinned
  std::string pinnedText_;      // that folder's text
  bool pinnedKnown_ = false;    // pinned_ answers for pinnedText_
  std::wstring rootObject_;    // the root's name as the system gives it, with its "\"; empty: not known
  std::wstring rootOnVolume_;  // the root's path on its volume, with its "\"; empty: not known
  std::vector<DWORD> nameInfo_ = std::vector<DWORD>(1024);  // a name's information, aligned
  std::wstring_view name_;     // in nameInfo_
  // Files reported removed and not yet looked for, all in one folder.
  struct TUnconfirmed {
    int tag;
    std::wstring name;
    DWORD restore;  // attributes to put back if the file is still there; 0 for none
  };
  TStillThere stillThere_;
  std::string unconfirmedText_;
  std::wstring unconfirmedFolder_;  // "\\?\" form, with its "\"
  std::vector<TUnconfirmed> unconfirmed_;
};

}  // namespace tw::file_clean
