// Main-window figures: from showing the window to the first previewed frame
// of the test camera (the whole start-up: settings, devices, activation,
// graph), and from choosing another video source in the box to its first
// painted frame.
#include "actions/uraccourcis.h"
#include "app/mainform.h"
#include "app/plaque.h"
#include "graph/avgraph.h"
#include "settings/settings.h"
#include "ui/videowindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

using namespace vistrel;

namespace {

bool Spin(const std::function<bool()> &done, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 1);
  return done();
}

struct Windows {
  TCaptureForm form;
  Tdm dm;
  Tplaque plaque;
  TRaccourcisForm raccourcis;
  Windows() {
    form.Attach(&dm, &plaque, &raccourcis);
    form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spNone; };
  }
  ~Windows() { form.close(); }
  ui::VideoWindow *Window() { return static_cast<ui::VideoWindow *>(form.VideoWindow()); }
};

void BM_ShowToFirstFrame_TestCamera(benchmark::State &state) {
  for (auto _ : state) {
    Windows w;
    QElapsedTimer t;
    t.start();
    w.form.show();
    if (!Spin([&] { return w.Window()->FramesShown() > 0; })) state.SkipWithError("no frame");
    state.SetIterationTime(t.nsecsElapsed() / 1e9);
  }
}

void BM_ChooseToFirstFrame(benchmark::State &state) {
  Windows w;
  w.form.show();
  Spin([&] { return w.Window()->FramesShown() > 0; });
  auto *box = w.form.SourcesFrame->cboxvideo;
  const QStringList names{"Vistrel Test Capture Card - Video", "Vistrel Test Camera"};
  int n = 0;
  for (auto _ : state) {
    const int index = box->findText(names[n++ % 2]);
    QElapsedTimer t;
    t.start();
    box->setCurrentIndex(index);
    emit box->activated(index);
    w.Window()->ResetCounters();
    if (!Spin([&] { return w.Window()->FramesShown() > 0; })) state.SkipWithError("no frame");
    state.SetIterationTime(t.nsecsElapsed() / 1e9);
  }
}

BENCHMARK(BM_ShowToFirstFrame_TestCamera)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChooseToFirstFrame)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  qputenv("VISTREL_TEST_DEVICES", "1");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // No settings of the user's are read or written.
  const QString home = QDir::temp().filePath("vistrel-bench-app");
  QDir().mkpath(home);
  qputenv("HOME", home.toUtf8());
  qputenv("XDG_CONFIG_HOME", (home + "/.config").toUtf8());
  gst_init(&argc, &argv);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
