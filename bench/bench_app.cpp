// Main-window figures: from showing the window to the first previewed frame
// of the test camera (the whole start-up: settings, devices, activation,
// graph), and from choosing another video source in the box to its first
// painted frame.
#include "actions/superaction.h"
#include "actions/uraccourcis.h"
#include "app/mainform.h"
#include "app/plaque.h"
#include "platform/dialogs.h"
#include "graph/avgraph.h"
#include "settings/settings.h"
#include "ui/videowindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>

#include <algorithm>
#include <mutex>
#include <vector>
#include <chrono>

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

// Wall-clock times (ns, steady clock) of the frames entering the capture
// branch, seen from a streaming thread.
struct FrameTimes {
  std::mutex mutex;
  std::vector<qint64> times;
  static qint64 Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  static GstPadProbeReturn Seen(GstPad *, GstPadProbeInfo *, gpointer self) {
    auto *t = static_cast<FrameTimes *>(self);
    std::lock_guard lock(t->mutex);
    t->times.push_back(Now());
    return GST_PAD_PROBE_OK;
  }
  void Watch(GstElement *element) {
    GstPad *pad = gst_element_get_static_pad(element, "sink");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, Seen, this, nullptr);
    gst_object_unref(pad);
  }
  int Count() {
    std::lock_guard lock(mutex);
    return int(times.size());
  }
  qint64 First() {
    std::lock_guard lock(mutex);
    return times.empty() ? 0 : times.front();
  }
  // The gap between the last frame before `moment` and the first after it.
  qint64 GapAround(qint64 moment) {
    std::lock_guard lock(mutex);
    auto after = std::upper_bound(times.begin(), times.end(), moment);
    if (after == times.begin() || after == times.end()) return 0;
    return *after - *(after - 1);
  }
};

// A capture of the test camera in the format given by the argument (divx; the
// recompressed DV and WMV, whose chains Cut builds anew): Capture action to
// the first frame in the capture branch, Cut (frames missing between the two
// files, from the gap in the frames reaching the branch), and Capture again
// to the finalized file.
void BM_CaptureStartCutStop(benchmark::State &state) {
  Windows w;
  w.form.show();
  Spin([&] { return w.Window()->FramesShown() > 0; });
  platform::DialogService::Instance().SetUnattended(platform::DlgAnswer::Yes);
  const QString folder = QDir::temp().filePath("vistrel-bench-app/captures");
  QDir(folder).removeRecursively();
  QDir().mkpath(folder);
  w.form.leVideoDirectory->setText(folder);
  w.form.VideoDirectoryChange();
  auto *formats = w.form.SourcesFrame->cbFormatCapture;
  const int index = formats->findData(int(state.range(0)));
  if (index < 0) {
    state.SkipWithError("format not offered");
    return;
  }
  formats->setCurrentIndex(index);
  emit formats->activated(index);
  auto *capture = w.form.Action("saCapturerBascule");
  auto *cut = w.form.Action("acCouper");
  std::vector<double> starts, stops, lost, cuts, previews, firsts;
  for (auto _ : state) {
    FrameTimes frames;
    QElapsedTimer t;
    t.start();
    capture->ExecuteInteractive();
    GstElement *gate = w.dm.OwnElement("Control_Capture_Video");
    if (!gate || w.form.Etat() != esCapture) {
      state.SkipWithError("capture did not start");
      break;
    }
    frames.Watch(gate);
    const qint64 pressed = FrameTimes::Now() - t.nsecsElapsed();
    Spin([&] { return frames.Count() > 0; });
    starts.push_back((frames.First() - pressed) / 1e6);
    Spin([] { return false; }, 1000);
    const int before = frames.Count();
    const qint64 cutAt = FrameTimes::Now();
    QElapsedTimer c;
    c.start();
    cut->ExecuteInteractive();
    cuts.push_back(c.nsecsElapsed() / 1e6);
    w.Window()->ResetCounters();
    Spin([&] { return w.Window()->FramesShown() > 0; });
    previews.push_back(c.nsecsElapsed() / 1e6);
    Spin([&] { return frames.Count() > before; });
    firsts.push_back(c.nsecsElapsed() / 1e6);
    Spin([] { return false; }, 200);
    // Frames the camera made while neither file received any: the gap in
    // the frames entering the branch around the cut, at the camera's rate.
    const double period = 1e9 / w.dm.SourceFps();
    lost.push_back(std::max(0.0, std::round(frames.GapAround(cutAt) / period) - 1));
    Spin([] { return false; }, 1000);
    t.restart();
    capture->ExecuteInteractive();
    stops.push_back(t.nsecsElapsed() / 1e6);
    state.SetIterationTime(starts.back() / 1e3);
  }
  auto median = [](std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  state.counters["start_ms"] = median(starts);
  state.counters["stop_ms"] = median(stops);
  state.counters["cut_frames_lost"] = median(lost);
  state.counters["cut_ms"] = median(cuts);
  state.counters["cut_to_preview_ms"] = median(previews);
  state.counters["cut_to_capture_ms"] = median(firsts);
  platform::DialogService::Instance().SetUnattended(std::nullopt);
}

BENCHMARK(BM_ShowToFirstFrame_TestCamera)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChooseToFirstFrame)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptureStartCutStop)
    ->ArgName("format")
    ->Arg(9)  // divx
    ->Arg(6)  // dv type 2 (recomp)
    ->Arg(7)  // Wmv
    ->UseManualTime()
    ->Iterations(7)
    ->Unit(benchmark::kMillisecond);

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
