// Source activation in the main window with the built-in test devices: the
// start-up, the three boxes, "no video stream" and the format list.
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>

#include "platform/registry.h"
#include "settings/settings.h"
#include "sources_fixture.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

// The lock is the taLock action's state once that action exists, else the setting.
void SetLock(TCaptureForm &form, bool on) {
  form.Parameters().SetBool("Preview Locked", on);
  if (auto *lock = form.findChild<QAction *>("taLock")) lock->setChecked(on);
  ASSERT_EQ(form.VerrouActif(), on);
}

}  // namespace

TEST(SourceActivation, StartupConnectsTheFirstSourcesAndPreviews) {
  StartedWindow w;
  ASSERT_TRUE(w.form.StartupDone());
  // Nothing saved yet: the first entry of each box.
  EXPECT_EQ(w.CurrentVideo(), kCamera);
  EXPECT_EQ(w.VideoBox()->currentText(), kCamera);
  EXPECT_EQ(w.Items(w.VideoBox()).last(), "no video stream");
  EXPECT_EQ(w.Items(w.AudioBox()).last(), "no audio stream");
  EXPECT_FALSE(w.CurrentAudio().isEmpty());
  EXPECT_TRUE(w.NewFrames(3));
  EXPECT_TRUE(w.Window()->isVisible());
  EXPECT_TRUE(w.form.lbVideo->text().contains("x")) << w.form.lbVideo->text().toStdString();
  EXPECT_TRUE(w.form.lbAudio->text().endsWith(" channels"));
  // Video and audio: the re-encoded formats and the sound-only ones.
  const QStringList formats = w.Items(w.FormatBox());
  for (const char *f : {"dv type 2 (recomp)", "Wmv", "Image by Image", "Wav"})
    EXPECT_TRUE(formats.contains(f)) << f;
  EXPECT_EQ(w.form.Parameters().Byte("Capture Format"), w.FormatBox()->currentData().toInt());
  EXPECT_TRUE(platform::DialogService::Instance().History().isEmpty());
}

TEST(SourceActivation, SwitchingSourcesFromTheBoxes) {
  StartedWindow w;
  w.Choose(w.VideoBox(), kCardVideo);
  EXPECT_EQ(w.CurrentVideo(), kCardVideo);
  EXPECT_TRUE(w.NewFrames(2));
  EXPECT_TRUE(w.form.lbVideo->text().contains("720x576")) << w.form.lbVideo->text().toStdString();
  EXPECT_EQ(w.form.Parameters().Str("Source video"), kCardVideo);
  EXPECT_EQ(w.form.Parameters().Str("Want video source"), kCardVideo);

  // The source already connected: nothing is torn down.
  auto *connected = w.dm.CurrentVideoDevice();
  EXPECT_TRUE(w.form.ActiverVideo(kCardVideo));
  EXPECT_EQ(w.dm.CurrentVideoDevice(), connected);

  w.Choose(w.AudioBox(), kMicrophone);
  EXPECT_EQ(w.CurrentAudio(), kMicrophone);
  EXPECT_EQ(w.form.Parameters().Str("Audio source"), kMicrophone);
  EXPECT_TRUE(w.NewFrames(2)) << "the picture goes on after the audio change";

  // An unknown name falls back to the first entry.
  EXPECT_TRUE(w.form.ActiverVideo("No Such Camera"));
  EXPECT_EQ(w.CurrentVideo(), kCamera);
}

TEST(SourceActivation, NoVideoStreamShowsThePlaceholder) {
  StartedWindow w;
  w.Choose(w.VideoBox(), "no video stream");
  EXPECT_EQ(w.dm.CurrentVideoDevice(), nullptr);
  EXPECT_FALSE(w.Window()->isVisible());
  EXPECT_TRUE(w.form.lbVideo->text().isEmpty());
  EXPECT_EQ(w.form.Parameters().Str("Source video"), "no video stream");
  // Only the sound formats are left while the audio source stays.
  const QStringList formats = w.Items(w.FormatBox());
  EXPECT_FALSE(formats.contains("Wmv"));
  EXPECT_TRUE(formats.contains("Wav"));
  EXPECT_FALSE(w.CurrentAudio().isEmpty());
  // Choosing it again changes nothing; a camera brings the picture back.
  w.Choose(w.VideoBox(), "no video stream");
  EXPECT_EQ(w.dm.CurrentVideoDevice(), nullptr);
  w.Choose(w.VideoBox(), kCamera);
  EXPECT_TRUE(w.NewFrames(2));

  // Neither video nor audio: no format at all.
  w.Choose(w.AudioBox(), "no audio stream");
  w.Choose(w.VideoBox(), "no video stream");
  EXPECT_EQ(w.dm.CurrentAudioDevice(), nullptr);
  EXPECT_EQ(w.FormatBox()->count(), 0);
  EXPECT_FALSE(w.FormatBox()->isVisibleTo(&w.form));
}

TEST(SourceActivation, FormatListFollowsTheSourcesAndTheLock) {
  StartedWindow w;
  SetLock(w.form, false);
  w.form.leVideoDirectory->setText("/tmp/videos");
  w.form.leVideoRacine->setText("capture");
  w.form.cbVideoDate->setChecked(false);
  w.form.cbVideoDateClick();
  ASSERT_TRUE(w.form.NomVideo().startsWith("/tmp/videos/capture_"));
  const QString base = w.form.NomVideo().chopped(4);
  w.Choose(w.FormatBox(), "Wav");
  EXPECT_EQ(w.form.Parameters().Byte("Capture Format"), 11);
  EXPECT_EQ(w.form.Parameters().Str("Want Format capture"), "Wav");
  EXPECT_EQ(w.form.NomVideo(), base + ".wav");
  // The two name labels show the file, not its folder.
  EXPECT_EQ(w.form.SourcesFrame->lbNomVideo->text(), PartieFichier(base) + ".wav");
  EXPECT_EQ(w.form.DossiersFrame->lbNomVideo->text(), PartieFichier(base) + ".wav");

  // Without the lock a new video source keeps the sound format...
  w.Choose(w.VideoBox(), kCardVideo);
  EXPECT_EQ(w.FormatBox()->currentText(), "Wav");
  // ...with it, the sound format gives way to the first of the list.
  SetLock(w.form, true);
  w.Choose(w.VideoBox(), kCamera);
  EXPECT_NE(w.FormatBox()->currentText(), "Wav");
  EXPECT_EQ(w.FormatBox()->currentIndex(), 0);
  EXPECT_EQ(w.form.NomVideo(), base + ".avi");

  // Dropping the sound while a sound format is chosen: the list loses it.
  w.Choose(w.FormatBox(), "Wav");
  w.Choose(w.AudioBox(), "no audio stream");
  EXPECT_FALSE(w.Items(w.FormatBox()).contains("Wav"));
  EXPECT_FALSE(w.Items(w.FormatBox()).contains("mp3"));
  EXPECT_EQ(w.FormatBox()->currentIndex(), 0);
}

TEST(SourceActivation, SavedSourcesAndUncheckedDevicesComeBack) {
  {
    StartedWindow w;
    w.form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spRegistre; };
    SetLock(w.form, false);  // a locked Image by Image would drop the sound
    w.Choose(w.VideoBox(), kCardVideo);
    w.Choose(w.AudioBox(), kMicrophone);
    w.Choose(w.FormatBox(), "Image by Image");
    // The user unticks the MPEG encoder in the Help panel: gone at once.
    auto *list = w.form.HelpFrame->sourceList;
    const auto found = list->findItems("Vistrel Test MPEG Encoder", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    found.first()->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(w.Items(w.VideoBox()).contains("Vistrel Test MPEG Encoder - Video"));
    EXPECT_EQ(w.CurrentVideo(), kCardVideo) << "the refresh keeps the chosen source";
  }
  {
    StartedWindow w;
    EXPECT_EQ(w.CurrentVideo(), kCardVideo);
    EXPECT_EQ(w.CurrentAudio(), kMicrophone);
    EXPECT_EQ(w.FormatBox()->currentText(), "Image by Image");
    EXPECT_TRUE(w.NewFrames(2));
    EXPECT_FALSE(w.Items(w.VideoBox()).contains("Vistrel Test MPEG Encoder - Video"));
    const auto found = w.form.HelpFrame->sourceList->findItems("Vistrel Test MPEG Encoder", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found.first()->checkState(), Qt::Unchecked);
    w.form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spNone; };
  }
  settings::DeleteRegistrySettings();
}

TEST(SourceActivation, SettingsMenuTakesTheSourceOutUntilItCloses) {
  StartedWindow w;
  w.Choose(w.VideoBox(), kCardVideo);
  ASSERT_EQ(w.CurrentVideo(), kCardVideo);
  w.form.btnVideoSettings->click();
  auto *menu = w.form.findChild<QMenu *>("VideoSettingsMenu");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(w.dm.CurrentVideoDevice(), nullptr) << "out of the graph while its dialogs are offered";
  QStringList items;
  for (auto *a : menu->actions()) items << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(items, (QStringList{"Video Capture Filter...", "Video Capture Pin...", "Video Crossbar...",
                                "Second Crossbar...", "TV Tuner...", "-", "Video Input"}));
  // Routing another input, then leaving the menu: the card previews again.
  QMenu *inputs = menu->actions().last()->menu();
  ASSERT_NE(inputs, nullptr);
  inputs->actions()[1]->trigger();
  menu->hide();
  ASSERT_TRUE(SpinUntil([&] { return w.CurrentVideo() == kCardVideo; }));
  EXPECT_TRUE(w.NewFrames(2));

  // The microphone offers its gain; a source without settings offers the
  // single placeholder item.
  w.Choose(w.AudioBox(), kMicrophone);
  w.form.btnAudioSettings->click();
  auto *audioMenu = w.form.findChild<QMenu *>("AudioSettingsMenu");
  ASSERT_NE(audioMenu, nullptr);
  ASSERT_FALSE(audioMenu->actions().isEmpty());
  EXPECT_EQ(audioMenu->actions()[0]->text(), "Audio Capture Filter...");
  audioMenu->hide();
  ASSERT_TRUE(SpinUntil([&] { return w.CurrentAudio() == kMicrophone; }));
  const QString dvAudio = QStringLiteral("DV Source - Audio");
  w.Choose(w.AudioBox(), dvAudio);
  w.form.btnAudioSettings->click();
  ASSERT_EQ(audioMenu->actions().size(), 1);
  EXPECT_EQ(audioMenu->actions()[0]->text(), "[no settings tab]");
  audioMenu->hide();
  ASSERT_TRUE(SpinUntil([&] { return w.CurrentAudio() == dvAudio; }));
}

TEST(SourceActivation, AfterCloseNothingComesBack) {
  StartedWindow w;
  ASSERT_FALSE(w.CurrentVideo().isEmpty());
  w.form.close();
  EXPECT_EQ(w.dm.CurrentVideoDevice(), nullptr);
  EXPECT_EQ(w.dm.CurrentAudioDevice(), nullptr);
  // A late command or click finds no lists to rebuild and no source to connect.
  w.form.ActiverVideo(kCamera);
  w.form.ActualiserVideoBtnClick();
  EXPECT_EQ(w.dm.CurrentVideoDevice(), nullptr);
}

// "Mpeg2 Ratio Normal" is the one in force when a source connects (it was
// never handed to the graph module, so unticking it changed nothing).
TEST(SourcesActivation, Mpeg2RatioNormalSettingReachesTheConnectingSource) {
  test::StartedWindow w;
  const QString mpeg = QStringLiteral("Vistrel Test MPEG Encoder - Video");
  w.form.Parameters().SetBool("Mpeg2 Ratio Normal", false);
  ASSERT_TRUE(w.form.ActiverVideo(mpeg));
  EXPECT_FALSE(w.dm.Mpeg2RatioNormal());
  w.form.ActiverVideo(test::kCamera);
  w.form.Parameters().SetBool("Mpeg2 Ratio Normal", true);
  ASSERT_TRUE(w.form.ActiverVideo(mpeg));
  EXPECT_TRUE(w.dm.Mpeg2RatioNormal());
  // The test encoder states PAL pixels (16/15): 4:3 either way.
  EXPECT_EQ(w.dm.SourceAspectX(), 4);
  EXPECT_EQ(w.dm.SourceAspectY(), 3);
}
