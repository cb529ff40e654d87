// Device lists, classification, instance numbering, source naming and the
// boxes, over real source elements from a provider the tests control.
#include "fakeprovider.h"
#include "sources/devicelist.h"
#include "sources/filterdevices.h"
#include "sources/sourcecatalog.h"

#include <gtest/gtest.h>

using namespace vistrel;
using namespace vistrel::sources;
using vistrel::test::FakeDevice;
using vistrel::test::FakeProvider;

namespace {

const QString kCam = QStringLiteral("videotestsrc ! video/x-raw,format=YUY2,width=320,height=240,framerate=25/1 ! identity");
const QString kMic = QStringLiteral("audiotestsrc ! audio/x-raw,format=S16LE,rate=48000,channels=2 ! identity");
const QString kCard = kCam + QStringLiteral("  ") + kMic;
const QString kTwoVideoCard = kCam + QStringLiteral(" ") + kCam + QStringLiteral(" ") + kMic;
const QString kTwoAudio = kMic + QStringLiteral(" ") + kMic;
const QString kDv = QStringLiteral("fakesrc ! video/x-dv,systemstream=true ! identity");
const QString kProgram = QStringLiteral("fakesrc ! video/mpeg,mpegversion=2,systemstream=true ! identity");

struct Fixture : ::testing::Test {
  media::Graph graph;
  GraphSlots graphSlots{graph};
  std::vector<FakeDevice> devices;
  SystemDeviceEnumerator enumerator;
  Fixture() { enumerator.AddProvider(std::make_unique<FakeProvider>(&devices)); }
  void Add(QString id, QString name, QString launch, DeviceCategory c = DeviceCategory::VideoInput) {
    devices.push_back({std::move(id), std::move(name), std::move(launch), c});
  }
  void Remove(const QString &id) {
    std::erase_if(devices, [&](const FakeDevice &d) { return d.identity == id; });
  }
};

QStringList Names(const TCaptureDeviceList &list) {
  QStringList out;
  for (int i = 0; i < list.Count(); ++i) out << list.Item(i)->DisplayName;
  return out;
}

}  // namespace

TEST_F(Fixture, ClassifiesBySourceOutputs) {
  Add("dv", "DV", kDv);
  Add("prog", "Program", kProgram);
  Add("cam", "Cam", kCam);
  Add("mic", "Mic", kMic);
  Add("none", "Sink", "fakesink");
  auto monikers = enumerator.Enumerate(DeviceCategory::VideoInput);
  ASSERT_EQ(monikers.size(), 5u);
  EXPECT_EQ(ClassifyDevice(monikers[0]), 1);
  EXPECT_EQ(ClassifyDevice(monikers[1]), 5);
  EXPECT_EQ(ClassifyDevice(monikers[2]), 3);
  EXPECT_EQ(ClassifyDevice(monikers[3]), 4);
  EXPECT_EQ(ClassifyDevice(monikers[4]), 0);
  // A moniker whose element cannot be made is nothing usable.
  EXPECT_EQ(ClassifyDevice(DeviceMoniker("x", "x", [] { return media::ElementRef(); })), 0);
}

TEST_F(Fixture, IdenticalDevicesGetInstanceNumbers) {
  Add("a", "Cam", kCam);
  Add("b", "Cam", kCam);
  Add("prog", "Program", kProgram);  // a stream device: not listed
  TCaptureDeviceList list(graphSlots, enumerator, DeviceCategory::VideoInput);
  ASSERT_TRUE(list.Refresh());
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(Names(list), (QStringList{"Cam", "Cam #2"}));
  EXPECT_EQ(list.Item(0)->Instance, 1);
  EXPECT_EQ(list.Item(1)->Instance, 2);
  EXPECT_EQ(list.Item(1)->DeviceName, "Cam");
  EXPECT_EQ(list.NextInstance("Cam"), 3);
  EXPECT_EQ(list.NextInstance("Other"), 1);

  // The first one goes: the second keeps its number, a newcomer takes the gap.
  Remove("a");
  ASSERT_TRUE(list.Refresh());
  EXPECT_EQ(Names(list), (QStringList{"Cam #2"}));
  EXPECT_EQ(list.NextInstance("Cam"), 1);
  Add("c", "Cam", kCam);
  ASSERT_TRUE(list.Refresh());
  EXPECT_EQ(Names(list), (QStringList{"Cam #2", "Cam"}));
}

TEST_F(Fixture, RefreshKeepsSurvivorsAndStopsVanishedOnes) {
  Add("a", "A", kCam);
  Add("b", "B", kCam);
  Add("c", "C", kCam);
  TCaptureDeviceList list(graphSlots, enumerator, DeviceCategory::VideoInput);
  QStringList stopped;
  list.SetBeforeRemove([&](TCaptureDevice *d) { stopped << d->DeviceName; });
  ASSERT_TRUE(list.Refresh());
  TCaptureDevice *c = list.Item(2);
  Remove("b");
  Add("d", "D", kCam);
  ASSERT_TRUE(list.Refresh());
  EXPECT_EQ(Names(list), (QStringList{"A", "C", "D"}));
  EXPECT_EQ(list.Item(1), c) << "a surviving device keeps its object";
  EXPECT_EQ(stopped, QStringList{"B"});
  EXPECT_EQ(list.FindByMoniker(list.Item(2)->Moniker), 2);
}

TEST_F(Fixture, StreamCountsAndKinds) {
  Add("card", "Card", kCard);
  Add("dv", "Cam", kDv);
  Add("mic", "Mic", kMic, DeviceCategory::AudioInput);
  TCaptureDeviceList video(graphSlots, enumerator, DeviceCategory::VideoInput);
  TCaptureDeviceList audio(graphSlots, enumerator, DeviceCategory::AudioInput);
  ASSERT_TRUE(video.Refresh());
  ASSERT_TRUE(audio.Refresh());
  ASSERT_EQ(video.Count(), 2);
  TCaptureDevice *card = video.Item(0), *dv = video.Item(1);
  EXPECT_EQ(card->Kind, DeviceKind::Video);
  EXPECT_EQ(card->VideoStreams, 1);
  EXPECT_EQ(card->AudioStreams, 1);
  EXPECT_EQ(card->NativeFormat1, 5);
  EXPECT_EQ(dv->Kind, DeviceKind::DV);
  EXPECT_EQ(dv->DisplayName, "DV Source");
  EXPECT_EQ(dv->VideoStreams, 1);
  EXPECT_EQ(dv->AudioStreams, 1);
  EXPECT_EQ(dv->NativeFormat1, 1);
  EXPECT_EQ(dv->NativeFormat2, 2);
  ASSERT_EQ(audio.Count(), 1);
  EXPECT_EQ(audio.Item(0)->Kind, DeviceKind::Audio);
  EXPECT_EQ(audio.Item(0)->VideoStreams, 0);
  EXPECT_EQ(audio.Item(0)->AudioStreams, 1);
}

TEST(SourceNames, FollowDisplayNameAndStreamNumber) {
  EXPECT_EQ(VideoSourceName("Cam", 1, false), "Cam");
  EXPECT_EQ(VideoSourceName("Card", 1, true), "Card - Video");
  EXPECT_EQ(VideoSourceName("Card", 2, true), "Card #2");
  EXPECT_EQ(AudioSourceName("X", 1, false), "X");
  EXPECT_EQ(AudioSourceName("Card", 1, true), "Card - Audio");
  // Second identical sound card, second stream.
  EXPECT_EQ(AudioSourceName("X #2", 2, false), "X #2#2");
}

TEST(SourceNames, BoxMergeKeepsSurvivorsInPlace) {
  QStringList box{"B", "A", "no video stream"};
  MergeBox(box, {"A", "C", "B"}, "no video stream");
  EXPECT_EQ(box, (QStringList{"B", "A", "C", "no video stream"}));
  MergeBox(box, {"C"}, "no video stream");
  EXPECT_EQ(box, (QStringList{"C", "no video stream"}));
  MergeBox(box, {}, "no video stream");
  EXPECT_EQ(box, QStringList{"no video stream"});
}

TEST_F(Fixture, CatalogListsStreamsOfEveryDevice) {
  Add("card", "Card", kTwoVideoCard);
  Add("dv", "Cam", kDv);
  Add("x1", "X", kMic, DeviceCategory::AudioInput);
  Add("x2", "X", kTwoAudio, DeviceCategory::AudioInput);
  SourceCatalog catalog(graphSlots, enumerator);
  QStringList videoBox, audioBox;
  ASSERT_TRUE(catalog.ChargerDrivers(videoBox, audioBox));
  EXPECT_EQ(videoBox, (QStringList{"Card - Video", "Card #2", "DV Source - Video", "no video stream"}));
  EXPECT_EQ(audioBox, (QStringList{"Card - Audio", "DV Source - Audio", "X", "X #2", "X #2#2", "no audio stream"}));
  EXPECT_EQ(catalog.FindAudio("X #2#2")->StreamNumber, 2);
  EXPECT_EQ(catalog.FindVideo("DV Source - Video")->StreamKind, 5);
  EXPECT_EQ(catalog.FindAudio("DV Source - Audio")->StreamKind, 4);
  EXPECT_EQ(catalog.FindAudio("Card - Audio")->StreamKind, 2);
  EXPECT_EQ(catalog.FindAudio("X")->StreamKind, 3);
  EXPECT_NE(catalog.FindVideo("DV Source - Video")->SceneDetector, nullptr);
}

TEST_F(Fixture, ExcludedAndUntickedDevicesAreLeftOut) {
  Add("a", "A", kCam);
  Add("b", "B", kCard);
  SourceCatalog catalog(graphSlots, enumerator);
  int stops = 0;
  catalog.StopCurrentSources = [&] { ++stops; };
  QStringList videoBox, audioBox;
  ASSERT_TRUE(catalog.ChargerDrivers(videoBox, audioBox));
  EXPECT_EQ(catalog.Checklist.Names(), (QStringList{"A", "B"}));

  catalog.ExcludeDevice("A");
  catalog.Checklist.SetTicked("B", false);
  Add("c", "C", kCam);
  ASSERT_TRUE(catalog.ChargerDrivers(videoBox, audioBox));
  EXPECT_EQ(videoBox, (QStringList{"C", "no video stream"}));
  EXPECT_EQ(audioBox, QStringList{"no audio stream"});
  EXPECT_EQ(catalog.Checklist.Unticked(), QStringList{"B"});
  EXPECT_TRUE(catalog.Checklist.IsTicked("C")) << "a newly found device is ticked";
  EXPECT_EQ(stops, 2) << "current sources are stopped before every rebuild";
}
