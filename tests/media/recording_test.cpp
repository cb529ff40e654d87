// Stopping a graph that writes files: the muxer must be able to finish the
// file (sizes, index) before the pipeline goes down, and a branch must be
// replaceable while the graph is stopped.
#include "mediatest.h"
#include "testenv.h"

#include "media/graph.h"
#include "media/pins.h"

#include <gtest/gtest.h>

#include <QFileInfo>

namespace vistrel::media {
namespace {

using test::ReadRiff;

GstElement *Make(const char *factory, const char *name = nullptr) {
  GstElement *e = gst_element_factory_make(factory, name);
  EXPECT_NE(e, nullptr) << factory;
  return e;
}

// Live colour bars through a tee: pin 1 feeds a preview sink, like the
// program's preview chain.
struct LiveSource {
  GstElement *source = nullptr;
  GstElement *tee = nullptr;

  explicit LiveSource(Graph &graph) {
    source = Make("videotestsrc");
    g_object_set(source, "is-live", TRUE, nullptr);
    GstElement *caps = Make("capsfilter");
    CapsRef c = CapsRef::Adopt(gst_caps_from_string("video/x-raw,format=I420,width=160,height=120,framerate=25/1"));
    g_object_set(caps, "caps", c.get(), nullptr);
    tee = Make("tee");
    GstElement *queue = Make("queue");
    GstElement *preview = Make("fakesink");
    g_object_set(preview, "sync", TRUE, nullptr);
    EXPECT_TRUE(graph.AddFilter(source, "Video Source"));
    EXPECT_TRUE(graph.AddFilter(caps, "Format"));
    EXPECT_TRUE(graph.AddFilter(tee, "Native Video Tee"));
    EXPECT_TRUE(graph.AddFilter(queue, "Preview Queue"));
    EXPECT_TRUE(graph.AddFilter(preview, "Video Renderer"));
    EXPECT_TRUE(graph.ConnectFilters(source, caps));
    EXPECT_TRUE(graph.ConnectFilters(caps, tee));
    EXPECT_TRUE(graph.Connect(Pin(tee, 1).get(), Pin(queue, 0).get()));
    EXPECT_TRUE(graph.ConnectFilters(queue, preview));
  }
};

// Tee pin 2 → queue → avimux → filesink, marked as a recording branch.
void AddAviBranch(Graph &graph, GstElement *tee, const QString &file) {
  GstElement *queue = Make("queue");
  GstElement *mux = Make("avimux");
  GstElement *sink = Make("filesink");
  g_object_set(sink, "location", file.toUtf8().constData(), nullptr);
  ASSERT_TRUE(graph.AddFilter(queue, "Capture Queue"));
  ASSERT_TRUE(graph.AddFilter(mux, "CaptureMux"));
  ASSERT_TRUE(graph.AddFilter(sink, "CaptureSink"));
  PadRef tap = Pin(tee, 2);
  ASSERT_TRUE(tap);
  ASSERT_TRUE(graph.Connect(tap.get(), Pin(queue, 0).get()));
  PadRef queueOut = FirstUnconnectedPin(queue, GST_PAD_SRC);
  CapsRef video = CapsRef::Adopt(gst_caps_from_string("video/x-raw"));
  ASSERT_TRUE(graph.Connect(queueOut.get(), Pin(mux, 1, video.get()).get()));
  ASSERT_TRUE(graph.Connect(Pin(mux, 0).get(), Pin(sink, 0).get()));
  graph.AddRecordingBranch(tap.get(), sink);
}

void ExpectFinalizedAvi(const QString &file) {
  const test::RiffFile avi = ReadRiff(file);
  ASSERT_TRUE(avi.valid) << file.toStdString();
  EXPECT_EQ(avi.form, "AVI ");
  EXPECT_EQ(qint64(avi.riffSize) + 8, avi.fileSize);
  EXPECT_TRUE(avi.Has("LIST:hdrl"));
  EXPECT_TRUE(avi.Has("LIST:movi"));
  EXPECT_TRUE(avi.Has("idx1"));
  EXPECT_GT(avi.totalFrames, 0u);
  EXPECT_EQ(avi.idx1Entries, int(avi.totalFrames));
}

TEST(Recording, StopFinalizesTheFileThenABranchRebuiltWhileStoppedRecordsAgain) {
  Graph graph;
  LiveSource live(graph);
  const QString dir = test::freshDir("rec");
  AddAviBranch(graph, live.tee, dir + "/first.avi");

  ASSERT_TRUE(graph.Run());
  ASSERT_TRUE(test::SpinUntil([&] { return QFileInfo(dir + "/first.avi").size() > 50000; }));
  // The native format as the graph code reads it from the tee's input.
  const MediaType native = ConnectionMediaType(Pin(live.tee, 0).get());
  EXPECT_EQ(native.subtype, "I420");
  ASSERT_TRUE(native.video());
  EXPECT_EQ(native.video()->width, 160);
  EXPECT_EQ(native.video()->frameDuration, 400000);
  ASSERT_TRUE(graph.Stop());
  EXPECT_TRUE(graph.LastStopFinalized());
  EXPECT_EQ(graph.State(), GST_STATE_NULL);
  ExpectFinalizedAvi(dir + "/first.avi");

  // Take the capture branch down and build a new one on the same tee pin.
  GstElement *queue = graph.FindFilter("Capture Queue");
  ASSERT_TRUE(graph.RemoveChain(queue, graph.FindFilter("CaptureSink")));
  EXPECT_EQ(graph.FindFilter("CaptureMux"), nullptr);
  EXPECT_EQ(graph.RecordingBranchCount(), 0);
  AddAviBranch(graph, live.tee, dir + "/second.avi");
  EXPECT_EQ(Pins(live.tee).size(), 3u) << "the freed tee pin is reused, not a new one";

  ASSERT_TRUE(graph.Run());
  ASSERT_TRUE(test::SpinUntil([&] { return QFileInfo(dir + "/second.avi").size() > 50000; }));
  ASSERT_TRUE(graph.Stop());
  EXPECT_TRUE(graph.LastStopFinalized());
  ExpectFinalizedAvi(dir + "/second.avi");
  ExpectFinalizedAvi(dir + "/first.avi");
}

TEST(Recording, MuxedVideoAndSoundFinalizeThroughOneFileSink) {
  Graph graph;
  LiveSource live(graph);
  GstElement *audio = Make("audiotestsrc");
  g_object_set(audio, "is-live", TRUE, nullptr);
  GstElement *audioTee = Make("tee");
  GstElement *previewQueue = Make("queue");
  GstElement *audioPreview = Make("fakesink");
  ASSERT_TRUE(graph.AddFilter(audio, "Audio Source"));
  ASSERT_TRUE(graph.AddFilter(audioTee, "Native Audio Tee"));
  ASSERT_TRUE(graph.AddFilter(previewQueue, "Audio Preview Queue"));
  ASSERT_TRUE(graph.AddFilter(audioPreview, "Audio Renderer"));
  ASSERT_TRUE(graph.ConnectFilters(audio, audioTee));
  // Every tee output starts with a queue, or one sink waiting to preroll
  // would hold up the branch that feeds the muxer.
  ASSERT_TRUE(graph.Connect(Pin(audioTee, 1).get(), Pin(previewQueue, 0).get()));
  ASSERT_TRUE(graph.ConnectFilters(previewQueue, audioPreview));

  const QString file = test::freshDir("mux") + "/av.avi";
  AddAviBranch(graph, live.tee, file);
  GstElement *queue = Make("queue");
  GstElement *convert = Make("audioconvert");
  ASSERT_TRUE(graph.AddFilter(queue, "Audio Queue"));
  ASSERT_TRUE(graph.AddFilter(convert, "acmcap"));
  PadRef tap = Pin(audioTee, 2);
  ASSERT_TRUE(graph.Connect(tap.get(), Pin(queue, 0).get()));
  ASSERT_TRUE(graph.ConnectFilters(queue, convert));
  // The muxer's audio input is made on request, chosen by what will feed it.
  CapsRef pcm = CapsRef::Adopt(gst_caps_from_string("audio/x-raw,format=S16LE"));
  GstElement *mux = graph.FindFilter("CaptureMux");
  PadRef muxAudio = Pin(mux, 2, pcm.get());
  ASSERT_TRUE(muxAudio);
  EXPECT_STREQ(GST_PAD_NAME(muxAudio.get()), "audio_0");
  ASSERT_TRUE(graph.Connect(FirstUnconnectedPin(convert, GST_PAD_SRC).get(), muxAudio.get()));
  // Only the file sink is declared; the graph finds the sound branch itself.
  graph.ClearRecordingBranches();
  graph.AddRecordingSink(graph.FindFilter("CaptureSink"));

  ASSERT_TRUE(graph.Run());
  ASSERT_TRUE(test::SpinUntil([&] { return QFileInfo(file).size() > 80000; }));
  ASSERT_TRUE(graph.Stop());
  EXPECT_TRUE(graph.LastStopFinalized());
  const test::RiffFile avi = ReadRiff(file);
  ASSERT_TRUE(avi.valid);
  EXPECT_EQ(qint64(avi.riffSize) + 8, avi.fileSize);
  int streams = 0;
  for (const auto &c : avi.chunks) streams += c.id == "LIST:strl";
  EXPECT_EQ(streams, 2);
  EXPECT_TRUE(avi.Has("idx1"));
}

TEST(Recording, AFileSinkThatNeverSeesTheEndIsReportedAndTheStopIsBounded) {
  Graph graph;
  LiveSource live(graph);
  // A file sink fed by nothing: its branch entry leads elsewhere, so the
  // end-of-stream can never reach it.
  GstElement *orphan = Make("filesink");
  g_object_set(orphan, "location", (test::freshDir("orphan") + "/never.bin").toUtf8().constData(), "async", FALSE,
               nullptr);
  ASSERT_TRUE(graph.AddFilter(orphan, "Orphan Sink"));
  graph.AddRecordingBranch(Pin(live.tee, 1).get(), orphan);
  graph.SetStopTimeout(300);
  QStringList errors;
  QObject::connect(&graph, &Graph::ErrorOccurred, [&](const QString &e) { errors << e; });

  ASSERT_TRUE(graph.Run());
  test::SpinFor(200);
  EXPECT_TRUE(graph.Stop());
  EXPECT_FALSE(graph.LastStopFinalized());
  EXPECT_EQ(graph.State(), GST_STATE_NULL);
  ASSERT_FALSE(errors.isEmpty());
  EXPECT_TRUE(errors.last().contains("Orphan Sink"));
}

TEST(Recording, AStopThatTimedOutLeavesTheBranchReadyToRecordAgain) {
  Graph graph;
  LiveSource live(graph);
  GstElement *slow = Make("identity");
  GstElement *sink = Make("filesink");
  const QString file = test::freshDir("slow") + "/slow.bin";
  g_object_set(sink, "location", file.toUtf8().constData(), nullptr);
  ASSERT_TRUE(graph.AddFilter(slow, "Slow"));
  ASSERT_TRUE(graph.AddFilter(sink, "Slow Sink"));
  PadRef tap = Pin(live.tee, 2);
  ASSERT_TRUE(graph.Connect(tap.get(), Pin(slow, 0).get()));
  ASSERT_TRUE(graph.ConnectFilters(slow, sink));
  graph.AddRecordingBranch(tap.get(), sink);
  graph.SetStopTimeout(200);

  ASSERT_TRUE(graph.Run());
  ASSERT_TRUE(test::SpinUntil([&] { return graph.State() == GST_STATE_PLAYING; }));
  // The branch's first element now takes long over each frame, so the tee
  // pad above it is never idle while the graph stops.
  g_object_set(slow, "sleep-time", guint(1500000), nullptr);
  test::SpinFor(300);
  EXPECT_TRUE(graph.Stop());
  EXPECT_FALSE(graph.LastStopFinalized());

  g_object_set(slow, "sleep-time", guint(0), nullptr);
  ASSERT_TRUE(graph.Run());
  ASSERT_TRUE(test::SpinUntil([&] { return QFileInfo(file).size() > 0; }));
  const qint64 early = QFileInfo(file).size();
  EXPECT_TRUE(test::SpinUntil([&] { return QFileInfo(file).size() > early + 200000; }))
      << "the sink stopped receiving frames: a stale end-of-stream reached it";
  graph.SetStopTimeout(3000);
  EXPECT_TRUE(graph.Stop());
  EXPECT_TRUE(graph.LastStopFinalized());
}

TEST(Recording, StoppingAGraphThatIsNotRunningNeedsNoEndOfStream) {
  Graph graph;
  LiveSource live(graph);
  AddAviBranch(graph, live.tee, test::freshDir("idle") + "/idle.avi");
  EXPECT_TRUE(graph.Stop());
  EXPECT_TRUE(graph.LastStopFinalized());
}

}  // namespace
}  // namespace vistrel::media
