// Preview figures: time from connecting a source to its first painted frame,
// and the CPU the preview of a PAL (720x576, 25 fps) picture with the inlay
// on takes, beside the same work done by a plain GStreamer chain
// (videotestsrc → videoconvert → textoverlay → videoconvert → fakesink).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>
#include <ctime>
#include <vector>

#include "filters/vs_superposer.h"
#include "graph/avgraph.h"
#include "media/pins.h"
#include "sources/avsources.h"
#include "sources/enumerator.h"
#include "sources/sourcecatalog.h"
#include "ui/videowindow.h"

using namespace vistrel;

namespace {

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + ts.tv_nsec / 1e9;
}

double WallSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return double(ts.tv_sec) + ts.tv_nsec / 1e9;
}

// Lets the event loop run (sleeping when idle) for `ms`, or until `window`
// paints a frame when given.
void RunLoop(int ms, ui::VideoWindow *untilPainted = nullptr) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  QMetaObject::Connection c;
  if (untilPainted) c = QObject::connect(untilPainted, &ui::VideoWindow::FramePainted, &loop, &QEventLoop::quit);
  loop.exec();
  QObject::disconnect(c);
}

// A live PAL source standing where a capture card would: I420 720x576 at
// 25 fps into the native tee, through the preview gate.
class PalDevice : public sources::TCaptureDevice {
 public:
  explicit PalDevice(sources::GraphSlots &s) : TCaptureDevice(s, "PAL Source", 1, "PAL Source") {
    VideoStreams = 1;
    Valid = true;
    Kind = sources::DeviceKind::Video;
  }
  GstElement *SetSourceGraph() override {
    if (!SourceFilter) {
      GError *error = nullptr;
      SourceFilter = media::ElementRef::Adopt(gst_parse_bin_from_description(
          "videotestsrc is-live=true pattern=ball ! capsfilter caps=\"video/x-raw,format=I420,width=720,height=576,"
          "framerate=25/1\"",
          TRUE,
          &error));
      if (error) g_error_free(error);
    }
    if (!Slots().fg.Contains(SourceFilter.get()) && !Slots().fg.AddFilter(SourceFilter.get(), DeviceName)) return nullptr;
    return SourceFilter.get();
  }
  void SetVideoGraph(int) override {
    tee_ = MakeElement("tee");
    media::Graph &fg = Slots().fg;
    if (!fg.AddFilter(tee_.get(), "vid_nativevideoinfinite") || !fg.ConnectFilters(SourceFilter.get(), tee_.get())) return;
    GstElement *control = AddControl(true);
    if (!control || !fg.Connect(media::Pin(tee_.get(), 1).get(), media::Pin(control, 0).get())) return;
    Slots().VideoOutPin = media::FirstUnconnectedPin(control, GST_PAD_SRC);
    Slots().NativeVideoTee = tee_;
  }
  media::PadRef SetAudioGraph(int) override { return {}; }
  bool KillVideoGraph() override {
    Slots().NativeVideoTee.reset();
    Slots().VideoOutPin.reset();
    RemoveControl(true);
    RemoveFromGraph(tee_);
    return true;
  }
  bool KillAudioGraph() override { return true; }
  bool KillSourceGraph() override { return Slots().fg.RemoveFilter(SourceFilter.get()); }
  bool BuildMuxGraph(const QString &) override { return false; }
  bool KillMuxGraph() override { return false; }

 private:
  media::ElementRef tee_;
};

void InlayOn(Tdm &dm) {
  filters::TincrustRec rec;
  rec.WhatIncrust = 3;  // the clock, drawn on every frame
  dm.Superposer()->SetIncrust(rec);
  dm.Superposer()->SetActive(true);
}

// The graph module with the live PAL source and the inlay on, previewing into
// a 720×576 window (or nowhere when `paint` is false).
struct PalPreview {
  Tdm dm;
  ui::VideoWindow window;
  PalDevice pal{dm.Slots()};
  sources::TVideoSource source{&pal, 1};
  explicit PalPreview(bool paint = true) {
    window.resize(720, 576);
    window.show();
    if (paint) dm.SetVideoWindow(&window);
    InlayOn(dm);
  }
};

void ConnectToFirstFrame(benchmark::State &state, bool testCamera) {
  Tdm dm;
  ui::VideoWindow window;
  window.resize(720, 576);
  window.show();
  dm.SetVideoWindow(&window);
  sources::SystemDeviceEnumerator enumerator;
  enumerator.AddProvider(sources::MakeTestDeviceProvider(&enumerator));
  sources::SourceCatalog catalog(dm.Slots(), enumerator);
  QStringList videoBox, audioBox;
  catalog.ChargerDrivers(videoBox, audioBox);
  PalDevice pal(dm.Slots());
  sources::TVideoSource palSource(&pal, 1);
  sources::TVideoSource *source = testCamera ? catalog.FindVideo("Vistrel Test Camera") : &palSource;
  if (!source) {
    state.SkipWithError("no test camera");
    return;
  }
  for (auto _ : state) {
    window.ResetCounters();
    const double start = WallSeconds();
    if (!dm.ConnecterVideo(source)) {
      state.SkipWithError("connect failed");
      break;
    }
    if (!dm.LancerGraphe()) {
      state.SkipWithError("run failed");
      break;
    }
    RunLoop(3000, &window);
    const double elapsed = WallSeconds() - start;
    if (window.FramesShown() < 1) {
      state.SkipWithError("no frame painted");
      break;
    }
    state.SetIterationTime(elapsed);
    dm.DeconnecterVideo(source, true);
  }
  dm.DataModuleDestroy();
}

void BM_ConnectToFirstFrame_TestCamera(benchmark::State &state) { ConnectToFirstFrame(state, true); }
void BM_ConnectToFirstFrame_Pal(benchmark::State &state) { ConnectToFirstFrame(state, false); }

constexpr int kCpuMs = 4000;

// range(0): 1 paints into the window, 0 stops at the sink (as the reference does).
void BM_PreviewCpu_PalInlay(benchmark::State &state) {
  PalPreview preview(state.range(0) != 0);
  Tdm &dm = preview.dm;
  ui::VideoWindow &window = preview.window;
  sources::TVideoSource &source = preview.source;
  for (auto _ : state) {
    if (!dm.ConnecterVideo(&source) || !dm.LancerGraphe()) {
      state.SkipWithError("connect failed");
      break;
    }
    RunLoop(500);  // settle
    window.ResetCounters();
    const int received0 = dm.PreviewFramesReceived();
    const double cpu0 = CpuSeconds(), wall0 = WallSeconds();
    RunLoop(kCpuMs);
    const double cpu = CpuSeconds() - cpu0, wall = WallSeconds() - wall0;
    state.SetIterationTime(wall);
    state.counters["cpu_pct"] = 100.0 * cpu / wall;
    state.counters["painted_fps"] = window.FramesShown() / wall;
    state.counters["sink_fps"] = (dm.PreviewFramesReceived() - received0) / wall;
    dm.DeconnecterVideo(&source, true);
  }
  dm.DataModuleDestroy();
}

void BM_ReferenceCpu_PalTextOverlay(benchmark::State &state) {
  for (auto _ : state) {
    GError *error = nullptr;
    GstElement *p = gst_parse_launch(
        "videotestsrc is-live=true pattern=ball ! "
        "capsfilter caps=\"video/x-raw,format=I420,width=720,height=576,framerate=25/1\" ! "
        "videoconvert ! textoverlay text=\"12:34:56\" font-desc=\"Sans 21\" ! videoconvert ! "
        "capsfilter caps=\"video/x-raw,format=BGR\" ! fakesink sync=false signal-handoffs=true name=out",
        &error);
    if (error || !p) {
      state.SkipWithError("reference pipeline failed");
      if (error) g_error_free(error);
      break;
    }
    gst_element_set_state(p, GST_STATE_PLAYING);
    RunLoop(500);
    const double cpu0 = CpuSeconds(), wall0 = WallSeconds();
    RunLoop(kCpuMs);
    const double cpu = CpuSeconds() - cpu0, wall = WallSeconds() - wall0;
    state.SetIterationTime(wall);
    state.counters["cpu_pct"] = 100.0 * cpu / wall;
    gst_element_set_state(p, GST_STATE_NULL);
    gst_object_unref(p);
  }
}

// From a frame leaving the source (entering the native tee) to its paint.
// Frames are matched by their number: nothing on the way drops frames while
// the UI keeps up, which painted_fps confirms.
void BM_PreviewLatency_Pal(benchmark::State &state) {
  PalPreview preview;
  Tdm &dm = preview.dm;
  ui::VideoWindow &window = preview.window;
  sources::TVideoSource &source = preview.source;
  struct Entries {
    std::atomic<int> count{0};
    std::array<std::atomic<double>, 256> at{};
  } entries;
  for (auto _ : state) {
    if (!dm.ConnecterVideo(&source)) {
      state.SkipWithError("connect failed");
      break;
    }
    media::PadRef in = media::Pin(dm.Slots().NativeVideoTee.get(), 0);
    gst_pad_add_probe(in.get(), GST_PAD_PROBE_TYPE_BUFFER,
                      [](GstPad *, GstPadProbeInfo *, gpointer p) {
                        auto *e = static_cast<Entries *>(p);
                        e->at[e->count % 256] = WallSeconds();
                        ++e->count;
                        return GST_PAD_PROBE_OK;
                      },
                      &entries, nullptr);
    std::vector<double> latencies;
    auto c = QObject::connect(&window, &ui::VideoWindow::FramePainted, [&] {
      const int n = dm.PreviewFramesReceived();
      if (n > 0 && n <= entries.count) latencies.push_back(WallSeconds() - entries.at[(n - 1) % 256]);
    });
    dm.LancerGraphe();
    RunLoop(kCpuMs);
    QObject::disconnect(c);
    dm.DeconnecterVideo(&source, true);
    if (latencies.size() < 10) {
      state.SkipWithError("too few frames painted");
      break;
    }
    std::sort(latencies.begin(), latencies.end());
    const double median = latencies[latencies.size() / 2];
    state.SetIterationTime(median);
    state.counters["median_ms"] = median * 1000;
    state.counters["p95_ms"] = latencies[latencies.size() * 95 / 100] * 1000;
    state.counters["frames"] = double(latencies.size());
  }
  dm.DataModuleDestroy();
}

BENCHMARK(BM_PreviewLatency_Pal)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConnectToFirstFrame_TestCamera)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConnectToFirstFrame_Pal)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewCpu_PalInlay)->Arg(1)->Arg(0)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceCpu_PalTextOverlay)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// --- Capture chains: start (builder + run until the first buffer reaches the
// file sink) and stop (StopGraph until the file is finalized), and the CPU a
// recording of the PAL source takes with the preview and the inlay on, with
// its dropped-frame counts. range(0) is the format code: 5 avi native,
// 6 dv type 2 (recomp), 9 divx. VISTREL_CAPTURE_SECONDS sets the recording
// length (default 60); scripts/measure_capture.sh runs the same work through
// gst-launch-1.0 for comparison.
bool BuildCapture(Tdm &dm, int format, const QString &file) {
  switch (format) {
    case 5: return dm.GrapheAviNatif(file);
    case 6: return dm.GrapheDV2Recomp(file);
    default: return dm.GrapheDivx(file);
  }
}

QString CaptureFile(int format) {
  return QDir::temp().filePath(QStringLiteral("vistrel_bench_capture_%1.avi").arg(format));
}

void BM_CaptureStartStop(benchmark::State &state) {
  const int format = int(state.range(0));
  PalPreview preview;
  Tdm &dm = preview.dm;
  sources::TVideoSource &source = preview.source;
  if (!dm.ConnecterVideo(&source)) {
    state.SkipWithError("connect failed");
    return;
  }
  std::vector<double> starts, stops;
  for (auto _ : state) {
    dm.StopGraph();
    std::atomic<bool> written{false};
    const double start = WallSeconds();
    if (!BuildCapture(dm, format, CaptureFile(format))) {
      state.SkipWithError("build failed");
      break;
    }
    media::PadRef sinkPad = media::Pin(dm.CaptureSink.get(), 0);
    gst_pad_add_probe(sinkPad.get(), GST_PAD_PROBE_TYPE_BUFFER,
                      [](GstPad *, GstPadProbeInfo *, gpointer w) {
                        static_cast<std::atomic<bool> *>(w)->store(true);
                        return GST_PAD_PROBE_REMOVE;
                      },
                      &written, nullptr);
    dm.LancerGraphe();
    while (!written && WallSeconds() - start < 5) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    state.SetIterationTime(WallSeconds() - start);
    starts.push_back(WallSeconds() - start);
    RunLoop(1000);
    const double stop0 = WallSeconds();
    dm.StopGraph();
    stops.push_back(WallSeconds() - stop0);
    dm.RetirerCapture();
    dm.LancerGraphe();
    RunLoop(300);
  }
  std::sort(starts.begin(), starts.end());
  std::sort(stops.begin(), stops.end());
  if (!starts.empty()) state.counters["start_median_ms"] = starts[starts.size() / 2] * 1000;
  if (!stops.empty()) state.counters["stop_median_ms"] = stops[stops.size() / 2] * 1000;
  dm.DataModuleDestroy();
  QFile::remove(CaptureFile(format));
}

// Runs a started capture for `seconds` and sets the iteration's time, CPU,
// drops and painted rate; returns the wall time it ran.
double MeasureCapture(benchmark::State &state, Tdm &dm, ui::VideoWindow &window, int seconds) {
  window.ResetCounters();
  const double cpu0 = CpuSeconds(), wall0 = WallSeconds();
  RunLoop(seconds * 1000);
  const int dropped = dm.CaptureDropped();
  dm.StopGraph();
  const double cpu = CpuSeconds() - cpu0, wall = WallSeconds() - wall0;
  state.SetIterationTime(wall);
  state.counters["cpu_s"] = cpu;
  state.counters["cpu_pct"] = 100.0 * cpu / wall;
  state.counters["dropped"] = std::max(dropped, dm.CaptureDropped());
  state.counters["written"] = dm.CaptureNotDropped();
  state.counters["painted_fps"] = window.FramesShown() / wall;
  return wall;
}

void BM_CaptureCpu(benchmark::State &state) {
  const int format = int(state.range(0));
  const int seconds = qEnvironmentVariableIntValue("VISTREL_CAPTURE_SECONDS") > 0
                          ? qEnvironmentVariableIntValue("VISTREL_CAPTURE_SECONDS")
                          : 60;
  PalPreview preview;
  Tdm &dm = preview.dm;
  ui::VideoWindow &window = preview.window;
  sources::TVideoSource &source = preview.source;
  for (auto _ : state) {
    if (!dm.ConnecterVideo(&source) || !BuildCapture(dm, format, CaptureFile(format)) || !dm.LancerGraphe()) {
      state.SkipWithError("capture failed to start");
      break;
    }
    MeasureCapture(state, dm, window, seconds);
    dm.RetirerCapture();
    dm.DeconnecterVideo(&source, true);
  }
  dm.DataModuleDestroy();
  QFile::remove(CaptureFile(format));
}

// The MP4 format's CPU and drops at the sizes a 2026 camera gives, the
// software encoder at a preset (range(3): index of media::kH264Presets, -1
// the automatic one),
// with the preview painted and the inlay on. The picture is colour bars
// sliding sideways: every frame changes, as a handheld camera's does.
class SizedDevice : public PalDevice {
 public:
  SizedDevice(sources::GraphSlots &s, int width, int height, int fps) : PalDevice(s) {
    GError *error = nullptr;
    const QByteArray description = QStringLiteral(
                                       "videotestsrc is-live=true horizontal-speed=4 ! capsfilter "
                                       "caps=\"video/x-raw,format=I420,width=%1,height=%2,framerate=%3/1\"")
                                       .arg(width)
                                       .arg(height)
                                       .arg(fps)
                                       .toUtf8();
    SourceFilter = media::ElementRef::Adopt(gst_parse_bin_from_description(description.constData(), TRUE, &error));
    if (error) g_error_free(error);
  }
};

void BM_Mp4Cpu(benchmark::State &state) {
  const int seconds = qEnvironmentVariableIntValue("VISTREL_CAPTURE_SECONDS") > 0
                          ? qEnvironmentVariableIntValue("VISTREL_CAPTURE_SECONDS")
                          : 60;
  Tdm dm;
  ui::VideoWindow window;
  window.resize(720, 576);
  window.show();
  dm.SetVideoWindow(&window);
  InlayOn(dm);
  SizedDevice device(dm.Slots(), int(state.range(0)), int(state.range(1)), int(state.range(2)));
  sources::TVideoSource source(&device, 1);
  dm.CaptureOptions.H264Preset = int(state.range(3));
  const QString file = QDir::temp().filePath("vistrel_bench_capture.mp4");
  for (auto _ : state) {
    // As the recorder does: the preview has run (the source's size and rate are known), then the chain.
    if (!dm.ConnecterVideo(&source) || !dm.LancerGraphe()) {
      state.SkipWithError("no preview");
      break;
    }
    RunLoop(1000);
    dm.StopGraph();
    if (!dm.GrapheMp4(file) || !dm.LancerGraphe()) {
      state.SkipWithError("capture failed to start");
      break;
    }
    const double wall = MeasureCapture(state, dm, window, seconds);
    state.counters["MB_per_min"] = QFileInfo(file).size() / 1e6 * 60 / wall;
    dm.RetirerCapture();
    dm.DeconnecterVideo(&source, true);
  }
  dm.DataModuleDestroy();
  QFile::remove(file);
}

BENCHMARK(BM_Mp4Cpu)
    ->Args({1280, 720, 30, -1})
    ->Args({1920, 1080, 25, -1})
    ->Args({1920, 1080, 25, 2})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

BENCHMARK(BM_CaptureStartStop)->Arg(5)->Arg(6)->Arg(9)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptureCpu)->Arg(6)->Arg(9)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char **argv) {
  qputenv("VISTREL_TEST_DEVICES", "1");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  gst_init(&argc, &argv);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
