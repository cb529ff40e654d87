// The built-in devices as a user's pipeline sees them: listed, hot-plugged,
// and delivering live streams of the formats they offer.
#include "devicerun.h"
#include "sources/testdevice_card.h"
#include "sources/testdevicenotifier.h"
#include "sources/testdevices.h"

#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <set>
#include <thread>

namespace vistrel::sources {
namespace {

using test::RunDevice;

TestDeviceInfo Find(TestDeviceKind kind) {
  for (auto &d : ListTestDevices())
    if (d.kind == kind) return d;
  ADD_FAILURE() << "no test device of kind " << int(kind);
  return {};
}

const GstStructure *Caps0(const test::PadRecord &r) {
  return r.caps ? gst_caps_get_structure(r.caps.get(), 0) : nullptr;
}

int IntField(const test::PadRecord &r, const char *field) {
  int v = -1;
  if (auto *s = Caps0(r)) gst_structure_get_int(s, field, &v);
  return v;
}

TEST(TestDeviceList, FiveNamedDevicesWithUniqueMonikersAndStreams) {
  EXPECT_TRUE(TestDevicesEnabled());
  auto list = ListTestDevices();
  std::vector<QString> names;
  std::set<QString> monikers;
  for (auto &d : list) {
    names.push_back(d.friendlyName);
    monikers.insert(d.moniker);
  }
  EXPECT_EQ(names, (std::vector<QString>{"Vistrel Test Camera", "Vistrel Test Capture Card", "Vistrel Test Microphone",
                                         "Vistrel Test DV Camcorder", "Vistrel Test MPEG Encoder"}));
  EXPECT_EQ(monikers.size(), list.size());
  EXPECT_TRUE(Find(TestDeviceKind::Camera).video && !Find(TestDeviceKind::Camera).audio);
  EXPECT_TRUE(!Find(TestDeviceKind::Microphone).video && Find(TestDeviceKind::Microphone).audio);
  EXPECT_TRUE(Find(TestDeviceKind::CaptureCard).video && Find(TestDeviceKind::CaptureCard).audio);
}

bool Listed(const QString &moniker) {
  auto list = ListTestDevices();
  return std::any_of(list.begin(), list.end(), [&](auto &d) { return d.moniker == moniker; });
}

TEST(TestDeviceList, HotPlugAddsAndRemovesWithOneNotificationEach) {
  auto *notifier = qobject_cast<TestDeviceNotifierObject *>(TestDeviceNotifier());
  ASSERT_NE(notifier, nullptr);
  int changes = 0;
  QObject scope;
  QObject::connect(notifier, &TestDeviceNotifierObject::changed, &scope, [&] { ++changes; });

  const TestDeviceInfo extra{TestDeviceKind::Camera, "Vistrel Test Camera", "vistrel-test:camera-2", true, false};
  AddTestDevice(extra);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(Listed(extra.moniker));
  AddTestDevice(extra);  // plugging the same device again replaces it
  EXPECT_EQ(ListTestDevices().size(), 6u);
  RemoveTestDevice(extra.moniker);
  EXPECT_FALSE(Listed(extra.moniker));
  EXPECT_EQ(changes, 3);

  // A built-in device can be unplugged and plugged back.
  RemoveTestDevice("vistrel-test:microphone");
  EXPECT_FALSE(Listed("vistrel-test:microphone"));
  AddTestDevice({TestDeviceKind::Microphone, "Vistrel Test Microphone", "vistrel-test:microphone", false, true});
  EXPECT_TRUE(Listed("vistrel-test:microphone"));
  EXPECT_EQ(ListTestDevices().size(), 5u);

  // Nothing to remove: no notification.
  const int before = changes;
  RemoveTestDevice("vistrel-test:never-plugged");
  EXPECT_EQ(changes, before);
}

TEST(TestDeviceList, NotificationFromAnotherThreadArrivesOnTheMainThread) {
  auto *notifier = qobject_cast<TestDeviceNotifierObject *>(TestDeviceNotifier());
  ASSERT_NE(notifier, nullptr);
  QThread *seenOn = nullptr;
  QObject scope;
  QObject::connect(notifier, &TestDeviceNotifierObject::changed, &scope, [&] { seenOn = QThread::currentThread(); });
  std::thread plug([] { RemoveTestDevice("vistrel-test:camera"); });
  plug.join();
  EXPECT_EQ(seenOn, nullptr);  // queued, not delivered on the plugging thread
  for (int i = 0; i < 50 && !seenOn; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(seenOn, QCoreApplication::instance()->thread());
  AddTestDevice({TestDeviceKind::Camera, "Vistrel Test Camera", "vistrel-test:camera", true, false});
  EXPECT_TRUE(Listed("vistrel-test:camera"));
}

TEST(TestCamera, OffersThreeFormatsAtThreeSizesAndTwoRates) {
  media::ElementRef bin = CreateTestDeviceSource(Find(TestDeviceKind::Camera));
  ASSERT_TRUE(bin);
  media::PadRef pad = media::PadRef::Adopt(gst_element_get_static_pad(bin.get(), "video"));
  ASSERT_TRUE(pad);
  media::CapsRef caps = media::CapsRef::Adopt(gst_pad_query_caps(pad.get(), nullptr));
  ASSERT_EQ(gst_caps_get_size(caps.get()), 9u);
  std::set<std::string> kinds;
  for (guint i = 0; i < 9; ++i) {
    const GstStructure *s = gst_caps_get_structure(caps.get(), i);
    const char *format = gst_structure_get_string(s, "format");
    kinds.insert(std::string(gst_structure_get_name(s)) + "/" + (format ? format : "-"));
    const GValue *rates = gst_structure_get_value(s, "framerate");
    ASSERT_TRUE(GST_VALUE_HOLDS_LIST(rates));
    EXPECT_EQ(gst_value_list_get_size(rates), 2u);
  }
  EXPECT_EQ(kinds, (std::set<std::string>{"video/x-raw/YUY2", "video/x-raw/BGR", "image/jpeg/-"}));
}

TEST(TestCamera, DeliversTheChosenRawFormatWithAMovingBoxAndFrameNumbers) {
  media::ElementRef bin = CreateTestDeviceSource(Find(TestDeviceKind::Camera));
  auto run = RunDevice(bin.get(), {{"video", "video/x-raw,format=BGR,width=640,height=480,framerate=30/1"}}, 1500, 40);
  ASSERT_TRUE(run.error.isEmpty()) << run.error.toStdString();
  const auto &video = run.pads["video"];
  ASSERT_GE(video.count, 30);  // live: about 45 frames in 1.5 s
  EXPECT_LE(video.count, 50);
  EXPECT_STREQ(gst_structure_get_string(Caps0(video), "format"), "BGR");
  EXPECT_EQ(gst_buffer_get_size(video.buffers[0].get()), 640u * 480 * 3);
  // The box row changes from frame to frame; the frame counter band too.
  auto row = [&](int frame, int y, int x0, int x1) {
    media::BufferRef b = video.buffers[frame];
    std::vector<guint8> px(std::size_t(x1 - x0) * 3);
    gst_buffer_extract(b.get(), (std::size_t(y) * 640 + x0) * 3, px.data(), px.size());
    return px;
  };
  EXPECT_NE(row(0, 240, 0, 640), row(20, 240, 0, 640));
  EXPECT_NE(row(0, 12, 0, 320), row(11, 12, 0, 320));
}

TEST(TestCamera, DeliversJpegWhenMjpegIsChosen) {
  media::ElementRef bin = CreateTestDeviceSource(Find(TestDeviceKind::Camera));
  auto run = RunDevice(bin.get(), {{"video", "image/jpeg,width=320,height=240,framerate=15/1"}}, 1000);
  ASSERT_TRUE(run.error.isEmpty()) << run.error.toStdString();
  const auto &video = run.pads["video"];
  ASSERT_GE(video.count, 10);
  EXPECT_TRUE(gst_structure_has_name(Caps0(video), "image/jpeg"));
  EXPECT_EQ(IntField(video, "width"), 320);
  guint8 soi[2] = {};
  gst_buffer_extract(video.buffers[0].get(), 0, soi, 2);
  EXPECT_EQ(soi[0], 0xFF);
  EXPECT_EQ(soi[1], 0xD8);
}

TEST(TestMicrophone, DeliversStereo48kToneInRealTime) {
  media::ElementRef bin = CreateTestDeviceSource(Find(TestDeviceKind::Microphone));
  auto run = RunDevice(bin.get(), {{"audio", ""}}, 1000, 100);
  ASSERT_TRUE(run.error.isEmpty()) << run.error.toStdString();
  const auto &audio = run.pads["audio"];
  EXPECT_EQ(IntField(audio, "rate"), 48000);
  EXPECT_EQ(IntField(audio, "channels"), 2);
  std::size_t bytes = 0;
  for (auto &b : audio.buffers) bytes += gst_buffer_get_size(b.get());
  const double seconds = double(bytes) / (48000 * 4);
  EXPECT_GT(seconds, 0.6);
  EXPECT_LT(seconds, 1.3);
}

TEST(TestCaptureCard, InputsAndControlsChangeThePictureLive) {
  media::ElementRef bin = CreateTestDeviceSource(Find(TestDeviceKind::CaptureCard));
  auto *controls = TestCaptureCardControlsOf(bin.get());
  ASSERT_NE(controls, nullptr);
  EXPECT_EQ(controls->Inputs(), (QStringList{"Composite", "S-Video", "Tuner"}));
  EXPECT_FALSE(controls->SelectInput(3));
  EXPECT_FALSE(controls->SetValue("Sharpness", 3));
  EXPECT_TRUE(controls->SetValue("Brightness", 999));
  EXPECT_EQ(controls->Value("Brightness"), 255);  // clamped to the range
  EXPECT_TRUE(controls->SetValue("Brightness", 128));
  EXPECT_EQ(controls->Value("Contrast"), 128);
  EXPECT_FALSE(controls->Value("Sharpness").has_value());

  auto run = RunDevice(
      bin.get(), {{"video", "video/x-raw,format=BGR,width=720,height=576"}, {"audio", ""}}, 1600, 1000,
      [&] { controls->SelectInput(1); });
  ASSERT_TRUE(run.error.isEmpty()) << run.error.toStdString();
  const auto &video = run.pads["video"];
  ASSERT_GE(video.count, 30);
  EXPECT_GT(run.pads["audio"].count, 10);
  EXPECT_EQ(controls->Input(), 1);
  // Composite shows bars (bright top row); S-Video a ball on black.
  auto mean = [&](const media::BufferRef &b) {
    std::vector<guint8> px(720 * 3);
    gst_buffer_extract(b.get(), 50 * 720 * 3, px.data(), px.size());
    double sum = 0;
    for (auto v : px) sum += v;
    return sum / px.size();
  };
  EXPECT_GT(mean(video.buffers.front()), 100);
  EXPECT_LT(mean(video.buffers.back()), 40);
}

TEST(TestMpegEncoder, DeliversMpeg2ByDefaultAndMpeg1WhenChosen) {
  media::ElementRef bin = CreateTestDeviceSource(Find(TestDeviceKind::MpegEncoder));
  media::PadRef pad = media::PadRef::Adopt(gst_element_get_static_pad(bin.get(), "video"));
  media::CapsRef offered = media::CapsRef::Adopt(gst_pad_query_caps(pad.get(), nullptr));
  ASSERT_EQ(gst_caps_get_size(offered.get()), 2u);

  auto run = RunDevice(bin.get(), {{"video", ""}, {"audio", ""}}, 1000);
  ASSERT_TRUE(run.error.isEmpty()) << run.error.toStdString();
  EXPECT_EQ(IntField(run.pads["video"], "mpegversion"), 2);
  EXPECT_EQ(IntField(run.pads["video"], "width"), 720);
  EXPECT_GE(run.pads["video"].count, 15);
  EXPECT_GE(run.pads["audio"].count, 15);
  // A sequence header opens the stream.
  guint8 start[4] = {};
  gst_buffer_extract(run.pads["video"].buffers[0].get(), 0, start, 4);
  EXPECT_EQ(start[3], 0xB3);

  media::ElementRef again = CreateTestDeviceSource(Find(TestDeviceKind::MpegEncoder));
  auto run1 = RunDevice(again.get(), {{"video", "video/mpeg,mpegversion=1"}}, 800);
  ASSERT_TRUE(run1.error.isEmpty()) << run1.error.toStdString();
  EXPECT_EQ(IntField(run1.pads["video"], "mpegversion"), 1);
  EXPECT_EQ(IntField(run1.pads["video"], "width"), 352);
  EXPECT_GE(run1.pads["video"].count, 10);
}

TEST(TestDevices, UnknownKindGivesNoSource) {
  EXPECT_FALSE(CreateTestDeviceSource(TestDeviceInfo{TestDeviceKind(42), "x", "y", true, false}));
}

}  // namespace
}  // namespace vistrel::sources
