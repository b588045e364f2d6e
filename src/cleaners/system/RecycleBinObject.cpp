#include "cleaners/system/RecycleBinObject.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "cleaners/portable/SystemRules.h"
#include "engine/Utility.h"
#include "platform/FileRemoval.h"
#include "platform/Com.h"
#include "platform/Shell.h"
#include "platform/Text.h"

namespace tw {

namespace {

// Where the item was deleted from, its name, and its size.
constexpr SHCOLUMNID kDisplacedFrom = {
    {0x9B174B33, 0x40FF, 0x11D2, {0xA2, 0x7E, 0x00, 0xC0, 0x4F, 0xC3, 0x08, 0x71}}, 2};
constexpr SHCOLUMNID kItemName = {
    {0xB725F130, 0x47EF, 0x101A, {0xA5, 0xF1, 0x02, 0x60, 0x8C, 0x9E, 0xEB, 0xAC}}, 10};
constexpr SHCOLUMNID kItemSize = {
    {0xB725F130, 0x47EF, 0x101A, {0xA5, 0xF1, 0x02, 0x60, 0x8C, 0x9E, 0xEB, 0xAC}}, 12};

bool IsAbsolutePath(const std::string& path) {
  return path.starts_with("\\\\") || (path.size() >= 3 && path[1] == ':' && path[2] == '\\');
}

// The size of the entry LongPath ("\\?\" form): a file's, or the files of a folder tree added
// up (a junction or symbolic link counts as nothing and is never entered). Nothing when the
// entry cannot be read.
std::optional<std::int64_t> EntrySize(const std::wstring& longPath, int depth = 0) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(longPath.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return 0;
  if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                     data.nFileSizeLow);
  std::int64_t total = 0;
  if (depth > 64) return total;
  WIN32_FIND_DATAW entry;
  unique_hfind find(::FindFirstFileExW((longPath + L"\\*").c_str(), FindExInfoBasic, &entry,
                                       FindExSearchNameMatch, nullptr, 0));
  if (!find) return total;
  do {
    const std::wstring_view name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      total += EntrySize(longPath + L"\\" + std::wstring(name), depth + 1).value_or(0);
    else
      total += static_cast<std::int64_t>(
          (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
  } while (::FindNextFileW(find.get(), &entry));
  return total;
}

// The Recycle Bin folder of the shell; Opened() is false when the system has none.
class TRecycleBinFolder {
 public:
  explicit TRecycleBinFolder(HWND owner) : owner_(owner) {
    ComPtr<IShellFolder> desktop;
    if (FAILED(::SHGetDesktopFolder(desktop.put()))) return;
    if (FAILED(::SHGetSpecialFolderLocation(owner, CSIDL_BITBUCKET, pidl_.put()))) return;
    if (FAILED(desktop->BindToObject(pidl_.get(), nullptr, IID_IShellFolder2, folder_.put_void())))
      folder_.reset();
  }

  bool Opened() const { return static_cast<bool>(folder_); }

  // Hands every item, in the shell's order, to Visit until it returns false. False when the
  // Recycle Bin could not be enumerated.
  bool ForEachItem(const std::function<bool(unique_pidl item)>& visit) const {
    ComPtr<IEnumIDList> items;
    const HRESULT hr = folder_->EnumObjects(
        owner_, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, items.put());
    if (FAILED(hr)) return false;
    if (hr == S_FALSE || !items) return true;  // nothing in it
    ITEMIDLIST* raw = nullptr;
    while (items->Next(1, &raw, nullptr) == S_OK) {
      if (!visit(unique_pidl(raw))) break;
    }
    return true;
  }

  // A text detail of Item; nothing when the system does not give it. Raises when the value it
  // gives cannot be read as text.
  std::optional<std::string> Detail(ITEMIDLIST* item, const SHCOLUMNID& column) const {
    Variant value;
    if (FAILED(folder_->GetDetailsEx(item, &column, value.put())) || value.get()->vt == VT_EMPTY ||
        value.get()->vt == VT_NULL)
      return std::nullopt;
    if (value.get()->vt != VT_BSTR)
      OleCheck(::VariantChangeType(value.get(), value.get(), 0, VT_BSTR));
    BSTR text = value.get()->bstrVal;
    return WideToUtf8(std::wstring_view(text ? text : L"", text ? ::SysStringLen(text) : 0));
  }

  // The item's own path as the shell gives it (where the system keeps it; some give only the
  // bare name). It also tells items apart.
  std::string ItemPath(ITEMIDLIST* item) const {
    STRRET name{};
    if (FAILED(folder_->GetDisplayNameOf(item, SHGDN_FORPARSING, &name))) return {};
    wchar_t* text = nullptr;
    if (FAILED(::StrRetToStrW(&name, item, &text)) || !text) return {};
    std::string out = WideToUtf8(text);
    ::CoTaskMemFree(text);
    return out;
  }

  // The size of the recycled item: the shell's size detail; else its entry in the Recycle Bin
  // (a folder's files added up, links not entered), found by its path or by the item itself;
  // else the number the shell's size column shows. 0 when none of them is known.
  std::int64_t ItemSize(ITEMIDLIST* item, const std::string& itemPath) const {
    Variant value;
    if (SUCCEEDED(folder_->GetDetailsEx(item, &kItemSize, value.put())) &&
        value.get()->vt != VT_EMPTY && value.get()->vt != VT_NULL &&
        SUCCEEDED(::VariantChangeType(value.get(), value.get(), 0, VT_UI8)))
      return static_cast<std::int64_t>(value.get()->ullVal);
    if (IsAbsolutePath(itemPath)) {
      if (std::optional<std::int64_t> size = EntrySize(LongPathW(itemPath))) return *size;
    }
    if (unique_pidl absolute = Absolute(item)) {
      wchar_t path[MAX_PATH] = {};
      if (::SHGetPathFromIDListW(absolute.get(), path) && path[0]) {
        if (std::optional<std::int64_t> size = EntrySize(LongPathW(WideToUtf8(path))))
          return *size;
      }
    }
    return ColumnSize(item).value_or(0);
  }

  unique_pidl Absolute(ITEMIDLIST* item) const {
    return unique_pidl(::ILCombine(pidl_.get(), item));
  }

  // The size the shell's size column shows for Item ("12 KB", "1,5 MB", "300 bytes"): the
  // column is found by its property, its text read as a number and a unit.
  std::optional<std::int64_t> ColumnSize(ITEMIDLIST* item) const {
    for (UINT column = 0; column < 32; ++column) {
      SHCOLUMNID id{};
      if (FAILED(folder_->MapColumnToSCID(column, &id))) break;
      if (id.fmtid != kItemSize.fmtid || id.pid != kItemSize.pid) continue;
      SHELLDETAILS details{};
      if (FAILED(folder_->GetDetailsOf(item, column, &details))) return std::nullopt;
      wchar_t* text = nullptr;
      if (FAILED(::StrRetToStrW(&details.str, item, &text)) || !text) return std::nullopt;
      const std::string shown = WideToUtf8(text);
      ::CoTaskMemFree(text);
      return SizeFromColumnText(shown);
    }
    return std::nullopt;
  }

 private:
  HWND owner_;
  unique_pidl pidl_;
  ComPtr<IShellFolder2> folder_;
};

// The shell's file operation, set to ask nothing and show nothing; empty where the system has
// no working one.
ComPtr<IFileOperation> SilentFileOperation(HWND owner) {
  ComPtr<IFileOperation> operation;
  if (FAILED(::CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_ALL, IID_IFileOperation,
                                operation.put_void())) ||
      operation->SetOperationFlags(FOF_NO_UI) != S_OK)
    return {};
  if (owner) operation->SetOwnerWindow(owner);
  return operation;
}

// Removes one item for good. The item's file-system path, when the system gives one, is where
// the recycled entry lies: a link there is removed itself first, so that nothing can follow it.
void RemoveItem(const TRecycleBinFolder& bin, ITEMIDLIST* item, HWND owner) {
  const std::string path = bin.ItemPath(item);
  if (IsAbsolutePath(path)) {
    const DWORD attributes = ::GetFileAttributesW(LongPathW(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        !DeleteLinkEntry(path))
      return;
  }
  ComPtr<IFileOperation> operation = SilentFileOperation(owner);
  ComPtr<IShellItem> shellItem;
  unique_pidl absolute = bin.Absolute(item);
  if (!operation || !absolute ||
      FAILED(::SHCreateItemFromIDList(absolute.get(), IID_IShellItem, shellItem.put_void())))
    return;
  if (SUCCEEDED(operation->DeleteItem(shellItem.get(), nullptr))) operation->PerformOperations();
}

// The paths of the items now in the Recycle Bin, counted; nothing when it cannot be read.
std::optional<std::map<std::string, int>> ItemCounts(const TRecycleBinFolder& bin) {
  std::map<std::string, int> counts;
  if (!bin.ForEachItem([&](unique_pidl item) {
        ++counts[bin.ItemPath(item.get())];
        return true;
      }))
    return std::nullopt;
  return counts;
}

}  // namespace

TFindingCaption TRecycleBinObject::FindingCaption(int index) const {
  std::string entry = Found.Text(index);
  if (!VistaOrLater(OsKind())) return {std::move(entry), false};
  const std::size_t slash = entry.find_last_of('\\');
  return {slash == std::string::npos ? std::move(entry) : entry.substr(slash + 1), false};
}

void TRecycleBinObject::Execute() {
  ComApartment com;
  TErrorModeScope errorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  if (CleanMode) Clean();
  else Scan();
}

void TRecycleBinObject::Scan() {
  TRecycleBinFolder bin(Handle);
  if (!bin.Opened()) return;
  bin.ForEachItem([&](unique_pidl item) {
    const std::string path = bin.ItemPath(item.get());
    std::string text = RecycledItemText([&] { return bin.Detail(item.get(), kDisplacedFrom); },
                                        [&] { return bin.Detail(item.get(), kItemName); }, path);
    const std::int64_t size = bin.ItemSize(item.get(), path);
    auto record = std::make_unique<TPidlChecked>(std::move(item), std::string());
    record->Size = size;
    AddFinding(std::move(text), std::move(record));
    // The item at hand is kept; the enumeration ends after it.
    return !Aborted;
  });
}

void TRecycleBinObject::Clean() {
  TRecycleBinFolder bin(Handle);
  auto pidl = [&](int i) { return static_cast<TPidlChecked&>(Found.Record(i)).Pidl.get(); };
  const bool oneByOne = bin.Opened() && static_cast<bool>(SilentFileOperation(Handle));

  // Without a way to remove one item, the Recycle Bin is emptied as a whole, and only when
  // everything in it is a ticked finding.
  if (bin.Opened() && !oneByOne && !Aborted) {
    std::optional<std::map<std::string, int>> present = ItemCounts(bin);
    std::map<std::string, int> ticked;
    for (int i = 0; i < Found.Count(); ++i) {
      if (Found.Record(i).Checked) ++ticked[bin.ItemPath(pidl(i))];
    }
    bool onlyTicked = present && !present->empty();
    if (present) {
      for (const auto& [path, count] : *present) onlyTicked = onlyTicked && ticked[path] >= count;
    }
    if (onlyTicked)
      ::SHEmptyRecycleBinW(Handle, nullptr,
                           SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
  }

  std::vector<bool> attempted(static_cast<std::size_t>(Found.Count()), false);
  for (int i = 0; i < Found.Count(); ++i) {
    if (Aborted) break;
    if (!Found.Record(i).Checked) continue;
    if (oneByOne) RemoveItem(bin, pidl(i), Handle);
    attempted[static_cast<std::size_t>(i)] = true;
    ReportItem(Found.Text(i));
  }

  // What is still in the Recycle Bin was not removed. Items are told apart by their paths; the
  // findings left alone are still there and account for their paths first.
  std::optional<std::map<std::string, int>> remaining;
  if (bin.Opened()) remaining = ItemCounts(bin);
  for (bool walked : {false, true}) {
    for (int i = 0; i < Found.Count(); ++i) {
      if (attempted[static_cast<std::size_t>(i)] != walked) continue;
      if (!remaining) {
        if (walked) Found.Record(i).CleanSucceeded = false;
        continue;
      }
      int& left = (*remaining)[bin.ItemPath(pidl(i))];
      if (left == 0) continue;
      --left;
      if (walked) Found.Record(i).CleanSucceeded = false;
    }
  }
}

}  // namespace tw
