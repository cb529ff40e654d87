// What the main window's gauge timers pay on the UI thread: the CPU gauge
// every 500 ms, the disk gauges every 2000 ms.
#include "platform/cpuload.h"
#include "platform/dialogs.h"
#include "platform/disk.h"

#include <benchmark/benchmark.h>

#include <QDir>

using namespace vistrel::platform;

static void BM_CpuGaugeRefresh(benchmark::State &state) {
  CpuLoad load;
  for (auto _ : state) {
    load.Update(CpuLoad::ReadProcStat());
    benchmark::DoNotOptimize(load.Busiest());
  }
}
BENCHMARK(BM_CpuGaugeRefresh);

static void BM_CpuParse64Cpus(benchmark::State &state) {
  QString text = "cpu  1 2 3 4 5 6 7 8 0 0\n";
  for (int i = 0; i < 64; ++i) text += QString("cpu%1 123456 789 45678 9876543 1234 0 567 0 0 0\n").arg(i);
  text += "intr 1 2 3\nctxt 4\nbtime 5\n";
  CpuLoad load;
  for (auto _ : state) benchmark::DoNotOptimize(load.Update(text));
}
BENCHMARK(BM_CpuParse64Cpus);

static void BM_DiskGaugeRefresh(benchmark::State &state) {
  const QString path = QDir::tempPath() + "/not/yet/written/video 0001.avi";
  for (auto _ : state) {
    benchmark::DoNotOptimize(DiskFiguresOf(path));
    benchmark::DoNotOptimize(DriveOfPath(path));
  }
}
BENCHMARK(BM_DiskGaugeRefresh);

static void BM_MarkupToPlainText(benchmark::State &state) {
  const QString text = "<B>The file</B> <COLOR RED>video 0001.avi</COLOR> already exists.<BR>Overwrite it?<BR CENTER>";
  for (auto _ : state) benchmark::DoNotOptimize(DialogService::PlainText(text));
}
BENCHMARK(BM_MarkupToPlainText);

BENCHMARK_MAIN();
