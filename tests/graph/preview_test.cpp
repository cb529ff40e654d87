// The preview chains through real pipelines with the built-in test devices.
#include "filters/vs_superposer.h"
#include "filters/vs_timestamper.h"
#include "media/pins.h"
#include "preview_fixture.h"
#include "sources/avsources.h"

#include <atomic>
#include <memory>

using namespace vistrel;
using vistrel::test::MsUntil;
using vistrel::test::PreviewFixture;
using vistrel::test::SpinFor;
using vistrel::test::SpinUntil;

namespace {

// The graph names met walking downstream from `from` through first outputs.
QStringList Downstream(media::Graph &fg, GstElement *from, int steps) {
  QStringList names;
  media::ElementRef e = media::ElementRef::Borrow(from);
  for (int i = 0; i < steps && e; ++i) {
    names << fg.GraphNameOf(GST_OBJECT(e.get()));
    media::PadRef out = media::FirstConnectedPin(e.get(), GST_PAD_SRC);
    e = out ? media::PeerElement(out.get()) : media::ElementRef();
  }
  return names;
}

// Counts buffers arriving at an element's first input. The count is shared
// with the probe, so a buffer passing while the counter goes is harmless.
struct BufferCounter {
  std::shared_ptr<std::atomic<int>> count = std::make_shared<std::atomic<int>>(0);
  media::PadRef pad;
  gulong id = 0;
  explicit BufferCounter(GstElement *e) : pad(media::Pin(e, 0)) {
    id = gst_pad_add_probe(
        pad.get(), GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad *, GstPadProbeInfo *, gpointer n) {
          ++**static_cast<std::shared_ptr<std::atomic<int>> *>(n);
          return GST_PAD_PROBE_OK;
        },
        new std::shared_ptr<std::atomic<int>>(count),
        [](gpointer n) { delete static_cast<std::shared_ptr<std::atomic<int>> *>(n); });
  }
  ~BufferCounter() { gst_pad_remove_probe(pad.get(), id); }
  int Count() const { return *count; }
};

}  // namespace

TEST_F(PreviewFixture, TestCameraPreviewsThroughTheWholeChain) {
  auto *camera = Video("Vistrel Test Camera");
  ASSERT_NE(camera, nullptr);
  ASSERT_TRUE(dm.ConnecterVideo(camera));
  EXPECT_EQ(dm.CurrentVideoDevice(), camera);
  EXPECT_TRUE(camera->Active);
  ASSERT_TRUE(dm.LancerGraphe());
  EXPECT_TRUE(FramesShown(5, 3000));
  EXPECT_FALSE(window.CurrentFrame().isNull());

  // The chain in its exact order from the source's output.
  GstElement *superposer = dm.fg().FindFilter("Superposer");
  ASSERT_NE(superposer, nullptr);
  EXPECT_EQ(Downstream(dm.fg(), superposer, 7),
            (QStringList{"Superposer", "infdecvideo", "infdecvideo queue 1", "infsupvideo", "Tamponer Video", "color3",
                         "VideoRenderer"}));
  media::PadRef beforeSuperposer = media::ConnectedTo(media::Pin(superposer, 0).get());
  EXPECT_EQ(dm.fg().GraphNameOf(GST_OBJECT(beforeSuperposer.get())), "color1");
  // The facts of the native stream.
  EXPECT_GT(dm.SourceWidth(), 0);
  EXPECT_GT(dm.SourceHeight(), 0);
  EXPECT_GE(dm.FrameDuration(), 1000u);
  EXPECT_NEAR(dm.SourceFps(), 10000000.0 / dm.FrameDuration(), 1e-9);
}

TEST_F(PreviewFixture, CaptureTapOnPinTwoGetsDecodedFrames) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  media::PadRef tap = dm.TeeOutput(dm.infdecvideo.get(), 2);
  ASSERT_TRUE(tap);
  GstElement *sink = gst_element_factory_make("fakesink", nullptr);
  g_object_set(sink, "async", FALSE, nullptr);
  ASSERT_TRUE(dm.fg().AddFilter(sink, "tap sink"));
  ASSERT_TRUE(dm.fg().Connect(tap.get(), media::Pin(sink, 0).get()));
  BufferCounter tapped(sink);
  ASSERT_TRUE(dm.LancerGraphe());
  SpinUntil([&] { return tapped.Count() >= 5 && window.FramesShown() >= 3; }, 3000);
  EXPECT_GE(tapped.Count(), 5);
  EXPECT_GE(window.FramesShown(), 3) << "a tap must not stall the preview";
  // The inlay applied in the camera's own layout: the tap sees what the
  // superposer made, with no conversion on the way.
  media::CapsRef caps = media::CurrentCaps(media::Pin(sink, 0).get());
  GstElement *converter = dm.fg().FindFilter("color1");
  ASSERT_NE(converter, nullptr);
  media::CapsRef native = media::CurrentCaps(media::Pin(converter, 0).get());
  ASSERT_TRUE(caps);
  ASSERT_TRUE(native);
  EXPECT_STREQ(gst_structure_get_string(gst_caps_get_structure(caps.get(), 0), "format"),
               gst_structure_get_string(gst_caps_get_structure(native.get(), 0), "format"));
  EXPECT_STRNE(gst_structure_get_string(gst_caps_get_structure(caps.get(), 0), "format"), "BGR");
  dm.StopGraph();
  dm.fg().RemoveFilter(sink);
}

TEST_F(PreviewFixture, MicrophonePlaysIntoTheRenderer) {
  auto *mic = Audio("Vistrel Test Microphone");
  ASSERT_NE(mic, nullptr);
  ASSERT_TRUE(dm.ConnecterAudio(mic));
  EXPECT_EQ(dm.CurrentAudioDevice(), mic);
  EXPECT_EQ(dm.AudioRate(), 48000);
  EXPECT_EQ(dm.AudioChannels(), 2);
  EXPECT_GT(dm.AudioBits(), 0);
  ASSERT_NE(dm.AudioRenderer(), nullptr);
  BufferCounter rendered(dm.AudioRenderer());
  QStringList errors;
  QObject::connect(&dm.fg(), &media::Graph::ErrorOccurred, [&](QString m) { errors << m; });
  ASSERT_TRUE(dm.LancerGraphe());
  SpinUntil([&] { return rendered.Count() >= 10; }, 3000);
  EXPECT_GE(rendered.Count(), 10);
  EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
  EXPECT_EQ(Downstream(dm.fg(), dm.fg().FindFilter("Control_Preview_Audio"), 6),
            (QStringList{"Control_Preview_Audio", "infdecaudio", "infdecaudio queue 1", "infsupaudio", "Tamponer Audio",
                         "audiorender"}));
}

TEST_F(PreviewFixture, DvCamcorderAsBothSidesKeepsTheSourceUntilTheLastSideGoes) {
  auto *video = Video("DV Source - Video");
  auto *audio = Audio("DV Source - Audio");
  ASSERT_TRUE(video && audio);
  ASSERT_TRUE(dm.ConnecterVideo(video));
  ASSERT_TRUE(dm.ConnecterAudio(audio));
  BufferCounter rendered(dm.AudioRenderer());
  ASSERT_TRUE(dm.LancerGraphe());
  EXPECT_TRUE(FramesShown(2, 3000));
  SpinUntil([&] { return rendered.Count() >= 5 && dm.AudioRate() > 0; }, 2000);
  EXPECT_GE(rendered.Count(), 5);
  // The splitter's sound has a type only once frames flow; read it then.
  EXPECT_EQ(dm.AudioRate(), 48000);
  EXPECT_EQ(dm.AudioChannels(), 2);

  const QString sourceName = video->Device->DeviceName;
  ASSERT_TRUE(dm.DeconnecterVideo(video, true));
  EXPECT_NE(dm.fg().FindFilter("dv_splitter"), nullptr) << "the audio side still uses the camcorder";
  EXPECT_EQ(dm.fg().FindFilter("Superposer"), nullptr);
  // Sound goes on without the picture.
  const int before = rendered.Count();
  ASSERT_TRUE(dm.LancerGraphe());
  SpinUntil([&] { return rendered.Count() >= before + 5; }, 2000);
  EXPECT_GE(rendered.Count(), before + 5);
  ASSERT_TRUE(dm.DeconnecterAudio(audio, true));
  EXPECT_EQ(dm.fg().FindFilter("dv_splitter"), nullptr);
  EXPECT_EQ(dm.fg().FindFilter(sourceName), nullptr);
}

TEST_F(PreviewFixture, SwitchingSourcesLeavesNothingBehind) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  ASSERT_TRUE(dm.LancerGraphe());
  ASSERT_TRUE(FramesShown(2, 3000));
  const int countWithCamera = int(dm.fg().Filters().size());

  // Another source replaces the first one: the camera is disconnected fully.
  auto *card = Video("Vistrel Test Capture Card - Video");
  ASSERT_NE(card, nullptr);
  ASSERT_TRUE(dm.ConnecterVideo(card));
  EXPECT_EQ(dm.CurrentVideoDevice(), card);
  EXPECT_EQ(dm.fg().FindFilter(Video("Vistrel Test Camera")->Device->DeviceName), nullptr);
  window.ResetCounters();
  ASSERT_TRUE(dm.LancerGraphe());
  EXPECT_TRUE(FramesShown(2, 3000));

  // And back: the same number of filters as the first time, pins from 1.
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  EXPECT_EQ(int(dm.fg().Filters().size()), countWithCamera);
  EXPECT_EQ(dm.fg().GraphNameOf(GST_OBJECT(media::PeerElement(media::Pin(dm.infdecvideo.get(), 1).get()).get())),
            "infdecvideo queue 1");
  window.ResetCounters();
  ASSERT_TRUE(dm.LancerGraphe());
  EXPECT_TRUE(FramesShown(2, 3000));

  ASSERT_TRUE(dm.DeconnecterVideo(dm.CurrentVideoDevice(), true));
  EXPECT_EQ(dm.CurrentVideoDevice(), nullptr);
  EXPECT_TRUE(window.CurrentFrame().isNull()) << "no picture of a source that is gone";
  EXPECT_TRUE(dm.fg().Filters().empty()) << dm.fg().DotGraph().left(400).toStdString();
  EXPECT_FALSE(dm.DeconnecterVideo(card, true)) << "only the current source can be disconnected";
}

TEST_F(PreviewFixture, FrozenPreviewGateStopsFramesAndResumes) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  ASSERT_TRUE(dm.LancerGraphe());
  ASSERT_TRUE(FramesShown(2, 3000));
  dm.ControlPreviewVideo()->SetFrozen(true);
  SpinFor(200);  // frames already on their way arrive
  const int frozenAt = dm.PreviewFramesReceived();
  SpinFor(400);
  EXPECT_EQ(dm.PreviewFramesReceived(), frozenAt);
  dm.ControlPreviewVideo()->SetFrozen(false);
  SpinUntil([&] { return dm.PreviewFramesReceived() > frozenAt + 2; }, 2000);
  EXPECT_GT(dm.PreviewFramesReceived(), frozenAt + 2);
}

TEST_F(PreviewFixture, LostDeviceIsReportedAndCanBeTakenOut) {
  auto *camera = Video("Vistrel Test Camera");
  ASSERT_TRUE(dm.ConnecterVideo(camera));
  ASSERT_TRUE(dm.LancerGraphe());
  ASSERT_TRUE(FramesShown(1, 3000));
  QStringList lost;
  QObject::connect(&dm.fg(), &media::Graph::DeviceLost, [&](QString name, QString) { lost << name; });
  // What a capture driver does when its device is unplugged mid-stream.
  GstElement *src = camera->Device->SourceFilter.get();
  GST_ELEMENT_ERROR(src, RESOURCE, NOT_FOUND, ("Device went away."), ("unplugged"));
  SpinUntil([&] { return !lost.isEmpty(); }, 2000);
  ASSERT_EQ(lost.size(), 1);
  EXPECT_EQ(lost.first(), camera->Device->DeviceName);
  // The controller's answer: take the source out, and the program goes on.
  EXPECT_TRUE(dm.DeconnecterVideo(camera, true));
  EXPECT_TRUE(dm.fg().Filters().empty());
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Capture Card - Video")));
  window.ResetCounters();
  ASSERT_TRUE(dm.LancerGraphe());
  EXPECT_TRUE(FramesShown(2, 3000));
}

TEST_F(PreviewFixture, EveryTestSourcePreviewsWithinASecondOfBeingChosen) {
  ASSERT_FALSE(catalog->VideoSources.empty());
  for (const auto &source : catalog->VideoSources) {
    SCOPED_TRACE(source->Name.toStdString());
    window.ResetCounters();
    ASSERT_TRUE(dm.ConnecterVideo(source.get()));
    ASSERT_TRUE(dm.LancerGraphe());
    const qint64 ms = MsUntil([&] { return window.FramesShown() >= 1; }, 3000);
    ASSERT_GE(window.FramesShown(), 1);
    // Tens of milliseconds here: a second leaves room for a loaded machine.
    EXPECT_LT(ms, 1000);
  }
  for (const auto &source : catalog->AudioSources) {
    SCOPED_TRACE(source->Name.toStdString());
    ASSERT_TRUE(dm.ConnecterAudio(source.get()));
    BufferCounter rendered(dm.AudioRenderer());
    ASSERT_TRUE(dm.LancerGraphe());
    const qint64 ms = MsUntil([&] { return rendered.Count() >= 1; }, 3000);
    ASSERT_GE(rendered.Count(), 1);
    EXPECT_LT(ms, 1000);
  }
}

TEST(PreviewFitRule, TheWindowGetsThePixelsItShowsAndNeverMore) {
  const QSize dv(720, 576);
  struct Row {
    QSize picture, area;
    bool stretch;
    QSize want;  // empty: the picture's own size
  } rows[] = {
      {dv, {360, 288}, false, {360, 288}},  // half size
      {dv, {400, 400}, false, {400, 320}},  // fitted, letterboxed
      {dv, {1024, 768}, false, {}},         // larger window: never enlarged
      {dv, {720, 576}, false, {}},          // exact copy
      {dv, {800, 300}, true, {720, 300}},   // stretched: what the window shows, no wider than the picture
      {dv, {8, 6}, false, {}},              // a window too small to tell anything
      {{}, {400, 300}, false, {}},          // no picture yet
      {{1920, 1080}, {100, 100}, false, {100, 56}},
  };
  for (const Row &r : rows)
    EXPECT_EQ(PreviewFit::DisplaySize(r.picture, r.area, r.stretch), r.want)
        << r.picture.width() << "x" << r.picture.height() << " in " << r.area.width() << "x" << r.area.height();
}

TEST_F(PreviewFixture, TheWindowIsGivenThePictureAtTheSizeItShowsIt) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  ASSERT_TRUE(dm.LancerGraphe());
  ASSERT_TRUE(FramesShown(3, 3000));
  const QSize picture = dm.PreviewPictureSize();
  ASSERT_GE(picture.width(), 320);
  window.resize(picture / 2 + QSize(0, 30));
  const QSize fitted = ui::VideoWindow::FittedRect(picture, QRect(QPoint(), window.size())).size();
  EXPECT_TRUE(SpinUntil([&] { return window.CurrentFrame().size() == fitted; }, 3000))
      << window.CurrentFrame().width() << "x" << window.CurrentFrame().height();
  EXPECT_EQ(dm.PreviewPictureSize(), picture) << "only the window's copy is scaled";
  window.resize(picture + QSize(40, 40));
  EXPECT_TRUE(SpinUntil([&] { return window.CurrentFrame().size() == picture; }, 3000))
      << "a window larger than the picture is given all of it";
  dm.StopGraph();
}
