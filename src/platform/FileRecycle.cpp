// Recycling: the file remover's mode that moves files into the Recycle Bin through the shell.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <map>

#include "platform/Com.h"
#include "platform/FileRemoval.h"
#include "platform/Text.h"
#include "support/Format.h"

namespace tw {

namespace {

constexpr const char* kTooLong = "the path is too long for the Recycle Bin";
constexpr const char* kNoBin = "the drive has no Recycle Bin";
constexpr const char* kRefused = "the Recycle Bin cannot take it; it would have been deleted for good";
constexpr const char* kNotMoved = "the shell did not move it";
constexpr const char* kNotKept = "the Recycle Bin did not keep it";

// A key for a path that the system compares without regard to letter case.
std::wstring PathKey(std::wstring path) {
  if (!path.empty()) ::CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
  return path;
}

// The root of the volume that holds Path ("C:\", "\\server\share\"), empty when unknown.
std::wstring VolumeRoot(const std::wstring& path) {
  wchar_t root[MAX_PATH + 1] = {};
  if (!::GetVolumePathNameW(path.c_str(), root, MAX_PATH)) return {};
  return root;
}

// Hears what the shell does with each item: vetoes a delete that would not go into the Recycle
// Bin, and keeps each item's result by its path.
class TRecycleSink final : public IFileOperationProgressSink {
 public:
  struct TResult {
    bool Vetoed = false;
    bool Reported = false;
    HRESULT Hr = S_OK;
    bool Recycled = false;  // the shell made an item in the Recycle Bin
  };
  std::map<std::wstring, TResult> Results;  // by PathKey

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IFileOperationProgressSink) {
      *out = static_cast<IFileOperationProgressSink*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on the caller's stack, for the length of one operation.
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
  ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }

  HRESULT STDMETHODCALLTYPE PreDeleteItem(DWORD flags, IShellItem* item) noexcept override {
    if (flags & TSF_DELETE_RECYCLE_IF_POSSIBLE) return S_OK;
    // The shell would delete it for good (too large for the Recycle Bin, or the bin is off for
    // the drive): it stays where it is.
    Result(item).Vetoed = true;
    return HRESULT_FROM_WIN32(ERROR_CANCELLED);
  }
  HRESULT STDMETHODCALLTYPE PostDeleteItem(DWORD, IShellItem* item, HRESULT hr,
                                           IShellItem* created) noexcept override {
    TResult& result = Result(item);
    result.Reported = true;
    result.Hr = hr;
    result.Recycled = SUCCEEDED(hr) && created != nullptr;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE StartOperations() noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE FinishOperations(HRESULT) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PreRenameItem(DWORD, IShellItem*, LPCWSTR) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PostRenameItem(DWORD, IShellItem*, LPCWSTR, HRESULT, IShellItem*) noexcept override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PreMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PostMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT,
                                         IShellItem*) noexcept override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PreCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PostCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT,
                                         IShellItem*) noexcept override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PreNewItem(DWORD, IShellItem*, LPCWSTR) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PostNewItem(DWORD, IShellItem*, LPCWSTR, LPCWSTR, DWORD, HRESULT,
                                        IShellItem*) noexcept override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE UpdateProgress(UINT, UINT) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResetTimer() noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PauseTimer() noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResumeTimer() noexcept override { return S_OK; }

 private:
  TResult& Result(IShellItem* item) {
    static TResult ignored;
    wchar_t* path = nullptr;
    if (!item || FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path) return ignored = {};
    std::wstring key = PathKey(path);
    ::CoTaskMemFree(path);
    return Results[key];
  }
};

// The shell's file operation set to recycle, ask nothing and show nothing; empty where the
// system has no working one.
ComPtr<IFileOperation> RecyclingOperation() {
  ComPtr<IFileOperation> operation;
  if (FAILED(::CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_ALL, IID_IFileOperation,
                                operation.put_void())))
    return {};
  // FOFX_RECYCLEONDELETE from Windows 8 on; FOF_ALLOWUNDO says the same to older ones.
  if (operation->SetOperationFlags(FOF_NO_UI | FOF_ALLOWUNDO | FOFX_RECYCLEONDELETE) != S_OK &&
      operation->SetOperationFlags(FOF_NO_UI | FOF_ALLOWUNDO) != S_OK)
    return {};
  return operation;
}

// Through IFileOperation; false when the system has none that works (nothing was done then).
// A veto may end the whole operation: the files it did not reach go again, until a round
// moves nothing more.
bool RecycleWithFileOperation(std::vector<TRecycleEntry*>& files) {
  TRecycleSink sink;
  std::vector<TRecycleEntry*> left = files;
  bool first = true;
  while (!left.empty()) {
    ComPtr<IFileOperation> operation = RecyclingOperation();
    DWORD cookie = 0;
    if (!operation || FAILED(operation->Advise(&sink, &cookie))) {
      if (first) return false;
      for (TRecycleEntry* entry : left) entry->Reason = kNotMoved;
      return true;
    }
    std::vector<TRecycleEntry*> queued;
    for (TRecycleEntry* entry : left) {
      ComPtr<IShellItem> item;
      const std::wstring path = Utf8ToWide(entry->Path);
      if (FAILED(::SHCreateItemFromParsingName(path.c_str(), nullptr, IID_IShellItem, item.put_void()))) {
        const DWORD attributes = ::GetFileAttributesW(LongPathW(entry->Path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES && IsGoneError(::GetLastError())) {
          entry->Outcome = TRecycleOutcome::Gone;
        } else {
          entry->Outcome = TRecycleOutcome::NotRecycled;
          entry->Reason = kNotMoved;
        }
        continue;
      }
      if (FAILED(operation->DeleteItem(item.get(), nullptr))) {
        if (first) {
          operation->Unadvise(cookie);
          return false;
        }
        entry->Outcome = TRecycleOutcome::NotRecycled;
        entry->Reason = kNotMoved;
        continue;
      }
      queued.push_back(entry);
    }
    const HRESULT performed = queued.empty() ? S_OK : operation->PerformOperations();
    operation->Unadvise(cookie);
    if (first && performed == E_NOTIMPL) return false;
    first = false;
    std::vector<TRecycleEntry*> again;
    for (TRecycleEntry* entry : queued) {
      const TRecycleSink::TResult& result = sink.Results[PathKey(Utf8ToWide(entry->Path))];
      const DWORD attributes = ::GetFileAttributesW(LongPathW(entry->Path).c_str());
      const bool present = attributes != INVALID_FILE_ATTRIBUTES;
      if (result.Vetoed) {
        entry->Outcome = present ? TRecycleOutcome::NotRecycled : TRecycleOutcome::Deleted;
        entry->Reason = kRefused;
      } else if (result.Reported) {
        if (present) {
          entry->Outcome = TRecycleOutcome::NotRecycled;
          entry->Reason = FAILED(result.Hr) ? HResultMessage(result.Hr) : std::string(kNotMoved);
        } else if (result.Recycled) {
          entry->Outcome = TRecycleOutcome::Recycled;
        } else {
          entry->Outcome = TRecycleOutcome::Deleted;
          entry->Reason = kNotKept;
        }
      } else if (present) {
        again.push_back(entry);  // not reached: a veto ended the operation before it
      } else {
        // Gone without a word from the shell: removed, but not promised as recoverable.
        entry->Outcome = TRecycleOutcome::Deleted;
        entry->Reason = kNotKept;
      }
    }
    if (again.size() == queued.size()) {
      for (TRecycleEntry* entry : again) {
        entry->Outcome = TRecycleOutcome::NotRecycled;
        entry->Reason = FAILED(performed) ? HResultMessage(performed) : std::string(kNotMoved);
      }
      break;
    }
    left = std::move(again);
  }
  return true;
}

// The number of items in the Recycle Bin of the volume at Root; -1 when it cannot be told.
long long BinItemCount(const std::wstring& root) {
  SHQUERYRBINFO info{};
  info.cbSize = sizeof info;
  if (FAILED(::SHQueryRecycleBinW(root.c_str(), &info))) return -1;
  return info.i64NumItems;
}

// Through SHFileOperation, which cannot say per file what it did: a file still there was not
// moved; a file gone was recycled, unless the Recycle Bin gained fewer items than files went.
void RecycleWithShFileOperation(std::vector<TRecycleEntry*>& files, const std::wstring& root) {
  std::wstring from;
  for (TRecycleEntry* entry : files) {
    from += Utf8ToWide(entry->Path);
    from += L'\0';
  }
  from += L'\0';
  const long long before = BinItemCount(root);
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_NO_UI;
  const int code = ::SHFileOperationW(&operation);
  const long long after = BinItemCount(root);
  long long gone = 0;
  for (TRecycleEntry* entry : files) {
    if (::GetFileAttributesW(LongPathW(entry->Path).c_str()) != INVALID_FILE_ATTRIBUTES) {
      entry->Outcome = TRecycleOutcome::NotRecycled;
      entry->Reason = code ? Format("%s (shell error %d)", std::string(kNotMoved), code) : kNotMoved;
    } else {
      entry->Outcome = TRecycleOutcome::Recycled;
      ++gone;
    }
  }
  if (before >= 0 && after >= 0 && after - before < gone) {
    for (TRecycleEntry* entry : files) {
      if (entry->Outcome != TRecycleOutcome::Recycled) continue;
      entry->Outcome = TRecycleOutcome::Deleted;
      entry->Reason = kNotKept;
    }
  }
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

void RecycleFolderFiles(std::vector<TRecycleEntry>& entries) {
  std::vector<TRecycleEntry*> files;
  std::wstring root;
  std::map<std::wstring, UINT> driveTypes;
  for (TRecycleEntry& entry : entries) {
    entry.Reason.clear();
    const std::wstring longPath = LongPathW(entry.Path);
    const DWORD attributes = ::GetFileAttributesW(longPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES && IsGoneError(::GetLastError())) {
      entry.Outcome = TRecycleOutcome::Gone;
      continue;
    }
    entry.Outcome = TRecycleOutcome::NotRecycled;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      entry.Reason = SysErrorMessage(::GetLastError());
      continue;
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
      entry.Reason = kNotMoved;  // only plain files come here
      continue;
    }
    // The shell takes paths shorter than MAX_PATH only, in their usual form.
    const std::wstring path = Utf8ToWide(entry.Path);
    if (path.size() >= MAX_PATH || path.rfind(L"\\\\?\\", 0) == 0) {
      entry.Reason = kTooLong;
      continue;
    }
    // Only fixed drives have a Recycle Bin: elsewhere the shell deletes for good.
    const std::wstring volume = VolumeRoot(path);
    auto known = driveTypes.find(volume);
    if (known == driveTypes.end())
      known = driveTypes.emplace(volume, volume.empty() ? DRIVE_UNKNOWN : ::GetDriveTypeW(volume.c_str())).first;
    if (known->second != DRIVE_FIXED) {
      entry.Reason = kNoBin;
      continue;
    }
    if (root.empty()) root = volume;
    files.push_back(&entry);
  }
  if (files.empty()) return;
  ComApartment com;
  if (RecycleWithFileOperation(files)) return;
  std::vector<TRecycleEntry*> present;
  for (TRecycleEntry* entry : files) {
    if (::GetFileAttributesW(LongPathW(entry->Path).c_str()) != INVALID_FILE_ATTRIBUTES) {
      present.push_back(entry);
    } else {
      entry->Outcome = TRecycleOutcome::Gone;
      entry->Reason.clear();
    }
  }
  if (!present.empty()) RecycleWithShFileOperation(present, root);
}

void TRecycleBatch::Add(const std::string& path, int tag) {
  std::string folder = FolderOf(path);
  if (!pending_.empty() && folder != folder_) Flush();
  folder_ = std::move(folder);
  TRecycleEntry entry;
  entry.Path = path;
  entry.Tag = tag;
  pending_.push_back(std::move(entry));
}

void TRecycleBatch::Flush() {
  if (pending_.empty()) return;
  RecycleFolderFiles(pending_);
  // What the user is told: by reason, the file itself when it is the only one.
  std::map<std::pair<bool, std::string>, std::vector<const TRecycleEntry*>> problems;
  for (const TRecycleEntry& entry : pending_)
    if (entry.Outcome == TRecycleOutcome::NotRecycled || entry.Outcome == TRecycleOutcome::Deleted)
      problems[{entry.Outcome == TRecycleOutcome::Deleted, entry.Reason}].push_back(&entry);
  for (const auto& [key, list] : problems) {
    const auto& [deleted, reason] = key;
    if (list.size() == 1)
      Problems.push_back(Format(deleted ? "%s was deleted, not moved to the Recycle Bin: %s"
                                        : "%s was not moved to the Recycle Bin and is left in place: %s",
                                list.front()->Path, reason));
    else
      Problems.push_back(Format(deleted ? "%d files in %s were deleted, not moved to the Recycle Bin: %s"
                                        : "%d files in %s were not moved to the Recycle Bin and are left in place: %s",
                                static_cast<int>(list.size()), folder_, reason));
  }
  std::vector<TRecycleEntry> done;
  done.swap(pending_);
  for (const TRecycleEntry& entry : done) done_(entry);
}

}  // namespace tw
