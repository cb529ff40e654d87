// The sound formats of an audio capture pad and a device's own preview
// output: how their caps become a list to choose from, and what a device
// does with the choice when its streams are spliced.
#include "catalogfixture.h"
#include "media/pins.h"
#include "sources/devicesettings.h"
#include "sources/filterdevices.h"
#include "sources/mediatypes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <gtest/gtest.h>

using namespace vistrel;
using namespace vistrel::sources;

namespace {

media::CapsRef Caps(const char *text) { return media::CapsRef::Adopt(gst_caps_from_string(text)); }

QStringList Names(const std::vector<media::CapsRef> &entries) {
  QStringList out;
  for (const auto &e : entries) out << DescribeMediaType(e.get());
  return out;
}

QStringList Names(const MediaTypeList &list) { return Names(list.Entries); }

// Caps flowing through `pad` once the graph runs (null after `ms`).
media::CapsRef CapsOnceFlowing(GstPad *pad, int ms = 3000) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    if (auto caps = media::CapsRef::Adopt(gst_pad_get_current_caps(pad))) return caps;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return {};
}

struct CapturePins : test::CatalogFixture {
  ~CapturePins() override { graph.Stop(); }
  TCaptureDevice *Microphone() { return catalog.FindAudio("Vistrel Test Microphone")->Device; }
  TCaptureDevice *Encoder() { return catalog.FindVideo("Vistrel Test MPEG Encoder - Video")->Device; }
  // Ends a pad in a sink so the graph can run.
  bool EndIn(GstPad *pad) {
    GstElement *sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "async", FALSE, nullptr);
    const QString name = QStringLiteral("end %1").arg(ends.size());
    ends << name;
    return graph.AddFilter(sink, name) && graph.Connect(pad, media::Pin(sink, 0).get());
  }
  void RemoveEnds() {
    for (const QString &name : ends) graph.RemoveFilter(name);
    ends.clear();
  }
  QStringList ends;
};

}  // namespace

TEST(AudioFormatList, OneEntryPerRateChannelsAndLayoutHighestFirst) {
  // A card that lists what its converter does.
  auto card = Caps("audio/x-raw,format={S16LE,S32LE,F32LE},layout=interleaved,rate={44100,48000},channels=2");
  EXPECT_EQ(Names(SplitAudioFormats(card.get())),
            (QStringList{"48000 Hz 32 bits stereo", "48000 Hz 16 bits stereo", "44100 Hz 32 bits stereo",
                         "44100 Hz 16 bits stereo"}))
      << "floating point is no wave format choice";
  for (auto &e : SplitAudioFormats(card.get())) EXPECT_TRUE(gst_caps_is_fixed(e.get()));

  // A sound server (PulseAudio, PipeWire) or an ALSA plug device: any rate,
  // any channel count, many layouts. The common rates in mono and stereo,
  // 16 bits only, keep the list short.
  auto server = Caps("audio/x-raw,format={S16LE,S16BE,F32LE,S32LE,S24LE,U8},layout=interleaved,"
                     "rate=[1,384000],channels=[1,32]");
  const QStringList names = Names(SplitAudioFormats(server.get()));
  ASSERT_EQ(names.size(), 16);
  EXPECT_EQ(names.first(), "96000 Hz 16 bits stereo");
  EXPECT_EQ(names[1], "96000 Hz 16 bits mono");
  EXPECT_TRUE(names.contains("44100 Hz 16 bits stereo"));
  EXPECT_TRUE(names.contains("11025 Hz 16 bits mono"));
  EXPECT_EQ(names.last(), "8000 Hz 16 bits mono");

  // A narrow range gives only the rates within it; a device without 16 bits
  // gets its first integer layout.
  auto narrow = Caps("audio/x-raw,format={U8,S32LE},layout=interleaved,rate=[16000,32000],channels=1");
  EXPECT_EQ(Names(SplitAudioFormats(narrow.get())),
            (QStringList{"32000 Hz 8 bits mono", "22050 Hz 8 bits mono", "16000 Hz 8 bits mono"}));

  // Nothing a wave format describes, or no sound at all: no list.
  EXPECT_TRUE(SplitAudioFormats(Caps("audio/x-raw,format=F32LE,rate=48000,channels=2").get()).empty());
  EXPECT_TRUE(SplitAudioFormats(Caps("video/x-raw,format=I420,width=320,height=240").get()).empty());
  EXPECT_TRUE(SplitAudioFormats(nullptr).empty());
  EXPECT_EQ(SplitAudioFormats(server.get(), 5).size(), 5u);
}

TEST_F(CapturePins, TheMicrophoneOffersSixFormatsAndGivesItsOwnWithoutAChoice) {
  MediaTypeList formats;
  FillAudioFormatList(*Microphone(), formats);
  EXPECT_EQ(Names(formats), (QStringList{"48000 Hz 16 bits stereo", "48000 Hz 16 bits mono", "44100 Hz 16 bits stereo",
                                         "44100 Hz 16 bits mono", "32000 Hz 16 bits stereo", "32000 Hz 16 bits mono"}));
  // The sound of a picture device that offers one format is a list of one;
  // the DV camcorder's sound is inside its frames, with nothing to choose.
  FillAudioFormatList(*catalog.FindAudio("Vistrel Test Capture Card - Audio")->Device, formats);
  EXPECT_EQ(Names(formats), QStringList{"48000 Hz 16 bits stereo"});
  FillAudioFormatList(*catalog.FindAudio("DV Source - Audio")->Device, formats);
  EXPECT_EQ(formats.Count(), 0);

  ASSERT_TRUE(Microphone()->SetSourceGraph());
  media::PadRef pin = Microphone()->SetAudioGraph(1);
  ASSERT_TRUE(pin && EndIn(pin.get()));
  EXPECT_FALSE(graph.FindFilter("aud_format")) << "no choice, nothing between the pad and its tee";
  ASSERT_TRUE(graph.Run());
  auto flowing = CapsOnceFlowing(pin.get());
  ASSERT_TRUE(flowing);
  const AudioStreamDescription d = DescribeAudioStream(flowing.get());
  EXPECT_EQ(d.AudioRate, 48000);
  EXPECT_EQ(d.AudioChannels, 2);
  EXPECT_EQ(d.AudioBits, 16);
}

TEST_F(CapturePins, AChosenSoundFormatFlowsAndOneTheDeviceRefusesFallsBackToItsOwn) {
  MediaTypeList formats;
  FillAudioFormatList(*Microphone(), formats);
  ASSERT_EQ(formats.Count(), 6);
  Microphone()->SetAudioFormat(formats.Entries[5].get());  // 32000 Hz mono
  ASSERT_TRUE(Microphone()->SetSourceGraph());
  media::PadRef pin = Microphone()->SetAudioGraph(1);
  ASSERT_TRUE(pin && EndIn(pin.get()));
  EXPECT_TRUE(graph.FindFilter("aud_format"));
  ASSERT_TRUE(graph.Run());
  auto flowing = CapsOnceFlowing(pin.get());
  ASSERT_TRUE(flowing);
  EXPECT_EQ(DescribeAudioStream(flowing.get()).AudioRate, 32000);
  EXPECT_EQ(DescribeAudioStream(flowing.get()).AudioChannels, 1);
  ASSERT_TRUE(graph.Stop());
  RemoveEnds();
  ASSERT_TRUE(Microphone()->KillAudioGraph());
  EXPECT_FALSE(graph.FindFilter("aud_format")) << "taken out with the tee";
  EXPECT_TRUE(Microphone()->AudioFormat()) << "the choice outlives the splice";

  // A format the pad cannot give (another device's, or the device changed):
  // its own sound rather than none, and the choice is dropped.
  auto refused = Caps("audio/x-raw,format=S16LE,layout=interleaved,rate=22050,channels=1");
  Microphone()->SetAudioFormat(refused.get());
  static QStringList warnings;
  warnings.clear();
  QtMessageHandler previous = qInstallMessageHandler(
      [](QtMsgType type, const QMessageLogContext &, const QString &text) { if (type == QtWarningMsg) warnings << text; });
  pin = Microphone()->SetAudioGraph(1);
  qInstallMessageHandler(previous);
  ASSERT_EQ(warnings.size(), 1) << "the user is told";
  EXPECT_TRUE(warnings.first().contains("cannot give")) << warnings.first().toStdString();
  ASSERT_TRUE(pin && EndIn(pin.get()));
  EXPECT_FALSE(graph.FindFilter("aud_format"));
  EXPECT_FALSE(Microphone()->AudioFormat());
  ASSERT_TRUE(graph.Run());
  flowing = CapsOnceFlowing(pin.get());
  ASSERT_TRUE(flowing);
  EXPECT_EQ(DescribeAudioStream(flowing.get()).AudioRate, 48000);
}

TEST_F(CapturePins, OnlyTheMpegEncoderHasAPreviewOutputAndItIsNoStreamOfItsOwn) {
  MediaTypeList previews;
  FillPreviewTypeList(*Encoder(), previews);
  EXPECT_EQ(Names(previews), (QStringList{"I420 720x576 25.00 fps", "I420 360x288 25.00 fps", "I420 180x144 25.00 fps"}));
  EXPECT_EQ(Encoder()->VideoStreams, 1);
  for (const char *name : {"Vistrel Test Camera", "Vistrel Test Capture Card - Video", "DV Source - Video"}) {
    FillPreviewTypeList(*catalog.FindVideo(name)->Device, previews);
    EXPECT_EQ(previews.Count(), 0) << name;
  }
  // The menu: after the capture pin, before the tuner.
  EXPECT_EQ(VideoMenuModel(nullptr, 2, 3).items, (QStringList{"Video Capture Pin...", "Video Preview Pin..."}));
  EXPECT_EQ(VideoMenuModel(nullptr, 2, 0).items, QStringList{"Video Capture Pin..."});
}

TEST_F(CapturePins, TheEncoderPreviewsFromItsPreviewOutputAtTheChosenSizeWhileTheStreamStaysMpeg2) {
  MediaTypeList previews;
  FillPreviewTypeList(*Encoder(), previews);
  ASSERT_EQ(previews.Count(), 3);
  Encoder()->SetPreviewFormat(previews.Entries[1].get());
  ASSERT_TRUE(Encoder()->SetSourceGraph());
  Encoder()->SetVideoGraph(1);
  auto *encoder = static_cast<TVideoCaptureDevice *>(Encoder());
  ASSERT_TRUE(graphSlots.VideoOutPin);
  EXPECT_TRUE(encoder->PreviewsFromOwnOutput());
  EXPECT_EQ(encoder->Decoder(), nullptr) << "nothing decoded for the preview";
  media::PadRef preview = graphSlots.VideoOutPin;
  ASSERT_TRUE(EndIn(preview.get()));
  media::PadRef tap = media::Pin(graphSlots.NativeVideoTee.get(), 2);
  ASSERT_TRUE(tap && EndIn(tap.get())) << "the native tee's capture tap is where it always is";
  ASSERT_TRUE(graph.Run());
  auto shown = CapsOnceFlowing(preview.get());
  auto recorded = CapsOnceFlowing(tap.get());
  ASSERT_TRUE(shown && recorded);
  const GstStructure *s = gst_caps_get_structure(shown.get(), 0);
  int w = 0, h = 0;
  gst_structure_get_int(s, "width", &w);
  gst_structure_get_int(s, "height", &h);
  EXPECT_EQ(w, 360);
  EXPECT_EQ(h, 288);
  const VideoStreamDescription d = DescribeVideoStream(recorded.get(), true);
  EXPECT_EQ(d.SourceCodec, "MPEG2");
  EXPECT_EQ(d.SourceWidth, 720);
  EXPECT_EQ(d.SourceHeight, 576);

  ASSERT_TRUE(graph.Stop());
  RemoveEnds();
  ASSERT_TRUE(Encoder()->KillVideoGraph());
  ASSERT_TRUE(Encoder()->KillSourceGraph());
  EXPECT_TRUE(graph.Filters().empty()) << "nothing of the preview path left behind";

  // A preview format the output cannot give: the stream is decoded for the
  // preview instead, never no picture.
  auto refused = Caps("video/x-raw,format=I420,width=100,height=100,framerate=25/1");
  Encoder()->SetPreviewFormat(refused.get());
  ASSERT_TRUE(Encoder()->SetSourceGraph());
  Encoder()->SetVideoGraph(1);
  ASSERT_TRUE(graphSlots.VideoOutPin);
  EXPECT_FALSE(encoder->PreviewsFromOwnOutput());
  EXPECT_NE(encoder->Decoder(), nullptr);
}
