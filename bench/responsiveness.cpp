// The probe of bench/responsiveness: drives the real Tidewhisk.exe through a scan, the results
// list and a clean, and meanwhile measures from outside how long the program's window takes to
// answer: every 10 ms a message is sent to it (WM_NULL) and its round trip is timed. A window
// answers a sent message only when its thread looks at its messages, so the longest round trip
// is the longest stall of input and painting (less at most the 10 ms between two probes). The
// texts that show the current finding (the status bar during the scan, the progress dialog's
// entry during the clean) are sampled in the same beat and each change is counted.
//   responsiveness_probe.exe PROGRAM.exe DATABASE.dat FINDINGS
// PROGRAM.exe is started with DATABASE.dat as its database in Quick mode (the database must hold
// one object finding FINDINGS entries in that mode); prints one line of JSON.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "strings/StrRes.h"
#include "ui/components/GroupedList.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "responsiveness_probe: %s\n", what.c_str());
  std::fflush(stderr);
  std::exit(1);
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = Clock::now() + timeout;
  while (Clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return done();
}

std::string Row(int row) { return std::string(tw::StrRes(row, 0)); }

LRESULT Ask(HWND hwnd, UINT msg, WPARAM w = 0, LPARAM l = 0) {
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(hwnd, msg, w, l, SMTO_NORMAL, 60000, &result);
  return static_cast<LRESULT>(result);
}

void ClickAt(HWND hwnd, int x, int y) {
  ::PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  ::PostMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// The visible and enabled picture button of Parent showing Text.
HWND Button(HWND parent, const std::string& text) {
  struct Search {
    std::string text;
    HWND found;
  } search{text, nullptr};
  ::EnumChildWindows(
      parent,
      [](HWND child, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        char name[64] = "", caption[256] = "";
        ::GetClassNameA(child, name, sizeof name);
        ::GetWindowTextA(child, caption, sizeof caption);
        if (std::string(name) == "TwHotImage" && s->text == caption && ::IsWindowVisible(child) &&
            ::IsWindowEnabled(child)) {
          s->found = child;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND ChildOfClass(HWND parent, const char* className, LONG_PTR styleBits = 0) {
  struct Search {
    const char* className;
    LONG_PTR style;
    HWND found;
  } search{className, styleBits, nullptr};
  ::EnumChildWindows(
      parent,
      [](HWND child, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        char name[64] = "";
        ::GetClassNameA(child, name, sizeof name);
        if (::lstrcmpiA(name, s->className) == 0 && (::GetWindowLongPtrA(child, GWL_STYLE) & s->style) == s->style) {
          s->found = child;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The top-level window of class ClassName that belongs to process Pid.
HWND TopWindow(DWORD pid, const char* className) {
  for (HWND w = ::FindWindowExA(nullptr, nullptr, className, nullptr); w;
       w = ::FindWindowExA(nullptr, w, className, nullptr)) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(w, &owner);
    if (owner == pid) return w;
  }
  return nullptr;
}

// What one phase measured.
struct TPhase {
  double seconds = 0;
  int probes = 0;
  double maxMs = 0, p99Ms = 0, meanMs = 0;
  int changes = 0;        // changes of the watched text
  int gaugeChanges = 0;   // changes of the watched gauge's position
};

// Sends WM_NULL to Target every 10 ms from a thread of its own and times each round trip; the
// text of the window Watch returns (looked for until found) and the position of the gauge Gauge
// returns are sampled in the same beat.
class TSampler {
 public:
  TSampler(HWND target, std::function<HWND()> watch = {}, std::function<HWND()> gauge = {})
      : target_(target), watch_(std::move(watch)), gauge_(std::move(gauge)), start_(Clock::now()) {
    thread_ = std::thread([this] { Run(); });
  }
  TPhase Stop() {
    stop_ = true;
    thread_.join();
    TPhase phase;
    phase.seconds = Ms(Clock::now() - start_) / 1000;
    phase.probes = static_cast<int>(trips_.size());
    if (!trips_.empty()) {
      std::vector<double> sorted = trips_;
      std::sort(sorted.begin(), sorted.end());
      phase.maxMs = sorted.back();
      phase.p99Ms = sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
      double sum = 0;
      for (double t : sorted) sum += t;
      phase.meanMs = sum / static_cast<double>(sorted.size());
    }
    phase.changes = changes_;
    phase.gaugeChanges = gaugeChanges_;
    return phase;
  }

 private:
  double Trip(HWND hwnd, UINT msg, WPARAM w, LPARAM l, DWORD_PTR* result) {
    const auto t0 = Clock::now();
    ::SendMessageTimeoutW(hwnd, msg, w, l, SMTO_NORMAL, 60000, result);
    return Ms(Clock::now() - t0);
  }
  void Run() {
    auto next = Clock::now();
    HWND watched = nullptr, gauge = nullptr;
    std::wstring lastText;
    LRESULT lastPos = -1;
    while (!stop_) {
      DWORD_PTR result = 0;
      double longest = Trip(target_, WM_NULL, 0, 0, &result);
      if (!watched && watch_) watched = watch_();
      if (watched && ::IsWindow(watched)) {
        wchar_t text[1024] = L"";
        longest = std::max(longest, Trip(watched, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), &result));
        if (text != lastText) {
          ++changes_;
          lastText = text;
        }
      }
      if (!gauge && gauge_) gauge = gauge_();
      if (gauge && ::IsWindow(gauge)) {
        longest = std::max(longest, Trip(gauge, PBM_GETPOS, 0, 0, &result));
        if (static_cast<LRESULT>(result) != lastPos) {
          gaugeChanges_ += lastPos >= 0;
          lastPos = static_cast<LRESULT>(result);
        }
      }
      trips_.push_back(longest);
      next += 10ms;
      const auto now = Clock::now();
      if (next < now) next = now;
      while (!stop_ && Clock::now() < next) ::Sleep(1);
    }
  }

  HWND target_;
  std::function<HWND()> watch_, gauge_;
  Clock::time_point start_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<double> trips_;
  int changes_ = 0, gaugeChanges_ = 0;
};

std::string Json(const TPhase& p) {
  char text[256];
  std::snprintf(text, sizeof text,
                "{\"seconds\":%.3f,\"probes\":%d,\"max_ms\":%.1f,\"p99_ms\":%.1f,\"mean_ms\":%.2f,\"changes\":%d,"
                "\"gauge_changes\":%d}",
                p.seconds, p.probes, p.maxMs, p.p99Ms, p.meanMs, p.changes, p.gaugeChanges);
  return text;
}

void WriteSetting(const char* name, const char* text) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tidewhisk", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
    Fail("cannot write the settings");
  ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(std::strlen(text) + 1));
  ::RegCloseKey(key);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) Fail("usage: responsiveness_probe.exe PROGRAM.exe DATABASE.dat FINDINGS");
  const std::string program = argv[1], database = argv[2];
  const int expected = std::atoi(argv[3]);

  // A user who has seen the tips and turned the dialogs of the run off, in Quick mode.
  ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Tidewhisk");
  for (const char* name : {"ShowTipsAtStartup", "ShowInfoTips", "ShowScanDialog", "ShowCleanDialog",
                           "ShowCleanWarning", "RunOnWindowsStartup"})
    WriteSetting(name, "0");
  {
    HKEY key = nullptr;
    ::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tidewhisk", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    const DWORD quick = 1;
    ::RegSetValueExA(key, "PresetScanMode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&quick), 4);
    ::RegCloseKey(key);
  }
  char data[MAX_PATH];
  ::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, data);
  const std::string folder = std::string(data) + "\\Tidewhisk";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  if (!::CopyFileA(database.c_str(), (folder + "\\database.dat").c_str(), FALSE)) Fail("cannot copy " + database);

  std::string command = "\"" + program + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    Fail("cannot start " + program);
  ::CloseHandle(pi.hThread);
  const DWORD pid = pi.dwProcessId;
  struct TEnd {
    HANDLE process;
    ~TEnd() {
      if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process, 99);
        ::WaitForSingleObject(process, 5000);
      }
      ::CloseHandle(process);
    }
  } end{pi.hProcess};

  HWND main = nullptr;
  if (!WaitFor([&] { return (main = TopWindow(pid, "TTWMainForm")) && ::IsWindowVisible(main) && Button(main, Row(43)); },
               60s))
    Fail("the main window did not get ready for a scan");
  std::this_thread::sleep_for(2s);  // the start-up's last work (icons, first-show tasks) settles
  HWND statusBar = ChildOfClass(main, STATUSCLASSNAMEA);
  HWND results = ::GetDlgItem(main, 4);
  if (!statusBar || !results) Fail("no status bar or results list");
  auto status = [statusBar] { return statusBar; };

  // The floor: the same probe against the idle window.
  TSampler idleSampler(main, status);
  std::this_thread::sleep_for(3s);
  const TPhase idle = idleSampler.Stop();

  // The scan, until Clean is offered.
  TSampler scanSampler(main, status);
  ClickAt(Button(main, Row(43)), 5, 5);
  const bool scanned = WaitFor([&] { return Button(main, Row(46)) != nullptr; }, 900s);
  const TPhase scan = scanSampler.Stop();
  if (!scanned) Fail("the scan did not end with results");
  if (Ask(results, tw::TGL_GETGROUPCOUNT) != 1) Fail("expected one results group");
  std::this_thread::sleep_for(1s);

  // The results: the group opened (its entries made), then paged through, to the end, wheeled,
  // walked with the keys and back to the top, a step every 25 ms.
  TSampler listSampler(main);
  const auto expandStart = Clock::now();
  {
    const auto packed = static_cast<unsigned long long>(Ask(results, tw::TGL_GETRECT, 0, static_cast<LPARAM>(-1)));
    const int top = static_cast<std::int16_t>((packed >> 16) & 0xFFFF), bottom = static_cast<std::int16_t>((packed >> 48) & 0xFFFF);
    ClickAt(results, 4 + 5, (top + bottom) / 2);
  }
  int items = 0;
  WaitFor([&] { return (items = static_cast<int>(Ask(results, tw::TGL_GETITEMCOUNT, 0))) > 0; }, 60s);
  const double expandMs = Ms(Clock::now() - expandStart);
  auto step = [&](UINT msg, WPARAM w, LPARAM l, int times) {
    for (int i = 0; i < times; ++i) {
      ::PostMessageA(results, msg, w, l);
      std::this_thread::sleep_for(25ms);
    }
  };
  std::this_thread::sleep_for(300ms);
  step(WM_VSCROLL, SB_PAGEDOWN, 0, 80);
  step(WM_VSCROLL, SB_BOTTOM, 0, 1);
  RECT box{};
  ::GetWindowRect(results, &box);
  step(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2), 40);
  step(WM_KEYDOWN, VK_HOME, 0, 1);
  step(WM_KEYDOWN, VK_NEXT, 0, 40);
  step(WM_KEYDOWN, VK_DOWN, 0, 40);
  step(WM_KEYDOWN, VK_END, 0, 1);
  step(WM_KEYDOWN, VK_PRIOR, 0, 20);
  step(WM_VSCROLL, SB_TOP, 0, 1);
  std::this_thread::sleep_for(500ms);
  const TPhase list = listSampler.Stop();
  if (items != expected) Fail("the group opened with " + std::to_string(items) + " entries, not " + std::to_string(expected));

  // The clean, until the ready list is back; the entry shown and the gauge of the progress dialog.
  auto progress = [pid] { return TopWindow(pid, "TCleanProgress"); };
  auto entry = [progress]() -> HWND {
    HWND dialog = progress();
    return dialog ? ChildOfClass(dialog, "STATIC", SS_NOPREFIX) : nullptr;
  };
  auto gauge = [progress]() -> HWND {
    HWND dialog = progress();
    return dialog ? ChildOfClass(dialog, PROGRESS_CLASSA) : nullptr;
  };
  bool sawDialog = false;
  TSampler cleanSampler(main, entry, gauge);
  ClickAt(Button(main, Row(46)), 5, 5);
  const bool cleaned = WaitFor(
      [&] {
        sawDialog = sawDialog || progress();
        return sawDialog && !progress() && Button(main, Row(43)) != nullptr;
      },
      900s);
  const TPhase clean = cleanSampler.Stop();
  if (!cleaned) Fail(sawDialog ? "the clean did not return to the ready list" : "no progress dialog");

  ::PostMessageA(main, ::RegisterWindowMessageA("UM_TERMINATE"), 0, 0);
  ::WaitForSingleObject(end.process, 15000);

  std::printf("{\"findings\":%d,\"expand_ms\":%.1f,\"idle\":%s,\"scan\":%s,\"list\":%s,\"clean\":%s}\n", items,
              expandMs, Json(idle).c_str(), Json(scan).c_str(), Json(list).c_str(), Json(clean).c_str());
  return 0;
}
