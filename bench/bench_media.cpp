// Costs of the media layer that the user feels: how long stopping a
// recording takes until its file is finished, how long building a capture
// branch takes while the graph is stopped, and the lookups done at start-up.
#include "media/elementlookup.h"
#include "media/graph.h"
#include "media/mediatype.h"
#include "media/pins.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>


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
