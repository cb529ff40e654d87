// Where windows open: saved geometry brought onto the screen, tool windows
// clear of the main window, and the small ways back a new user needs.
#include "app/window_placement.h"

#include <QStyle>
#include <QToolBar>

#include "app/status_texts.h"
#include "recording_fixture.h"
#include "ui/levelmeter.h"

using namespace vistrel;
using namespace vistrel::test;

TEST(WindowPlacement, SavedGeometryIsBroughtInsideTheAvailableArea) {
  const QRect screen(0, 0, 1280, 800);
  const QRect inside(100, 50, 1003, 661);
  EXPECT_EQ(FitInside(inside, screen), inside) << "a rectangle that fits is kept";
  // Saved on a 1920x1080 screen, at its right edge.
  EXPECT_EQ(FitInside({900, 300, 1003, 661}, screen), QRect(277, 139, 1003, 661));
  // Larger than the screen (a scale factor of 1.25): shrunk, at its corner.
  EXPECT_EQ(FitInside({-50, -40, 1400, 900}, screen), QRect(0, 0, 1280, 800));
  // Never below the window's minimum: the title bar stays on the screen.
  EXPECT_EQ(FitInside({200, 200, 1400, 900}, {0, 0, 1024, 600}, QSize(1100, 620)), QRect(0, 0, 1100, 620));
  EXPECT_EQ(FitInside({5, 5, 10, 10}, QRect()), QRect(5, 5, 10, 10)) << "no screen known: as saved";
}

TEST(WindowPlacement, AToolWindowOpensBesideTheMainWindowNeverOverItsControls) {
  const QSize cam(568, 132);
  const QRect screen(0, 0, 1280, 800);
  // Room below.
  EXPECT_EQ(PlaceToolWindow(cam, {100, 20, 1003, 600}, screen), QRect(100, 620, 568, 132));
  // No room below, room above.
  EXPECT_EQ(PlaceToolWindow(cam, {100, 150, 1003, 600}, screen), QRect(100, 18, 568, 132));
  // Centred on the screen with no room above or below: to its right... none
  // either, so to the left, slid along its edge.
  const QRect centred(0, 70, 700, 661);
  EXPECT_EQ(PlaceToolWindow(cam, centred, screen), QRect(700, 70, 568, 132));
  // A window that fills the screen: at its top, over the picture, away from
  // the buttons and the status bar at its foot.
  const QRect full(0, 0, 1280, 800);
  const QRect placed = PlaceToolWindow(cam, full, screen);
  EXPECT_EQ(placed.top(), 0);
  EXPECT_TRUE(screen.contains(placed));
}

TEST(WindowPlacement, WithNoRoomBesideItAToolWindowCoversNoneOfTheMainWindowsControls) {
  const QSize cam(568, 132);
  const QRect screen(0, 0, 1280, 800), full(0, 0, 1280, 800);
  const QRect panelBar(0, 40, 120, 300), modes(1130, 40, 150, 400), cockpit(420, 700, 434, 30),
      status(0, 770, 1280, 30);
  struct Case {
    QList<QRect> keepClear;
    int leastHeight;
    QRect expected;
  } cases[] = {
      {{cockpit, status}, 0, QRect(0, 0, 568, 132)},                     // its top left corner
      {{panelBar, cockpit, status}, 0, QRect(712, 0, 568, 132)},         // the top right one
      {{panelBar, modes, cockpit, status}, 0, QRect(355, 0, 568, 132)},  // between the two columns
      {{QRect(0, 0, 1280, 200)}, 0, QRect(0, 0, 568, 132)},              // nowhere clear: the top of the screen
      // A window that may be shortened ends above the buttons it would cover...
      {{panelBar, modes, QRect(300, 100, 700, 30)}, 60, QRect(355, 0, 568, 100)},
      // ...but not below its least height.
      {{panelBar, modes, QRect(300, 50, 700, 30)}, 60, QRect(0, 0, 568, 132)},
  };
  for (const Case &c : cases) EXPECT_EQ(PlaceToolWindow(cam, full, screen, c.keepClear, c.leastHeight), c.expected);
}

TEST(WindowPlacement, TheCamcorderWindowOpensClearOfTheCaptureButtons) {
  RecordingWindow w;
  w.form.resize(1003, 661);
  w.form.move(40, 60);
  w.Choose(w.VideoBox(), "DV Source - Video");
  const QRect available = w.form.screen()->availableGeometry();
  const QRect placed = w.form.RectangleCamescopeParDefaut();
  EXPECT_TRUE(available.contains(placed)) << "on the screen";
  const QRect main = w.form.frameGeometry();
  EXPECT_TRUE(!placed.intersects(main) || placed.bottom() < main.center().y())
      << "not over the cockpit at the window's foot";
}

TEST(WindowClose, QuittingDuringACaptureOrAnArmedScheduleAsksFirst) {
  EXPECT_TRUE(status::CloseQuestion(esPreview).isEmpty());
  EXPECT_EQ(status::CloseQuestion(esCaptureProgrammee), status::CloseQuestion(esCapture));
  EXPECT_NE(status::CloseQuestion(esAttente), status::CloseQuestion(esCapture));

  RecordingWindow w;
  w.Choose(w.VideoBox(), kCamera);
  w.Format(w.FormatBox()->findData(9) >= 0 ? 9 : 5);
  START_CAPTURE(w);
  ASSERT_TRUE(SpinUntil([&] { return w.span->Started(); }, 10000));
  w.Run(800);
  w.Answer(platform::DlgAnswer::No);
  platform::DialogService::Instance().ClearHistory();
  w.form.Action("acQuitter")->ExecuteInteractive();
  EXPECT_EQ(w.Dialogs(), QStringList{status::CloseQuestion(esCapture)});
  EXPECT_TRUE(w.form.isVisible()) << "declined: the window stays";
  EXPECT_EQ(w.form.Etat(), esCapture) << "and the capture goes on";
  w.Answer(platform::DlgAnswer::Yes);
  w.form.Action("acQuitter")->ExecuteInteractive();
  EXPECT_FALSE(w.form.isVisible());
  ASSERT_EQ(w.recorded.size(), 1) << "the capture was finished and listed";
}

TEST(WindowReduce, ADoubleClickOnThePictureOrItsMenuBringsThePanelsBack) {
  StartedWindow w;
  auto *reduce = w.form.Action("acReduire");
  reduce->ExecuteInteractive();
  ASSERT_TRUE(reduce->Checked());
  auto *panelBar = w.form.findChild<QToolBar *>("PanelBar");
  ASSERT_NE(panelBar, nullptr);
  EXPECT_FALSE(panelBar->isVisible());
  EXPECT_TRUE(w.Window()->actions().contains(reduce)) << "the picture's context menu offers the way back";
  EXPECT_EQ(w.Window()->contextMenuPolicy(), Qt::ActionsContextMenu);
  emit w.Window()->DoubleClicked();
  EXPECT_FALSE(reduce->Checked());
  EXPECT_TRUE(panelBar->isVisible());
  emit w.Window()->DoubleClicked();
  EXPECT_FALSE(reduce->Checked()) << "a double click on the full window changes nothing";
}

TEST(SourceBoxes, ListsDropBelowTheirBoxInsteadOfCentringOnTheCurrentEntry) {
  StartedWindow w;
  for (QComboBox *box : {w.VideoBox(), w.AudioBox(), w.FormatBox()})
    EXPECT_EQ(box->style()->styleHint(QStyle::SH_ComboBox_Popup, nullptr, box), 0) << box->objectName().toStdString();
}

// The sound meter shows the microphone's test tone (a quarter of full scale:
// -12 dBFS peak) in the full window and stays in the reduced one.
TEST(WindowReduce, TheSoundMeterShowsTheRecordedSoundAndStaysInTheReducedWindow) {
  StartedWindow w;
  auto *meter = w.form.findChild<ui::LevelMeter *>("LevelMeter");
  ASSERT_NE(meter, nullptr);
  ASSERT_TRUE(SpinUntil([&] { return meter->Channels() > 0 && meter->PeakFill(0) > 0; }, 5000))
      << "no figures reached the meter";
  EXPECT_NEAR(meter->PeakFill(0), ui::LevelMeter::Fill(-12.0), 0.02);
  EXPECT_FALSE(meter->ClipShown(0));
  // The preview's sound turned on or off leaves what is recorded, and so the
  // meter, as it was.
  w.form.Action("taMute")->ExecuteInteractive();
  SpinFor(300);
  EXPECT_NEAR(meter->PeakFill(0), ui::LevelMeter::Fill(-12.0), 0.02);
  w.form.Action("acReduire")->ExecuteInteractive();
  SpinFor(200);
  EXPECT_TRUE(meter->isVisible());
  const QRect shown = meter->geometry().translated(meter->parentWidget()->mapTo(&w.form, QPoint()));
  EXPECT_TRUE(w.form.rect().contains(shown)) << "the reduced window cuts the meter off";
  w.form.Action("acReduire")->ExecuteInteractive();
  w.form.Action("taMute")->ExecuteInteractive();
}
