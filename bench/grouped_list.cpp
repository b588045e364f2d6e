// The figures of bench/grouped_list: a group of N entries filled and expanded in the grouped list
// (items made when the group first opens, every third one ticked, then painted), the memory the
// list takes per entry, and the time of a scroll-and-paint step through the group; the same fill
// in the system's virtual list view (owner data, report view) is the floor.
//   grouped_list_bench.exe [N]        N defaults to 100000; prints one line of JSON
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstddef>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "ui/components/GroupedList.h"
#include "ui/components/Window.h"

// Every allocation of the program is counted, so that what the list keeps can be told apart from
// what the system keeps for its windows.
namespace {
std::atomic<long long> g_liveBytes{0};
constexpr std::size_t kHeader = 16;  // keeps the blocks 16-byte aligned
}

void* operator new(std::size_t size) {
  auto* block = static_cast<std::size_t*>(std::malloc(size + kHeader));
  if (!block) throw std::bad_alloc();
  *block = size;
  g_liveBytes += static_cast<long long>(size);
  return reinterpret_cast<char*>(block) + kHeader;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  auto* block = reinterpret_cast<std::size_t*>(static_cast<char*>(p) - kHeader);
  g_liveBytes -= static_cast<long long>(*block);
  std::free(block);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from) {
  return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// The bytes the program's own allocations hold, and the bytes the system's heap holds in use
// (which the system's list view allocates from).
long long ProgramBytes() { return g_liveBytes.load(); }
long long HeapBytes() {
  long long used = 0;
  HANDLE heap = ::GetProcessHeap();
  ::HeapLock(heap);
  PROCESS_HEAP_ENTRY entry{};
  while (::HeapWalk(heap, &entry))
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
  ::HeapUnlock(heap);
  return used;
}

void Paint(HWND hwnd) { ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

}  // namespace

int main(int argc, char** argv) {
  using namespace tw;
  const int n = argc > 1 ? std::atoi(argv[1]) : 100000;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&icc);
  HWND parent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 1000, 700, nullptr, nullptr,
                                  nullptr, nullptr);
  const std::string caption = "C:\\Users\\someone\\AppData\\Local\\Temp\\a finding of the scan.tmp";

  // The grouped list: the owner keeps nothing per entry; texts are made when a tile is drawn.
  double fillMs = 0, scrollMs = 0;
  long long listBytes = 0;
  {
    TGroupedList list(parent, 1);
    ::MoveWindow(list.Handle(), 0, 0, 1000, 700, TRUE);
    list.SetCheckBoxes(TCheckBoxes::Shown);
    list.OnItemCaption = [&](int, int) { return caption; };
    list.OnItemDetail = [](int, int i) { return std::to_string(i * 512) + " bytes"; };
    list.OnGroupExpanding = [&](int g) {
      if (list.ItemCount(g) > 0) return;
      list.SetItemCount(g, n);
      for (int i = 0; i < n; i += 3) list.SetItemChecked(g, i, true);
    };
    Paint(list.Handle());
    const long long before = ProgramBytes();
    const auto start = Clock::now();
    const int g = list.AddGroup("Temporary files (" + std::to_string(n) + ")");
    list.SetGroupExpanded(g, true);
    Paint(list.Handle());
    fillMs = Ms(start);
    listBytes = ProgramBytes() - before;
    // Scrolling: page by page through the first 200 pages, each step painted.
    const auto scroll = Clock::now();
    for (int i = 0; i < 200; ++i) {
      ::SendMessageA(list.Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
      ::UpdateWindow(list.Handle());
    }
    scrollMs = Ms(scroll) / 200;
  }

  // The floor: the system's virtual list view given the same number of entries.
  double floorMs = 0;
  long long floorBytes = 0;
  {
    HWND view = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA, 0, 0,
                                  1000, 700, parent, nullptr, nullptr, nullptr);
    ::SendMessageA(view, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.cx = 900;
    column.pszText = const_cast<char*>("Findings");
    ::SendMessageA(view, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    Paint(view);
    const long long before = HeapBytes();
    const auto start = Clock::now();
    ::SendMessageA(view, LVM_SETITEMCOUNT, static_cast<WPARAM>(n), 0);
    Paint(view);
    floorMs = Ms(start);
    floorBytes = HeapBytes() - before;
    ::DestroyWindow(view);
  }
  ::DestroyWindow(parent);

  std::printf("{\"entries\": %d, \"fill_expand_ms\": %.2f, \"bytes_per_entry\": %.2f, \"scroll_paint_ms\": %.2f, "
              "\"floor_fill_ms\": %.2f, \"floor_bytes_per_entry\": %.2f}\n",
              n, fillMs, static_cast<double>(listBytes) / n, scrollMs, floorMs, static_cast<double>(floorBytes) / n);
  return 0;
}
