// Connections that fail half-way, filter events reaching their listener, and
// DV decoded at half size.
#include "filters/filterevents.h"
#include "filters/vs_superposer.h"
#include "media/pins.h"
#include "preview_fixture.h"
#include "sources/avsources.h"
#include "sources/testdevices.h"

#include <atomic>

using namespace vistrel;
using vistrel::test::PreviewFixture;
using vistrel::test::SpinUntil;

namespace {

// A device whose "video" output is sound: the graph module gets as far as
// the superposer before the chain cannot be joined.
class SoundAsVideoDevice : public sources::TCaptureDevice {
 public:
  explicit SoundAsVideoDevice(sources::GraphSlots &s) : TCaptureDevice(s, "Odd Device", 1, "Odd Device") {
    VideoStreams = 1;
    Valid = true;
    Kind = sources::DeviceKind::Video;
    SourceFilter = MakeElement("audiotestsrc");
    g_object_set(SourceFilter.get(), "is-live", TRUE, nullptr);
  }
  GstElement *SetSourceGraph() override {
    if (!Slots().fg.Contains(SourceFilter.get()) && !Slots().fg.AddFilter(SourceFilter.get(), DeviceName)) return nullptr;
    return SourceFilter.get();
  }
  void SetVideoGraph(int) override {
    tee_ = MakeElement("tee");
    if (!Slots().fg.AddFilter(tee_.get(), "odd tee") || !Slots().fg.ConnectFilters(SourceFilter.get(), tee_.get())) return;
    Slots().NativeVideoTee = tee_;
    Slots().VideoOutPin = media::Pin(tee_.get(), 1);
  }
  media::PadRef SetAudioGraph(int) override { return {}; }
  bool KillVideoGraph() override {
    Slots().NativeVideoTee.reset();
    Slots().VideoOutPin.reset();
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

struct RecordingEvents : filters::FilterEvents {
  std::atomic<int> grabs{0}, lastSlot{-1};
  void GrabReady(int slot) override {
    lastSlot = slot;
    ++grabs;
  }
  void CountdownSeconds(int) override {}
  void DvRatioChanged(bool) override {}
};

}  // namespace

TEST_F(PreviewFixture, AFailedConnectionLeavesNothingBehindAndTheNextOneWorks) {
  EXPECT_FALSE(dm.ConnecterVideo(nullptr));
  EXPECT_FALSE(dm.ConnecterAudio(nullptr));
  SoundAsVideoDevice odd(dm.Slots());
  sources::TVideoSource oddSource(&odd, 1);
  EXPECT_FALSE(dm.ConnecterVideo(&oddSource));
  EXPECT_EQ(dm.CurrentVideoDevice(), nullptr);
  EXPECT_FALSE(oddSource.Active);
  EXPECT_TRUE(dm.fg().Filters().empty()) << dm.fg().DotGraph().left(600).toStdString();

  // A missing stream fails before any chain is built, and also cleans up.
  auto *camera = Video("Vistrel Test Camera");
  const int stream = camera->StreamNumber;
  camera->StreamNumber = 9;
  EXPECT_FALSE(dm.ConnecterVideo(camera));
  camera->StreamNumber = stream;
  EXPECT_TRUE(dm.fg().Filters().empty());

  ASSERT_TRUE(dm.ConnecterVideo(camera));
  ASSERT_TRUE(dm.LancerGraphe());
  EXPECT_TRUE(FramesShown(2, 3000));
}

TEST_F(PreviewFixture, FailingToConnectKeepsTheOtherSideRunning) {
  ASSERT_TRUE(dm.ConnecterAudio(Audio("Vistrel Test Microphone")));
  SoundAsVideoDevice odd(dm.Slots());
  sources::TVideoSource oddSource(&odd, 1);
  EXPECT_FALSE(dm.ConnecterVideo(&oddSource));
  EXPECT_NE(dm.fg().FindFilter("Tamponer Audio"), nullptr);
  EXPECT_EQ(dm.fg().FindFilter("Odd Device"), nullptr);
  EXPECT_TRUE(dm.LancerGraphe());
}

TEST_F(PreviewFixture, GrabsAreAnnouncedToTheListener) {
  static RecordingEvents events;  // outlives any streaming thread still calling it
  dm.SetFilterEvents(&events);
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  ASSERT_TRUE(dm.LancerGraphe());
  ASSERT_TRUE(FramesShown(1, 3000));
  dm.Superposer()->GrabNext();
  SpinUntil([&] { return events.grabs > 0; }, 2000);
  ASSERT_EQ(events.grabs.load(), 1);
  EXPECT_TRUE(dm.Superposer()->SlotBusy(events.lastSlot));
  EXPECT_FALSE(dm.Superposer()->GrabSlot(events.lastSlot).isNull());
  dm.Superposer()->ReleaseSlot(events.lastSlot);
  dm.SetFilterEvents(nullptr);
}

TEST_F(PreviewFixture, DvCamcorderPreviewsAtHalfSize) {
  dm.Slots().DvHalfSize = true;
  ASSERT_TRUE(dm.ConnecterVideo(Video("DV Source - Video")));
  ASSERT_TRUE(dm.LancerGraphe());
  ASSERT_TRUE(FramesShown(1, 3000));
  EXPECT_EQ(dm.PreviewPictureSize().width(), 360);
  EXPECT_EQ(dm.SourceWidth(), 720) << "the native stream keeps its size";
  EXPECT_EQ(dm.SourceHeight(), 576);
  EXPECT_EQ(dm.FrameDuration(), 400000u);
  EXPECT_NE(dm.Superposer()->DVSource.load(), nullptr) << "the superposer reads the DV scene detector";
  dm.Slots().DvHalfSize = false;
}

TEST_F(PreviewFixture, UnpluggingTheCurrentCameraTakesItsPreviewOut) {
  // What the controller wires: every refresh rebuilds the source objects, so
  // the current sources are disconnected fully first.
  catalog->StopCurrentSources = [&] {
    if (dm.CurrentVideoDevice()) dm.DeconnecterVideo(dm.CurrentVideoDevice(), true);
    if (dm.CurrentAudioDevice()) dm.DeconnecterAudio(dm.CurrentAudioDevice(), true);
  };
  sources::AddTestDevice({sources::TestDeviceKind::Camera, "Hot Camera", "hot-camera", true, false});
  SpinUntil([&] { return catalog->ChargerDrivers(videoBox, audioBox) && videoBox.contains("Hot Camera"); }, 2000);
  ASSERT_TRUE(dm.ConnecterVideo(Video("Hot Camera")));
  ASSERT_TRUE(dm.LancerGraphe());
  ASSERT_TRUE(FramesShown(1, 3000));

  sources::RemoveTestDevice("hot-camera");
  SpinUntil([&] { return catalog->ChargerDrivers(videoBox, audioBox) && !videoBox.contains("Hot Camera"); }, 2000);
  EXPECT_FALSE(videoBox.contains("Hot Camera"));
  EXPECT_EQ(dm.CurrentVideoDevice(), nullptr);
  EXPECT_TRUE(dm.fg().Filters().empty());
  // Still responsive: another source previews.
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  window.ResetCounters();
  ASSERT_TRUE(dm.LancerGraphe());
  EXPECT_TRUE(FramesShown(1, 3000));
}
