// The device watch without a window: presence by identity in the
// enumerator's lists (a device that comes back as another object under the
// same identity counts as gone and back), and the frames of a real running
// source (a picture that stops coming counts as gone).
#include "sources/devicewatch.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include "fakeprovider.h"
#include "sources/enumerator.h"
#include "testenv.h"

using namespace vistrel;
using namespace vistrel::sources;
using vistrel::test::SpinFor;
using vistrel::test::SpinUntil;

namespace {

// Lists what the test says, each device a distinct object until replaced.
class ListedDevices : public DeviceProvider {
 public:
  QString Name() const override { return QStringLiteral("listed"); }
  std::vector<DeviceMoniker> Enumerate(DeviceCategory category) override {
    std::vector<DeviceMoniker> out;
    for (const auto &[identity, object] : devices)
      if (category == DeviceCategory::VideoInput) {
        out.emplace_back(identity, identity, [] { return media::ElementRef(); });
        out.back().SetInstance(object);
      }
    return out;
  }
  std::vector<std::pair<QString, std::shared_ptr<const void>>> devices;
};

struct DeviceWatchPresence : ::testing::Test {
  SystemDeviceEnumerator enumerator;
  ListedDevices *listed = nullptr;
  DeviceWatchPresence() {
    auto p = std::make_unique<ListedDevices>();
    listed = p.get();
    enumerator.AddProvider(std::move(p));
  }
  DeviceMoniker Current(const QString &identity) {
    for (DeviceMoniker &m : enumerator.Enumerate(DeviceCategory::VideoInput))
      if (m.Identity() == identity) return m;
    return {};
  }
};

// A live picture whose frames the test can hold back (the valve).
struct RunningSource {
  media::ElementRef pipeline;
  GstElement *bin = nullptr, *valve = nullptr;
  RunningSource() {
    pipeline = media::ElementRef::Adopt(gst_pipeline_new(nullptr));
    GError *error = nullptr;
    bin = gst_parse_bin_from_description(
        "videotestsrc is-live=true ! video/x-raw,width=64,height=48,framerate=25/1 ! "
        "valve name=gate",
        TRUE, &error);
    if (error) g_error_free(error);
    GstElement *sink = gst_element_factory_make("fakesink", nullptr);
    gst_bin_add_many(GST_BIN(pipeline.get()), bin, sink, nullptr);
    gst_element_link(bin, sink);
    valve = gst_bin_get_by_name(GST_BIN(bin), "gate");
  }
  ~RunningSource() {
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    if (valve) gst_object_unref(valve);
  }
  void Play() { gst_element_set_state(pipeline.get(), GST_STATE_PLAYING); }
  void Hold(bool held) { g_object_set(valve, "drop", held, nullptr); }
};

}  // namespace

TEST_F(DeviceWatchPresence, ADeviceThatLeavesIsGoneAndItsReturnUnderTheSameIdentityIsBack) {
  listed->devices = {{"cam:1", std::make_shared<int>(1)}, {"mic:1", std::make_shared<int>(2)}};
  DeviceWatch watch(enumerator);
  QSignalSpy gone(&watch, &DeviceWatch::gone), back(&watch, &DeviceWatch::back);
  watch.Watch(WatchRole::Picture, "Cam - Video", "Cam", Current("cam:1"), nullptr);
  watch.Watch(WatchRole::Sound, "Mic", "Mic", Current("mic:1"), nullptr);
  EXPECT_EQ(watch.RoleOfDevice("Mic"), WatchRole::Sound);
  EXPECT_EQ(watch.RoleOf("Cam - Video"), WatchRole::Picture);

  // A change elsewhere says nothing.
  listed->devices.emplace_back("other:1", std::make_shared<int>(3));
  enumerator.NotifyDeviceChange();
  SpinFor(50);
  EXPECT_EQ(gone.count(), 0);

  const QDateTime before = QDateTime::currentDateTime();
  listed->devices.erase(listed->devices.begin());
  enumerator.NotifyDeviceChange();
  ASSERT_TRUE(SpinUntil([&] { return gone.count() == 1; }));
  EXPECT_EQ(gone[0][0].toString(), "Cam - Video");
  EXPECT_GE(gone[0][1].toDateTime(), before);
  EXPECT_TRUE(watch.IsGone(WatchRole::Picture));
  EXPECT_FALSE(watch.IsStalled(WatchRole::Picture));
  EXPECT_FALSE(watch.IsGone(WatchRole::Sound));
  // Still gone at the next look: told once.
  watch.CheckPresence();
  EXPECT_EQ(gone.count(), 1);

  listed->devices.emplace_back("cam:1", std::make_shared<int>(4));
  enumerator.NotifyDeviceChange();
  ASSERT_TRUE(SpinUntil([&] { return back.count() == 1; }));
  EXPECT_EQ(back[0][0].toString(), "Cam - Video");
  EXPECT_FALSE(watch.IsGone(WatchRole::Picture));

  // Gone and back between two looks: the same identity, another object.
  for (auto &[identity, object] : listed->devices)
    if (identity == "mic:1") object = std::make_shared<int>(5);
  watch.CheckPresence();
  EXPECT_EQ(gone.count(), 2);
  EXPECT_EQ(gone[1][0].toString(), "Mic");
  EXPECT_EQ(back.count(), 2);
  watch.CheckPresence();
  EXPECT_EQ(back.count(), 2) << "the new object is the one watched from then on";

  // Forgotten: its leaving is no one's business.
  watch.Forget(WatchRole::Sound);
  listed->devices.clear();
  watch.CheckPresence();
  EXPECT_EQ(gone.count(), 3);
  EXPECT_EQ(gone[2][0].toString(), "Cam - Video");
}

TEST(DeviceWatchFlow, APictureThatStopsComingIsGoneAndBackWhenFramesComeAgain) {
  SystemDeviceEnumerator enumerator;
  RunningSource source;
  ASSERT_NE(source.valve, nullptr);
  DeviceWatch watch(enumerator);
  watch.SetStallLimit(400);
  QSignalSpy gone(&watch, &DeviceWatch::gone), back(&watch, &DeviceWatch::back);
  watch.Watch(WatchRole::Picture, "Cam", "Cam", {}, source.bin);

  // Not playing: sending nothing is no fault.
  SpinFor(700);
  EXPECT_EQ(gone.count(), 0);
  EXPECT_FALSE(watch.Delivered(WatchRole::Picture));

  source.Play();
  ASSERT_TRUE(SpinUntil([&] { return watch.Delivered(WatchRole::Picture); }));
  SpinFor(700);
  EXPECT_EQ(gone.count(), 0) << "frames come";

  const QDateTime held = QDateTime::currentDateTime();
  source.Hold(true);
  ASSERT_TRUE(SpinUntil([&] { return gone.count() == 1; }));
  EXPECT_EQ(gone[0][0].toString(), "Cam");
  // Since the last frame, not since the moment it was noticed.
  EXPECT_LE(gone[0][1].toDateTime(), held.addMSecs(300));
  EXPECT_TRUE(watch.IsStalled(WatchRole::Picture));
  SpinFor(600);
  EXPECT_EQ(gone.count(), 1) << "told once";

  source.Hold(false);
  ASSERT_TRUE(SpinUntil([&] { return back.count() == 1; }));
  EXPECT_FALSE(watch.IsGone(WatchRole::Picture));

  // A sound source is never judged by its flow.
  watch.Forget(WatchRole::Picture);
  watch.Watch(WatchRole::Sound, "Mic", "Mic", {}, source.bin);
  source.Hold(true);
  SpinFor(900);
  EXPECT_EQ(gone.count(), 1);
}
