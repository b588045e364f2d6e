// The probe of bench/responsiveness: drives the real Tidewhisk.exe through a scan, the results
// list and a clean, and meanwhile measures from outside how long the program's window takes to
// answer: every 10 ms a message is sent to it (WM_NULL) and its round trip is timed. A window
// answers a sent message only when its thread looks at its messages, so the longest round trip
// is the longest stall of input and painting (less at most the 10 ms between two probes). The
// texts that show the current finding (the status bar during the scan, the progress dialog's
// entry during the clean) are sampled in the same beat and each change is counted.
//   responsiveness_probe.exe PROGRAM.exe DATABASE.dat FINDINGS
// PROGRAM.exe is started with DATABASE.dat as its database in Quick mode (the database must hold
// one object finding FINDINGS entries in that mode); prints one line of JSON. With TW_PROBE_TRACE
// set, every beat is printed to the error output: seconds into the phase, round trip in ms, text
// changes and screen changes so far, and the trip's start on the steady clock in ms.
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
  double maxAt = 0;  // when the longest round trip began, in seconds into the phase
  double floorMaxMs = 0, floorP99Ms = 0;  // the same of the idle window, probed in the same beats
  int changes = 0;        // changes of the watched text
  int paints = 0;         // changes of the watched area's pixels on the screen
  double paintLagMs = 0;  // longest time from a text change to the next change on the screen
  double paintLagAt = 0;  // when that text change came, in seconds into the phase
};

// What a sampler watches besides the window it probes: a text (looked for until found; reading
// it is then the beat's round trip) and the area of the screen that shows it.
struct TWatch {
  std::function<HWND()> text;
  std::function<bool(HWND text, RECT&)> area;
};

// The pixels of a screen area, hashed.
class TScreenArea {
 public:
  TScreenArea() : screen_(::GetDC(nullptr)), memory_(::CreateCompatibleDC(screen_)) {}
  ~TScreenArea() {
    if (bitmap_) ::DeleteObject(bitmap_);
    ::DeleteDC(memory_);
    ::ReleaseDC(nullptr, screen_);
  }
  unsigned long long Hash(const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return 0;
    if (w != w_ || h != h_) {
      if (bitmap_) ::DeleteObject(bitmap_);
      BITMAPINFO info{};
      info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      bitmap_ = ::CreateDIBSection(memory_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
      ::SelectObject(memory_, bitmap_);
      w_ = w;
      h_ = h;
    }
    ::BitBlt(memory_, 0, 0, w, h, screen_, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    unsigned long long hash = 1469598103934665603ull;
    for (int i = 0; i < w * h; ++i) hash = (hash ^ (bits_[i] & 0xFFFFFF)) * 1099511628211ull;
    return hash;
  }

 private:
  HDC screen_, memory_;
  HBITMAP bitmap_ = nullptr;
  std::uint32_t* bits_ = nullptr;
  int w_ = 0, h_ = 0;
};

// Sends WM_NULL to Target every 10 ms from a thread of its own and times each round trip; the
// watched text and its area on the screen are sampled in the same beat.
class TSampler {
 public:
  TSampler(HWND target, HWND idle, TWatch watch = {})
      : target_(target), idle_(idle), watch_(std::move(watch)), start_(Clock::now()) {
    thread_ = std::thread([this] { Run(); });
  }
  TPhase Stop() {
    stop_ = true;
    thread_.join();
    TPhase phase;
    phase.seconds = Ms(Clock::now() - start_) / 1000;
    phase.probes = static_cast<int>(trips_.size());
    Stats(trips_, phase.maxMs, phase.p99Ms, &phase.meanMs);
    Stats(floorTrips_, phase.floorMaxMs, phase.floorP99Ms, nullptr);
    phase.changes = changes_;
    phase.paints = paints_;
    phase.maxAt = longestAt_;
    phase.paintLagMs = paintLag_;
    phase.paintLagAt = paintLagAt_;
    return phase;
  }
  // Seconds since the sampler started.
  double Now() const { return Ms(Clock::now() - start_) / 1000; }
  // The round trips (of both windows) that began From to To seconds into the phase, after Stop.
  TPhase Part(double from, double to) const {
    TPhase part;
    part.seconds = to - from;
    std::vector<double> trips, floorTrips;
    double longest = -1;
    for (std::size_t i = 0; i < trips_.size(); ++i)
      if (began_[i] >= from && began_[i] < to) {
        trips.push_back(trips_[i]);
        floorTrips.push_back(floorTrips_[i]);
        if (trips_[i] > longest) {
          longest = trips_[i];
          part.maxAt = began_[i];
        }
      }
    part.probes = static_cast<int>(trips.size());
    Stats(trips, part.maxMs, part.p99Ms, &part.meanMs);
    Stats(floorTrips, part.floorMaxMs, part.floorP99Ms, nullptr);
    return part;
  }

 private:
  static void Stats(std::vector<double> trips, double& max, double& p99, double* mean) {
    if (trips.empty()) return;
    std::sort(trips.begin(), trips.end());
    max = trips.back();
    p99 = trips[std::min(trips.size() - 1, trips.size() * 99 / 100)];
    double sum = 0;
    for (double t : trips) sum += t;
    if (mean) *mean = sum / static_cast<double>(trips.size());
  }
  double Trip(HWND hwnd, UINT msg, WPARAM w, LPARAM l, DWORD_PTR* result) {
    const auto t0 = Clock::now();
    ::SendMessageTimeoutW(hwnd, msg, w, l, SMTO_NORMAL, 60000, result);
    return Ms(Clock::now() - t0);
  }
  void Run() {
    auto next = Clock::now();
    HWND watched = nullptr;
    std::wstring lastText, shownText;
    bool haveText = false;
    TScreenArea screen;
    unsigned long long lastPixels = 0;
    bool havePixels = false, pending = false;
    Clock::time_point pendingSince;
    while (!stop_) {
      DWORD_PTR result = 0;
      began_.push_back(Now());
      floorTrips_.push_back(Trip(idle_, WM_NULL, 0, 0, &result));
      // The screen first, then the text: a text that changed since the last beat and shows
      // already has been painted in time.
      if (!watched && watch_.text) watched = watch_.text();
      if (watched && !::IsWindow(watched)) watched = nullptr;
      bool painted = false;
      RECT area{};
      if (watch_.area && watch_.area(watched, area)) {
        const unsigned long long pixels = screen.Hash(area);
        painted = havePixels && pixels != lastPixels;
        paints_ += painted;
        lastPixels = pixels;
        havePixels = true;
      }
      // One round trip a beat: reading the text when there is one, else a message that does nothing.
      double trip = 0;
      if (!watched) {
        trip = Trip(target_, WM_NULL, 0, 0, &result);
      } else {
        wchar_t text[1024] = L"";
        trip = Trip(watched, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), &result);
        const auto now = Clock::now();
        if (text != lastText) {
          ++changes_;
          lastText = text;
        }
        if (!haveText) {
          shownText = text;  // what was there before is on the screen
          haveText = true;
        } else if (painted) {
          if (pending && Ms(now - pendingSince) > paintLag_) {
            paintLag_ = Ms(now - pendingSince);
            paintLagAt_ = Ms(pendingSince - start_) / 1000;
          }
          pending = false;
          shownText = text;  // at best: the text may have changed after the pixels were read
        } else if (text != shownText && !pending) {
          pending = true;
          pendingSince = now;
        }
      }
      trips_.push_back(trip);
      if (trip > longest_) {
        longest_ = trip;
        longestAt_ = Ms(Clock::now() - start_) / 1000 - trip / 1000;
      }
      if (trace_)
        std::fprintf(stderr, "beat %.3f %.1f %d %d %.1f\n", Ms(Clock::now() - start_) / 1000, trip, changes_, paints_,
                     Ms(Clock::now().time_since_epoch()) - trip);
      next += 10ms;
      const auto now = Clock::now();
      if (next < now) next = now;
      while (!stop_ && Clock::now() < next) ::Sleep(1);
    }
  }

  HWND target_, idle_;
  TWatch watch_;
  const bool trace_ = std::getenv("TW_PROBE_TRACE") != nullptr;
  Clock::time_point start_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<double> began_, trips_, floorTrips_;
  int changes_ = 0, paints_ = 0;
  double paintLag_ = 0, paintLagAt_ = 0, longest_ = 0, longestAt_ = 0;
};

std::string Json(const TPhase& p) {
  char text[256];
  std::snprintf(text, sizeof text,
                "{\"seconds\":%.3f,\"probes\":%d,\"max_ms\":%.1f,\"max_at_s\":%.2f,\"p99_ms\":%.1f,\"mean_ms\":%.2f,\"floor_max_ms\":%.1f,"
                "\"floor_p99_ms\":%.1f,\"changes\":%d,"
                "\"paints\":%d,\"paint_lag_ms\":%.1f,\"paint_lag_at_s\":%.2f}",
                p.seconds, p.probes, p.maxMs, p.maxAt, p.p99Ms, p.meanMs, p.floorMaxMs, p.floorP99Ms, p.changes, p.paints, p.paintLagMs, p.paintLagAt);
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

constexpr const char* kIdleClass = "TwBenchIdleWindow";

// The floor's window: a window of another process that does nothing but answer its messages.
int RunIdleWindow() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_CLOSE) ::PostQuitMessage(0);
    return ::DefWindowProcA(hwnd, msg, w, l);
  };
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = kIdleClass;
  ::RegisterClassA(&wc);
  ::CreateWindowExA(0, kIdleClass, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
  return 0;
}

// A process that ends with the probe.
struct TChild {
  HANDLE process = nullptr;
  DWORD pid = 0;
  explicit TChild(const std::string& commandLine) {
    std::string command = commandLine;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      Fail("cannot start " + commandLine);
    ::CloseHandle(pi.hThread);
    process = pi.hProcess;
    pid = pi.dwProcessId;
  }
  TChild(const TChild&) = delete;
  ~TChild() {
    if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(process, 99);
      ::WaitForSingleObject(process, 5000);
    }
    ::CloseHandle(process);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--idle-window") return RunIdleWindow();
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

  char self[MAX_PATH];
  ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  TChild idleProcess("\"" + std::string(self) + "\" --idle-window");
  HWND idle = nullptr;
  if (!WaitFor([&] { return (idle = TopWindow(idleProcess.pid, kIdleClass)) != nullptr; }, 30s))
    Fail("the idle window did not come up");
  TChild tidewhisk("\"" + program + "\"");
  const DWORD pid = tidewhisk.pid;

  HWND main = nullptr;
  if (!WaitFor([&] { return (main = TopWindow(pid, "TTWMainForm")) && ::IsWindowVisible(main) && Button(main, Row(43)); },
               60s))
    Fail("the main window did not get ready for a scan");
  std::this_thread::sleep_for(2s);  // the start-up's last work (icons, first-show tasks) settles
  HWND statusBar = ChildOfClass(main, STATUSCLASSNAMEA);
  HWND results = ::GetDlgItem(main, 4);
  if (!statusBar || !results) Fail("no status bar or results list");
  // The status bar's first panel (the current finding) takes the left 60 % of the bar.
  const TWatch status{[statusBar] { return statusBar; },
                      [](HWND statusBar, RECT& r) {
                        if (!::GetWindowRect(statusBar, &r)) return false;
                        r.right = r.left + (r.right - r.left) * 55 / 100;
                        ::InflateRect(&r, -2, -2);
                        return true;
                      }};

  // The program's own window while it waits for the user.
  TSampler idleSampler(main, idle, status);
  std::this_thread::sleep_for(3s);
  const TPhase quiet = idleSampler.Stop();

  // The scan, until Clean is offered.
  TSampler scanSampler(main, idle, status);
  ClickAt(Button(main, Row(43)), 5, 5);
  const bool scanned = WaitFor([&] { return Button(main, Row(46)) != nullptr; }, 900s);
  const TPhase scan = scanSampler.Stop();
  if (!scanned) Fail("the scan did not end with results");
  if (Ask(results, tw::TGL_GETGROUPCOUNT) != 1) Fail("expected one results group");
  std::this_thread::sleep_for(1s);

  // The results: the group opened (its entries made), then paged through, to the end, wheeled,
  // walked with the keys and back to the top, a step every 25 ms.
  TSampler listSampler(main, idle, {{}, [results](HWND, RECT& r) { return ::GetWindowRect(results, &r) != FALSE; }});
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

  // The clean, until the ready list is back; the entry the progress dialog shows.
  auto progress = [pid] { return TopWindow(pid, "TCleanProgress"); };
  auto entry = [progress]() -> HWND {
    HWND dialog = progress();
    return dialog ? ChildOfClass(dialog, "STATIC", SS_NOPREFIX) : nullptr;
  };
  bool sawDialog = false;
  double dialogShown = 0, dialogGone = 0;
  TSampler cleanSampler(main, idle, {entry,
                               [](HWND label, RECT& r) { return label && ::GetWindowRect(label, &r); }});
  ClickAt(Button(main, Row(46)), 5, 5);
  const bool cleaned = WaitFor(
      [&] {
        const HWND dialog = progress();
        if (!sawDialog && dialog && ::IsWindowVisible(dialog)) {
          sawDialog = true;
          dialogShown = cleanSampler.Now();
        }
        if (sawDialog && !dialog && dialogGone == 0) dialogGone = cleanSampler.Now();
        return dialogGone > 0 && Button(main, Row(43)) != nullptr;
      },
      900s);
  const double cleanEnd = cleanSampler.Now();
  const TPhase clean = cleanSampler.Stop();
  if (!cleaned) Fail(sawDialog ? "the clean did not return to the ready list" : "no progress dialog");
  // Its parts: up to the progress dialog, the dialog, and from the dialog back to the ready list.
  const TPhase cleanStart = cleanSampler.Part(0, dialogShown);
  const TPhase cleanDialog = cleanSampler.Part(dialogShown, dialogGone);
  const TPhase cleanBack = cleanSampler.Part(dialogGone, cleanEnd + 1);

  ::PostMessageA(main, ::RegisterWindowMessageA("UM_TERMINATE"), 0, 0);
  ::WaitForSingleObject(tidewhisk.process, 15000);
  ::PostMessageA(idle, WM_CLOSE, 0, 0);
  ::WaitForSingleObject(idleProcess.process, 5000);

  std::printf("{\"findings\":%d,\"expand_ms\":%.1f,\"idle\":%s,\"scan\":%s,\"list\":%s,\"clean\":%s,"
              "\"clean_start\":%s,\"clean_dialog\":%s,\"clean_back\":%s}\n",
              items, expandMs, Json(quiet).c_str(), Json(scan).c_str(), Json(list).c_str(), Json(clean).c_str(),
              Json(cleanStart).c_str(), Json(cleanDialog).c_str(), Json(cleanBack).c_str());
  return 0;
}
