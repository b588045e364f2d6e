#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cleaners/system/DeleteFileObject.h"
#include "engine/Utility.h"
#include "platform/Handles.h"
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
  std::wstring wide(path.begin(), path.end());
  char* unix = fn ? fn(wide.c_str()) : nullptr;
  std::string out = unix ? unix : "";
  if (unix) ::HeapFree(::GetProcessHeap(), 0, unix);
  return out;
}

bool Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs a program of the host system (Wine only) and returns its exit code.
DWORD RunUnix(const std::string& program, std::string commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
    return ~0u;
  unique_handle process(info.hProcess), thread(info.hThread);
  ::WaitForSingleObject(process.get(), 10000);
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  return code;
}

// A symbolic link at Link to the folder or file Target (both Windows paths).
bool MakeLink(const std::string& link, const std::string& target, bool folder) {
  if (UnderWine()) {
    // A host program started from Wine may still be running when its handle is signalled.
    RunUnix("Z:\\bin\\ln", "ln -s " + UnixPath(target) + " " + UnixPath(link));
    for (int i = 0; i < 200 && !Exists(link); ++i) ::Sleep(10);
    return Exists(link);
  }
  return ::CreateSymbolicLinkA(link.c_str(), target.c_str(),
                               folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) != FALSE;
}

void RemoveTree(const std::string& folder) {
  if (::GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return;
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
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (!::RemoveDirectoryA(path.c_str())) ::DeleteFileA(path.c_str());
      } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        ::DeleteFileA(path.c_str());
      }
    } while (::FindNextFileA(find.get(), &entry));
  }
  ::RemoveDirectoryA(folder.c_str());
}

class FileCleanerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = Format("C:\\tweng_fc_%d", static_cast<int>(::GetCurrentProcessId()));
    RemoveTree(base_);
    ASSERT_TRUE(::CreateDirectoryA(base_.c_str(), nullptr));
    root_ = base_ + "\\root\\";
    Dir("");
  }
  void TearDown() override { RemoveTree(base_); }

  void Dir(const std::string& relative, DWORD attributes = 0) {
    std::string path = root_ + relative;
    ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr)) << path;
    if (attributes) ::SetFileAttributesA(path.c_str(), attributes);
  }
  void File(const std::string& relative, DWORD attributes = 0, const std::string& content = "x") {
    std::string path = root_ + relative;
    unique_hfile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << path;
    DWORD written = 0;
    ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    file.reset();
    if (attributes) ::SetFileAttributesA(path.c_str(), attributes);
  }

  std::unique_ptr<TDeleteFileObject> Make(const std::string& filter, const std::string& attrib,
                                          const std::string& exclude = "",
                                          const std::string& excludeFolder = "",
                                          bool recurse = true) {
    auto object = std::make_unique<TDeleteFileObject>(
        nullptr, [](TCustomWorkObject*) {},
        [this](TWorkObject*, TWorkDataPtr data) { reported_.push_back(Relative(data->Text)); },
        TXmlNode());
    object->Path = root_.substr(0, root_.size() - 1);
    object->FileFilter = filter;
    object->FileAttrib = attrib;
    object->ExcludeAttr = exclude;
    object->ExcludeFolder = excludeFolder;
    object->Recurse = recurse;
    return object;
  }

  std::string Relative(const std::string& text) const {
    return text.rfind(root_, 0) == 0 ? text.substr(root_.size()) : "OUTSIDE:" + text;
  }
  std::vector<std::string> Found(const TDeleteFileObject& object) const {
    std::vector<std::string> out;
    for (int i = 0; i < object.Found.Count(); ++i) out.push_back(Relative(object.Found.Text(i)));
    return out;
  }
  static std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  }
  int IndexOf(const TDeleteFileObject& object, const std::string& relative) const {
    for (int i = 0; i < object.Found.Count(); ++i)
      if (object.Found.Text(i) == root_ + relative) return i;
    return -1;
  }

  std::string base_, root_;
  std::vector<std::string> reported_;
};

TEST_F(FileCleanerTest, EveryPatternRepeatsTheWalkBeneathIt) {
  File("a.tmp", 0, "12345");
  File("b.log");
  Dir("sub");
  File("sub\\c.tmp");
  Dir("sub\\deep");
  File("sub\\deep\\d.log");
  auto object = Make("*.tmp;*.log", "faAnyFile");
  object->Execute();
  const std::vector<std::string> expected = {
      "a.tmp", "sub\\c.tmp", "sub\\deep\\d.log", "sub\\deep\\d.log",
      "b.log", "sub\\c.tmp", "sub\\deep\\d.log", "sub\\deep\\d.log"};
  EXPECT_EQ(Found(*object), expected);
  EXPECT_EQ(reported_, expected);  // one report per finding, after its line was added
  EXPECT_EQ(object->Found.Record(0).Size, 5);
  EXPECT_TRUE(object->Found.Record(0).Checked);

  reported_.clear();
  auto flat = Make("*.tmp;*.log", "faAnyFile", "", "", false);
  flat->Execute();
  EXPECT_EQ(Found(*flat), (std::vector<std::string>{"a.tmp", "b.log"}));
}

TEST_F(FileCleanerTest, MasksAndExcludedFoldersDecideWhatIsListedAndEntered) {
  File("plain.txt");
  File("hid.txt", FILE_ATTRIBUTE_HIDDEN);
  File("ro.txt", FILE_ATTRIBUTE_READONLY);
  Dir("hdir", FILE_ATTRIBUTE_HIDDEN);
  File("hdir\\inner.txt");
  Dir("cache");
  File("cache\\c.txt");
  Dir("Keep");
  File("Keep\\k.txt");
  auto object = Make("*.*", "faAnyFile", "faHidden", "keep;cache");
  object->Execute();
  // Hidden entries stay out of the findings but a hidden folder is still entered; "cache" is
  // neither listed nor entered; "keep" does not exclude "Keep".
  EXPECT_EQ(Sorted(Found(*object)),
            (std::vector<std::string>{"Keep", "Keep\\k.txt", "hdir\\inner.txt", "plain.txt",
                                      "ro.txt"}));

  auto filesOnly = Make("*.txt", "faAnyFile");
  filesOnly->Execute();
  EXPECT_EQ(Sorted(Found(*filesOnly)),
            (std::vector<std::string>{"Keep\\k.txt", "cache\\c.txt", "hdir\\inner.txt",
                                      "hid.txt", "plain.txt", "ro.txt"}));

  auto hiddenOnly = Make("*.*", "faHidden", "faDirectory", "", false);
  hiddenOnly->Execute();
  EXPECT_EQ(Found(*hiddenOnly), (std::vector<std::string>{"hid.txt"}));
}

TEST_F(FileCleanerTest, AMissingOrUnresolvedFolderEndsTheRun) {
  auto object = Make("*.*", "faAnyFile");
  object->Path = root_ + "nope";
  try {
    object->Execute();
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), "EDeleteFileError");
    EXPECT_EQ(e.Message(), "Path not found! " + root_ + "nope");
  }
  EXPECT_TRUE(object->Found.Empty());

  object->Path = "CSIDL_NO_SUCH_FOLDER";
  EXPECT_THROW(
      {
        try {
          object->Execute();
        } catch (const Exception& e) {
          EXPECT_EQ(e.Message(), "Path not found! ");
          throw;
        }
      },
      EDeleteFileError);
}

TEST_F(FileCleanerTest, TempMacroFollowsTheVersionAndRefusesSystemFolders) {
  Dir("t");
  Dir("la");
  Dir("la\\Temp");
  File("t\\in-t.txt");
  File("la\\Temp\\in-la.txt");
  const std::string savedTemp = GetEnvVar("TEMP"), savedLocal = GetEnvVar("LOCALAPPDATA"),
                    savedProgramFiles = GetEnvVar("ProgramFiles");
  ::SetEnvironmentVariableA("TEMP", (root_ + "t").c_str());
  ::SetEnvironmentVariableA("LOCALAPPDATA", (root_ + "la").c_str());

  auto object = Make("*.*", "faAnyFile");
  object->Path = "%TEMP%";
  const std::string expected = OsKind() > 17 ? root_ + "la\\Temp" : root_ + "t";
  EXPECT_EQ(object->ResolvedPath(), expected);
  object->Execute();
  ASSERT_EQ(object->Found.Count(), 1);
  EXPECT_EQ(object->Found.Text(0), expected + (OsKind() > 17 ? "\\in-la.txt" : "\\in-t.txt"));

  // The same folder named by another macro form is not subject to the temp rule.
  ::SetEnvironmentVariableA("ProgramFiles", expected.c_str());
  auto refused = Make("*.*", "faAnyFile");
  refused->Path = "%TEMP%";
  try {
    refused->Execute();
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Invalid temp path! " + expected);
  }
  EXPECT_TRUE(refused->Found.Empty());
  auto lower = Make("*.*", "faAnyFile");
  lower->Path = OsKind() > 17 ? "%LOCALAPPDATA%\\Temp" : "%TEMP%\\";
  EXPECT_NO_THROW(lower->Execute());

  ::SetEnvironmentVariableA("TEMP", savedTemp.c_str());
  ::SetEnvironmentVariableA("LOCALAPPDATA", savedLocal.c_str());
  ::SetEnvironmentVariableA("ProgramFiles", savedProgramFiles.c_str());
}

TEST_F(FileCleanerTest, CleanRemovesTickedEntriesFilesFirstAndSchedulesLockedFiles) {
  File("f1.txt");
  File("ro.txt", FILE_ATTRIBUTE_READONLY);
  File("hid.txt", FILE_ATTRIBUTE_HIDDEN);
  File("sys.txt", FILE_ATTRIBUTE_SYSTEM);
  File("locked.txt");
  Dir("keepdir");
  File("keepdir\\in1.txt");
  Dir("keepdir\\deeper");
  File("keepdir\\deeper\\in2.txt");
  Dir("gone");
  File("gone\\g.txt");
  auto object = Make("*.*", "faAnyFile");
  object->Execute();
  ASSERT_EQ(object->Found.Count(), 11);
  const int keepdir = IndexOf(*object, "keepdir");
  ASSERT_GE(keepdir, 0);
  object->Found.Record(keepdir).Checked = false;

  std::vector<std::string> expectedReports;
  for (bool folders : {false, true}) {
    for (int i = object->Found.Count() - 1; i >= 0; --i) {
      const std::string relative = Relative(object->Found.Text(i));
      const bool folder = relative == "keepdir" || relative == "keepdir\\deeper" || relative == "gone";
      if (folder == folders && i != keepdir) expectedReports.push_back(relative);
    }
  }

  unique_hfile lock(::CreateFileA((root_ + "locked.txt").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock);
  reported_.clear();
  object->CleanMode = true;
  object->Execute();
  EXPECT_EQ(reported_, expectedReports);

  for (int i = 0; i < object->Found.Count(); ++i) {
    const std::string relative = Relative(object->Found.Text(i));
    SCOPED_TRACE(relative);
    const bool stays = relative == "locked.txt" || relative == "keepdir";
    EXPECT_EQ(Exists(object->Found.Text(i)), stays);
    EXPECT_EQ(object->Found.Record(i).CleanSucceeded, relative != "locked.txt");
  }

  // The locked file waits for the next restart.
  unique_hkey key;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                            0, KEY_READ, key.put()),
            ERROR_SUCCESS);
  DWORD size = 0;
  ASSERT_EQ(::RegQueryValueExA(key.get(), "PendingFileRenameOperations", nullptr, nullptr,
                               nullptr, &size),
            ERROR_SUCCESS);
  std::string pending(size, '\0');
  ::RegQueryValueExA(key.get(), "PendingFileRenameOperations", nullptr, nullptr,
                     reinterpret_cast<BYTE*>(pending.data()), &size);
  std::string lowerPending = pending, lowerPath = root_ + "locked.txt";
  for (std::string* s : {&lowerPending, &lowerPath})
    std::transform(s->begin(), s->end(), s->begin(), [](unsigned char c) { return std::tolower(c); });
  EXPECT_NE(lowerPending.find(lowerPath), std::string::npos);
}

TEST_F(FileCleanerTest, AbortStopsScanAndCleanAtTheNextEntry) {
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) File(name);
  auto object = Make("*.*", "faAnyFile");
  object->OnItem = [&](TWorkObject* sender, TWorkDataPtr) { sender->Aborted = true; };
  object->Execute();
  EXPECT_EQ(object->Found.Count(), 1);

  auto full = Make("*.*", "faAnyFile");
  full->Execute();
  ASSERT_EQ(full->Found.Count(), 4);
  full->CleanMode = true;
  full->OnItem = [&](TWorkObject* sender, TWorkDataPtr) { sender->Aborted = true; };
  full->Execute();
  int remaining = 0;
  for (int i = 0; i < 4; ++i) remaining += Exists(full->Found.Text(i));
  EXPECT_EQ(remaining, 3);
  EXPECT_TRUE(Exists(full->Found.Text(0)));  // walked from the last line
}

TEST_F(FileCleanerTest, LinksAreNeverEnteredAndNothingBehindThemIsRemoved) {
  const std::string outside = base_ + "\\outside", empty = base_ + "\\emptyout",
                    moved = base_ + "\\moved";
  ASSERT_TRUE(::CreateDirectoryA(outside.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA(empty.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA(moved.c_str(), nullptr));
  {
    unique_hfile f(::CreateFileA((outside + "\\o.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, 0, nullptr));
    unique_hfile g(::CreateFileA((moved + "\\in.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, 0, nullptr));
  }
  Dir("data");
  File("data\\in.txt");
  ASSERT_TRUE(MakeLink(root_ + "link", outside, true));
  ASSERT_TRUE(MakeLink(root_ + "elink", empty, true));
  ASSERT_TRUE(MakeLink(root_ + "flink.txt", outside + "\\o.txt", false));

  auto object = Make("*.*", "faAnyFile");
  object->Execute();
  EXPECT_EQ(Sorted(Found(*object)),
            (std::vector<std::string>{"data", "data\\in.txt", "elink", "flink.txt", "link"}));

  // After the scan "data" is swapped for a link to a folder holding a file of the same name.
  RemoveTree(root_ + "data");
  ASSERT_TRUE(MakeLink(root_ + "data", moved, true));

  object->CleanMode = true;
  object->Execute();
  EXPECT_TRUE(Exists(outside + "\\o.txt"));
  EXPECT_TRUE(Exists(empty));
  EXPECT_TRUE(Exists(moved + "\\in.txt"));
  for (const char* link : {"link", "elink", "flink.txt", "data"}) {
    SCOPED_TRACE(link);
    const int index = IndexOf(*object, link);
    ASSERT_GE(index, 0);
    // Where the system cannot remove the link itself, it stays and counts as not removed.
    EXPECT_TRUE(!Exists(root_ + link) || !object->Found.Record(index).CleanSucceeded);
  }
  EXPECT_FALSE(object->Found.Record(IndexOf(*object, "data\\in.txt")).CleanSucceeded);
}

}  // namespace
}  // namespace tw
