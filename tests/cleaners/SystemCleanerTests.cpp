#include <gtest/gtest.h>
#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "cleaners/WorkObjectBuilders.h"
#include "cleaners/system/ClipboardObject.h"
#include "cleaners/system/DesktopSearchObject.h"
#include "cleaners/system/HotFixObject.h"
#include "cleaners/system/RecentDocsObject.h"
#include "cleaners/system/RecycleBinObject.h"
#include "cleaners/system/ShortcutObject.h"
#include "engine/Utility.h"
#include "platform/Com.h"
#include "platform/Handles.h"
#include "platform/Shell.h"
#include "platform/Text.h"
#include "support/FileIO.h"
#include "support/Format.h"

namespace tw {
namespace {

bool UnderWine() {
  return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

std::string UnixPath(const std::string& path) {
  using Fn = char*(__cdecl*)(LPCWSTR);
  auto fn = reinterpret_cast<Fn>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
  std::wstring wide = Widen(path);
  char* unix = fn ? fn(wide.c_str()) : nullptr;
  std::string out = unix ? unix : "";
  if (unix) ::HeapFree(::GetProcessHeap(), 0, unix);
  return out;
}

bool Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs a program of the host system (Wine only) and waits for it.
void RunUnix(const std::string& program, std::string commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
    return;
  unique_handle process(info.hProcess), thread(info.hThread);
  ::WaitForSingleObject(process.get(), 10000);
}

// A symbolic link at Link to the folder Target (both Windows paths).
bool MakeFolderLink(const std::string& link, const std::string& target) {
  if (UnderWine()) {
    RunUnix("Z:\\bin\\ln", "ln -s " + UnixPath(target) + " " + UnixPath(link));
    // A host program started from Wine may still be running when its handle is signalled.
    for (int i = 0; i < 200 && !Exists(link); ++i) ::Sleep(10);
    return Exists(link);
  }
  return ::CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) != FALSE;
}

void RemoveTree(const std::string& folder) {
  if (!Exists(folder)) return;
  if (UnderWine()) {
    RunUnix("Z:\\bin\\rm", "rm -rf " + UnixPath(folder));
    for (int i = 0; i < 200 && Exists(folder); ++i) ::Sleep(10);
    return;
  }
  WIN32_FIND_DATAA entry;
  unique_hfind find(::FindFirstFileA((folder + "\\*").c_str(), &entry));
  if (find) {
    do {
      if (IsDotEntry(entry.cFileName)) continue;
      std::string path = folder + "\\" + entry.cFileName;
      ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ::RemoveDirectoryA(path.c_str());
      else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
      else ::DeleteFileA(path.c_str());
    } while (::FindNextFileA(find.get(), &entry));
  }
  ::RemoveDirectoryA(folder.c_str());
}

void MakeFolder(const std::string& path) {
  ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr)) << path;
}

void MakeFile(const std::string& path, const std::string& content = "x", DWORD attributes = 0) {
  unique_hfile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file) << path;
  DWORD written = 0;
  ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  file.reset();
  if (attributes) ::SetFileAttributesA(path.c_str(), attributes);
}

template <class T>
std::vector<T> Sorted(std::vector<T> v) {
  std::sort(v.begin(), v.end());
  return v;
}
std::vector<std::string> Sorted(std::initializer_list<std::string> v) {
  return Sorted(std::vector<std::string>(v));
}

// Work objects with their reports collected; paths relative to Root where they lie below it.
class SystemCleanerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = Format("C:\\tweng_sc_%d", static_cast<int>(::GetCurrentProcessId()));
    RemoveTree(base_);
    MakeFolder(base_);
    root_ = base_ + "\\";
  }
  void TearDown() override { RemoveTree(base_); }

  template <class Class>
  std::unique_ptr<Class> Make() {
    return std::make_unique<Class>(
        nullptr, [](TCustomWorkObject*) {},
        [this](TWorkObject*, TWorkDataPtr data) { reported_.push_back(Relative(data->Text)); },
        TXmlNode());
  }
  template <class Class>
  std::unique_ptr<Class> MakeFiles(const std::string& path, const std::string& filter,
                                   const std::string& excludeFolder = "", bool recurse = true) {
    auto object = Make<Class>();
    object->Path = path;
    object->FileFilter = filter;
    object->FileAttrib = "faAnyFile;faNormal";
    object->ExcludeFolder = excludeFolder;
    object->Recurse = recurse;
    return object;
  }

  std::string Relative(const std::string& text) const {
    return text.rfind(root_, 0) == 0 ? text.substr(root_.size()) : text;
  }
  std::vector<std::string> Found(const TWorkObject& object) const {
    std::vector<std::string> out;
    for (int i = 0; i < object.Found.Count(); ++i) out.push_back(Relative(object.Found.Text(i)));
    return out;
  }
  int IndexOf(const TWorkObject& object, const std::string& relative) const {
    for (int i = 0; i < object.Found.Count(); ++i)
      if (Relative(object.Found.Text(i)) == relative) return i;
    return -1;
  }
  void Untick(TWorkObject& object, const std::string& relative) {
    const int index = IndexOf(object, relative);
    ASSERT_GE(index, 0) << relative;
    object.Found.Record(index).Checked = false;
  }
  void Clean(TWorkObject& object) {
    reported_.clear();
    object.CleanMode = true;
    object.Execute();
  }

  ComApartment com_;
  std::string base_, root_;
  std::vector<std::string> reported_;
};

// ---------------------------------------------------------------------------------------------
// Clipboard

void PutClipboardText(const std::wstring& text) {
  TClipboardScope clipboard(nullptr);
  ASSERT_TRUE(clipboard.Opened());
  ::EmptyClipboard();
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  {
    TGlobalLock lock(memory);
    std::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t*>(lock.Data()));
  }
  ASSERT_TRUE(::SetClipboardData(CF_UNICODETEXT, memory));
}

void PutClipboardPicture() {
  TClipboardScope clipboard(nullptr);
  ASSERT_TRUE(clipboard.Opened());
  ::EmptyClipboard();
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = header.biHeight = header.biPlanes = 1;
  header.biBitCount = 32;
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, sizeof header + 4);
  {
    TGlobalLock lock(memory);
    std::memcpy(lock.Data(), &header, sizeof header);
  }
  ASSERT_TRUE(::SetClipboardData(CF_DIB, memory));
}

TEST_F(SystemCleanerTest, ClipboardTextIsOneTrimmedFindingAndAPictureIsNone) {
  PutClipboardText(L"  copied caf\u00e9 text\r\n");
  auto object = Make<TClipboardObject>();
  object->Execute();
  EXPECT_EQ(Found(*object), (std::vector<std::string>{"copied caf\xc3\xa9 text"}));
  EXPECT_EQ(reported_, Found(*object));
  EXPECT_EQ(object->Found.Record(0).Size, 0);

  PutClipboardText(L" \t\r\n");
  auto blanks = Make<TClipboardObject>();
  blanks->Execute();
  EXPECT_EQ(Found(*blanks), (std::vector<std::string>{""}));

  PutClipboardPicture();
  auto picture = Make<TClipboardObject>();
  picture->Execute();
  EXPECT_TRUE(picture->Found.Empty());
}

TEST_F(SystemCleanerTest, ClipboardCleanEmptiesOnlyTheListedText) {
  PutClipboardText(L"secret");
  auto object = Make<TClipboardObject>();
  object->Execute();
  Clean(*object);
  EXPECT_FALSE(::IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_EQ(reported_, (std::vector<std::string>{"secret"}));
  EXPECT_TRUE(object->Found.Record(0).CleanSucceeded);

  // Whatever was copied after the scan is not the listed finding: it stays, text or picture.
  PutClipboardText(L"listed");
  auto changed = Make<TClipboardObject>();
  changed->Execute();
  PutClipboardText(L"copied later");
  Clean(*changed);
  EXPECT_EQ(ReadClipboardText(nullptr), "copied later");
  EXPECT_EQ(reported_, (std::vector<std::string>{"listed"}));
  EXPECT_TRUE(changed->Found.Record(0).CleanSucceeded);

  auto picture = Make<TClipboardObject>();
  picture->Execute();
  PutClipboardPicture();
  Clean(*picture);
  EXPECT_TRUE(::IsClipboardFormatAvailable(CF_DIB));

  PutClipboardText(L"kept");
  auto unticked = Make<TClipboardObject>();
  unticked->Execute();
  unticked->Found.Record(0).Checked = false;
  Clean(*unticked);
  EXPECT_EQ(ReadClipboardText(nullptr), "kept");
  EXPECT_TRUE(reported_.empty());
}

// ---------------------------------------------------------------------------------------------
// Recycle Bin

// Under Wine the Recycle Bin is the host's trash folder, found through
// XDG_DATA_HOME when the shell first uses it: point it at a folder of this process.
class TrashEnvironment : public ::testing::Environment {
 public:
  static std::string Folder() {
    return Format("C:\\tweng_trash_%d", static_cast<int>(::GetCurrentProcessId()));
  }
  void SetUp() override {
    if (!UnderWine()) return;
    RemoveTree(Folder());
    ::CreateDirectoryA(Folder().c_str(), nullptr);
    ::SetEnvironmentVariableA("XDG_DATA_HOME", UnixPath(Folder()).c_str());
  }
  void TearDown() override { RemoveTree(Folder()); }
};
[[maybe_unused]] const auto* const kTrashEnvironment =
    ::testing::AddGlobalTestEnvironment(new TrashEnvironment);

void Recycle(const std::string& path) {
  std::string from = path;
  from.append(2, '\0');
  SHFILEOPSTRUCTA operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  ASSERT_EQ(::SHFileOperationA(&operation), 0) << path;
  ASSERT_FALSE(operation.fAnyOperationsAborted) << path;
  ASSERT_FALSE(Exists(path)) << path;
}

class RecycleBinTest : public SystemCleanerTest {
 protected:
  void SetUp() override {
    SystemCleanerTest::SetUp();
    tag_ = Format("tw%d_", static_cast<int>(::GetCurrentProcessId()));
    if (UnderWine()) {
      // Each test starts from an empty trash folder.
      const std::string trash = TrashEnvironment::Folder() + "\\Trash";
      RemoveTree(trash + "\\files");
      RemoveTree(trash + "\\info");
      ::CreateDirectoryA(trash.c_str(), nullptr);
      MakeFolder(trash + "\\files");
      MakeFolder(trash + "\\info");
    }
  }

  // A file of this test, recycled from Folder, and the name it has there.
  std::string RecycleFile(const std::string& folder, const std::string& name,
                          const std::string& content) {
    ::CreateDirectoryA((root_ + folder).c_str(), nullptr);
    const std::string path = root_ + folder + "\\" + tag_ + name;
    MakeFile(path, content);
    Recycle(path);
    return path;
  }

  // The findings of this test's items (others that were in the Recycle Bin are unticked), by
  // the item's name.
  std::multimap<std::string, int> Ours(TWorkObject& object) {
    std::multimap<std::string, int> ours;
    for (int i = 0; i < object.Found.Count(); ++i) {
      const std::string& text = object.Found.Text(i);
      const std::size_t name = text.rfind(tag_);
      if (name == std::string::npos || (name > 0 && text[name - 1] != '\\')) {
        object.Found.Record(i).Checked = false;
        continue;
      }
      ours.emplace(text.substr(name + tag_.size()), i);
    }
    return ours;
  }
  std::multimap<std::string, int> Scan(std::unique_ptr<TRecycleBinObject>& object) {
    object = Make<TRecycleBinObject>();
    object->Execute();
    return Ours(*object);
  }

  std::string tag_;
};

TEST_F(RecycleBinTest, ScanListsEachItemUnderItsOriginalPathWithItsOwnSize) {
  const std::string first = RecycleFile("a", "same.txt", std::string(11, 'a'));
  const std::string second = RecycleFile("b", "same.txt", std::string(22, 'b'));
  const std::string other = RecycleFile("a", "other.txt", "x");
  // A new file where a recycled one used to be says nothing about the recycled item.
  MakeFile(first, "12345");

  std::unique_ptr<TRecycleBinObject> object;
  const auto ours = Scan(object);
  ASSERT_EQ(ours.size(), 3u);
  ASSERT_EQ(ours.count("same.txt"), 2u);
  std::vector<std::int64_t> sizes;
  for (const auto& [name, index] : ours) {
    const auto& record = dynamic_cast<const TPidlChecked&>(object->Found.Record(index));
    EXPECT_NE(record.Pidl.get(), nullptr);
    if (name == "same.txt") sizes.push_back(record.Size);
    // Wine gives neither the original location nor the size detail: the text
    // is the item's own path there (its bare name) and the size is what its size column shows,
    // which rounds a small file up to "1 KB".
    if (UnderWine()) {
      EXPECT_EQ(object->Found.Text(index), tag_ + name);
      EXPECT_EQ(record.Size, 1024);
    }
  }
  if (!UnderWine()) {
    std::vector<std::string> texts;
    for (const auto& [name, index] : ours) texts.push_back(object->Found.Text(index));
    EXPECT_EQ(Sorted(texts), Sorted({first, second, other}));
    EXPECT_EQ(Sorted(sizes), (std::vector<std::int64_t>{11, 22}));
  }
  EXPECT_EQ(std::count(sizes.begin(), sizes.end(), 5), 0);
  EXPECT_EQ(reported_.size(), static_cast<std::size_t>(object->Found.Count()));
}

TEST_F(RecycleBinTest, AbortKeepsTheItemAtHandAndEndsTheScan) {
  for (const char* name : {"1.txt", "2.txt", "3.txt"}) RecycleFile("a", name, "x");
  auto object = Make<TRecycleBinObject>();
  object->OnItem = [](TWorkObject* sender, TWorkDataPtr) { sender->Aborted = true; };
  object->Execute();
  EXPECT_EQ(object->Found.Count(), 1);
}

TEST_F(RecycleBinTest, CleanRemovesTheTickedItemsForGoodAndNeverFollowsALink) {
  RecycleFile("a", "one.txt", "1");
  RecycleFile("b", "two.txt", "22");
  // A recycled folder, and an entry that is a link to a folder outside.
  ::CreateDirectoryA((root_ + "c").c_str(), nullptr);
  const std::string folder = root_ + "c\\" + tag_ + "folder";
  MakeFolder(folder);
  MakeFile(folder + "\\inside.txt");
  Recycle(folder);
  const std::string outside = root_ + "outside";
  MakeFolder(outside);
  MakeFile(outside + "\\keep.txt");
  bool haveLink = false;
  if (UnderWine()) {
    // The host's trash as another program fills it: the entry and its information record.
    const std::string trash = TrashEnvironment::Folder() + "\\Trash";
    haveLink = MakeFolderLink(trash + "\\files\\" + tag_ + "link", outside);
    MakeFile(trash + "\\info\\" + tag_ + "link.trashinfo",
             "[Trash Info]\nPath=" + UnixPath(root_ + tag_ + "link") +
                 "\nDeletionDate=2024-01-01T10:00:00\n");
  } else if (MakeFolderLink(root_ + tag_ + "link", outside)) {
    Recycle(root_ + tag_ + "link");
    haveLink = true;
  }

  std::unique_ptr<TRecycleBinObject> object;
  auto ours = Scan(object);
  ASSERT_EQ(ours.size(), haveLink ? 4u : 3u);
  Clean(*object);

  EXPECT_TRUE(Exists(outside + "\\keep.txt"));
  std::vector<std::string> expectedReports;
  for (int i = 0; i < object->Found.Count(); ++i)
    if (object->Found.Record(i).Checked) expectedReports.push_back(object->Found.Text(i));
  EXPECT_EQ(reported_, expectedReports);  // first to last

  std::unique_ptr<TRecycleBinObject> after;
  const auto left = Scan(after);
  for (const auto& [name, index] : ours) {
    SCOPED_TRACE(name);
    const bool stays = left.count(name) > 0;
    // A removal that did not happen is never reported as done.
    EXPECT_EQ(object->Found.Record(index).CleanSucceeded, !stays);
    // Files always go. Wine cannot erase folders or links from its trash.
    if (name == "one.txt" || name == "two.txt" || !UnderWine()) {
      EXPECT_FALSE(stays);
    }
  }
}

TEST_F(RecycleBinTest, CleanLeavesUntickedItems) {
  RecycleFile("a", "kept.txt", "k");
  RecycleFile("a", "gone.txt", "g");
  RecycleFile("b", "gone.txt", "gg");

  std::unique_ptr<TRecycleBinObject> object;
  auto ours = Scan(object);
  ASSERT_EQ(ours.size(), 3u);
  object->Found.Record(ours.find("kept.txt")->second).Checked = false;
  Clean(*object);

  std::unique_ptr<TRecycleBinObject> after;
  const auto left = Scan(after);
  EXPECT_EQ(left.count("kept.txt"), 1u);
  // Without a way to remove one item, Wine only empties the Recycle Bin as a
  // whole, which would take the unticked item too: the ticked ones stay and say so.
  EXPECT_EQ(left.count("gone.txt"), UnderWine() ? 2u : 0u);
  for (auto [it, end] = ours.equal_range("gone.txt"); it != end; ++it)
    EXPECT_EQ(object->Found.Record(it->second).CleanSucceeded, !UnderWine());
}

// ---------------------------------------------------------------------------------------------
// Recent documents

class RecentDocsTest : public SystemCleanerTest {
 protected:
  static constexpr const char* kShellFolders =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  void SetUp() override {
    SystemCleanerTest::SetUp();
    recent_ = root_ + "Recent";
    MakeFolder(recent_);
    ASSERT_EQ(
        ::RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_READ | KEY_WRITE, key_.put()),
        ERROR_SUCCESS);
    DWORD size = sizeof saved_;
    hadValue_ = ::RegQueryValueExA(key_.get(), "Recent", nullptr, &savedType_,
                                   reinterpret_cast<BYTE*>(saved_), &size) == ERROR_SUCCESS;
    savedSize_ = size;
    ::RegSetValueExA(key_.get(), "Recent", 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(recent_.c_str()),
                     static_cast<DWORD>(recent_.size() + 1));
  }
  void TearDown() override {
    if (hadValue_)
      ::RegSetValueExA(key_.get(), "Recent", 0, savedType_, reinterpret_cast<BYTE*>(saved_),
                       savedSize_);
    else ::RegDeleteValueA(key_.get(), "Recent");
    SystemCleanerTest::TearDown();
  }

  std::string recent_;
  unique_hkey key_;
  char saved_[MAX_PATH * 2] = {};
  DWORD savedType_ = 0, savedSize_ = 0;
  bool hadValue_ = false;
};

TEST_F(RecentDocsTest, BareNamesOfTheFolderFilesAreListedAndTheTickedOnesRemoved) {
  MakeFile(recent_ + "\\report.lnk", "123");
  MakeFile(recent_ + "\\hidden.lnk", "x", FILE_ATTRIBUTE_HIDDEN);
  MakeFile(recent_ + "\\desktop.ini", "[.ShellClassInfo]",
           FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  MakeFolder(recent_ + "\\AutomaticDestinations");
  MakeFile(recent_ + "\\AutomaticDestinations\\inner.lnk");

  auto object = Make<TRecentDocsObject>();
  object->Execute();
  EXPECT_EQ(object->RecentFolder, recent_ + "\\");
  EXPECT_EQ(Sorted(Found(*object)), (std::vector<std::string>{"hidden.lnk", "report.lnk"}));
  EXPECT_EQ(object->Found.Record(IndexOf(*object, "report.lnk")).Size, 3);

  Untick(*object, "hidden.lnk");
  Clean(*object);
  EXPECT_EQ(reported_, (std::vector<std::string>{"report.lnk"}));
  EXPECT_FALSE(Exists(recent_ + "\\report.lnk"));
  for (const char* stays : {"hidden.lnk", "desktop.ini", "AutomaticDestinations\\inner.lnk"})
    EXPECT_TRUE(Exists(recent_ + "\\" + stays)) << stays;
  EXPECT_TRUE(object->Found.Record(IndexOf(*object, "report.lnk")).CleanSucceeded);
}

TEST_F(RecentDocsTest, WithRecyclingTheShortcutsGoToTheRecycleBinAndComeBackWhole) {
  const std::string tag = Format("tw%d_", static_cast<int>(::GetCurrentProcessId()));
  const std::string files = TrashEnvironment::Folder() + "\\Trash\\files\\";
  if (UnderWine()) {
    for (const char* folder : {"\\Trash", "\\Trash\\files", "\\Trash\\info"})
      ::CreateDirectoryA((TrashEnvironment::Folder() + folder).c_str(), nullptr);
  }
  MakeFile(recent_ + "\\" + tag + "plan.lnk", "plan shortcut");
  MakeFile(recent_ + "\\" + tag + "notes.lnk", "notes shortcut");
  auto object = Make<TRecentDocsObject>();
  object->Execute();
  object->Recycle = true;
  Clean(*object);
  for (const char* name : {"plan.lnk", "notes.lnk"}) {
    SCOPED_TRACE(name);
    const TChecked& record = object->Found.Record(IndexOf(*object, tag + name));
    EXPECT_TRUE(record.CleanSucceeded);
    EXPECT_TRUE(record.Recycled);
    EXPECT_FALSE(Exists(recent_ + "\\" + tag + name));
  }
  EXPECT_TRUE(object->PartialErrors.empty());
  EXPECT_EQ(Sorted(reported_), (std::vector<std::string>{tag + "notes.lnk", tag + "plan.lnk"}));
  if (!UnderWine()) return;
  // Put back from the Recycle Bin (the host's trash folder here), the shortcut is whole.
  ASSERT_TRUE(::MoveFileA((files + tag + "plan.lnk").c_str(), (recent_ + "\\" + tag + "plan.lnk").c_str()));
  EXPECT_EQ(ReadWholeFile(recent_ + "\\" + tag + "plan.lnk"), "plan shortcut");
}

// ---------------------------------------------------------------------------------------------
// Broken shortcuts

void MakeShortcut(const std::string& path, const std::string& target) {
  ComPtr<IShellLinkW> link;
  ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, link.put_void())));
  ASSERT_TRUE(SUCCEEDED(link->SetPath(Widen(target).c_str()))) << target;
  ComPtr<IPersistFile> file = link.query<IPersistFile>(IID_IPersistFile);
  ASSERT_TRUE(file);
  ASSERT_TRUE(SUCCEEDED(file->Save(Widen(path).c_str(), TRUE))) << path;
}

TEST_F(SystemCleanerTest, AShortcutIsBrokenWhenItsTargetIsMissingFromAFixedDisk) {
  if (UnderWine()) {
    // The project's prefix gives R: as a removable and N: as a network drive.
    ASSERT_EQ(::GetDriveTypeA("R:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
    ASSERT_EQ(::GetDriveTypeA("N:\\"), static_cast<UINT>(DRIVE_REMOTE));
  }
  const bool otherDrives =
      ::GetDriveTypeA("R:\\") == DRIVE_REMOVABLE && ::GetDriveTypeA("N:\\") == DRIVE_REMOTE;
  char absent = 0;
  for (char letter = 'Q'; letter >= 'H' && !absent; --letter)
    if (::GetDriveTypeA(Format("%c:\\", letter).c_str()) == DRIVE_NO_ROOT_DIR) absent = letter;
  ASSERT_NE(absent, 0);

  const std::string links = root_ + "links";
  MakeFolder(links);
  MakeFolder(links + "\\sub");
  MakeFolder(links + "\\folder");
  MakeFile(root_ + "present.txt");
  MakeFile(root_ + "soon-gone.txt");
  MakeShortcut(links + "\\present.lnk", root_ + "present.txt");
  MakeShortcut(links + "\\gone.lnk", root_ + "soon-gone.txt");
  MakeShortcut(links + "\\sub\\deep.lnk", root_ + "soon-gone.txt");
  MakeShortcut(links + "\\hidden.lnk", root_ + "soon-gone.txt");
  ::SetFileAttributesA((links + "\\hidden.lnk").c_str(), FILE_ATTRIBUTE_HIDDEN);
  MakeShortcut(links + "\\folder.lnk", links + "\\folder");
  MakeShortcut(links + "\\unc.lnk", "\\\\server\\share\\gone.txt");
  MakeShortcut(links + "\\absent.lnk", Format("%c:\\gone.txt", absent));
  MakeFile(links + "\\not-a-link.lnk", "plain text");
  if (otherDrives) {
    MakeShortcut(links + "\\usb.lnk", "R:\\gone.txt");
    MakeShortcut(links + "\\mapped.lnk", "N:\\gone.txt");
  }
  ASSERT_TRUE(::DeleteFileA((root_ + "soon-gone.txt").c_str()));

  auto object = MakeFiles<TDeleteShortcutObject>(links, "*.lnk");
  object->ExcludeAttr = "faHidden";
  object->Execute();
  EXPECT_EQ(Sorted(Found(*object)),
            (std::vector<std::string>{"links\\gone.lnk", "links\\sub\\deep.lnk"}));
  EXPECT_EQ(reported_, Found(*object));

  // Folders are never shortcuts, whatever the filter; without Recurse nothing below is seen.
  auto everything = MakeFiles<TDeleteShortcutObject>(links, "*.*", "", false);
  everything->Execute();
  EXPECT_EQ(Sorted(Found(*everything)),
            (std::vector<std::string>{"links\\gone.lnk", "links\\hidden.lnk"}));

  Untick(*object, "links\\sub\\deep.lnk");
  Clean(*object);
  EXPECT_EQ(reported_, (std::vector<std::string>{"links\\gone.lnk"}));
  EXPECT_FALSE(Exists(links + "\\gone.lnk"));
  for (const char* stays : {"present.lnk", "sub\\deep.lnk", "hidden.lnk", "folder.lnk", "unc.lnk",
                            "absent.lnk", "not-a-link.lnk", "folder"})
    EXPECT_TRUE(Exists(links + "\\" + stays)) << stays;
}

TEST_F(SystemCleanerTest, AShortcutOnARemovableDiskToAMissingFileOnAFixedDiskIsBroken) {
  if (::GetDriveTypeA("R:\\") != DRIVE_REMOVABLE) GTEST_SKIP() << "no removable drive R:";
  const std::string stick = Format("R:\\tweng_sc_%d", static_cast<int>(::GetCurrentProcessId()));
  RemoveTree(stick);
  MakeFolder(stick);
  MakeFile(root_ + "soon-gone.txt");
  MakeShortcut(stick + "\\gone.lnk", root_ + "soon-gone.txt");
  ::DeleteFileA((root_ + "soon-gone.txt").c_str());
  auto object = MakeFiles<TDeleteShortcutObject>(stick, "*.lnk");
  object->Execute();
  EXPECT_EQ(Found(*object), (std::vector<std::string>{stick + "\\gone.lnk"}));
  RemoveTree(stick);
}

// ---------------------------------------------------------------------------------------------
// Hotfix uninstall folders

TEST_F(SystemCleanerTest, HotFixFoldersAreListedWholeAndOnlyWhatWasListedGoes) {
  const std::string windows = root_ + "Windows";
  MakeFolder(windows);
  MakeFile(windows + "\\plain.txt");
  const std::string kb1 = windows + "\\$NtUninstallKB1$";
  MakeFolder(kb1);
  MakeFile(kb1 + "\\a.dll");
  MakeFolder(kb1 + "\\spuninst");
  MakeFile(kb1 + "\\spuninst\\spuninst.exe");
  MakeFolder(kb1 + "\\$nested$");
  MakeFile(kb1 + "\\$nested$\\n.txt");
  const std::string kb2 = windows + "\\$NtUninstallKB2$";
  MakeFolder(kb2);
  MakeFile(kb2 + "\\b.dll");
  MakeFolder(kb2 + "\\spuninst");
  const std::string kb3 = windows + "\\$NtUninstallKB3$";
  MakeFolder(kb3);
  MakeFile(kb3 + "\\c.dll");
  MakeFolder(windows + "\\$hf_mig$");
  MakeFile(windows + "\\$hf_mig$\\m.txt");
  MakeFolder(windows + "\\normal");
  MakeFolder(windows + "\\normal\\$inner$");
  MakeFile(windows + "\\normal\\$inner$\\i.txt");
  const std::string outside = root_ + "outside";
  MakeFolder(outside);
  MakeFile(outside + "\\keep.txt");
  ASSERT_TRUE(MakeFolderLink(windows + "\\$link$", outside));
  // A link inside a hotfix folder: listed as itself, never entered, its target kept.
  const std::string target = root_ + "target";
  MakeFolder(target);
  MakeFile(target + "\\kept.txt");
  ASSERT_TRUE(MakeFolderLink(kb1 + "\\inlink", target));

  auto object = MakeFiles<TDeleteHotFixObject>(windows, "*.*", "$hf_mig$");
  object->Execute();
  const std::string w = "Windows\\";
  const std::string k1 = w + "$NtUninstallKB1$";
  EXPECT_EQ(Sorted(Found(*object)),
            Sorted({k1, k1 + "\\a.dll", k1 + "\\spuninst", k1 + "\\spuninst\\spuninst.exe",
                    k1 + "\\$nested$", k1 + "\\$nested$\\n.txt", k1 + "\\inlink",
                    w + "$NtUninstallKB2$", w + "$NtUninstallKB2$\\b.dll",
                    w + "$NtUninstallKB2$\\spuninst", w + "$NtUninstallKB3$",
                    w + "$NtUninstallKB3$\\c.dll", w + "$link$"}));

  // A filter that does not start with "*.*" lists no folder; matching folders are still entered.
  auto dlls = MakeFiles<TDeleteHotFixObject>(windows, "*.dll", "$hf_mig$");
  dlls->Execute();
  EXPECT_EQ(Sorted(Found(*dlls)), Sorted({k1 + "\\a.dll", w + "$NtUninstallKB2$\\b.dll",
                                          w + "$NtUninstallKB3$\\c.dll"}));

  // What goes is what was listed and ticked: an unticked file keeps its folder, and so does a
  // file that appeared after the scan.
  Untick(*object, w + "$NtUninstallKB2$\\b.dll");
  MakeFile(kb3 + "\\late.txt");
  Clean(*object);
  EXPECT_TRUE(Exists(kb2 + "\\b.dll"));
  EXPECT_FALSE(Exists(kb2 + "\\spuninst"));
  EXPECT_FALSE(object->Found.Record(IndexOf(*object, w + "$NtUninstallKB2$")).CleanSucceeded);
  EXPECT_TRUE(Exists(kb3 + "\\late.txt"));
  EXPECT_FALSE(Exists(kb3 + "\\c.dll"));
  EXPECT_FALSE(object->Found.Record(IndexOf(*object, w + "$NtUninstallKB3$")).CleanSucceeded);
  for (const char* gone : {"\\a.dll", "\\spuninst\\spuninst.exe", "\\$nested$"})
    EXPECT_FALSE(Exists(kb1 + gone)) << gone;
  for (const char* stays : {"plain.txt", "$hf_mig$\\m.txt", "normal\\$inner$\\i.txt"})
    EXPECT_TRUE(Exists(windows + "\\" + stays)) << stays;
  EXPECT_TRUE(Exists(outside + "\\keep.txt"));
  EXPECT_TRUE(Exists(target + "\\kept.txt"));
  // Where the system cannot remove a link itself, it stays and counts as not removed (and so
  // does the folder holding it).
  EXPECT_TRUE(!Exists(windows + "\\$link$") ||
              !object->Found.Record(IndexOf(*object, w + "$link$")).CleanSucceeded);
  EXPECT_TRUE(!Exists(kb1) || !object->Found.Record(IndexOf(*object, k1)).CleanSucceeded);
  EXPECT_EQ(!Exists(kb1), !Exists(kb1 + "\\inlink"));
  EXPECT_EQ(reported_.size(), Found(*object).size() - 1);
}

// ---------------------------------------------------------------------------------------------
// Desktop-search data

class DesktopSearchTest : public SystemCleanerTest {
 protected:
  static constexpr const char* kKey = "Software\\Google\\Google Desktop";
  void SetUp() override {
    SystemCleanerTest::SetUp();
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
  }
  void TearDown() override {
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    SystemCleanerTest::TearDown();
  }
  void SetDataFolder(const std::string& folder) {
    unique_hkey key;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                                key.put(), nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key.get(), "data_dir", 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(folder.c_str()),
                     static_cast<DWORD>(folder.size() + 1));
  }
};

TEST_F(DesktopSearchTest, IndexFilesGoAndSettingsFilesStayWithTheirFolders) {
  const std::string data = root_ + "data";
  MakeFolder(data);
  for (const char* name :
       {"index.cf1", "UInfo.Dat", "notes.txt", "README.TXT", "config.xml", "sidebar.dat"})
    MakeFile(data + "\\" + name);
  MakeFolder(data + "\\cache");
  MakeFile(data + "\\cache\\x.idx");
  MakeFolder(data + "\\keep");
  MakeFile(data + "\\keep\\y.idx");
  MakeFolder(data + "\\keep\\deep");
  MakeFile(data + "\\keep\\deep\\prefs.xml");
  SetDataFolder(data + "\\");

  auto object = MakeFiles<TDeleteGoogleDesktopDataDir>("", "*.*");
  object->Execute();
  EXPECT_EQ(Sorted(Found(*object)),
            (std::vector<std::string>{"data\\README.TXT", "data\\cache", "data\\cache\\x.idx",
                                      "data\\index.cf1", "data\\keep\\y.idx"}));

  Clean(*object);
  for (int i = 0; i < object->Found.Count(); ++i) {
    EXPECT_FALSE(Exists(object->Found.Text(i))) << object->Found.Text(i);
    EXPECT_TRUE(object->Found.Record(i).CleanSucceeded) << object->Found.Text(i);
  }
  for (const char* stays :
       {"UInfo.Dat", "notes.txt", "config.xml", "sidebar.dat", "keep\\deep\\prefs.xml"})
    EXPECT_TRUE(Exists(data + "\\" + stays)) << stays;
}

TEST_F(DesktopSearchTest, WithoutTheProgramsFolderTheRunEndsWithPathNotFound) {
  auto object = MakeFiles<TDeleteGoogleDesktopDataDir>("", "*.*");
  for (const std::string& folder : {std::string(), root_ + "missing"}) {
    if (!folder.empty()) SetDataFolder(folder);
    try {
      object->Execute();
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.ClassName(), "EDeleteFileError");
      EXPECT_EQ(e.Message(), "Path not found! " + folder);
    }
  }
  EXPECT_TRUE(object->Found.Empty());
}

// ---------------------------------------------------------------------------------------------

TEST(SystemCleanerBuilders, EachMethodBuildsItsClassWithTheActionsParameters) {
  const std::pair<const char*, const char*> methods[] = {
      {"EraseClipboard", "TClipboardObject"},
      {"EmptyRecycleBin", "TRecycleBinObject"},
      {"DeleteRecentDocs", "TRecentDocsObject"},
      {"DeleteShortcut", "TDeleteShortcutObject"},
      {"DeleteHotFix", "TDeleteHotFixObject"},
      {"DeleteGoogleDesktopDataDir", "TDeleteGoogleDesktopDataDir"},
  };
  for (const auto& [method, className] : methods) {
    SCOPED_TRACE(method);
    const TMethodRow* row = FindMethod(method);
    ASSERT_NE(row, nullptr);
    TActionParams params;
    for (const char* attribute : row->attributes) params[attribute] = attribute;
    params["recurse"] = "true";
    TWorkObjectInit init;
    init.onWorkDone = [](TCustomWorkObject*) {};
    auto object = CleanerBuilders().at(method)(std::move(init), params);
    EXPECT_STREQ(object->ClassName(), className);
    if (auto* files = dynamic_cast<TDeleteFileObject*>(object.get());
        files && row->attributes.size() > 1) {
      EXPECT_EQ(files->FileFilter, "fileFilter");
      EXPECT_EQ(files->ExcludeFolder, "excludeFolder");
      EXPECT_TRUE(files->Recurse);
      EXPECT_EQ(files->Path, params.count("path") ? "path" : "");
    }
  }
}

}  // namespace
}  // namespace tw
