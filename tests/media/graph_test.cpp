// The graph's bookkeeping: names, links refused when caps cannot meet,
// pins by role, chains, volume, and bus messages reaching the main thread.
#include "mediatest.h"

#include "media/graph.h"
#include "media/pins.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <memory>
#include <thread>

namespace vistrel::media {
namespace {

GstElement *Make(const char *factory) { return gst_element_factory_make(factory, nullptr); }

TEST(Graph, FiltersAreFoundByGraphNameAndDuplicateNamesGetANumber) {
  Graph graph;
  GstElement *a = Make("identity");
  GstElement *b = Make("identity");
  ASSERT_TRUE(graph.AddFilter(a, "Tamponer Video"));
  ASSERT_TRUE(graph.AddFilter(b, "Tamponer Video"));
  EXPECT_EQ(graph.FindFilter("Tamponer Video"), a);
  EXPECT_EQ(graph.FindFilter("Tamponer Video 0001"), b);
  EXPECT_TRUE(graph.AddFilter(a, "Another Name")) << "adding again changes nothing";
  EXPECT_EQ(graph.FindFilter("Tamponer Video"), a);
  EXPECT_EQ(graph.Filters().size(), 2u);
  EXPECT_EQ(graph.Filters().front().get(), a);

  GstElement *elsewhere = Make("identity");
  GstElement *bin = gst_bin_new("other");
  gst_bin_add(GST_BIN(bin), elsewhere);
  EXPECT_FALSE(graph.AddFilter(elsewhere, "Stolen"));
  EXPECT_FALSE(graph.AddFilter(nullptr, "Nothing"));
  gst_object_unref(bin);

  EXPECT_TRUE(graph.DotGraph().contains("Tamponer Video 0001"));
  EXPECT_TRUE(graph.RemoveFilter("Tamponer Video"));
  EXPECT_EQ(graph.FindFilter("Tamponer Video"), nullptr);
  EXPECT_FALSE(graph.RemoveFilter("Tamponer Video"));
  EXPECT_FALSE(graph.RemoveFilter(nullptr));
}

// A sound source, a picture converter and a sink in one graph: the first two
// can never be linked.
struct GraphOfThree : ::testing::Test {
  Graph graph;
  GstElement *audio = Make("audiotestsrc");
  GstElement *video = Make("videoconvert");
  GstElement *sink = Make("fakesink");
  void SetUp() override {
    ASSERT_TRUE(graph.AddFilter(audio, "Audio Source"));
    ASSERT_TRUE(graph.AddFilter(video, "color1"));
    ASSERT_TRUE(graph.AddFilter(sink, "Null"));
  }
};

TEST_F(GraphOfThree, ConnectRefusesPadsWhoseCapsCannotMeet) {
  EXPECT_FALSE(graph.Connect(Pin(audio, 0).get(), Pin(video, 0).get()));
  EXPECT_FALSE(gst_pad_is_linked(Pin(audio, 0).get()));
  // Wrong directions and pads outside the graph are refused too.
  EXPECT_FALSE(graph.Connect(Pin(video, 0).get(), Pin(video, 1).get()));
  EXPECT_FALSE(graph.Connect(nullptr, Pin(sink, 0).get()));
  ElementRef outside = ElementRef::Adopt(Make("fakesink"));
  EXPECT_FALSE(graph.Connect(Pin(audio, 0).get(), Pin(outside.get(), 0).get()));

  EXPECT_TRUE(graph.Connect(Pin(audio, 0).get(), Pin(sink, 0).get()));
  EXPECT_FALSE(graph.Connect(Pin(audio, 0).get(), Pin(sink, 0).get())) << "already linked";
  EXPECT_EQ(PeerElement(Pin(audio, 0).get()).get(), sink);
  EXPECT_TRUE(graph.Disconnect(Pin(sink, 0).get()));
  EXPECT_FALSE(graph.Disconnect(Pin(sink, 0).get()));
}

TEST_F(GraphOfThree, AFailedStepSaysWhichElementsPadsAndCaps) {
  EXPECT_TRUE(graph.LastFailure().isEmpty());

  // Caps that cannot meet: both pads by graph name, and what each side allows.
  EXPECT_FALSE(graph.Connect(Pin(audio, 0).get(), Pin(video, 0).get()));
  const QString caps = graph.LastFailure();
  EXPECT_TRUE(caps.contains("\"Audio Source\":src")) << caps.toStdString();
  EXPECT_TRUE(caps.contains("\"color1\":sink")) << caps.toStdString();
  EXPECT_TRUE(caps.contains("audio/x-raw")) << caps.toStdString();
  EXPECT_TRUE(caps.contains("video/x-raw")) << caps.toStdString();

  // A success leaves the reason for whoever reads it at the end of a chain.
  ASSERT_TRUE(graph.Connect(Pin(audio, 0).get(), Pin(sink, 0).get()));
  EXPECT_EQ(graph.LastFailure(), caps);

  // A pad already taken names what it is linked to.
  EXPECT_FALSE(graph.ConnectFilters(video, sink));
  EXPECT_TRUE(graph.LastFailure().contains("\"Null\"")) << graph.LastFailure().toStdString();
  EXPECT_FALSE(graph.Connect(Pin(audio, 0).get(), Pin(video, 0).get()));
  EXPECT_TRUE(graph.LastFailure().contains("already linked to \"Null\":sink")) << graph.LastFailure().toStdString();

  // GStreamer's own refusal is named: a pad outside the graph is the wrong hierarchy.
  GstElement *tee = Make("tee");
  ASSERT_TRUE(graph.AddFilter(tee, "infdecvideo"));
  ElementRef outside = ElementRef::Adopt(Make("fakesink"));
  EXPECT_FALSE(graph.Connect(Pin(tee, 1).get(), Pin(outside.get(), 0).get()));
  EXPECT_TRUE(graph.LastFailure().contains(gst_pad_link_get_name(GST_PAD_LINK_WRONG_HIERARCHY)))
      << graph.LastFailure().toStdString();
  EXPECT_TRUE(graph.LastFailure().contains("not in the graph")) << graph.LastFailure().toStdString();

  GstElement *elsewhere = Make("identity");
  ElementRef bin = ElementRef::Adopt(gst_bin_new("other bin"));
  gst_bin_add(GST_BIN(bin.get()), elsewhere);
  EXPECT_FALSE(graph.AddFilter(elsewhere, "Tamponer Video"));
  EXPECT_TRUE(graph.LastFailure().contains("\"other bin\"")) << graph.LastFailure().toStdString();

  // A null pad is what a failed step returned: its reason stays; alone, a
  // null pad says what it was to be linked with.
  EXPECT_FALSE(graph.Connect(nullptr, Pin(video, 0).get()));
  EXPECT_TRUE(graph.LastFailure().contains("\"other bin\""));
  graph.ClearFailure();
  EXPECT_FALSE(graph.Connect(nullptr, Pin(video, 0).get()));
  EXPECT_TRUE(graph.LastFailure().contains("\"color1\":sink")) << graph.LastFailure().toStdString();
}

TEST(Pins, TeeCountsItsInputFirstAndMuxerItsOutputFirst) {
  ElementRef tee = ElementRef::Adopt(Make("tee"));
  EXPECT_FALSE(IsMuxer(tee.get()));
  EXPECT_EQ(GST_PAD_DIRECTION(Pin(tee.get(), 0).get()), GST_PAD_SINK);
  PadRef one = Pin(tee.get(), 1);
  ASSERT_TRUE(one);
  EXPECT_EQ(GST_PAD_DIRECTION(one.get()), GST_PAD_SRC);
  EXPECT_EQ(Pin(tee.get(), 1), one) << "asking again gives the same pad";
  EXPECT_FALSE(Pin(tee.get(), 3)) << "pins are not skipped";
  PadRef two = Pin(tee.get(), 2);
  ASSERT_TRUE(two);
  EXPECT_NE(two, one);
  EXPECT_FALSE(Pin(tee.get(), -1));
  EXPECT_EQ(FirstUnconnectedPin(tee.get(), GST_PAD_SRC), one);

  ElementRef mux = ElementRef::Adopt(Make("avimux"));
  EXPECT_TRUE(IsMuxer(mux.get()));
  EXPECT_EQ(GST_PAD_DIRECTION(Pin(mux.get(), 0).get()), GST_PAD_SRC);
  EXPECT_FALSE(Pin(mux.get(), 1)) << "video or audio input: the caller must say";
  CapsRef video = CapsRef::Adopt(gst_caps_from_string("video/x-raw"));
  CapsRef audio = CapsRef::Adopt(gst_caps_from_string("audio/x-raw"));
  PadRef v = Pin(mux.get(), 1, video.get());
  PadRef a = Pin(mux.get(), 2, audio.get());
  ASSERT_TRUE(v && a);
  EXPECT_STREQ(GST_PAD_NAME(v.get()), "video_0");
  EXPECT_STREQ(GST_PAD_NAME(a.get()), "audio_0");
  EXPECT_EQ(Pin(mux.get(), 1), v);
  EXPECT_EQ(Pins(mux.get()).size(), 3u);
  EXPECT_FALSE(Pin(nullptr, 0));
  ElementRef demux = ElementRef::Adopt(Make("dvdemux"));
  EXPECT_FALSE(IsMuxer(demux.get())) << "a demuxer counts its input first";
  EXPECT_EQ(GST_PAD_DIRECTION(Pin(demux.get(), 0).get()), GST_PAD_SINK);
}

TEST(Graph, RemoveChainTakesOutOnlyALinearPath) {
  Graph graph;
  GstElement *src = Make("videotestsrc");
  GstElement *tee = Make("tee");
  GstElement *a = Make("queue");
  GstElement *b = Make("videoconvert");
  GstElement *c = Make("fakesink");
  GstElement *other = Make("fakesink");
  for (auto [e, n] : {std::pair{src, "src"}, {tee, "tee"}, {a, "a"}, {b, "b"}, {c, "c"}, {other, "other"}})
    ASSERT_TRUE(graph.AddFilter(e, n));
  ASSERT_TRUE(graph.ConnectFilters(src, tee));
  ASSERT_TRUE(graph.Connect(Pin(tee, 1).get(), Pin(a, 0).get()));
  ASSERT_TRUE(graph.ConnectFilters(a, b));
  ASSERT_TRUE(graph.ConnectFilters(b, c));
  ASSERT_TRUE(graph.Connect(Pin(tee, 2).get(), Pin(other, 0).get()));

  EXPECT_FALSE(graph.RemoveChain(tee, c)) << "the tee forks";
  EXPECT_FALSE(graph.RemoveChain(c, a)) << "never reaches the end going downstream";
  EXPECT_EQ(graph.Filters().size(), 6u);
  EXPECT_TRUE(graph.RemoveChain(a, c));
  EXPECT_EQ(graph.FindFilter("a"), nullptr);
  EXPECT_EQ(graph.FindFilter("b"), nullptr);
  EXPECT_EQ(graph.FindFilter("c"), nullptr);
  EXPECT_EQ(graph.Filters().size(), 3u);
  EXPECT_FALSE(gst_pad_is_linked(Pin(tee, 1).get()));
}

TEST(Graph, VolumeReachesTheRegisteredElementClampedToItsScale) {
  Graph graph;
  GstElement *volume = Make("volume");
  ASSERT_TRUE(graph.AddFilter(volume, "Volume"));
  graph.SetVolume(2500);
  graph.SetVolumeElement(volume);  // a volume set earlier applies at once
  double v = 0;
  g_object_get(volume, "volume", &v, nullptr);
  EXPECT_DOUBLE_EQ(v, 0.25);
  graph.SetVolume(20000);
  g_object_get(volume, "volume", &v, nullptr);
  EXPECT_DOUBLE_EQ(v, 1.0);
  EXPECT_TRUE(graph.RemoveFilter(volume));
  graph.SetVolume(5000);  // the element is gone: nothing to touch
  EXPECT_EQ(graph.Volume(), 5000);
}

TEST(Graph, ASourceErrorIsADeviceLossAndArrivesOnTheMainThread) {
  Graph graph;
  GstElement *src = Make("videotestsrc");
  GstElement *sink = Make("fakesink");
  ASSERT_TRUE(graph.AddFilter(src, "Video Capture"));
  ASSERT_TRUE(graph.AddFilter(sink, "Null"));
  QString lostName, lostText;
  QStringList errors;
  QObject::connect(&graph, &Graph::DeviceLost, [&](const QString &n, const QString &t) {
    EXPECT_EQ(QThread::currentThread(), qApp->thread());
    lostName = n;
    lostText = t;
  });
  QObject::connect(&graph, &Graph::ErrorOccurred, [&](const QString &e) { errors << e; });

  // Posted from another thread, as a streaming thread would.
  std::thread([src] { GST_ELEMENT_ERROR(src, RESOURCE, NOT_FOUND, ("Device unplugged"), (nullptr)); }).join();
  std::thread([sink] { GST_ELEMENT_ERROR(sink, STREAM, FAILED, ("Sink trouble"), (nullptr)); }).join();
  ASSERT_TRUE(test::SpinUntil([&] { return errors.size() == 2; }));
  EXPECT_EQ(lostName, "Video Capture");
  EXPECT_EQ(lostText, "Device unplugged");
  EXPECT_EQ(errors[0], "Video Capture: Device unplugged");
  EXPECT_EQ(errors[1], "Null: Sink trouble") << "not a source: no device loss";
}

TEST(Graph, AFailingRunLeavesTheGraphStopped) {
  Graph graph;
  GstElement *src = Make("filesrc");
  g_object_set(src, "location", "/nonexistent/vistrel/none.avi", nullptr);
  GstElement *sink = Make("fakesink");
  ASSERT_TRUE(graph.AddFilter(src, "File Source"));
  ASSERT_TRUE(graph.AddFilter(sink, "Null"));
  ASSERT_TRUE(graph.ConnectFilters(src, sink));
  QString lost;
  QObject::connect(&graph, &Graph::DeviceLost, [&](const QString &n, const QString &) { lost = n; });
  QString error;
  QObject::connect(&graph, &Graph::ErrorOccurred, [&](const QString &m) {
    if (error.isEmpty()) error = m;  // the first: what follows is its consequence
  });
  EXPECT_FALSE(graph.Run());
  EXPECT_EQ(graph.State(), GST_STATE_NULL);
  // Why, at once, without waiting for the bus message to come round.
  const QString why = graph.LastFailure();
  EXPECT_TRUE(why.contains("\"File Source\"")) << why.toStdString();
  EXPECT_TRUE(test::SpinUntil([&] { return !lost.isEmpty(); }));
  EXPECT_EQ(lost, "File Source");
  ASSERT_TRUE(error.startsWith("File Source: "));
  EXPECT_TRUE(why.endsWith(error.mid(int(qstrlen("File Source: "))))) << why.toStdString();
}

TEST(Graph, EndOfStreamIsSignalledWhenEverySinkIsDone) {
  Graph graph;
  GstElement *src = Make("audiotestsrc");
  g_object_set(src, "num-buffers", 3, nullptr);
  GstElement *sink = Make("fakesink");
  ASSERT_TRUE(graph.AddFilter(src, "Audio Source"));
  ASSERT_TRUE(graph.AddFilter(sink, "Null"));
  ASSERT_TRUE(graph.ConnectFilters(src, sink));
  bool ended = false;
  QObject::connect(&graph, &Graph::EndOfStream, [&] { ended = true; });
  ASSERT_TRUE(graph.Run());
  EXPECT_TRUE(test::SpinUntil([&] { return ended; }));
  EXPECT_TRUE(graph.Stop());
}

TEST(Graph, DestroyingARunningGraphStopsItFirst) {
  auto graph = std::make_unique<Graph>();
  GstElement *src = Make("videotestsrc");
  g_object_set(src, "is-live", TRUE, nullptr);
  GstElement *sink = Make("fakesink");
  ASSERT_TRUE(graph->AddFilter(src, "Video Source"));
  ASSERT_TRUE(graph->AddFilter(sink, "Null"));
  ASSERT_TRUE(graph->ConnectFilters(src, sink));
  ASSERT_TRUE(graph->Run());
  test::SpinFor(100);
  ElementRef keep = ElementRef::Borrow(src);
  graph.reset();
  GstState state = GST_STATE_VOID_PENDING;
  gst_element_get_state(keep.get(), &state, nullptr, 0);
  EXPECT_EQ(state, GST_STATE_NULL);
  test::SpinFor(50);  // queued messages for the dead graph are dropped, not delivered
}

}  // namespace
}  // namespace vistrel::media
