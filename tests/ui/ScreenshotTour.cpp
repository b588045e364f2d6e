// A tour of the real Tidewhisk.exe for looking at it: in each language it opens every menu and
// dialog a user meets (tips, language, ready-list, tray and results menus, the logo's hint, About,
// settings with the cookie and backup managers, a scan with its summary and results, a clean with
// its warning and summary) and saves a picture of the screen at each step.
//   screenshot_tour.exe PROGRAM.exe OUTPUT-FOLDER [LANGUAGES]
// LANGUAGES: letters of en, fr, de, es (default "en,fr,de,es"). Meant for a Wine virtual desktop
// (scripts/screenshots); pictures are BMP files named LANGUAGE-NN-STEP.bmp.
#include <windows.h>
#include <shlobj.h>
#include <wininet.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Handles.h"
#include "registry/BackupFiles.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/Messages.h"
#include "ui/ProgramDriver.h"
#include "ui/ScreenPicture.h"
#include "ui/components/GroupedList.h"

namespace tw {
namespace {

using namespace std::chrono_literals;
using drive::ChildOf;
using drive::ClickAt;
using drive::TopWindow;
using drive::TopWindows;
using drive::WaitFor;

constexpr const char* kKey = "Software\\Tidewhisk";

std::string Row(int row, int language) { return std::string(StrRes(row, language)); }

void WriteNumber(const char* name, DWORD value) {
  unique_hkey k;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(), nullptr) != ERROR_SUCCESS)
    return;
  ::RegSetValueExA(k.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void WriteValue(const char* name, const std::string& text) {
  unique_hkey k;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(), nullptr) != ERROR_SUCCESS)
    return;
  ::RegSetValueExA(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
}

void RightClickAt(HWND hwnd, int x, int y) {
  POINT screen{x, y};
  ::ClientToScreen(hwnd, &screen);
  ::SetCursorPos(screen.x, screen.y);
  ::PostMessageA(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
  ::PostMessageA(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(x, y));
}

void PressEscape() {
  INPUT keys[2]{};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, keys, sizeof(INPUT));
}

RECT ListRect(HWND list, int group, int item = -1) {
  DWORD_PTR packed = 0;
  ::SendMessageTimeoutA(list, TGL_GETRECT, static_cast<WPARAM>(group), item, SMTO_ABORTIFHUNG, 5000, &packed);
  auto edge = [&](int n) {
    return static_cast<LONG>(static_cast<std::int16_t>((static_cast<unsigned long long>(packed) >> (16 * n)) & 0xFFFF));
  };
  return {edge(0), edge(1), edge(2), edge(3)};
}

class TTour {
 public:
  TTour(std::string program, std::string folder) : program_(std::move(program)), folder_(std::move(folder)) {}

  bool Run(const std::string& locale, int language) {
    locale_ = locale;
    language_ = language;
    step_ = 0;
    WriteValue("Locale", locale);
    WriteValue("ShowTipsAtStartup", "1");
    WriteValue("ShowInfoTips", "1");
    WriteValue("ShowCleanWarning", "1");
    WriteValue("ShowScanDialog", "1");
    WriteValue("ShowCleanDialog", "1");
    WriteNumber("PresetScanMode", 1);  // Quick Cleanup: temporary files the tour makes
    MakeFixtures();
    if (!Start()) return Fail("the program did not start");
    const int l = language_;

    // Tips at start-up, then the ready list.
    HWND tips = nullptr;
    if (WaitFor([&] { return (tips = Find("TTipOfTheDayForm")) != nullptr; }, 40s)) {
      Shot("tips");
      ::PostMessageA(tips, WM_CLOSE, 0, 0);
      WaitFor([&] { return Find("TTipOfTheDayForm") == nullptr; }, 5s);
    }
    HWND scan = nullptr;
    if (!WaitFor([&] { return (scan = ChildOf(main_, "TwHotImage", Row(kRowScanNow, l))) && ::IsWindowEnabled(scan); }, 40s))
      return Fail("the scan button never came");
    Settle();
    Shot("ready");

    Menu("language-menu", [&] {
      HWND button = ChildOf(main_, "TwHotImage", Row(kRowSwitchLanguage, l));
      ClickAt(button, 5, 5);
    });
    HWND list = ::GetDlgItem(main_, 1);
    Menu("ready-group-menu", [&] {
      const RECT group = ListRect(list, 0);
      RightClickAt(list, 60, (group.top + group.bottom) / 2);
    });
    Menu("ready-menu", [&] {
      // The margin left of the first group's entries.
      const RECT item = ListRect(list, 0, 0);
      RightClickAt(list, 8, (item.top + item.bottom) / 2);
    });
    Menu("tray-menu", [&] {
      HWND tray = TopWindow(pid_, "TwTrayIconWindow");  // a hidden window
      ::SetCursorPos(1100, 700);
      std::this_thread::sleep_for(300ms);
      ::PostMessageA(tray, WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN);
      ::PostMessageA(tray, WM_TRAYNOTIFY, 0, WM_RBUTTONUP);
    });

    // The logo's hint: the system information.
    if (HWND logo = ChildOf(main_, "TwHotImage", "")) {
      POINT p{60, 30};
      ::ClientToScreen(logo, &p);
      ::SetCursorPos(p.x - 4, p.y);
      std::this_thread::sleep_for(100ms);
      ::SetCursorPos(p.x, p.y);
      std::this_thread::sleep_for(1500ms);
      Shot("logo-hint");
      ::SetCursorPos(1200, 880);
      std::this_thread::sleep_for(300ms);
    }

    // A scan: its summary, the results with a group open, the results menu.
    ClickAt(scan, 5, 5);
    HWND summary = nullptr;
    if (!WaitFor([&] { return (summary = Find("TScanInfoDlg")) != nullptr; }, 120s)) return Fail("no scan summary");
    Settle();
    Shot("scan-summary");
    ::PostMessageA(summary, WM_COMMAND, IDOK, 0);
    WaitFor([&] { return Find("TScanInfoDlg") == nullptr; }, 5s);
    HWND results = ::GetDlgItem(main_, 4);
    Settle();
    Shot("results");
    DWORD_PTR groups = 0;
    ::SendMessageTimeoutA(results, TGL_GETGROUPCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &groups);
    if (groups > 0) {
      const RECT group = ListRect(results, 0);
      ClickAt(results, 4 + 5, (group.top + group.bottom) / 2);
      Settle();
      Shot("results-open");
      Menu("results-menu", [&] {
        const RECT item = ListRect(results, 0, 0);
        RightClickAt(results, (item.left + item.right) / 2, (item.top + item.bottom) / 2);
      });
      // A clean: warning, then its summary.
      ClickAt(ChildOf(main_, "TwHotImage", Row(kRowCleanButton, l)), 5, 5);
      HWND warning = nullptr;
      if (WaitFor([&] { return (warning = Find("TCleanWarningDlg")) != nullptr || Find("TTerminateAppDlg"); }, 20s)) {
        if (HWND close = Find("TTerminateAppDlg")) {
          Settle();
          Shot("close-programs");
          ::PostMessageA(close, WM_CLOSE, 0, 0);
          WaitFor([&] { return (warning = Find("TCleanWarningDlg")) != nullptr; }, 20s);
        }
        if (warning) {
          Settle();
          Shot("clean-warning");
          ClickAt(ChildOf(warning, "TwHotImage", Row(kRowCleanButton, l)), 5, 5);
          HWND done = nullptr;
          if (WaitFor([&] { return (done = Find("TScanInfoDlg")) != nullptr; }, 120s)) {
            Settle();
            Shot("clean-summary");
            ::PostMessageA(done, WM_COMMAND, IDOK, 0);
            WaitFor([&] { return Find("TScanInfoDlg") == nullptr; }, 5s);
          }
        }
      }
    }
    Settle();
    Shot("after-clean");

    // System Info from the tray menu: a balloon at the tray icon.
    ::PostMessageA(main_, WM_COMMAND, 103, 0);
    std::this_thread::sleep_for(1500ms);
    Shot("system-info-balloon");

    Dialog("about", "TAboutForm", [&] { ClickAt(ChildOf(main_, "TwHotImage", Row(kRowAbout, l)), 5, 5); });

    ClickAt(ChildOf(main_, "TwHotImage", Row(kRowSettings, l)), 5, 5);
    HWND settings = nullptr;
    if (WaitFor([&] { return (settings = Find("TSettingsForm")) != nullptr; }, 10s)) {
      Settle();
      Shot("settings");
      Dialog("cookie-manager", "TCookieMgrForm",
             [&] { ::PostMessageA(ChildOf(settings, "Button", Row(kRowCookieManager, l)), BM_CLICK, 0, 0); });
      Dialog("backup-manager", "TBackupMgrForm",
             [&] { ::PostMessageA(ChildOf(settings, "Button", "&" + Row(kRowRegistryBackupManager, l)), BM_CLICK, 0, 0); });
      ::PostMessageA(settings, WM_CLOSE, 0, 0);
      WaitFor([&] { return Find("TSettingsForm") == nullptr; }, 5s);
    }

    Stop();
    return true;
  }

 private:
  void MakeFixtures() {
    // Backups of two items, for the backup manager.
    if (ListBackups().empty()) {
      SaveBackup("g07-i01", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                            "Explorer\\RunMRU]\r\n\"a\"=\"notepad\\\\1\"\r\n\"MRUList\"=\"a\"\r\n");
      SaveBackup("g07-i03", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                            "Explorer\\TypedPaths]\r\n\"url1\"=\"C:\\\\Users\"\r\n");
    }
    // Two cookies in the system browser's cache, for the cookie manager.
    for (const char* site : {"http://www.example.com/", "http://news.example.org/"})
      ::InternetSetCookieA(site, "tour", "1; expires=Fri, 01-Jan-2100 00:00:00 GMT");
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    for (int i = 0; i < 6; ++i) {
      const std::string path = std::string(temp) + "tour_" + std::to_string(i) + ".tmp";
      unique_hfile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
      const std::string data(4096 * (i + 1), 'x');
      DWORD written = 0;
      ::WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    }
  }

  bool Start() {
    std::string command = "\"" + program_ + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    process_.reset(pi.hProcess);
    unique_handle thread(pi.hThread);
    pid_ = pi.dwProcessId;
    return WaitFor([&] { return (main_ = TopWindow(pid_, "TTWMainForm")) != nullptr; }, 40s);
  }

  void Stop() {
    ::PostMessageA(main_, ::RegisterWindowMessageA("UM_TERMINATE"), 0, 0);
    if (::WaitForSingleObject(process_.get(), 15000) != WAIT_OBJECT_0) ::TerminateProcess(process_.get(), 1);
    process_.reset();
  }

  // The first shown window of ClassName.
  HWND Find(const char* className) const {
    for (HWND hwnd : TopWindows(pid_, className))
      if (::IsWindowVisible(hwnd)) return hwnd;
    return nullptr;
  }

  static void Settle() { std::this_thread::sleep_for(700ms); }

  void Shot(const std::string& name) {
    char number[8];
    std::snprintf(number, sizeof number, "%02d", ++step_);
    const std::string path = folder_ + "\\" + locale_ + "-" + number + "-" + name + ".bmp";
    const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (!SaveScreenPicture(screen, path)) std::fprintf(stderr, "could not save %s\n", path.c_str());
    else std::printf("%s\n", path.c_str());
    std::fflush(stdout);
  }

  // Opens a popup menu, takes its picture, closes it.
  void Menu(const std::string& name, const std::function<void()>& open) {
    WaitFor([&] { return ::FindWindowA("#32768", nullptr) == nullptr || !::IsWindowVisible(::FindWindowA("#32768", nullptr)); }, 3s);
    open();
    const bool shown = WaitFor([&] { return ::FindWindowA("#32768", nullptr) != nullptr && ::IsWindowVisible(::FindWindowA("#32768", nullptr)); }, 5s);
    std::this_thread::sleep_for(500ms);
    if (shown) Shot(name);
    else std::fprintf(stderr, "%s: no menu came\n", name.c_str());
    PressEscape();
    WaitFor([&] { return ::FindWindowA("#32768", nullptr) == nullptr || !::IsWindowVisible(::FindWindowA("#32768", nullptr)); }, 5s);
    std::this_thread::sleep_for(300ms);
  }

  void Dialog(const std::string& name, const char* className, const std::function<void()>& open) {
    open();
    HWND dialog = nullptr;
    if (!WaitFor([&] { return (dialog = Find(className)) != nullptr; }, 10s)) {
      std::fprintf(stderr, "%s: no %s came\n", name.c_str(), className);
      return;
    }
    Settle();
    Shot(name);
    ::PostMessageA(dialog, WM_CLOSE, 0, 0);
    WaitFor([&] { return Find(className) == nullptr; }, 5s);
  }

  bool Fail(const std::string& why) {
    std::fprintf(stderr, "%s: %s\n", locale_.c_str(), why.c_str());
    Shot("failure");
    if (process_) ::TerminateProcess(process_.get(), 1);
    process_.reset();
    return false;
  }

  std::string program_, folder_, locale_;
  int language_ = 0, step_ = 0;
  unique_handle process_;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
};

}  // namespace
}  // namespace tw

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: screenshot_tour PROGRAM.exe OUTPUT-FOLDER [en,fr,de,es]\n");
    return 2;
  }
  const std::string languages = argc > 3 ? argv[3] : "en,fr,de,es";
  tw::TTour tour(argv[1], argv[2]);
  int failed = 0;
  const char* locales[] = {"en", "fr", "de", "es"};
  for (int language = 0; language < 4; ++language)
    if (languages.find(locales[language]) != std::string::npos && !tour.Run(locales[language], language)) ++failed;
  return failed ? 1 : 0;
}
