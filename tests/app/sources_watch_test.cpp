// The main window's reaction to the device watch: a chosen device that goes
// away and comes back in the preview and in a recording, a saved device that
// is away, and the way out of "no video stream".
#include <QAction>
#include <QRegularExpression>

#include "recording_fixture.h"
#include "settings/captureformats.h"
#include "sources/devicewatch.h"
#include "sources/testdevices.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

const sources::TestDeviceInfo kRoving{sources::TestDeviceKind::Camera, "Roving Camera", "vistrel-test:roving-camera",
                                      true, false};

// Plugged in for the test, unplugged at its end whatever happened.
struct Plugged {
  explicit Plugged(StartedWindow &w) {
    sources::AddTestDevice(kRoving);
    SpinUntil([&] { return w.Items(w.VideoBox()).contains(kRoving.friendlyName); });
  }
  ~Plugged() { sources::RemoveTestDevice(kRoving.moniker); }
};

QString Message(StartedWindow &w) { return w.Window()->Message(); }

}  // namespace

TEST(SourceWatch, APreviewedCameraThatGoesIsWaitedForAndTakenBackWhenItReturns) {
  StartedWindow w;
  Plugged plugged(w);
  w.Choose(w.VideoBox(), kRoving.friendlyName);
  ASSERT_EQ(w.CurrentVideo(), kRoving.friendlyName);
  ASSERT_TRUE(w.NewFrames(2));
  auto *watch = w.form.findChild<sources::DeviceWatch *>();
  ASSERT_NE(watch, nullptr);
  EXPECT_EQ(watch->Name(sources::WatchRole::Picture), kRoving.friendlyName);

  sources::RemoveTestDevice(kRoving.moniker);
  ASSERT_TRUE(SpinUntil([&] { return w.dm.CurrentVideoDevice() == nullptr; }));
  // The window says so, in place of the picture; the choice stays, in the
  // box and in the settings, and no other camera is put in its place.
  EXPECT_EQ(Message(w), "no picture from Roving Camera");
  EXPECT_TRUE(w.Window()->isVisible());
  EXPECT_EQ(w.VideoBox()->currentText(), kRoving.friendlyName);
  EXPECT_EQ(w.form.Parameters().Str("Source video"), kRoving.friendlyName);
  EXPECT_TRUE(watch->IsGone(sources::WatchRole::Picture));
  w.form.CopierSourcesDansPrefs();
  EXPECT_EQ(w.form.Parameters().Str("Source video"), kRoving.friendlyName);
  // A refresh meanwhile keeps waiting.
  w.form.ActualiserVideoBtnClick();
  EXPECT_EQ(w.dm.CurrentVideoDevice(), nullptr);
  EXPECT_EQ(w.VideoBox()->currentText(), kRoving.friendlyName);

  sources::AddTestDevice(kRoving);
  ASSERT_TRUE(SpinUntil([&] { return w.CurrentVideo() == kRoving.friendlyName; }));
  EXPECT_TRUE(w.NewFrames(2));
  EXPECT_TRUE(Message(w).isEmpty());
  EXPECT_FALSE(watch->IsGone(sources::WatchRole::Picture));
  EXPECT_EQ(w.Items(w.VideoBox()).count(kRoving.friendlyName), 1);

  // Another choice ends the wait: the entry kept for the absent camera goes.
  sources::RemoveTestDevice(kRoving.moniker);
  ASSERT_TRUE(SpinUntil([&] { return w.dm.CurrentVideoDevice() == nullptr; }));
  w.Choose(w.VideoBox(), kCamera);
  EXPECT_EQ(w.CurrentVideo(), kCamera);
  EXPECT_TRUE(Message(w).isEmpty());
  EXPECT_FALSE(w.Items(w.VideoBox()).contains(kRoving.friendlyName));
  EXPECT_EQ(w.form.Parameters().Str("Source video"), kCamera);
}

TEST(SourceWatch, ASavedDeviceAbsentAtStartIsTakenWhenItAppearsEvenWithoutNotifications) {
  StartedWindow w;
  w.form.Parameters().SetBool("Notifier", false);
  // As the start-up activates the saved choices.
  w.form.Parameters().SetStr("Source video", kRoving.friendlyName);
  w.form.Parameters().SetStr("Audio source", kMicrophone);
  w.form.ActiverVideo(kRoving.friendlyName);
  EXPECT_EQ(w.dm.CurrentVideoDevice(), nullptr);
  EXPECT_EQ(Message(w), "no picture from Roving Camera");
  EXPECT_EQ(w.form.Parameters().Str("Source video"), kRoving.friendlyName);
  // The format it needs is kept for it, though only sound can be recorded now.
  w.form.Parameters().SetByte("Capture Format", 6);
  w.form.ActiverFormatCapture(6);
  EXPECT_EQ(w.form.Parameters().Byte("Capture Format"), 6);

  Plugged plugged(w);
  ASSERT_TRUE(SpinUntil([&] { return w.CurrentVideo() == kRoving.friendlyName; }));
  EXPECT_TRUE(w.NewFrames(2));
  EXPECT_EQ(w.FormatBox()->currentData().toInt(), 6);
  w.form.Parameters().SetBool("Notifier", true);
}

TEST(SourceWatch, ASoundDeviceThatGoesKeepsItsChoiceAndComesBack) {
  const sources::TestDeviceInfo mic{sources::TestDeviceKind::Microphone, "Roving Microphone",
                                    "vistrel-test:roving-microphone", false, true};
  StartedWindow w;
  sources::AddTestDevice(mic);
  ASSERT_TRUE(SpinUntil([&] { return w.Items(w.AudioBox()).contains(mic.friendlyName); }));
  w.Choose(w.AudioBox(), mic.friendlyName);
  ASSERT_EQ(w.CurrentAudio(), mic.friendlyName);

  sources::RemoveTestDevice(mic.moniker);
  ASSERT_TRUE(SpinUntil([&] { return w.dm.CurrentAudioDevice() == nullptr; }));
  EXPECT_EQ(w.AudioBox()->currentText(), mic.friendlyName);
  EXPECT_EQ(w.form.Parameters().Str("Audio source"), mic.friendlyName) << "never rewritten to \"no audio stream\"";
  EXPECT_EQ(w.form.lbAudio->text(), "no sound from " + mic.friendlyName);
  EXPECT_EQ(w.CurrentVideo(), kCamera) << "the picture goes on";
  EXPECT_TRUE(w.NewFrames(2));

  sources::AddTestDevice(mic);
  EXPECT_TRUE(SpinUntil([&] { return w.CurrentAudio() == mic.friendlyName; }));
  sources::RemoveTestDevice(mic.moniker);
}

TEST(SourceWatch, ACameraGoneDuringACaptureEndsItWithTheFileKeptAndTheTimeSaid) {
  RecordingWindow w;
  Plugged plugged(w);
  w.Choose(w.VideoBox(), kRoving.friendlyName);
  w.Choose(w.AudioBox(), kMicrophone);
  w.Format(int(settings::CaptureFormatCode::AviNative));
  START_CAPTURE(w);
  const QString file = w.form.Recording().File();
  w.Run(1200);
  platform::DialogService::Instance().ClearHistory();
  // The sound comes from another device, so the graph itself goes on.
  sources::RemoveTestDevice(kRoving.moniker);
  ASSERT_TRUE(SpinUntil([&] { return w.recorded.size() == 1; }, 3000));
  EXPECT_EQ(w.form.Etat(), esPreview);
  ASSERT_TRUE(SpinUntil([&] { return !w.Dialogs().isEmpty(); }, 2000));
  const QString told = w.Dialogs().join("\n");
  EXPECT_TRUE(told.contains("The device \"" + kRoving.friendlyName + "\" was lost at ")) << told.toStdString();
  EXPECT_TRUE(QRegularExpression("keeps what was recorded until \\d\\d:\\d\\d:\\d\\d").match(told).hasMatch())
      << told.toStdString();
  ExpectPlayable(file, true, 1);
  EXPECT_EQ(Message(w), "no picture from Roving Camera");

  // Back: connected again by itself, and the next capture records it.
  sources::AddTestDevice(kRoving);
  ASSERT_TRUE(SpinUntil([&] { return w.CurrentVideo() == kRoving.friendlyName; }));
  START_CAPTURE(w);
  w.Run(1500);
  w.PressCapture();
  ASSERT_EQ(w.recorded.size(), 2);
  ExpectPlayable(w.recorded[1], true, 1);
}

TEST(SourceWatch, NoVideoStreamIsAChoiceTheMouseCanLeave) {
  StartedWindow w;
  for (const bool lock : {true, false}) {
    SCOPED_TRACE(lock);
    w.form.Parameters().SetBool("Preview Locked", lock);
    if (auto *a = w.form.findChild<QAction *>("taLock")) a->setChecked(lock);
    w.Choose(w.FormatBox(), "avi native");
    w.Choose(w.VideoBox(), "no video stream");
    SpinFor(200);
    // Sound formats only while there is no picture...
    EXPECT_FALSE(w.Items(w.FormatBox()).contains("avi native"));
    EXPECT_TRUE(w.Items(w.FormatBox()).contains("Wav"));
    // ...but the box is not shown as out of use, and a camera brings the picture back.
    EXPECT_TRUE(w.VideoBox()->isEnabled());
    EXPECT_NE(w.VideoBox()->palette().color(QPalette::Text), QColor(Qt::gray));
    w.Choose(w.VideoBox(), kCamera);
    SpinFor(300);
    EXPECT_EQ(w.CurrentVideo(), kCamera);
    EXPECT_TRUE(w.NewFrames(2));
    // The format chosen before comes back with the picture.
    EXPECT_EQ(w.FormatBox()->currentText(), "avi native");
  }
}
