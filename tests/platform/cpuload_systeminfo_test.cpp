#include "platform/cpuload.h"
#include "platform/systeminfo.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vistrel::platform;

namespace {
// Fields: user nice system idle iowait irq softirq steal guest guest_nice.
const char *kFirst =
    "cpu  300 0 100 1600 0 0 0 0 0 0\n"
    "cpu0 100 0 50 800 0 0 0 0 0 0\n"
    "cpu1 200 0 50 800 0 0 0 0 0 0\n"
    "intr 12345 0 0\n"
    "ctxt 999\n";
}  // namespace

TEST(CpuLoad, FirstSampleGivesZerosThenDeltasGivePercent) {
  CpuLoad load;
  EXPECT_EQ(load.Busiest(), 0);
  EXPECT_EQ(load.Update(kFirst), (std::vector<int>{0, 0}));
  EXPECT_EQ(load.Busiest(), 0);
  // cpu0: 100 of 200 ticks busy; cpu1: 150 busy of 200, 50 of them iowait
  // (iowait is idle time: the CPU could have run something else).
  const char *second =
      "cpu  0 0 0 0 0 0 0 0 0 0\n"
      "cpu0 150 0 100 900 0 0 0 0 0 0\n"
      "cpu1 300 0 100 800 50 0 0 0 0 0\n";
  EXPECT_EQ(load.Update(second), (std::vector<int>{50, 75}));
  EXPECT_EQ(load.Busiest(), 75);
}

TEST(CpuLoad, GuestTimeIsNotCountedTwice) {
  CpuLoad load;
  load.Update("cpu0 100 0 0 100 0 0 0 0 0 0\n");
  // 100 more user ticks, all of them guest time already inside user.
  EXPECT_EQ(load.Update("cpu0 200 0 0 200 0 0 0 0 100 0\n"), (std::vector<int>{50}));
}

TEST(CpuLoad, SingleCpuMachineShowsThatCpu) {
  CpuLoad load;
  load.Update("cpu 10 0 0 90\ncpu0 10 0 0 90\n");
  load.Update("cpu 90 0 0 110\ncpu0 90 0 0 110\n");
  EXPECT_EQ(load.Loads(), (std::vector<int>{80}));
  EXPECT_EQ(load.Busiest(), 80);
}

TEST(CpuLoad, OddSamplesNeverGiveNonsense) {
  CpuLoad load;
  load.Update(kFirst);
  // No time passed: no figure rather than a division by zero.
  EXPECT_EQ(load.Update(kFirst), (std::vector<int>{0, 0}));
  // Counters that went back (CPU re-plugged) give 0, not a huge number.
  EXPECT_EQ(load.Update("cpu0 1 0 0 1\ncpu1 1 0 0 1\n"), (std::vector<int>{0, 0}));
  // A CPU appearing between samples starts at 0; the others still count.
  EXPECT_EQ(load.Update("cpu0 2 0 0 2\ncpu1 3 0 0 1\ncpu2 5 0 0 5\n"), (std::vector<int>{50, 100, 0}));
  // Garbage and truncated lines are ignored.
  EXPECT_TRUE(load.Update("").empty());
  EXPECT_EQ(load.Busiest(), 0);
  EXPECT_TRUE(load.Update("cpu0 a b c d\ncpuX 1 2 3 4\ncpu1 1 2\n\xff\xfe").empty());
}

TEST(CpuLoad, ReadsThisMachine) {
  const QString text = CpuLoad::ReadProcStat();
  ASSERT_TRUE(text.startsWith("cpu "));
  CpuLoad load;
  load.Update(text);
  EXPECT_FALSE(load.Loads().empty());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  for (int v : load.Update(CpuLoad::ReadProcStat())) {
    EXPECT_GE(v, 0);
    EXPECT_LE(v, 100);
  }
}

TEST(SystemInfo, PrettyNameOfOsRelease) {
  EXPECT_EQ(PrettyNameFromOsRelease("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(PrettyNameFromOsRelease("PRETTY_NAME=Plain\n"), "Plain");
  EXPECT_EQ(PrettyNameFromOsRelease("PRETTY_NAME='Single quoted'\n"), "Single quoted");
  EXPECT_EQ(PrettyNameFromOsRelease("PRETTY_NAME=\"Say \\\"hi\\\"\"\n"), "Say \"hi\"");
  EXPECT_EQ(PrettyNameFromOsRelease("NAME=x\n"), "");
  EXPECT_EQ(PrettyNameFromOsRelease("PRETTY_NAME=\"\n"), "\"");
  EXPECT_FALSE(DistributionName().isEmpty());
  EXPECT_TRUE(KernelVersion().startsWith("Linux ")) << KernelVersion().toStdString();
}
