// The installer of this tree on a machine that never had Tidewhisk (a Wine prefix made anew for
// the run): a silent installation, the installed program started, an installation over the
// running program, and silent uninstallations that keep (by default) or remove (/PURGE) what the
// user made, and that refuse to go on while the program cannot be ended.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Com.h"
#include "platform/Handles.h"

namespace tw {
namespace {

using namespace std::chrono_literals;

// Paths of the build, given as Unix paths; Wine shows them under drive Z:.
std::string WinPath(std::string unixPath) {
  std::replace(unixPath.begin(), unixPath.end(), '/', '\\');
  return "Z:" + unixPath;
}

constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidewhisk";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kSettingsKey = "Software\\Tidewhisk";
constexpr auto kSetupTimeout = 120s;
constexpr auto kStartup = 30s;  // generous: a loaded machine starts Wine slowly

std::string Folder(int csidl) {
  char path[MAX_PATH] = "";
  ::SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
  return path;
}
struct TPlaces {
  std::string installer = WinPath(TW_INSTALLER);
  std::string shippedDatabase = WinPath(TW_DATABASE);
  std::string installDir = Folder(CSIDL_PROGRAM_FILES) + "\\Tidewhisk";
  std::string program = installDir + "\\Tidewhisk.exe";
  std::string uninstaller = installDir + "\\unins000.exe";
  std::string data = Folder(CSIDL_COMMON_APPDATA) + "\\Tidewhisk";
  std::string backup = data + "\\Backup";
  std::string menu = Folder(CSIDL_COMMON_PROGRAMS) + "\\Tidewhisk";
  std::string desktopLink = Folder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Tidewhisk.lnk";
  std::string userDesktopLink = Folder(CSIDL_DESKTOPDIRECTORY) + "\\Tidewhisk.lnk";
};
const TPlaces& Places() {
  static const TPlaces places;
  return places;
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
  ASSERT_TRUE(Exists(path)) << path;
}
// The names in a folder, sorted.
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  unique_hfind find(::FindFirstFileA((folder + "\\*").c_str(), &data));
  if (!find) return names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileA(find.get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}
bool SamePath(const std::string& a, const std::string& b) { return ::lstrcmpiA(a.c_str(), b.c_str()) == 0; }

bool KeyExists(HKEY root, const char* key) {
  unique_hkey k;
  return ::RegOpenKeyExA(root, key, 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}
std::optional<std::string> RegText(HKEY root, const char* key, const char* name) {
  char data[2048];
  DWORD size = sizeof data;
  if (::RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::string(data);
}

// The target of a shortcut file; empty when it cannot be read.
std::string LinkTarget(const std::string& link) {
  ComApartment apartment;
  ComPtr<IShellLinkA> shellLink;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, shellLink.put_void())))
    return {};
  ComPtr<IPersistFile> file = shellLink.query<IPersistFile>(IID_IPersistFile);
  std::wstring wide(link.begin(), link.end());
  if (!file || FAILED(file->Load(wide.c_str(), STGM_READ))) return {};
  char target[MAX_PATH] = "";
  shellLink->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
  return target;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(100ms);
  }
  return done();
}

// Runs Command and waits until it and every process it started have ended (the uninstaller
// runs on from a copy of itself). The command's own exit code; -1 when it could not be started
// or something it started still ran after Timeout.
long RunAll(std::string command, std::chrono::milliseconds timeout) {
  // Wine starts the desktop's process for the first program that asks for the desktop; it is
  // asked for here, so that the process is not one the command started and never ends.
  ::GetDesktopWindow();
  unique_handle job(::CreateJobObjectA(nullptr, nullptr));
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!job || !::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                                nullptr, &si, &pi))
    return -1;
  unique_handle process(pi.hProcess), thread(pi.hThread);
  if (!::AssignProcessToJobObject(job.get(), process.get())) {
    ::TerminateProcess(process.get(), 1);
    return -1;
  }
  ::ResumeThread(thread.get());
  const bool ended = WaitFor(
      [&] {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
        return ::QueryInformationJobObject(job.get(), JobObjectBasicAccountingInformation, &info, sizeof info,
                                           nullptr) &&
               info.ActiveProcesses == 0;
      },
      timeout);
  DWORD code = 0;
  if (!ended || !::GetExitCodeProcess(process.get(), &code)) return -1;
  return static_cast<long>(code);
}
long Install() { return RunAll("\"" + Places().installer + "\" /S", kSetupTimeout); }
long Uninstall(const std::string& switches) {
  return RunAll("\"" + Places().uninstaller + "\" " + switches, kSetupTimeout);
}

// The installed program, started as the Start menu starts it.
class TProgram {
 public:
  TProgram() {
    std::string command = "\"" + Places().program + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, Places().installDir.c_str(),
                          &si, &pi))
      return;
    process_.reset(pi.hProcess);
    unique_handle thread(pi.hThread);
    pid_ = pi.dwProcessId;
  }
  ~TProgram() {
    if (Running()) {
      ::TerminateProcess(process_.get(), 99);
      ::WaitForSingleObject(process_.get(), 5000);
    }
  }
  bool Running() const { return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
  // The database is loaded once the tips window (on for a new user) shows; a missing or damaged
  // database shows a message box instead.
  bool WaitDatabaseReady() const {
    return WaitFor([&] { return VisibleWindow("TTipOfTheDayForm"); }, kStartup);
  }

 private:
  bool VisibleWindow(const char* className) const {
    std::pair<const TProgram*, const char*> search{this, className};
    return !::EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
          auto* s = reinterpret_cast<std::pair<const TProgram*, const char*>*>(param);
          DWORD owner = 0;
          ::GetWindowThreadProcessId(hwnd, &owner);
          char name[128] = "";
          ::GetClassNameA(hwnd, name, sizeof name);
          return !(owner == s->first->pid_ && std::string(name) == s->second && ::IsWindowVisible(hwnd));
        },
        reinterpret_cast<LPARAM>(&search));
  }

  unique_handle process_;
  DWORD pid_ = 0;
};

void ExpectInstalled() {
  const TPlaces& at = Places();
  EXPECT_EQ(Names(at.installDir),
            (std::vector<std::string>{"Tidewhisk.exe", "help", "twcli.exe", "unins000.exe"}));
  EXPECT_EQ(Names(at.installDir + "\\help"), (std::vector<std::string>{"en", "fr", "help.css"}));
  EXPECT_EQ(ReadAll(at.data + "\\database.dat"), ReadAll(at.shippedDatabase)) << "the shipped database";
  EXPECT_PRED2(SamePath, LinkTarget(at.menu + "\\Tidewhisk.lnk"), at.program);
  EXPECT_PRED2(SamePath, LinkTarget(at.menu + "\\Uninstall Tidewhisk.lnk"), at.uninstaller);
  EXPECT_PRED2(SamePath, LinkTarget(at.desktopLink), at.program);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), "\"" + at.uninstaller + "\"");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), TW_VERSION);
}

// Everything of the installation and of the program's run is gone but the user's data.
void ExpectUninstalled() {
  const TPlaces& at = Places();
  EXPECT_FALSE(Exists(at.program));
  EXPECT_FALSE(Exists(at.uninstaller));
  EXPECT_FALSE(Exists(at.menu));
  EXPECT_FALSE(Exists(at.desktopLink));
  EXPECT_FALSE(Exists(at.data + "\\database.dat"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
  EXPECT_EQ(RegText(HKEY_CURRENT_USER, kRunKey, "Tidewhisk.exe"), std::nullopt);
}

const std::string kBackupName = "g07-i01 (2024-05-01 13.45.12).bkp";

// What the program makes in its data folder besides the database: a registry backup, the kept
// cookies, the leftover of an interrupted save and its log.
void MakeUserData() {
  const TPlaces& at = Places();
  ::CreateDirectoryA(at.backup.c_str(), nullptr);
  WriteAll(at.backup + "\\" + kBackupName, "backup");
  WriteAll(at.backup + "\\cookies.dat", "kept cookies");
  WriteAll(at.data + "\\database.dat.tmp~", "interrupted save");
  WriteAll(at.data + "\\Logger.txt", "log");
}

TEST(Installer, InstallsRunsReinstallsOverTheRunningProgramAndUninstallsKeepingUserData) {
  const TPlaces& at = Places();
  ASSERT_FALSE(Exists(at.installDir)) << "the prefix is not new";
  ASSERT_EQ(Install(), 0);
  ExpectInstalled();
  {
    TProgram program;
    ASSERT_TRUE(program.WaitDatabaseReady());
    // Beside its uninstaller the program makes no desktop shortcut of its own.
    EXPECT_FALSE(Exists(at.userDesktopLink));

    // An installation over the running program ends it first, through its own way out: the
    // log-on Run value it writes as it ends names the installed program.
    ASSERT_EQ(Install(), 0);
    EXPECT_FALSE(program.Running());
    ExpectInstalled();
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kRunKey, "Tidewhisk.exe"), "\"" + at.program + "\" -HIDE");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
  }

  MakeUserData();
  TProgram program;
  ASSERT_TRUE(program.WaitDatabaseReady());
  // The uninstaller ends the running program (which writes its Run value and settings as it ends)
  // before it removes anything; a silent uninstallation keeps the backups and the kept cookies.
  EXPECT_EQ(Uninstall("/S"), 0);
  EXPECT_FALSE(program.Running());
  ExpectUninstalled();
  EXPECT_FALSE(Exists(at.installDir));
  EXPECT_EQ(Names(at.data), std::vector<std::string>{"Backup"});
  EXPECT_EQ(Names(at.backup), (std::vector<std::string>{"cookies.dat", kBackupName}));
}

TEST(Installer, PurgeRemovesTheUsersDataButNotFilesTheInstallerDidNotMake) {
  const TPlaces& at = Places();
  ASSERT_EQ(Install(), 0);
  ASSERT_TRUE(Exists(at.uninstaller));
  MakeUserData();
  WriteAll(at.installDir + "\\notes.txt", "the user's own file");

  // While a Tidewhisk that does not end holds its mark, silent setup and uninstallation give up
  // after a while and change nothing (setup says so by its exit code).
  WriteAll(at.data + "\\database.dat", "the database in use");
  {
    unique_handle running(::CreateMutexA(nullptr, FALSE, "Tidewhisk.exe"));
    ASSERT_TRUE(running);
    EXPECT_NE(Install(), 0);
    EXPECT_EQ(Uninstall("/S /PURGE"), 0);  // the first stage's code; the copy that works reports none
    EXPECT_EQ(ReadAll(at.data + "\\database.dat"), "the database in use");
    EXPECT_TRUE(Exists(at.program));
    EXPECT_TRUE(Exists(at.uninstaller));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  }

  EXPECT_EQ(Uninstall("/S /PURGE"), 0);
  ExpectUninstalled();
  EXPECT_FALSE(Exists(at.data));
  EXPECT_EQ(Names(at.installDir), std::vector<std::string>{"notes.txt"});
}

}  // namespace
}  // namespace tw
