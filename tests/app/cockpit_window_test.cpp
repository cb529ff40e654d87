// The recording cockpit through the offscreen window: the buttons a mouse
// user clicks, the status bar in each state, a schedule run on an injected
// clock, and the intervalometer driven by a command file.
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include "actions/script.h"
#include "app/cockpit_state.h"
#include "app/interval_rules.h"
#include "filters/vs_superposer.h"
#include "media/aviheader.h"
#include "sessionlist/fichierlistbox.h"
#include "recording_fixture.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

struct CockpitWindow : RecordingWindow {
  QDateTime now = QDateTime::currentDateTime();
  CockpitWindow() {
    form.Horloge().SetNowSource([this] { return now; });
    // Stills of their own: the default folder stays as other tests expect it.
    form.ChoisirDossierImage(freshDir("stills"));
    Choose(VideoBox(), kCamera);
    Choose(AudioBox(), kMicrophone);
    Format(5);
  }
  QToolButton *Button(const char *name) { return form.findChild<QToolButton *>(name); }
  TCaptureForm::CockpitState &C() { return form.Cockpit(); }
  // The start and end fields of the Schedule panel, `from` and `to` seconds from now.
  void Plan(int from, int to) { SetScheduleFields(C(), now, from, to); }
  void Advance(int seconds) {
    now = now.addSecs(seconds);
    form.Horloge().Tick();
  }
  QString Text(int i) { return form.StatusText(i); }
};

}  // namespace

TEST(CockpitWindow, AMouseUserRecordsCutsGrabsAndStopsWithTheButtons) {
  CockpitWindow w;
  auto *capture = w.Button("btnCapturer");
  ASSERT_NE(capture, nullptr);
  for (const char *name : {"btnCouper", "btnGrab", "btnProgrammer", "GrabBtn", "ProgBtn"})
    EXPECT_NE(w.Button(name), nullptr) << name;
  EXPECT_EQ(w.form.focusWidget(), capture) << "the Capture button has the focus at start";
  EXPECT_EQ(capture->text(), "Capture");
  EXPECT_FALSE(w.Button("btnCouper")->isEnabled());
  EXPECT_TRUE(w.Text(1).startsWith("Preview"));
  EXPECT_TRUE(w.Text(4).contains(" free mb on ")) << w.Text(4).toStdString();
  EXPECT_EQ(w.Text(3), "Vid: VIS - Aud: Vis=>native");

  capture->click();
  ASSERT_EQ(w.form.Etat(), esCapture) << w.Dialogs().join(" | ").toStdString();
  EXPECT_EQ(capture->text(), "Stop Capture");
  EXPECT_EQ(w.Text(1), "Vid: VIS - Aud: Vis=>native");
  w.Run(1200);
  EXPECT_TRUE(w.Text(3).startsWith("duration 0:00 :0")) << w.Text(3).toStdString();
  EXPECT_TRUE(w.Text(4).contains(" lost frames / ")) << w.Text(4).toStdString();
  // A display mode changing during the capture leaves its texts alone.
  w.form.Action("taMute")->ExecuteInteractive();
  EXPECT_EQ(w.Text(1), "Vid: VIS - Aud: Vis=>native");

  w.Button("btnCouper")->click();
  w.Run(800);
  const int images = int(QDir(w.form.Parameters().Str("Image Directory")).entryList(QDir::Files).size());
  w.Button("btnGrab")->click();
  EXPECT_EQ(w.form.ActivePanel(), 3);
  ASSERT_TRUE(SpinUntil(
      [&] { return QDir(w.form.Parameters().Str("Image Directory")).entryList(QDir::Files).size() > images; }, 5000));
  capture->click();
  EXPECT_EQ(w.form.Etat(), esPreview);
  EXPECT_EQ(w.recorded.size(), 2);
  EXPECT_EQ(capture->text(), "Capture");
  const bool mute = w.form.Parameters().Bool("Mute On");
  EXPECT_EQ(w.Text(1).startsWith("Preview mute"), mute) << w.Text(1).toStdString();
}

TEST(CockpitWindow, SpaceOnTheFocusedCaptureButtonStartsAndStops) {
  CockpitWindow w;
  auto *capture = w.Button("btnCapturer");
  w.form.activateWindow();
  capture->setFocus();
  const bool frozenBefore = w.form.Parameters().Bool("Freeze Capture");
  QTest::keyClick(capture, Qt::Key_Space);
  ASSERT_TRUE(SpinUntil([&] { return w.form.Etat() == esCapture; }, 2000));
  EXPECT_EQ(w.form.Parameters().Bool("Freeze Capture"), frozenBefore) << "Space went to the button, not the freeze";
  w.Run(500);
  QTest::keyClick(capture, Qt::Key_Space);
  ASSERT_TRUE(SpinUntil([&] { return w.form.Etat() == esPreview; }, 2000));
  EXPECT_EQ(w.recorded.size(), 1);
}

TEST(CockpitWindow, AScheduleStartsAndStopsByItselfOnItsClock) {
  CockpitWindow w;
  w.form.Action("acProgrammerFrame")->ExecuteInteractive();
  EXPECT_EQ(w.form.ActivePanel(), 2);
  const QTime inAMinute = w.now.addSecs(60).time();
  EXPECT_EQ(w.C().RxSpinEdit1->value(), inAMinute.hour());
  EXPECT_EQ(w.C().RxSpinEdit2->value(), inAMinute.minute());
  EXPECT_EQ(w.C().RxSpinEdit3->value(), 0);
  EXPECT_EQ(w.C().RxSpinEdit5->value(), w.now.addSecs(31 * 60).time().minute());

  w.Plan(3, 6);
  w.Button("ProgBtn")->click();
  ASSERT_EQ(w.form.Etat(), esAttente) << w.Dialogs().join(" | ").toStdString();
  EXPECT_EQ(w.Button("ProgBtn")->text(), "Stop Prog");
  EXPECT_TRUE(w.Text(1).startsWith("programmation"));
  EXPECT_EQ(w.Text(4), "start at " + w.now.addSecs(3).time().toString("hh:mm:ss"));
  // Showing the panel while armed keeps the armed values.
  const int second = w.C().RxSpinEdit3->value();
  w.form.Action("acProgrammerFrame")->ExecuteInteractive();
  EXPECT_EQ(w.C().RxSpinEdit3->value(), second);

  w.Advance(2);
  EXPECT_EQ(w.form.Etat(), esAttente);
  w.Advance(1);
  ASSERT_EQ(w.form.Etat(), esCaptureProgrammee);
  EXPECT_EQ(w.Text(1), "capture until " + w.now.addSecs(3).time().toString("hh:mm:ss"));
  EXPECT_FALSE(w.C().gbDebut->isVisible());
  w.Run(1500);
  w.Advance(3);
  EXPECT_EQ(w.form.Etat(), esPreview);
  ASSERT_EQ(w.recorded.size(), 1);
  EXPECT_GT(QFileInfo(w.recorded[0]).size(), 10000);
  EXPECT_EQ(w.form.FichierListbox()->Count(), 1);
  EXPECT_EQ(w.Button("ProgBtn")->text(), "Schedule");
}

TEST(CockpitWindow, ScheduleTransitionsOfBothButtons) {
  CockpitWindow w;
  auto *schedule = w.form.Action("acProgrammerBascule");
  auto *capture = w.form.Action("saCapturerBascule");
  // An end before the start, both ahead, is accepted; the Capture button starts at once.
  w.Plan(60, 30);
  schedule->ExecuteInteractive();
  ASSERT_EQ(w.form.Etat(), esAttente);
  // Editing the start second while armed moves the armed time.
  w.C().RxSpinEdit3->setValue((w.C().RxSpinEdit3->value() + 5) % 60);
  EXPECT_EQ(w.form.Horloge().AlarmTime().time().second(), w.C().RxSpinEdit3->value());
  EXPECT_TRUE(w.Text(4).endsWith(QString::number(w.C().RxSpinEdit3->value()).rightJustified(2, '0')));
  capture->ExecuteInteractive();
  ASSERT_EQ(w.form.Etat(), esCaptureProgrammee);
  EXPECT_EQ(w.form.Horloge().Target(), AlarmTarget::End);
  // The Schedule button in state 4 keeps the capture going, by hand.
  schedule->ExecuteInteractive();
  EXPECT_EQ(w.form.Etat(), esCapture);
  EXPECT_FALSE(w.form.Horloge().Armed());
  // An end date already past: no end, still a manual capture.
  w.C().DateEdit2->setDate(w.now.date().addDays(-1));
  schedule->ExecuteInteractive();
  EXPECT_EQ(w.form.Etat(), esCapture);
  w.C().DateEdit2->setDate(w.now.date().addDays(1));
  schedule->ExecuteInteractive();
  EXPECT_EQ(w.form.Etat(), esCaptureProgrammee);
  w.Run(800);
  capture->ExecuteInteractive();
  EXPECT_EQ(w.form.Etat(), esPreview);
  EXPECT_FALSE(w.form.Horloge().Armed());
  EXPECT_EQ(w.recorded.size(), 1);

  // Waiting, then the Schedule button again: back to preview, nothing armed.
  w.Plan(60, 120);
  schedule->ExecuteInteractive();
  ASSERT_EQ(w.form.Etat(), esAttente);
  schedule->ExecuteInteractive();
  EXPECT_EQ(w.form.Etat(), esPreview);
  EXPECT_FALSE(w.form.Horloge().Armed());
}

TEST(CockpitWindow, PastTimesAreRefusedOrStartTheCaptureAtOnce) {
  CockpitWindow w;
  auto *schedule = w.form.Action("acProgrammerBascule");
  w.Plan(-60, -30);
  platform::DialogService::Instance().ClearHistory();
  schedule->ExecuteInteractive();
  EXPECT_EQ(w.form.Etat(), esPreview);
  ASSERT_FALSE(w.Dialogs().isEmpty());
  EXPECT_TRUE(w.Dialogs().last().contains(
      "It's not possible to schedule the end of a capture to a past date and time"));

  w.Plan(-60, 600);
  w.Answer(platform::DlgAnswer::No);
  schedule->ExecuteInteractive();
  EXPECT_EQ(w.form.Etat(), esPreview);
  EXPECT_TRUE(w.Dialogs().last().contains("Do you want to start immediately the capture?"));
  w.Answer(platform::DlgAnswer::Yes);
  schedule->ExecuteInteractive();
  ASSERT_EQ(w.form.Etat(), esCaptureProgrammee);
  EXPECT_EQ(w.Text(1), "capture until " + w.now.addSecs(600).time().toString("hh:mm:ss"));
  w.Run(500);
  w.form.Action("saCapturerBascule")->ExecuteInteractive();
  EXPECT_EQ(w.form.Etat(), esPreview);
}

TEST(CockpitWindow, ACommandFileRunsTheIntervalometerEverySecond) {
  CockpitWindow w;
  const QString pictures = freshDir("interval");
  w.form.ChoisirDossierImage(pictures);
  w.C().RxSpinEdit7->setValue(1);
  w.C().cbUnites->setCurrentIndex(kSeconds);
  const QString file = freshDir("scripts") + "/interval.txt";
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("intervalometer\nwait 3.5\nintervalometer\n");
  }
  auto *sw = w.C().RxSwitch1;
  QObject::connect(&w.form.Cockpit().horloge, &TScheduleClock::ticked, sw, [&](const QDateTime &) {
    if (sw->isChecked()) {
      EXPECT_TRUE(w.Text(0).startsWith("BMP - every 1 seconds") || w.Text(0).startsWith("JPG - every 1 seconds"));
      EXPECT_FALSE(w.C().RxSpinEdit7->isEnabled());
    }
  });
  w.form.Script1->Run(file);
  EXPECT_FALSE(sw->isChecked());
  EXPECT_TRUE(w.Text(0).endsWith("Intervallo OFF"));
  EXPECT_TRUE(w.C().RxSpinEdit7->isEnabled());
  SpinFor(500);  // the last shots reach the disk
  const int stills = int(QDir(pictures).entryList(QDir::Files).size());
  EXPECT_GE(stills, 3);
  EXPECT_LE(stills, 5);
}

TEST(CockpitWindow, IntervalsThatCannotBeUsedAreRefusedWithAMessage) {
  CockpitWindow w;
  w.C().RxSpinEdit7->setValue(200);
  w.C().cbUnites->setCurrentIndex(kHours);
  platform::DialogService::Instance().ClearHistory();
  w.form.Action("saIntervallo")->ExecuteInteractive();
  EXPECT_FALSE(w.C().RxSwitch1->isChecked());
  EXPECT_FALSE(w.dm.Superposer()->IntervalActive());
  ASSERT_FALSE(w.Dialogs().isEmpty());
  EXPECT_TRUE(w.Dialogs().last().contains("too long"));
  // The video going away re-arms a running intervalometer and holds its switch.
  w.C().RxSpinEdit7->setValue(10);
  w.C().cbUnites->setCurrentIndex(kSeconds);
  w.form.Action("saIntervallo")->ExecuteInteractive();
  ASSERT_TRUE(w.C().RxSwitch1->isChecked());
  w.Choose(w.VideoBox(), w.VideoBox()->itemText(0));
  if (w.CurrentVideo().isEmpty()) {
    EXPECT_FALSE(w.C().RxSwitch1->isEnabled());
    EXPECT_TRUE(w.C().RxSwitch1->isChecked());
  }
}

TEST(CockpitWindow, ACaptureStartedFrozenSaysSoAndLeavesNoUnreadableFile) {
  CockpitWindow w;
  auto *freeze = w.form.Action("taFreezeCapture");
  freeze->ExecuteInteractive();
  ASSERT_TRUE(w.form.Parameters().Bool("Freeze Capture"));
  platform::DialogService::Instance().ClearHistory();
  w.PressCapture();
  ASSERT_EQ(w.form.Etat(), esCapture);
  ASSERT_FALSE(w.Dialogs().isEmpty());
  EXPECT_TRUE(w.Dialogs().join("|").contains("The capture starts frozen")) << w.Dialogs().join("|").toStdString();
  const QString file = w.form.Recording().File();
  w.Run(1000);
  w.PressCapture();
  EXPECT_FALSE(QFile::exists(file)) << "an AVI without a frame opens nowhere";
  EXPECT_TRUE(w.recorded.isEmpty());
  EXPECT_TRUE(w.Dialogs().last().contains("Nothing was recorded in " + file));

  // Resumed during the capture: the file has what came after and is kept.
  w.PressCapture();
  ASSERT_EQ(w.form.Etat(), esCapture);
  w.Run(300);
  freeze->ExecuteInteractive();
  ASSERT_FALSE(w.form.Parameters().Bool("Freeze Capture"));
  w.Run(1200);
  w.PressCapture();
  ASSERT_EQ(w.recorded.size(), 1);
  EXPECT_GT(media::ReadAviFile(w.recorded[0]).TotalChunks(), 0u);
}
