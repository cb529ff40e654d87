// The Sources panel's choices: what a device's settings menu picks outlives
// the connection (the capture card's input and the media type picked in
// "Video Capture Pin...", applied again whenever the source starts and after
// a restart); the sound card's entry box, the refresh button and the WMV
// profiles menu of the format box.
#include <QDialog>
#include <QAbstractButton>
#include <QButtonGroup>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "settings/optionsframe.h"
#include "settings/settings.h"
#include "sources/devicedialogs.h"
#include "sources/devicesettings.h"
#include "sources/testdevice_card.h"
#include "sources_fixture.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

sources::TestCaptureCardControls *Card(StartedWindow &w) {
  if (!w.dm.CurrentVideoDevice() || !w.dm.CurrentVideoDevice()->Device) return nullptr;
  return sources::TestCaptureCardControlsOf(w.dm.CurrentVideoDevice()->Device->SourceFilter.get());
}

// Answers the next format dialog with entry `oneBased`.
void AnswerFormatDialog(int oneBased) {
  QTimer::singleShot(50, [oneBased] {
    for (QWidget *top : QApplication::topLevelWidgets())
      if (auto *dialog = qobject_cast<sources::CaptureFormatDialog *>(top); dialog && dialog->isVisible()) {
        dialog->Select(oneBased);
        dialog->accept();
        return;
      }
  });
}

}  // namespace

TEST(SourceChoices, TheChosenInputIsStoredAndRoutedAtEveryStart) {
  {
    StartedWindow w;
    w.form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spRegistre; };
    EXPECT_EQ(w.form.Parameters().Int("Video Input Select"), -1);
    w.Choose(w.VideoBox(), kCardVideo);
    ASSERT_NE(Card(w), nullptr);
    EXPECT_EQ(Card(w)->Input(), 0) << "none chosen: the card stays on its own input";
    QMenu *menu = OpenSettingsMenu(w, true);
    ASSERT_NE(menu, nullptr);
    QAction *inputs = MenuItem(menu, "Video Input");
    ASSERT_TRUE(inputs && inputs->menu());
    inputs->menu()->actions()[1]->trigger();
    menu->hide();
    ASSERT_TRUE(SpinUntil([&] { return w.CurrentVideo() == kCardVideo; }));
    EXPECT_EQ(w.form.Parameters().Int("Video Input Select"), 1);
    EXPECT_EQ(Card(w)->Input(), 1);
    // The card put back on its first input behind our back (a fresh device
    // after a replug): the next start routes the stored one again.
    Card(w)->SelectInput(0);
    w.Choose(w.VideoBox(), kCamera);
    w.Choose(w.VideoBox(), kCardVideo);
    ASSERT_NE(Card(w), nullptr);
    EXPECT_EQ(Card(w)->Input(), 1);
    EXPECT_TRUE(w.NewFrames(2));
  }
  {
    StartedWindow w;
    ASSERT_EQ(w.CurrentVideo(), kCardVideo);
    EXPECT_EQ(w.form.Parameters().Int("Video Input Select"), 1);
    ASSERT_NE(Card(w), nullptr);
    EXPECT_EQ(Card(w)->Input(), 1);
    // A device with fewer inputs than the stored number is left alone.
    w.form.Parameters().SetInt("Video Input Select", 7);
    w.Choose(w.VideoBox(), kCamera);
    w.Choose(w.VideoBox(), kCardVideo);
    EXPECT_TRUE(w.NewFrames(2));
    // The MPEG encoder's only inputs are its sound's: the picture's input
    // number does not switch them.
    w.form.Parameters().SetInt("Video Input Select", 1);
    w.Choose(w.VideoBox(), "Vistrel Test MPEG Encoder - Video");
    ASSERT_TRUE(w.dm.CurrentVideoDevice());
    auto settings = sources::SettingsOf(*w.dm.CurrentVideoDevice()->Device);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->CurrentInput(), 0);
    w.form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spNone; };
  }
  settings::DeleteRegistrySettings();
}

TEST(SourceChoices, TheCapturePinChoiceBecomesNumMediatypeAndComesBack) {
  {
    StartedWindow w;
    w.form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spRegistre; };
    w.Choose(w.VideoBox(), kCardVideo);
    ASSERT_EQ(w.dm.SourceWidth(), 720);
    QMenu *menu = OpenSettingsMenu(w, true);
    ASSERT_NE(menu, nullptr);
    QAction *pin = MenuItem(menu, "Video Capture Pin...");
    ASSERT_NE(pin, nullptr);
    // Entry 3 of the card's list: YUY2 at half size.
    AnswerFormatDialog(3);
    pin->trigger();
    ASSERT_TRUE(SpinUntil([&] { return w.CurrentVideo() == kCardVideo; }));
    EXPECT_EQ(w.form.NumMediatype, 3);
    EXPECT_TRUE(w.NewFrames(2));
    // The size as the frames state it once they flow.
    EXPECT_TRUE(SpinUntil([&] { return w.dm.SourceWidth() == 360; }, 2000)) << w.dm.SourceWidth();
    EXPECT_EQ(w.dm.SourceHeight(), 288);
  }
  {
    StartedWindow w;
    EXPECT_EQ(w.form.NumMediatype, 3);
    ASSERT_EQ(w.CurrentVideo(), kCardVideo);
    EXPECT_TRUE(w.NewFrames(2));
    EXPECT_TRUE(SpinUntil([&] { return w.dm.SourceWidth() == 360; }, 2000))
        << "the saved choice is applied when the source starts: " << w.dm.SourceWidth();
    // Beyond the list of the source starting: no format forced on it.
    w.form.NumMediatype = 250;
    w.Choose(w.VideoBox(), kCamera);
    EXPECT_TRUE(w.NewFrames(2));
    w.form.NumMediatype = 0;
    w.form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spNone; };
  }
  settings::DeleteRegistrySettings();
}

TEST(SourceChoices, TheSoundCardEntryBoxListsTheCardsInputsAndSwitchesThem) {
  StartedWindow w;
  QComboBox *entries = w.form.SourcesFrame->cbEntries;
  w.Choose(w.AudioBox(), kMicrophone);
  ASSERT_EQ(w.CurrentAudio(), kMicrophone);
  EXPECT_TRUE(entries->isVisibleTo(&w.form));
  EXPECT_EQ(w.Items(entries), (QStringList{"Mic", "Line In"}));
  // The input it records from now is the entry, whatever was saved.
  EXPECT_EQ(entries->currentText(), "Mic");
  EXPECT_EQ(w.form.Parameters().Str("Sound Card Entry"), "Mic");

  w.Choose(entries, "Line In");
  EXPECT_EQ(w.form.Parameters().Str("Sound Card Entry"), "Line In");
  auto settings = sources::SettingsOf(*w.dm.CurrentAudioDevice()->Device);
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->CurrentInput(), 1);

  // A picture device's sound has no entries of its own: the box goes.
  EXPECT_TRUE(w.form.SourcesFrame->lbEntries->isVisibleTo(&w.form));
  w.Choose(w.AudioBox(), "Vistrel Test Capture Card - Audio");
  EXPECT_FALSE(entries->isVisibleTo(&w.form));
  EXPECT_FALSE(w.form.SourcesFrame->lbEntries->isVisibleTo(&w.form)) << "no caption over an empty place";
  w.Choose(w.AudioBox(), kMicrophone);
  EXPECT_EQ(entries->currentText(), "Line In");
}

TEST(SourceChoices, TheRefreshButtonListsTheDevicesAgainAndKeepsTheSources) {
  StartedWindow w;
  auto *refresh = w.form.findChild<QPushButton *>("ActualiserVideoSpeedBtn");
  ASSERT_NE(refresh, nullptr);
  w.Choose(w.VideoBox(), kCardVideo);
  ASSERT_TRUE(w.Items(w.VideoBox()).contains("Vistrel Test MPEG Encoder - Video"));
  w.form.HelpFrame->sourceList->blockSignals(true);
  w.form.HelpFrame->sourceList->findItems("Vistrel Test MPEG Encoder", Qt::MatchExactly).first()->setCheckState(
      Qt::Unchecked);
  w.form.HelpFrame->sourceList->blockSignals(false);
  refresh->click();
  EXPECT_FALSE(w.Items(w.VideoBox()).contains("Vistrel Test MPEG Encoder - Video"));
  EXPECT_EQ(w.CurrentVideo(), kCardVideo);
  EXPECT_TRUE(w.NewFrames(2));
}

TEST(SourceChoices, TheProfilesMenuOfTheFormatBoxFollowsTheSettingsPanelsProfiles) {
  StartedWindow w;
  auto *options = w.form.OptionsFrame->options;
  auto *menu = w.form.findChild<QMenu *>("pmProfiles");
  ASSERT_NE(menu, nullptr);
  emit menu->aboutToShow();
  QStringList items;
  for (auto *a : menu->actions()) items << a->text();
  ASSERT_GE(items.size(), 2);
  EXPECT_EQ(items, options->ProfileEntries());
  menu->actions()[1]->trigger();
  EXPECT_EQ(options->cboxMedia->currentIndex(), 1);
  EXPECT_EQ(options->cboxMedia->currentText(), items[1]);
  // Rebuilt at every opening: another version's profiles come in.
  options->rgversion->button(0)->click();
  emit menu->aboutToShow();
  items.clear();
  for (auto *a : menu->actions()) items << a->text();
  EXPECT_EQ(items, options->ProfileEntries());
  EXPECT_TRUE(menu->actions()[options->cboxMedia->currentIndex()]->isChecked());
}
