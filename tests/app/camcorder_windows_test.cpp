// The camcorder windows in the started program with the test DV camcorder:
// binding on connection and release, the active window and cam_Toggle, the
// time-code refresh, the shortcuts of both windows, and the sibling program.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "actions/persistentactions.h"
#include "actions/superaction.h"

#include "app/camcorders.h"
#include "app/camform.h"
#include "app/nav_captureframe.h"
#include "sessionlist/fichierlistbox.h"
#include "settings/settings.h"
#include "sources/testdevice_dv.h"
#include "sources_fixture.h"
#include "testenv.h"

using namespace vistrel;
using namespace vistrel::test;
using sources::TransportMode;

namespace {

const QString kDvVideo = QStringLiteral("DV Source - Video");
const QString kDvAudio = QStringLiteral("DV Source - Audio");

struct CamWindow : StartedWindow {
  TCamescopes &cams() { return *form.Camescopes(); }
  TcamForm *one() { return cams().Fenetre(1); }
  TcamForm *two() { return cams().Fenetre(2); }
  sources::TestDvTape *tape() {
    return dm.CurrentVideoDevice() ? dynamic_cast<sources::TestDvTape *>(dm.CurrentVideoDevice()->Transport())
                                   : nullptr;
  }
  void ChooseDv() {
    Choose(VideoBox(), kDvVideo);
    Choose(AudioBox(), kDvAudio);
  }
  void Run(const char *action) { form.Action(action)->ExecuteInteractive(); }
};

TEST(CamcorderWindows, OneCamcorderGivingVideoAndAudioSharesWindowOneAndIsRefreshedOnce) {
  CamWindow w;
  ASSERT_NE(w.form.Camescopes(), nullptr) << "the windows exist from the first show";
  EXPECT_FALSE(w.one()->isVisible()) << "no camcorder yet";
  EXPECT_TRUE(w.one()->IsActive());
  EXPECT_FALSE(w.two()->IsActive());
  w.ChooseDv();
  ASSERT_EQ(w.CurrentVideo(), kDvVideo);
  ASSERT_EQ(w.CurrentAudio(), kDvAudio);
  ASSERT_NE(w.tape(), nullptr);
  EXPECT_EQ(w.dm.CurrentVideoDevice()->CamWindow, w.one());
  EXPECT_EQ(w.dm.CurrentAudioDevice()->CamWindow, w.one());
  EXPECT_TRUE(w.one()->isVisible());
  EXPECT_FALSE(w.two()->isVisible());
  EXPECT_FALSE(w.two()->nav_captureframe1->HasTransport());
  EXPECT_EQ(w.one()->windowTitle(), w.dm.CurrentVideoDevice()->Device->DeviceName);
  EXPECT_TRUE(w.form.btnCamVideo->isVisible());
  EXPECT_TRUE(w.form.btnCamAudio->isVisible());

  // The tape held at a known place: the panel shows its time code.
  w.tape()->Pause();
  w.tape()->SetPosition(((1 * 3600 + 23 * 60 + 45) * 25) + 12);
  const int before1 = w.one()->Rafraichissements, before2 = w.two()->Rafraichissements;
  w.form.RafraichirCamescopes();
  EXPECT_EQ(w.one()->Rafraichissements, before1 + 1) << "one refresh for the shared window";
  EXPECT_EQ(w.two()->Rafraichissements, before2);
  EXPECT_EQ(w.one()->Timecode->text(), "1:23:45:12");
  // The recording date comes from the frames the scene detector saw; a
  // stopped tape sends frames without one.
  EXPECT_TRUE(SpinUntil([&] {
    w.form.RafraichirCamescopes();
    return !w.one()->Label1->text().isEmpty();
  })) << "the paused tape's frames carry their date";
  w.tape()->Stop();
  EXPECT_TRUE(SpinUntil([&] {
    w.form.RafraichirCamescopes();
    return w.one()->Label1->text().isEmpty();
  }));
  // The status timer does the same on its own.
  w.tape()->Play();
  const QString shown = w.one()->Timecode->text();
  EXPECT_TRUE(SpinUntil([&] { return w.one()->Timecode->text() != shown; }, 2000)) << "the time code runs";
}

TEST(CamcorderWindows, MainWindowActionsAndTheWindowsOwnShortcutsDriveTheTape) {
  CamWindow w;
  w.ChooseDv();
  auto *tape = w.tape();
  ASSERT_NE(tape, nullptr);
  EXPECT_EQ(tape->Mode(), TransportMode::Play) << "connection sends no command";

  w.Run("cam_Stop");
  EXPECT_EQ(tape->Mode(), TransportMode::Stop);
  w.Run("cam_AvanceRapide");
  EXPECT_EQ(tape->Mode(), TransportMode::FastForward);
  w.Run("cam_Play");
  EXPECT_EQ(tape->Mode(), TransportMode::Play);
  w.Run("cam_AvanceRapide");
  EXPECT_EQ(tape->Speed(), sources::kFastestSpeed);
  w.Run("cam_Pause");
  EXPECT_EQ(tape->Mode(), TransportMode::Pause);
  w.Run("cam_PlayPause");
  EXPECT_EQ(tape->Mode(), TransportMode::Play);
  w.Run("cam_PlayPause");
  EXPECT_EQ(tape->Mode(), TransportMode::Pause);
  w.Run("cam_ReculeLent");
  EXPECT_LT(tape->Speed(), 0.0);

  // The camcorder window's own keys, while it is the active window.
  TcamForm *cam = w.one();
  cam->activateWindow();
  QApplication::setActiveWindow(cam);
  tape->Stop();
  QTest::keyClick(cam, Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(tape->Mode(), TransportMode::FastForward) << "Ctrl+Up winds from stop";
  QTest::keyClick(cam, Qt::Key_Insert, Qt::ControlModifier);
  EXPECT_EQ(tape->Mode(), TransportMode::Play);
  QTest::keyClick(cam, Qt::Key_Insert);
  EXPECT_EQ(tape->Mode(), TransportMode::Pause) << "Ins pauses a playing camcorder";
  QAction *toggle = cam->nav_captureframe1->Action(CamCommande::PlayPause);
  EXPECT_TRUE(toggle->isChecked()) << "it was playing when the toggle ran";
  EXPECT_EQ(toggle->text(), "Pause");
  QTest::keyClick(cam, Qt::Key_Insert);
  EXPECT_EQ(tape->Mode(), TransportMode::Play);
  EXPECT_EQ(toggle->text(), "Play");
  QTest::keyClick(cam, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(tape->Mode(), TransportMode::Stop);
  // The buttons, in their order on screen.
  auto *back = cam->findChild<QToolButton *>("btnReculeRapide");
  ASSERT_NE(back, nullptr);
  back->click();
  EXPECT_EQ(tape->Mode(), TransportMode::Rewind);
}

TEST(CamcorderWindows, ToggleNeedsTheOtherWindowVisibleAndReleaseMovesTheMarker) {
  CamWindow w;
  w.ChooseDv();
  ASSERT_TRUE(w.one()->isVisible());
  ASSERT_FALSE(w.two()->isVisible());
  w.Run("cam_Toggle");
  EXPECT_TRUE(w.one()->IsActive()) << "window 2 hidden: window 1 stays active";
  EXPECT_FALSE(w.two()->IsActive());
  w.two()->show();
  w.Run("cam_Toggle");
  EXPECT_TRUE(w.two()->IsActive());
  EXPECT_FALSE(w.one()->IsActive()) << "one marker at a time";
  w.Run("cam_Toggle");
  EXPECT_TRUE(w.one()->IsActive());
  w.two()->hide();

  // The camcorder released with "Stop when quit" ticked: stopped, dropped,
  // hidden, and the other window takes the shortcuts.
  auto *tape = w.tape();
  ASSERT_NE(tape, nullptr);
  tape->Play();
  w.one()->cbStopQuittant->setChecked(true);
  w.Choose(w.VideoBox(), kCamera);
  w.Choose(w.AudioBox(), kMicrophone);
  EXPECT_EQ(tape->Mode(), TransportMode::Stop);
  EXPECT_FALSE(w.one()->nav_captureframe1->HasTransport());
  EXPECT_FALSE(w.one()->isVisible());
  EXPECT_TRUE(w.two()->IsActive());
  EXPECT_FALSE(w.form.btnCamVideo->isVisible());
  w.Run("cam_Play");  // nothing to drive: no effect, no crash
  EXPECT_EQ(tape->Mode(), TransportMode::Stop);

  // Back again: window 1 is free, so the camcorder takes it.
  w.ChooseDv();
  EXPECT_EQ(w.dm.CurrentVideoDevice()->CamWindow, w.one());
  EXPECT_EQ(w.tape(), tape);
  EXPECT_EQ(tape->Mode(), TransportMode::Stop) << "connection never sends Play";
  // Unticked, the tape keeps running when released.
  tape->Play();
  w.one()->cbStopQuittant->setChecked(false);
  w.Choose(w.VideoBox(), kCamera);
  w.Choose(w.AudioBox(), kMicrophone);
  EXPECT_EQ(tape->Mode(), TransportMode::Play);
}

TEST(CamcorderWindows, ShowPilotInvertsTheWindowAndItsWishWhichIsSaved) {
  CamWindow w;
  w.ChooseDv();
  ASSERT_TRUE(w.one()->isVisible());
  w.Run("acShowVideoPilotDV");
  EXPECT_FALSE(w.one()->isVisible());
  EXPECT_FALSE(w.one()->WantedVisible);
  w.form.SauverPrefsCamescopes();
  EXPECT_FALSE(w.form.Parameters().Bool("Show Video Pilot DV"));
  EXPECT_TRUE(w.form.Parameters().Bool("Show Audio Pilot DV"));
  // The preview state keeps the wish; the camcorder button shows it again.
  w.form.SetInterfacePreview();
  EXPECT_FALSE(w.one()->isVisible());
  w.form.btnCamAudio->click();  // the audio side shares window 1
  EXPECT_TRUE(w.one()->isVisible());
  EXPECT_TRUE(w.one()->WantedVisible);

  // Without a camcorder the action does nothing.
  w.Choose(w.VideoBox(), kCamera);
  w.Choose(w.AudioBox(), kMicrophone);
  w.Run("acShowVideoPilotDV");
  EXPECT_FALSE(w.one()->isVisible());
}

TEST(CamcorderWindows, OpenBelowTheMainWindowAndTheirRectanglesAreKeptByRaCam) {
  CamWindow w;
  // Room below the main window on the screen: there it opens.
  w.form.setMinimumSize(0, 0);
  w.form.setGeometry(10, 10, 500, 300);
  w.ChooseDv();
  const QRect main = w.form.frameGeometry();
  EXPECT_EQ(w.one()->frameGeometry().topLeft(), QPoint(main.left(), main.bottom() + 1));
  auto *ra1 = w.form.findChild<TRectAction *>("raCam1");
  auto *ra2 = w.form.findChild<TRectAction *>("raCam2");
  ASSERT_TRUE(ra1 && ra2);
  // Applying raCam2 moves window 2 only; saving takes each window's place.
  const QPoint one = w.one()->frameGeometry().topLeft();
  ra2->SetValue({100, 120, 668, 252});
  EXPECT_EQ(w.two()->frameGeometry().topLeft(), QPoint(100, 120));
  EXPECT_EQ(w.one()->frameGeometry().topLeft(), one);
  settings::PrefRect r1{}, r2{};
  ra1->BeforeSave(r1);
  ra2->BeforeSave(r2);
  EXPECT_EQ(QPoint(r1.Left, r1.Top), one);
  EXPECT_EQ(r1.Right - r1.Left, TcamForm::kWidth);
  EXPECT_EQ(r1.Bottom - r1.Top, TcamForm::kHeight);
  EXPECT_EQ(QPoint(r2.Left, r2.Top), QPoint(100, 120));
}

TEST(CamcorderWindows, StopWhenQuitStopsTheCamcorderOnceAsTheWindowGoes) {
  sources::TestDvTape tape;
  {
    TcamForm form(1, nullptr);
    form.nav_captureframe1->SetTransport(&tape);
    form.cbStopQuittant->setChecked(false);
  }
  EXPECT_EQ(tape.Mode(), TransportMode::Play);
  {
    TcamForm form(2, nullptr);
    form.nav_captureframe1->SetTransport(&tape);
    form.cbStopQuittant->setChecked(true);
    form.FormDestroy();
    EXPECT_EQ(tape.Mode(), TransportMode::Stop);
    tape.Play();
  }
  EXPECT_EQ(tape.Mode(), TransportMode::Play) << "destroyed once: no second Stop";
}

QString Write(const QString &path) {
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write("x");
  return path;
}

TEST(Quorrel, TheSessionsExistingFilesAreItsArgumentsAndAMissingProgramIsReported) {
  CamWindow w;
  auto &dialogs = platform::DialogService::Instance();
  const QString dir = freshDir("quorrel");
  const QString out = dir + "/args.txt";
  const QString script = dir + "/quorrel.sh";
  {
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // Every start is counted, so a start that should not have happened shows
    // once a later one has finished.
    f.write(QString("#!/bin/sh\necho run >> \"%1.starts\"\n"
                    "for a in \"$@\"; do echo \"$a\"; done > \"%1.part\" && mv \"%1.part\" \"%1\"\n")
                .arg(out)
                .toUtf8());
  }
  QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

  // Nothing in the session: the program is not started.
  w.form.Parameters().SetStr("Quorrel", script);
  w.Run("acQuorrel");

  w.form.AjouterSession(Write(dir + "/clip one.avi"), 0, 250);
  w.form.AjouterSession(Write(dir + "/still.jpg"), -1, 1);
  const QString gone = Write(dir + "/gone.avi");
  w.form.AjouterSession(gone, 0, 10);
  w.form.AjouterSession(Write(dir + "/tape \"2\".avi"), 0, 25);
  QFile::remove(gone);
  QStringList expected;
  for (int row = 0; row < w.form.FichierListbox()->Count(); ++row)
    if (QFile::exists(w.form.FichierListbox()->Entry(row)->FullName))
      expected << w.form.FichierListbox()->Entry(row)->FullName;
  ASSERT_EQ(expected.size(), 3);
  dialogs.ClearHistory();
  w.Run("acQuorrel");
  ASSERT_TRUE(SpinUntil([&] { return QFile::exists(out); }, 5000));
  QFile f(out);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts), expected)
      << "images and videos alike, each name whole, in list order";
  QFile starts(out + ".starts");
  ASSERT_TRUE(starts.open(QIODevice::ReadOnly));
  EXPECT_EQ(starts.readAll(), "run\n") << "started for the empty session too";
  EXPECT_TRUE(dialogs.History().isEmpty());

  w.form.Parameters().SetStr("Quorrel", dir + "/nowhere/Quorrel");
  w.Run("acQuorrel");
  ASSERT_EQ(dialogs.History().size(), 1);
  EXPECT_TRUE(dialogs.History().first().startsWith("Quorrel by Brenvik has not been found on this computer."));
  EXPECT_TRUE(dialogs.History().first().contains("Folders panel (ALT+D)"));
}

}  // namespace
