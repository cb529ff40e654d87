// The preview display modes in the real main window, with the built-in test
// devices: ratio, full screen, lock, freeze, volume and mute, reduce and the
// settings they keep.
#include <QButtonGroup>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>

#include "actions/superaction.h"
#include "appwindows.h"
#include "filters/vs_timestamper.h"
#include "platform/registry.h"
#include "settings/optionsframe.h"
#include "sources_fixture.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

TCustomSuperAction *Act(TCaptureForm &form, const char *name) { return form.Action(name); }
void Click(TCaptureForm &form, const char *name) { form.Action(name)->ExecuteInteractive(); }

void SetLocked(StartedWindow &w, bool on) {
  if (Act(w.form, "taLock")->Checked() != on) Click(w.form, "taLock");
  SpinFor(50);  // let a queued lock application pass
  ASSERT_EQ(w.form.VerrouActif(), on);
}

// Saved settings are shared by the whole test program: forget them.
void ForgetSavedSettings() { platform::Registry::User().DeleteKey(settings::SettingsKeyPath()); }

}  // namespace

TEST(DisplayModes, Ratio16x9FillsTheWidthCentredVertically) {
  StartedWindow w;
  SetLocked(w, false);
  QWidget *area = w.form.VideoArea();
  area->resize(432, 432);  // inner area 400 x 400
  Click(w.form, "saRatio16x9");
  EXPECT_EQ(w.form.Parameters().Byte("Aspect ratio"), 2);
  EXPECT_EQ(w.Window()->geometry(), QRect(16, 16 + 87, 400, 225));
  // The frame shape surrounds the video by 12 pixels; the sliders straddle its edges.
  auto *shape = area->findChild<QWidget *>("FrameShapeBorder");
  ASSERT_TRUE(shape);
  EXPECT_EQ(shape->geometry(), QRect(4, 91, 424, 249));
  EXPECT_EQ(area->findChild<QSlider *>("sbIncrustX")->geometry(), QRect(8, 16 + 87 + 225 - 6, 416, 12));
  EXPECT_TRUE(w.NewFrames(2)) << "the placed window still shows the picture";

  area->resize(432, 432);  // the layout may have resized it meanwhile
  Click(w.form, "saRatio4x3");
  EXPECT_EQ(w.Window()->geometry(), QRect(16, 16 + 50, 400, 300));
}

TEST(DisplayModes, FullScreenWithoutAVideoSourceOnlyChecksTheAction) {
  Windows w;
  Click(w.form, "tafullscreen");
  EXPECT_TRUE(Act(w.form, "tafullscreen")->Checked());
  EXPECT_EQ(Act(w.form, "tafullscreen")->text(), "Leave Full screen");
  EXPECT_FALSE(w.plaque.isVisible());
  Click(w.form, "saExitFullScreen");
  EXPECT_FALSE(Act(w.form, "tafullscreen")->Checked());
}

TEST(DisplayModes, FullScreenShowsTheVideoOnTheBackdropAndEscapeBringsItBack) {
  StartedWindow w;
  QWidget *home = w.Window()->parentWidget();
  Click(w.form, "tafullscreen");
  ASSERT_TRUE(w.form.BackdropShown());
  EXPECT_EQ(w.Window()->parentWidget(), w.plaque.Surface());
  SpinUntil([&] { return w.plaque.VideoRect().isValid(); }, 1000);
  const QRect inner = w.plaque.rect().adjusted(12, 12, -12, -12);
  EXPECT_TRUE(inner.contains(w.plaque.VideoRect())) << "the fitted video stays inside the frame";
  EXPECT_TRUE(w.NewFrames(2));

  // A frozen capture shows on the backdrop too.
  Click(w.form, "taFreezeCapture");
  EXPECT_EQ(w.plaque.FrameBrush(), Qt::DiagCrossPattern);
  Click(w.form, "taFreezeCapture");
  EXPECT_EQ(w.plaque.BackdropColour(), QColor(Qt::black));

  Click(w.form, "saExitFullScreen");
  EXPECT_FALSE(w.plaque.isVisible());
  EXPECT_EQ(w.Window()->parentWidget(), home);
  EXPECT_TRUE(w.Window()->isVisible());
  EXPECT_TRUE(w.NewFrames(2));
}

TEST(DisplayModes, LockTableFollowsTheCaptureFormat) {
  StartedWindow w;
  SetLocked(w, false);
  w.Choose(w.AudioBox(), kMicrophone);
  ASSERT_EQ(w.CurrentAudio(), kMicrophone);

  // DV recompression in a 4:3-shaped window: 4x3, and the ratio groups are the lock's.
  w.Choose(w.FormatBox(), "dv type 2 (recomp)");
  w.Window()->resize(384, 288);
  Click(w.form, "taLock");
  EXPECT_EQ(Act(w.form, "taLock")->text(), "Free preview");
  EXPECT_EQ(w.form.Parameters().Byte("Aspect ratio"), 1);
  EXPECT_FALSE(Act(w.form, "saRatioNormal")->isEnabled());
  EXPECT_FALSE(Act(w.form, "saRatioNatif")->isEnabled());
  EXPECT_TRUE(Act(w.form, "saRatio16x9")->isEnabled());
  EXPECT_FALSE(w.form.OptionsFrame->options->rgDVRatio->buttons().first()->isEnabled());
  EXPECT_TRUE(w.form.TraitementPossible);
  EXPECT_TRUE(Act(w.form, "taIncruster")->isEnabled());

  // Image by Image drops the sound; unlocking brings it back.
  w.Choose(w.FormatBox(), "Image by Image");
  EXPECT_TRUE(SpinUntil([&] { return w.CurrentAudio().isEmpty(); }, 2000));
  EXPECT_FALSE(w.CurrentVideo().isEmpty());
  SetLocked(w, false);
  EXPECT_EQ(w.CurrentAudio(), kMicrophone);
  EXPECT_TRUE(Act(w.form, "saRatioNormal")->isEnabled());
  EXPECT_TRUE(w.form.OptionsFrame->options->rgDVRatio->buttons().first()->isEnabled());

  // A native format passes the picture on untouched: the greyed inlay and
  // flip buttons say why, and say nothing more once the lock is lifted.
  auto hints = [&w] {
    QStringList out;
    for (const char *name : {"taIncruster", "acVertFlip", "acHorzFlip"})
      for (QObject *o : Act(w.form, name)->associatedObjects())
        if (auto *b = qobject_cast<QToolButton *>(o)) out << b->toolTip();
    return out;
  };
  w.Choose(w.FormatBox(), "avi native");
  Click(w.form, "taLock");
  ASSERT_FALSE(Act(w.form, "acVertFlip")->isEnabled());
  ASSERT_EQ(hints().size(), 3) << "one button each in the display-mode column";
  for (const QString &hint : hints()) EXPECT_TRUE(hint.contains("exact copy")) << hint.toStdString();
  EXPECT_TRUE(Act(w.form, "taLock")->toolTip().startsWith("The preview is an exact copy"))
      << "the lock says it is on, not only what a click does";
  SetLocked(w, false);
  for (const QString &hint : hints()) EXPECT_FALSE(hint.contains("exact copy")) << hint.toStdString();
  EXPECT_FALSE(Act(w.form, "taLock")->toolTip().startsWith("The preview is"));

  // A sound format drops the picture, and the inlay with it.
  w.Choose(w.FormatBox(), "Wav");
  Click(w.form, "taLock");
  EXPECT_TRUE(w.CurrentVideo().isEmpty());
  EXPECT_FALSE(w.form.TraitementPossible);
  EXPECT_FALSE(Act(w.form, "taIncruster")->isEnabled());
  EXPECT_EQ(w.CurrentAudio(), kMicrophone);
}

TEST(DisplayModes, FreezePreviewStopsFramesAndResumes) {
  StartedWindow w;
  ASSERT_TRUE(w.NewFrames(2));
  auto *freeze = Act(w.form, "taFreezepreview");
  Click(w.form, "taFreezepreview");
  EXPECT_TRUE(freeze->Checked());
  EXPECT_EQ(freeze->text(), "Resume the preview");
  EXPECT_TRUE(w.form.Parameters().Bool("Freeze Preview"));
  EXPECT_TRUE(w.dm.ControlPreviewVideo()->IsFrozen());
  SpinFor(300);  // frames already past the gate
  const int received = w.dm.PreviewFramesReceived();
  EXPECT_FALSE(w.NewFrames(1, 800)) << "no frame reaches the window while frozen";
  EXPECT_EQ(w.dm.PreviewFramesReceived(), received);

  Click(w.form, "taFreezepreview");
  EXPECT_FALSE(freeze->Checked());
  EXPECT_EQ(freeze->text(), "Freeze the preview");
  EXPECT_FALSE(w.form.Parameters().Bool("Freeze Preview"));
  EXPECT_TRUE(w.NewFrames(2));
}

TEST(DisplayModes, VolumeStepsClampAndMuteSilencesTheGraph) {
  StartedWindow w;
  auto *slider = w.form.findChild<QSlider *>("sbVolume");
  ASSERT_TRUE(slider);
  if (Act(w.form, "taMute")->Checked()) Click(w.form, "taMute");
  slider->setValue(9500);
  EXPECT_EQ(w.dm.fg().Volume(), 9500);
  Click(w.form, "acIncVolume");
  EXPECT_EQ(slider->value(), 10000);
  EXPECT_EQ(w.form.Parameters().Int("Volume"), 10000);
  EXPECT_EQ(w.dm.fg().Volume(), 10000);
  slider->setValue(400);
  Click(w.form, "acDecVolume");
  EXPECT_EQ(slider->value(), 0);
  slider->setValue(3000);

  Click(w.form, "taMute");
  EXPECT_EQ(w.dm.fg().Volume(), 0);
  EXPECT_TRUE(w.form.Parameters().Bool("Mute On"));
  EXPECT_EQ(Act(w.form, "taMute")->text(), "Turn sound on");
  EXPECT_TRUE(w.form.statusBar()->findChildren<QLabel *>().at(1)->text().contains("mute"));
  Click(w.form, "taMute");
  EXPECT_EQ(w.dm.fg().Volume(), 3000);
  EXPECT_FALSE(w.form.Parameters().Bool("Mute On"));
}

TEST(DisplayModes, ReducedWindowKeepsItsLayoutWhenThePanelsAreMirrored) {
  Windows w;
  w.form.show();
  SpinUntil([&] { return w.form.StartupDone(); }, 5000);
  const int offset = w.form.VideoOffset();
  const bool gauche = w.form.Parameters().Bool("EcranGauche");
  Click(w.form, "acReduire");
  EXPECT_EQ(Act(w.form, "acReduire")->text(), "Restore");
  EXPECT_FALSE(w.form.Panel(0)->isVisible());
  Click(w.form, "acBasculerPanneau");
  EXPECT_EQ(w.form.Parameters().Bool("EcranGauche"), !gauche);
  EXPECT_EQ(w.form.VideoOffset(), offset) << "no re-layout while reduced";
  Click(w.form, "acReduire");
  EXPECT_EQ(Act(w.form, "acReduire")->text(), "Reduce");
  EXPECT_EQ(w.form.windowTitle(), "Vistrel by Brenvik");
  EXPECT_EQ(w.form.VideoOffset(), gauche ? 266 : 0) << "restoring lays out the mirrored window";
  w.form.close();
}

TEST(DisplayModes, SettingsRoundTripAndAFrozenPreviewComesBackFrozen) {
  ForgetSavedSettings();
  {
    StartedWindow w;
    w.form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spRegistre; };
    SetLocked(w, false);
    if (Act(w.form, "taMute")->Checked()) Click(w.form, "taMute");
    w.form.findChild<QSlider *>("sbVolume")->setValue(7300);
    Click(w.form, "acHorzFlip");
    Click(w.form, "taFreezepreview");
    Click(w.form, "acBasculerPanneau");
    w.form.findChild<QSlider *>("sbIncrustY")->setValue(30);
  }
  {
    StartedWindow w;
    auto &p = w.form.Parameters();
    EXPECT_EQ(w.form.findChild<QSlider *>("sbVolume")->value(), 7300);
    EXPECT_FALSE(Act(w.form, "taMute")->Checked());
    EXPECT_EQ(w.dm.fg().Volume(), 7300);
    EXPECT_TRUE(Act(w.form, "acHorzFlip")->Checked());
    EXPECT_FALSE(Act(w.form, "acVertFlip")->Checked());
    EXPECT_FALSE(Act(w.form, "taLock")->Checked());
    EXPECT_EQ(p.Incrust("IncrustRec").Ypos, 900);
    EXPECT_EQ(w.form.VideoOffset(), 266) << "the panels were mirrored to the left";
    auto *freeze = Act(w.form, "taFreezepreview");
    EXPECT_TRUE(freeze->Checked());
    EXPECT_EQ(freeze->text(), "Resume the preview");
    EXPECT_TRUE(w.dm.ControlPreviewVideo()->IsFrozen());
    EXPECT_FALSE(w.NewFrames(1, 800));
    Click(w.form, "taFreezepreview");
    EXPECT_TRUE(w.NewFrames(2));
  }
  ForgetSavedSettings();
}

TEST(DisplayModes, StartupErrorIsShownInAPanelWithoutBlocking) {
  StartedWindow w;
  w.form.ErreurDemarrage = "impossible to change the video sources\n";
  emit w.form.startupFinished();
  auto *panel = w.form.VideoArea()->findChild<QWidget *>("ErreurFrame");
  ASSERT_TRUE(panel);
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(panel->findChild<QLabel *>("lbErreur")->text(), "impossible to change the video sources");
  EXPECT_TRUE(platform::DialogService::Instance().History().isEmpty());
}
