#include <gtest/gtest.h>
#include <windows.h>

#include "platform/SystemInfo.h"

namespace tw {
namespace {

TEST(SystemInfo, FactsOfThisMachine) {
  const TSystemFacts facts = ReadSystemFacts();
  EXPECT_GE(facts.Major, 5u);
  EXPECT_GT(facts.Build, 0u);
  EXPECT_GT(facts.TotalPhysical, 64ull << 20);
  EXPECT_GE(facts.MemoryLoad, 0);
  EXPECT_LE(facts.MemoryLoad, 100);
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  EXPECT_GE(facts.Processors, static_cast<int>(info.dwNumberOfProcessors));
}

TEST(SystemInfo, MeasuredClockIsPlausible) {
  // Any processor of this century: between 200 MHz and 10 GHz (a time-stamp counter that runs
  // at the nominal clock, whatever the current one).
  const int mhz = GetCPUFrequency();
  EXPECT_GT(mhz, 200);
  EXPECT_LT(mhz, 10000);
}

}  // namespace
}  // namespace tw
