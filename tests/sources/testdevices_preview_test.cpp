// The built-in test devices through the device model: how they are listed,
// that each one previews through its sub-graph, and hot-plug.
#include "fakeprovider.h"
#include "media/pins.h"
#include "sources/ieee1394provider.h"
#include "sources/listsources.h"
#include "sources/mediatypes.h"
#include "sources/sourcecatalog.h"
#include "sources/testdevices.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include "sources/filterdevices.h"
#include "testenv.h"

#include <gtest/gtest.h>

using namespace vistrel;
using namespace vistrel::sources;
using vistrel::test::SpinFor;

namespace {

struct TestDevices : ::testing::Test {
  media::Graph graph;
  GraphSlots graphSlots{graph};
  SystemDeviceEnumerator enumerator;
  TestDevices() { enumerator.AddProvider(MakeTestDeviceProvider(&enumerator)); }
};

}  // namespace

TEST_F(TestDevices, ListedByTheNamingRules) {
  SourceCatalog catalog(graphSlots, enumerator);
  QStringList videoBox, audioBox;
  ASSERT_TRUE(catalog.ChargerDrivers(videoBox, audioBox));
  EXPECT_EQ(videoBox, (QStringList{"Vistrel Test Camera", "Vistrel Test Capture Card - Video", "DV Source - Video",
                                   "Vistrel Test MPEG Encoder - Video", "no video stream"}));
  EXPECT_EQ(audioBox, (QStringList{"Vistrel Test Capture Card - Audio", "DV Source - Audio",
                                   "Vistrel Test MPEG Encoder - Audio", "Vistrel Test Microphone", "no audio stream"}));
  // Every video source offers media types.
  for (const auto &s : catalog.VideoSources) {
    MediaTypeList list;
    FillMediaTypeList(*s->Device, list);
    EXPECT_GT(list.Count(), 0) << s->Name.toStdString();
  }
  EXPECT_TRUE(catalog.FindVideo("DV Source - Video")->HasTransport);
}

TEST_F(TestDevices, ListingTextNamesSourcesAndTheirTypes) {
  const QString text = ListSourcesText();
  EXPECT_TRUE(text.contains("Video sources:\n  Vistrel Test Camera\n")) << text.toStdString();
  EXPECT_TRUE(text.contains("  no video stream\nAudio sources:\n")) << text.toStdString();
  EXPECT_TRUE(text.contains("Media types of Vistrel Test Camera:\n  1. ")) << text.toStdString();
  EXPECT_TRUE(text.contains("Media types of DV Source - Video:\n")) << text.toStdString();
}

TEST_F(TestDevices, EveryVideoSourcePreviews) {
  SourceCatalog catalog(graphSlots, enumerator);
  QStringList videoBox, audioBox;
  ASSERT_TRUE(catalog.ChargerDrivers(videoBox, audioBox));
  for (const auto &source : catalog.VideoSources) {
    SCOPED_TRACE(source->Name.toStdString());
    TCaptureDevice *device = source->Device;
    QStringList errors;
    auto connection = QObject::connect(&graph, &media::Graph::ErrorOccurred, [&](QString m) { errors << m; });
    ASSERT_NE(device->SetSourceGraph(), nullptr);
    device->SetVideoGraph(source->StreamNumber);
    ASSERT_TRUE(graphSlots.VideoOutPin);
    ASSERT_TRUE(graphSlots.NativeVideoTee);
    // The preview chain: convert and count frames.
    GstElement *convert = gst_element_factory_make("videoconvert", nullptr);
    GstElement *sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", TRUE, "signal-handoffs", TRUE, nullptr);
    std::atomic<int> frames{0};
    g_signal_connect(sink, "handoff", G_CALLBACK(+[](GstElement *, GstBuffer *, GstPad *, gpointer n) {
                       ++*static_cast<std::atomic<int> *>(n);
                     }), &frames);
    ASSERT_TRUE(graph.AddFilter(convert, "preview convert"));
    ASSERT_TRUE(graph.AddFilter(sink, "preview sink"));
    ASSERT_TRUE(graph.Connect(graphSlots.VideoOutPin.get(), media::Pin(convert, 0).get()));
    ASSERT_TRUE(graph.ConnectFilters(convert, sink));
    // The native tee keeps a branch of its own for recording.
    GstElement *tap = gst_element_factory_make("fakesink", nullptr);
    g_object_set(tap, "async", FALSE, nullptr);
    ASSERT_TRUE(graph.AddFilter(tap, "native tap"));
    ASSERT_TRUE(graph.Connect(media::Pin(graphSlots.NativeVideoTee.get(), 2).get(), media::Pin(tap, 0).get()));
    ASSERT_TRUE(graph.Run());
    // Five seconds of live stream: long enough for a device that stalls or
    // errors after its first buffers to show it.
    SpinFor(5000);
    EXPECT_GT(frames.load(), 100);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();

    VideoStreamDescription d = DescribeCurrentVideo(*source, true);
    EXPECT_GT(d.SourceWidth, 0);
    EXPECT_GT(d.SourceFps, 0);
    if (source->Name.contains("MPEG")) {
      // An MPEG-2 stream is recorded natively as such, in 4:3 unless stated.
      EXPECT_EQ(d.SourceCodec, "MPEG2");
      EXPECT_EQ(source->StreamKind, 4);
      EXPECT_EQ(device->NativeFormat1, 3);
      EXPECT_TRUE(d.SourceCompressed);
    } else if (source->Name.startsWith("DV Source")) {
      EXPECT_EQ(source->StreamKind, 5) << "a DV source stays DV";
      EXPECT_EQ(device->NativeFormat1, 1);
    }

    EXPECT_TRUE(graph.Stop());
    graph.RemoveFilter(convert);
    graph.RemoveFilter(sink);
    graph.RemoveFilter(tap);
    EXPECT_TRUE(device->KillVideoGraph());
    EXPECT_FALSE(graphSlots.NativeVideoTee);
    EXPECT_TRUE(device->KillSourceGraph());
    EXPECT_TRUE(graph.Filters().empty());
    QObject::disconnect(connection);
  }
}

TEST_F(TestDevices, AudioStreamsGiveAPinOnlyWithinRange) {
  SourceCatalog catalog(graphSlots, enumerator);
  QStringList videoBox, audioBox;
  ASSERT_TRUE(catalog.ChargerDrivers(videoBox, audioBox));
  for (const auto &source : catalog.AudioSources) {
    SCOPED_TRACE(source->Name.toStdString());
    TCaptureDevice *device = source->Device;
    ASSERT_NE(device->SetSourceGraph(), nullptr);
    EXPECT_FALSE(device->SetAudioGraph(0));
    EXPECT_FALSE(device->SetAudioGraph(device->AudioStreams + 1));
    EXPECT_FALSE(graphSlots.NativeAudioTee);
    media::PadRef pin = device->SetAudioGraph(source->StreamNumber);
    ASSERT_TRUE(pin);
    EXPECT_TRUE(graphSlots.NativeAudioTee);
    EXPECT_TRUE(device->KillAudioGraph());
    EXPECT_FALSE(graphSlots.NativeAudioTee);
    device->KillSourceGraph();
  }
}

TEST_F(TestDevices, HotPlugAddsAndRemovesADevice) {
  SourceCatalog catalog(graphSlots, enumerator);
  QStringList videoBox, audioBox;
  ASSERT_TRUE(catalog.ChargerDrivers(videoBox, audioBox));
  int changes = 0;
  QObject::connect(&enumerator, &SystemDeviceEnumerator::DeviceChange, [&] { ++changes; });
  auto waitChange = [&](int count) {
    QElapsedTimer t;
    t.start();
    while (changes < count && t.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return changes >= count;
  };

  TestDeviceInfo extra{TestDeviceKind::Camera, "Hot Camera", "hot-camera", true, false};
  AddTestDevice(extra);
  ASSERT_TRUE(waitChange(1));
  ASSERT_TRUE(catalog.ChargerDrivers(videoBox, audioBox));
  EXPECT_EQ(videoBox.at(videoBox.size() - 2), "Hot Camera") << "a new device comes after the survivors";
  EXPECT_EQ(videoBox.first(), "Vistrel Test Camera");

  QStringList stopped;
  catalog.StopSourcesOf = [&](TCaptureDevice *d) { stopped << d->DeviceName; };
  RemoveTestDevice("hot-camera");
  ASSERT_TRUE(waitChange(2));
  ASSERT_TRUE(catalog.ChargerDrivers(videoBox, audioBox));
  EXPECT_FALSE(videoBox.contains("Hot Camera"));
  EXPECT_EQ(videoBox.last(), "no video stream");
  EXPECT_EQ(stopped, QStringList{"Hot Camera"});
}

TEST(Ieee1394, NoPortsGiveNoCamcorders) {
  // These machines have no 1394 ports: the scan finds nothing and says so
  // quietly.
  if (Ieee1394PortCount() > 0) GTEST_SKIP() << "a 1394 bus is present";
  EXPECT_TRUE(ScanIeee1394().empty());
  auto provider = MakeIeee1394Provider();
  EXPECT_TRUE(provider->Enumerate(DeviceCategory::VideoInput).empty());
  EXPECT_TRUE(provider->Enumerate(DeviceCategory::AudioInput).empty());
}

namespace {

// Runs the graph for a while and counts the frames reaching a sink on `out`.
int PreviewFrames(media::Graph &graph, GstPad *out, int ms) {
  GstElement *convert = gst_element_factory_make("videoconvert", nullptr);
  GstElement *sink = gst_element_factory_make("fakesink", nullptr);
  g_object_set(sink, "sync", TRUE, "signal-handoffs", TRUE, nullptr);
  std::atomic<int> frames{0};
  g_signal_connect(sink, "handoff", G_CALLBACK(+[](GstElement *, GstBuffer *, GstPad *, gpointer n) {
                     ++*static_cast<std::atomic<int> *>(n);
                   }), &frames);
  graph.AddFilter(convert, "preview convert");
  graph.AddFilter(sink, "preview sink");
  if (!graph.Connect(out, media::Pin(convert, 0).get()) || !graph.ConnectFilters(convert, sink)) return -1;
  if (!graph.Run()) return -1;
  SpinFor(ms);
  return frames.load();
}

}  // namespace

TEST_F(TestDevices, ChosenCompressedFormatIsDecodedForThePreview) {
  SourceCatalog catalog(graphSlots, enumerator);
  QStringList videoBox, audioBox;
  ASSERT_TRUE(catalog.ChargerDrivers(videoBox, audioBox));
  TVideoSource *camera = catalog.FindVideo("Vistrel Test Camera");
  TCaptureDevice *device = camera->Device;
  MediaTypeList list;
  FillMediaTypeList(*device, list);
  int mjpeg = 0;
  for (int i = 0; i < list.Count() && !mjpeg; ++i)
    if (DescribeMediaType(list.Entries[size_t(i)].get()).startsWith("MJPG 640x480")) mjpeg = i + 1;
  ASSERT_GT(mjpeg, 0);
  ASSERT_TRUE(ApplyMediaType(*device, list, mjpeg));
  ASSERT_NE(device->SetSourceGraph(), nullptr);
  device->SetVideoGraph(1);
  ASSERT_TRUE(graphSlots.VideoOutPin);
  EXPECT_NE(static_cast<TVideoCaptureDevice *>(device)->Decoder(), nullptr);
  EXPECT_GT(PreviewFrames(graph, graphSlots.VideoOutPin.get(), 1000), 5);
  VideoStreamDescription d = DescribeCurrentVideo(*camera, true);
  EXPECT_EQ(d.SourceCodec, "MJPG");
  EXPECT_EQ(d.SourceWidth, 640);
  EXPECT_TRUE(graph.Stop());
}

TEST_F(TestDevices, DvPreviewsWithSoundAndRecordsNatively) {
  SourceCatalog catalog(graphSlots, enumerator);
  QStringList videoBox, audioBox;
  ASSERT_TRUE(catalog.ChargerDrivers(videoBox, audioBox));
  TCaptureDevice *dv = catalog.FindVideo("DV Source - Video")->Device;
  ASSERT_NE(dv->SetSourceGraph(), nullptr);
  ASSERT_NE(graph.FindFilter("dv_Scenedetect"), nullptr);
  dv->SetVideoGraph(1);
  media::PadRef audio = dv->SetAudioGraph(1);
  ASSERT_TRUE(audio);
  GstElement *audioSink = gst_element_factory_make("fakesink", nullptr);
  g_object_set(audioSink, "async", FALSE, nullptr);
  graph.AddFilter(audioSink, "audio sink");
  ASSERT_TRUE(graph.Connect(audio.get(), media::Pin(audioSink, 0).get()));
  QStringList errors;
  QObject::connect(&graph, &media::Graph::ErrorOccurred, [&](QString m) { errors << m; });
  EXPECT_GT(PreviewFrames(graph, graphSlots.VideoOutPin.get(), 1000), 10);
  EXPECT_TRUE(graph.Stop());
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
  graph.RemoveFilter("preview convert");
  graph.RemoveFilter("preview sink");

  // The recording chain hangs off the tee's free branch: whole DV frames,
  // sound included, into an AVI file finalized by the stop.
  const QString file = vistrel::test::freshDir("dvrec") + "/native.avi";
  ASSERT_TRUE(dv->BuildMuxGraph(file));
  EXPECT_EQ(graph.RecordingBranchCount(), 1);
  EXPECT_GT(PreviewFrames(graph, graphSlots.VideoOutPin.get(), 1000), 10);
  EXPECT_TRUE(graph.Stop());
  EXPECT_TRUE(graph.LastStopFinalized());
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
  EXPECT_GT(QFileInfo(file).size(), 144000 * 10);
  EXPECT_TRUE(dv->KillMuxGraph());
  EXPECT_EQ(graph.FindFilter("AVI Mux"), nullptr);
  EXPECT_FALSE(dv->KillMuxGraph()) << "nothing left to take down";
  // A second recording gets the tee's recording branch again.
  ASSERT_TRUE(dv->BuildMuxGraph(file + ".2"));
  EXPECT_TRUE(dv->KillMuxGraph());
}

TEST(DeviceLost, SourceFailureRaisesTheLostPath) {
  std::vector<vistrel::test::FakeDevice> devices{
      {"broken", "Broken Cam", "filesrc location=/nonexistent/device ! video/x-raw,format=BGR,width=8,height=8,framerate=25/1 ! identity",
       DeviceCategory::VideoInput}};
  SystemDeviceEnumerator enumerator;
  enumerator.AddProvider(std::make_unique<vistrel::test::FakeProvider>(&devices));
  media::Graph graph;
  GraphSlots graphSlots(graph);
  SourceCatalog catalog(graphSlots, enumerator);
  QStringList videoBox, audioBox;
  ASSERT_TRUE(catalog.ChargerDrivers(videoBox, audioBox));
  TCaptureDevice *device = catalog.FindVideo("Broken Cam")->Device;
  QString lost;
  QObject::connect(&graph, &media::Graph::DeviceLost, [&](QString name, QString) { lost = name; });
  ASSERT_NE(device->SetSourceGraph(), nullptr);
  device->SetVideoGraph(1);
  ASSERT_TRUE(graphSlots.VideoOutPin);
  PreviewFrames(graph, graphSlots.VideoOutPin.get(), 200);
  SpinFor(500);
  graph.Stop();
  EXPECT_EQ(lost, "Broken Cam");
  // The controller excludes it; the next rebuild leaves it out.
  catalog.ExcludeDevice(device->DeviceName);
  ASSERT_TRUE(catalog.ChargerDrivers(videoBox, audioBox));
  EXPECT_EQ(videoBox, QStringList{"no video stream"});
}
