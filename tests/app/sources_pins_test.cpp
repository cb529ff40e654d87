// "Audio Capture Pin..." and "Video Preview Pin..." driven from the settings
// menus the way a user does, the dialogs answered as the user would: the
// sound format chosen flows from the pin (the description shows it, the
// recordings are made from it); the preview size chosen reaches the video
// window while the recording keeps the stream.
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "mediaprobe.h"
#include "recording_fixture.h"
#include "sources/devicedialogs.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

const QString kEncoder = QStringLiteral("Vistrel Test MPEG Encoder - Video");

struct DialogSeen {
  QStringList listed;   // the dialog's entries
  QString preselected;  // the entry selected when it opened
};

// Answers the next format dialog with the entry reading `entry`.
void AnswerWith(const QString &entry, DialogSeen *seen) {
  QTimer::singleShot(50, [=] {
    for (QWidget *top : QApplication::topLevelWidgets())
      if (auto *dialog = qobject_cast<sources::CaptureFormatDialog *>(top); dialog && dialog->isVisible()) {
        auto *list = dialog->findChild<QListWidget *>();
        for (int i = 0; list && i < list->count(); ++i) seen->listed << list->item(i)->text();
        if (list && list->currentItem()) seen->preselected = list->currentItem()->text();
        dialog->Select(int(seen->listed.indexOf(entry)) + 1);
        dialog->accept();
        return;
      }
  });
}

// Clicks `item` of the open menu, answering its format dialog with `entry`,
// and closes the menu as a click does; false when the menu has no such item.
bool ChooseThrough(QMenu *menu, const QString &item, const QString &entry, DialogSeen &seen) {
  QAction *action = menu ? MenuItem(menu, item) : nullptr;
  if (!action) return false;
  AnswerWith(entry, &seen);
  action->trigger();
  menu->hide();
  return true;
}

// Records `ms` of format `code`; the file written, or empty.
QString Record(RecordingWindow &w, int code, int ms) {
  w.Format(code);
  w.PressCapture();
  if (w.form.Etat() != esCapture) return {};
  w.Run(ms);
  w.PressCapture();
  return w.recorded.isEmpty() ? QString() : w.recorded.last();
}

}  // namespace

TEST(SourcePins, TheAudioCapturePinsFormatFlowsIntoTheDescriptionAndTheRecordings) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kCamera);
  w.Choose(w.AudioBox(), kMicrophone);
  ASSERT_EQ(w.CurrentAudio(), kMicrophone);
  // Without a choice the microphone gives what it always gave.
  EXPECT_TRUE(SpinUntil([&] { return w.dm.AudioRate() == 48000; }));
  EXPECT_EQ(w.dm.AudioChannels(), 2);

  QMenu *menu = OpenSettingsMenu(w, false);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(MenuTexts(menu), (QStringList{"Audio Capture Filter...", "Audio Capture Pin..."}));
  DialogSeen seen;
  ASSERT_TRUE(ChooseThrough(menu, "Audio Capture Pin...", "32000 Hz 16 bits mono", seen));
  ASSERT_TRUE(SpinUntil([&] { return w.CurrentAudio() == kMicrophone; }));
  EXPECT_EQ(seen.listed, (QStringList{"48000 Hz 16 bits stereo", "48000 Hz 16 bits mono", "44100 Hz 16 bits stereo",
                                 "44100 Hz 16 bits mono", "32000 Hz 16 bits stereo", "32000 Hz 16 bits mono"}));
  EXPECT_EQ(seen.preselected, "48000 Hz 16 bits stereo") << "the dialog opens on the format flowing until then";
  EXPECT_TRUE(SpinUntil([&] { return w.dm.AudioRate() == 32000 && w.dm.AudioChannels() == 1; })) << w.dm.AudioRate();
  EXPECT_EQ(w.form.lbAudio->text(), "32000 Hz 16 bits 1 channels");

  // The recordings are made from that sound; the capture converter gives
  // them its own fixed format (16-bit stereo at the "FrequenceDV" rate,
  // 48000 Hz by default), whatever the pin gives.
  const QString wav = Record(w, 11, 1500);
  ASSERT_FALSE(wav.isEmpty());
  Probe p = FfProbe(wav);
  ASSERT_TRUE(p.ok) << wav.toStdString();
  EXPECT_EQ(p.Field("audio", "sample_rate"), "48000");
  EXPECT_EQ(p.Field("audio", "channels"), "2");
  EXPECT_GT(p.duration, 1.0);
  EXPECT_TRUE(SpinUntil([&] { return w.dm.AudioRate() == 32000; })) << "the preview comes back at the pin's format";

  const QString mp3 = Record(w, 12, 1500);
  ASSERT_FALSE(mp3.isEmpty());
  p = FfProbe(mp3);
  EXPECT_EQ(p.Field("audio", "sample_rate"), "48000");
  EXPECT_GT(p.duration, 1.0);

  const QString avi = Record(w, 5, 2000);
  ASSERT_FALSE(avi.isEmpty());
  p = FfProbe(avi);
  EXPECT_EQ(p.Count("video"), 1);
  EXPECT_EQ(p.Count("audio"), 1);
  EXPECT_GT(p.duration, 1.5);

  // Held for the device's life: choosing another sound and back keeps it.
  w.Choose(w.AudioBox(), "Vistrel Test Capture Card - Audio");
  EXPECT_TRUE(SpinUntil([&] { return w.dm.AudioRate() == 48000; }));
  w.Choose(w.AudioBox(), kMicrophone);
  EXPECT_TRUE(SpinUntil([&] { return w.dm.AudioRate() == 32000; }));
}

TEST(SourcePins, TheEncoderPreviewsAtThePreviewPinsSizeAndStillRecordsFullMpeg2) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kCamera);
  QMenu *menu = OpenSettingsMenu(w, true);
  ASSERT_NE(menu, nullptr);
  EXPECT_FALSE(MenuItem(menu, "Video Preview Pin...")) << "a camera has one stream: no preview pin";
  menu->hide();
  ASSERT_TRUE(SpinUntil([&] { return w.CurrentVideo() == kCamera; }));

  w.Choose(w.VideoBox(), kEncoder);
  ASSERT_EQ(w.CurrentVideo(), kEncoder);
  ASSERT_TRUE(w.NewFrames(2));
  EXPECT_EQ(w.dm.PreviewPictureSize(), QSize(720, 576)) << "the preview output's own size at first";
  const int numMediatype = w.form.NumMediatype;
  menu = OpenSettingsMenu(w, true);
  const QStringList items = MenuTexts(menu);
  ASSERT_TRUE(items.contains("Video Preview Pin...")) << items.join(", ").toStdString();
  EXPECT_EQ(items.indexOf("Video Preview Pin..."), items.indexOf("Video Capture Pin...") + 1);
  DialogSeen seen;
  ASSERT_TRUE(ChooseThrough(menu, "Video Preview Pin...", "I420 360x288 25.00 fps", seen));
  ASSERT_TRUE(SpinUntil([&] { return w.CurrentVideo() == kEncoder; }));
  EXPECT_EQ(seen.listed, (QStringList{"I420 720x576 25.00 fps", "I420 360x288 25.00 fps", "I420 180x144 25.00 fps"}));
  EXPECT_EQ(seen.preselected, "I420 720x576 25.00 fps");
  EXPECT_EQ(w.form.NumMediatype, numMediatype) << "the capture format looked up again, unchanged";
  ASSERT_TRUE(w.NewFrames(3));
  EXPECT_EQ(w.dm.PreviewPictureSize(), QSize(360, 288));
  EXPECT_EQ(w.dm.SourceWidth(), 720) << "the source is still what it captures";
  EXPECT_EQ(w.dm.SourceCodec(), "MPEG2");

  const QString mpg = Record(w, 3, 2000);
  ASSERT_FALSE(mpg.isEmpty());
  Probe p = FfProbe(mpg);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.Field("video", "codec_name"), "mpeg2video");
  EXPECT_EQ(p.Field("video", "width"), "720");
  EXPECT_EQ(p.Field("video", "height"), "576");
  EXPECT_TRUE(w.NewFrames(2)) << "the preview goes on after the recording";
  EXPECT_EQ(w.dm.PreviewPictureSize(), QSize(360, 288));
}

// Run by services.pulse_audio_pin with a private PulseAudio and a tone
// played into its null sink; skipped when no server runs here.
TEST(SourcePinsOnPulseAudio, ASoundServersSourceOffersTheCommonFormatsAndGivesTheChosenOne) {
  const QString socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/pulse/native";
  if (!QFileInfo::exists(socket)) GTEST_SKIP() << "no PulseAudio server at " << socket.toStdString();
  const QString monitor = QStringLiteral("Monitor of VistrelSink");
  RecordingWindow w;
  ASSERT_TRUE(SpinUntil([&] { return w.Items(w.AudioBox()).contains(monitor); }, 10000))
      << w.Items(w.AudioBox()).join(", ").toStdString();
  w.Choose(w.VideoBox(), "no video stream");
  w.Choose(w.AudioBox(), monitor);
  ASSERT_EQ(w.CurrentAudio(), monitor);

  QMenu *menu = OpenSettingsMenu(w, false);
  ASSERT_NE(menu, nullptr);
  const QStringList items = MenuTexts(menu);
  DialogSeen seen;
  ASSERT_TRUE(ChooseThrough(menu, "Audio Capture Pin...", "32000 Hz 16 bits mono", seen)) << items.join(", ").toStdString();
  ASSERT_TRUE(SpinUntil([&] { return w.CurrentAudio() == monitor; }));
  // The server takes any rate: the common ones, mono and stereo, 16 bits.
  EXPECT_EQ(seen.listed.size(), 16) << seen.listed.join(", ").toStdString();
  EXPECT_EQ(seen.listed.value(0), "96000 Hz 16 bits stereo");
  EXPECT_TRUE(SpinUntil([&] { return w.dm.AudioRate() == 32000 && w.dm.AudioChannels() == 1; }, 5000))
      << w.dm.AudioRate() << " Hz " << w.dm.AudioChannels() << " channels";
  EXPECT_EQ(w.form.lbAudio->text().toStdString(), "32000 Hz 16 bits 1 channels");

  const QString wav = Record(w, 11, 2000);
  ASSERT_FALSE(wav.isEmpty());
  const Probe p = FfProbe(wav);
  ASSERT_TRUE(p.ok) << wav.toStdString();
  // The file has the capture converter's fixed format, whatever the pin gives.
  EXPECT_EQ(p.Field("audio", "sample_rate"), "48000");
  EXPECT_EQ(p.Field("audio", "channels"), "2");
  // The graph stops while the recording chain is built, and a sound server's
  // source connects a new stream when it starts again: its first sound comes
  // a few hundred milliseconds after the press (half a second on a loaded
  // machine), so only a flow that stopped is a fault here.
  EXPECT_GT(p.duration, 1.0) << "the server's sound kept flowing at the chosen format";
  EXPECT_TRUE(SpinUntil([&] { return w.dm.AudioRate() == 32000 && w.dm.AudioChannels() == 1; }, 5000))
      << "the preview comes back at the chosen format: " << w.dm.AudioRate() << " Hz";
}
