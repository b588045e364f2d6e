#include "platform/SystemInfo.h"

#include <windows.h>
#include <intrin.h>

#include "platform/RegRead.h"

namespace tw {

namespace {

// Keeps the calling thread on one processor while it lives: time-stamp counters of different
// processors need not agree.
class TOneProcessor {
 public:
  TOneProcessor() {
    DWORD_PTR process = 0, system = 0;
    if (::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) && process) {
      const DWORD_PTR first = process & (~process + 1);
      previous_ = ::SetThreadAffinityMask(::GetCurrentThread(), first);
    }
  }
  ~TOneProcessor() {
    if (previous_) ::SetThreadAffinityMask(::GetCurrentThread(), previous_);
  }
  TOneProcessor(const TOneProcessor&) = delete;
  TOneProcessor& operator=(const TOneProcessor&) = delete;

 private:
  DWORD_PTR previous_ = 0;
};

}  // namespace

TSystemFacts ReadSystemFacts() {
  TSystemFacts facts;
  // The version as the system knows it: GetVersionEx answers what the program's manifest allows.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof version;
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
  if (rtlGetVersion && rtlGetVersion(&version) == 0) {
    facts.Major = version.dwMajorVersion;
    facts.Minor = version.dwMinorVersion;
    facts.Build = version.dwBuildNumber;
    facts.Server = version.wProductType != VER_NT_WORKSTATION;
  }
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  if (::GlobalMemoryStatusEx(&memory)) {
    facts.MemoryLoad = static_cast<int>(memory.dwMemoryLoad);
    facts.TotalPhysical = memory.ullTotalPhys;
  }
  facts.Processors = static_cast<int>(::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS));
  if (facts.Processors <= 0) {
    SYSTEM_INFO info{};
    ::GetNativeSystemInfo(&info);
    facts.Processors = static_cast<int>(info.dwNumberOfProcessors);
  }
  return facts;
}

int GetCPUFrequency() {
  if (!::IsProcessorFeaturePresent(PF_RDTSC_INSTRUCTION_AVAILABLE))
    throw ECPUFrequencyError("not PF_RDTSC_INSTRUCTION_AVAILABLE");
  LARGE_INTEGER frequency{};
  if (!::QueryPerformanceFrequency(&frequency))
    throw ECPUFrequencyError("not QueryPerformanceFrequency(CountFreq)");
  if (frequency.QuadPart == 0) throw ECPUFrequencyError("CountFreq = 0");

  TOneProcessor pinned;
  LARGE_INTEGER t0{}, t1{};
  if (!::QueryPerformanceCounter(&t0)) throw ECPUFrequencyError("not QueryPerformanceCounter(T0)");
  // Start on a fresh counter tick, then count cycles over more than 99 999 ticks.
  unsigned long long start = 0;
  do {
    if (!::QueryPerformanceCounter(&t1))
      throw ECPUFrequencyError("not QueryPerformanceCounter(T1-T0 < 50)");
    start = __rdtsc();
  } while (t1.QuadPart - t0.QuadPart < 50);
  t0 = t1;
  unsigned long long end = 0;
  do {
    if (!::QueryPerformanceCounter(&t1))
      throw ECPUFrequencyError("not QueryPerformanceCounter(T1-T0 < 100000)");
    end = __rdtsc();
  } while (t1.QuadPart - t0.QuadPart <= 99999);

  const unsigned long long cycles = end - start;
  if (cycles == 0) throw ECPUFrequencyError("Cycles = 0");
  const long long ticks = t1.QuadPart - t0.QuadPart;
  const long long micros = (ticks * 1000000 + frequency.QuadPart / 2) / frequency.QuadPart;
  if (micros == 0) throw ECPUFrequencyError("Ticks = 0");
  return static_cast<int>((cycles + micros / 2) / static_cast<unsigned long long>(micros));
}

std::optional<int> RecordedProcessorMHz() {
  const TRegReadKey key(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0");
  if (!key.IsOpen()) return std::nullopt;
  return static_cast<int>(key.Dword("~MHz").value_or(0));
}

}  // namespace tw
