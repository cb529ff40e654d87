// Costs of the media layer that the user feels: how long stopping a
// recording takes until its file is finished, how long building a capture
// branch takes while the graph is stopped, and the lookups done at start-up.
#include <benchmark/benchmark.h>
#include <gst/app/gstappsrc.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <ctime>

#include "media/dvavimux.h"
#include "media/elementlookup.h"
#include "media/graph.h"
#include "media/mediatype.h"
#include "media/pins.h"
#include "media/soundlevel.h"

namespace vistrel::media {
namespace {

QTemporaryDir &Scratch() {
  static QTemporaryDir dir;
  return dir;
}

GstElement *Make(const char *factory) { return gst_element_factory_make(factory, nullptr); }

// Live colour bars into a tee whose pin 1 is a preview sink.
GstElement *BuildPreview(Graph &graph) {
  GstElement *src = Make("videotestsrc");
  g_object_set(src, "is-live", TRUE, nullptr);
  GstElement *caps = Make("capsfilter");
  CapsRef c = CapsRef::Adopt(gst_caps_from_string("video/x-raw,format=I420,width=720,height=576,framerate=25/1"));
  g_object_set(caps, "caps", c.get(), nullptr);
  GstElement *tee = Make("tee");
  GstElement *queue = Make("queue");
  GstElement *sink = Make("fakesink");
  graph.AddFilter(src, "Video Source");
  graph.AddFilter(caps, "Format");
  graph.AddFilter(tee, "Native Video Tee");
  graph.AddFilter(queue, "Preview Queue");
  graph.AddFilter(sink, "Video Renderer");
  graph.ConnectFilters(src, caps);
  graph.ConnectFilters(caps, tee);
  graph.Connect(Pin(tee, 1).get(), Pin(queue, 0).get());
  graph.ConnectFilters(queue, sink);
  return tee;
}

void BuildCaptureBranch(Graph &graph, GstElement *tee, const QString &file) {
  GstElement *queue = Make("queue");
  GstElement *mux = Make("avimux");
  GstElement *sink = Make("filesink");
  g_object_set(sink, "location", file.toUtf8().constData(), nullptr);
  graph.AddFilter(queue, "Capture Queue");
  graph.AddFilter(mux, "CaptureMux");
  graph.AddFilter(sink, "CaptureSink");
  PadRef tap = Pin(tee, 2);
  graph.Connect(tap.get(), Pin(queue, 0).get());
  CapsRef video = CapsRef::Adopt(gst_caps_from_string("video/x-raw"));
  graph.Connect(FirstUnconnectedPin(queue, GST_PAD_SRC).get(), Pin(mux, 1, video.get()).get());
  graph.Connect(Pin(mux, 0).get(), Pin(sink, 0).get());
  graph.AddRecordingBranch(tap.get(), sink);
}

void RemoveCaptureBranch(Graph &graph) {
  graph.RemoveChain(graph.FindFilter("Capture Queue"), graph.FindFilter("CaptureSink"));
}

// Stop of a graph that has recorded one second of 720x576 video into an AVI:
// end-of-stream into the branch, index and header written, pipeline down.
void BM_StopFinalizesAvi(benchmark::State &state) {
  Graph graph;
  GstElement *tee = BuildPreview(graph);
  const QString file = Scratch().path() + "/stop.avi";
  for (auto _ : state) {
    BuildCaptureBranch(graph, tee, file);
    graph.Run();
    QThread::msleep(1000);
    QElapsedTimer timer;
    timer.start();
    graph.Stop();
    state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    if (!graph.LastStopFinalized()) state.SkipWithError("file not finalized");
    RemoveCaptureBranch(graph);
  }
}
BENCHMARK(BM_StopFinalizesAvi)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Taking a capture branch down and building it again while the graph is stopped.
void BM_RebuildCaptureBranch(benchmark::State &state) {
  Graph graph;
  GstElement *tee = BuildPreview(graph);
  const QString file = Scratch().path() + "/rebuild.avi";
  BuildCaptureBranch(graph, tee, file);
  for (auto _ : state) {
    RemoveCaptureBranch(graph);
    BuildCaptureBranch(graph, tee, file);
  }
}
BENCHMARK(BM_RebuildCaptureBranch)->Unit(benchmark::kMicrosecond);

void BM_MediaTypeFromCaps(benchmark::State &state) {
  CapsRef caps = CapsRef::Adopt(
      gst_caps_from_string("video/x-raw,format=YUY2,width=720,height=576,framerate=25/1,pixel-aspect-ratio=16/15"));
  for (auto _ : state) benchmark::DoNotOptimize(MediaType::FromCaps(caps.get()));
}
BENCHMARK(BM_MediaTypeFromCaps);

void BM_ListVideoCompressors(benchmark::State &state) {
  for (auto _ : state) benchmark::DoNotOptimize(FactoriesIn(FilterCategory::VideoCompressor));
}
BENCHMARK(BM_ListVideoCompressors)->Unit(benchmark::kMicrosecond);

// The type-1 DV AVI writer: PAL frames (144000 bytes) pushed as fast as it
// takes them, into a file (arg 1) or into nothing (arg 0, the writer alone).
// A 1 MiB form limit makes it switch forms every seven frames, the worst case.
void BM_DvAviMuxThroughput(benchmark::State &state) {
  RegisterDvAviMux();
  const bool toFile = state.range(0) != 0;
  const QString sink = toFile ? QString("filesink location=\"%1/dv1.avi\"").arg(Scratch().path()) : "fakesink";
  const QString launch = "appsrc name=in format=time caps=\"video/x-dv,systemstream=true,framerate=25/1\" ! "
                         "vistreldvavimux name=mux riff-limit=" + QString::number(state.range(1)) + " ! " + sink;
  GstBuffer *frame = gst_buffer_new_and_alloc(144000);
  gst_buffer_memset(frame, 0, 0, 144000);
  const std::uint8_t header[4] = {0x1f, 0x07, 0x00, 0x80};  // header block of sequence 0, 625 lines
  gst_buffer_fill(frame, 0, header, sizeof header);
  constexpr int kFrames = 250;
  std::int64_t frames = 0;
  for (auto _ : state) {
    ElementRef pipeline = ElementRef::Adopt(gst_parse_launch(launch.toUtf8().constData(), nullptr));
    ElementRef src = ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "in"));
    g_object_set(src.get(), "max-bytes", guint64(16 * 144000), "block", TRUE, nullptr);
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    for (int i = 0; i < kFrames; ++i) {
      GstBuffer *b = gst_buffer_copy(frame);
      GST_BUFFER_PTS(b) = GstClockTime(i) * GST_SECOND / 25;
      gst_app_src_push_buffer(GST_APP_SRC(src.get()), b);
    }
    gst_app_src_end_of_stream(GST_APP_SRC(src.get()));
    GstRef<GstBus> bus = GstRef<GstBus>::Adopt(gst_element_get_bus(pipeline.get()));
    MessageRef done = MessageRef::Adopt(
        gst_bus_timed_pop_filtered(bus.get(), 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    if (!done || GST_MESSAGE_TYPE(done.get()) != GST_MESSAGE_EOS) state.SkipWithError("the writer did not finish");
    frames += kFrames;
  }
  gst_buffer_unref(frame);
  state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
  state.counters["MB/s"] = benchmark::Counter(double(frames) * 144000 / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DvAviMuxThroughput)
    ->Args({0, 1 << 30})
    ->Args({0, 1 << 20})
    ->Args({1, 1 << 30})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The sound meter's cost on the streaming side: ten seconds of 48 kHz stereo
// sound in 10 ms blocks (as a sound card gives them) through a tee into the
// meter's bin, its figures read as the graph reads them, against the same
// sound into a plain fakesink. The process's CPU time over the sound's length
// is the share of a core. Arg: 0 without the meter, 1 with it.
double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void BM_SoundLevelMeter(benchmark::State &state) {
  constexpr double kSoundSeconds = 10.0;
  const bool metered = state.range(0) == 1;
  double cpu = 0;
  int figures = 0;
  for (auto _ : state) {
    GError *failure = nullptr;
    ElementRef pipeline = ElementRef::Adopt(
        gst_parse_launch("audiotestsrc wave=sine samplesperbuffer=480 num-buffers=1000 ! "
                         "audio/x-raw,format=S16LE,rate=48000,channels=2 ! tee name=t ! queue ! fakesink sync=false",
                         &failure));
    ErrorPtr error(failure);
    if (metered) {
      ElementRef meter = MakeSoundLevelBin();
      gst_bin_add(GST_BIN(pipeline.get()), GST_ELEMENT(gst_object_ref(meter.get())));
      ElementRef tee = ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "t"));
      GstElement *queue = gst_element_factory_make("queue", nullptr);
      gst_bin_add(GST_BIN(pipeline.get()), queue);
      gst_element_link_many(tee.get(), queue, meter.get(), nullptr);
    }
    GstRef<GstBus> bus = GstRef<GstBus>::Adopt(gst_element_get_bus(pipeline.get()));
    const double before = ProcessCpuSeconds();
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    for (;;) {
      MessageRef m = MessageRef::Adopt(gst_bus_timed_pop_filtered(
          bus.get(), 30 * GST_SECOND, GstMessageType(GST_MESSAGE_ELEMENT | GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
      if (!m || GST_MESSAGE_TYPE(m.get()) != GST_MESSAGE_ELEMENT) break;
      if (auto levels = ReadSoundLevels(m.get())) {
        benchmark::DoNotOptimize(levels->LoudestRmsDb());
        ++figures;
      }
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    const double used = ProcessCpuSeconds() - before;
    cpu += used;
    state.SetIterationTime(used);
  }
  state.counters["core %"] = 100.0 * cpu / (kSoundSeconds * double(state.iterations()));
  state.counters["figures/s of sound"] = double(figures) / (kSoundSeconds * double(state.iterations()));
  state.SetLabel(metered ? "tee + meter" : "tee + fakesink only");
}
BENCHMARK(BM_SoundLevelMeter)->Arg(0)->Arg(1)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vistrel::media

int main(int argc, char **argv) {
  gst_init(&argc, &argv);
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
