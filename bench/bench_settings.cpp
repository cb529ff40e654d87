// Cost of loading and saving all settings in each store, and of parsing a
// registry file, so start-up and exit stay quick as the settings grow.
#include "platform/registry.h"
#include "settings/settingskeys.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

using namespace vistrel::settings;

namespace {

void SaveAndLoad(benchmark::State &state) {
  QTemporaryDir dir;
  qputenv("VISTREL_PROGRAM_DIR", dir.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
  TparameterList list(SettingsSignature());
  CreateSettings(list);
  for (auto _ : state) {
    StoreMode = quint8(state.range(0));
    SaveSettings(list);
    StoreMode = quint8(state.range(0));
    list.LoadAll();
  }
}
BENCHMARK(SaveAndLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void ParseRegistryText(benchmark::State &state) {
  QByteArray text = "Windows Registry Editor Version 5.00\r\n\r\n";
  for (int k = 0; k < 100; ++k) {
    text += "[HKEY_CURRENT_USER\\Software\\Key" + QByteArray::number(k) + "]\r\n";
    for (int v = 0; v < 20; ++v)
      text += "\"Value" + QByteArray::number(v) + "\"=\"some text\\\\here\"\r\n\"D" +
              QByteArray::number(v) + "\"=dword:0000002a\r\n";
  }
  for (auto _ : state) benchmark::DoNotOptimize(vistrel::platform::NormalizeRegText(text));
  state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(ParseRegistryText)->Unit(benchmark::kMillisecond);

// A registry file with one key of N values, read through the store as a
// start-up reads it: the time must grow with the file, not with its square.
void LoadKeyOfManyValues(benchmark::State &state) {
  QTemporaryDir dir;
  const QString file = dir.filePath("registry.reg");
  QByteArray text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Many]\r\n";
  for (int v = 0; v < state.range(0); ++v)
    text += "\"Value" + QByteArray::number(v) + "\"=dword:0000002a\r\n";
  QFile out(file);
  if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size()) state.SkipWithError("cannot write");
  out.close();
  for (auto _ : state) {
    vistrel::platform::Registry reg(file);
    benchmark::DoNotOptimize(reg.Value("Software\\Many", "Value7"));
  }
  state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(LoadKeyOfManyValues)->Arg(20000)->Arg(80000)->Arg(320000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
