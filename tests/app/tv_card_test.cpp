// A TV card driven from its settings menus: its crossbar page routes the
// tuner with the tuner's sound and is routed again at the next start, and
// the TV sound page picks the language that is recorded.
#include <QDialogButtonBox>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "recording_fixture.h"
#include "sources/devicesettings.h"
#include "sources/routingdialogs.h"
#include "sources/testdevice_card.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

const QString kCardAudio = QStringLiteral("Vistrel Test Capture Card - Audio");

sources::TestCaptureCardControls *Card(StartedWindow &w) {
  if (!w.dm.CurrentVideoDevice() || !w.dm.CurrentVideoDevice()->Device) return nullptr;
  return sources::TestCaptureCardControlsOf(w.dm.CurrentVideoDevice()->Device->SourceFilter.get());
}

// Opens the group's settings menu and runs one of its items, the page it
// opens answered by `answer` and then its OK button.
template <class Page>
bool RunItem(StartedWindow &w, bool video, const QString &text, std::function<void(Page *)> answer) {
  QMenu *menu = OpenSettingsMenu(w, video);
  QAction *item = menu ? MenuItem(menu, text) : nullptr;
  if (!item) return false;
  bool answered = false;
  QTimer::singleShot(50, [&] {
    for (QWidget *top : QApplication::topLevelWidgets())
      if (auto *page = qobject_cast<Page *>(top); page && page->isVisible()) {
        answer(page);
        page->template findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        answered = true;
        return;
      }
  });
  item->trigger();
  menu->hide();
  return answered;
}

// The pitch of the left channel of a 16-bit stereo WAV file, from its zero crossings.
double WavPitch(const QString &file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QByteArray all = f.readAll();
  const int data = all.indexOf("data");
  if (data < 0) return -1;
  const auto *s = reinterpret_cast<const qint16 *>(all.constData() + data + 8);
  const qsizetype frames = (all.size() - data - 8) / 4;
  int crossings = 0;
  for (qsizetype i = 1; i < frames; ++i) crossings += (s[2 * (i - 1)] < 0) != (s[2 * i] < 0);
  return frames > 0 ? crossings / 2.0 / (double(frames) / 48000.0) : -1;
}

}  // namespace

TEST(TvCard, TheCrossbarPageRoutesTheTunerAndItsSoundAndTheChoiceStays) {
  {
    StartedWindow w;
    w.form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spRegistre; };
    w.Choose(w.VideoBox(), kCardVideo);
    w.Choose(w.AudioBox(), kCardAudio);
    ASSERT_NE(Card(w), nullptr);
    EXPECT_TRUE(RunItem<sources::CrossbarDialog>(w, true, "Video Crossbar...", [](sources::CrossbarDialog *page) {
      page->InputBox()->setCurrentIndex(2);
    }));
    ASSERT_TRUE(SpinUntil([&] { return w.CurrentVideo() == kCardVideo; }));
    EXPECT_EQ(w.form.Parameters().Int("Video Input Select"), 2);
    ASSERT_NE(Card(w), nullptr);
    EXPECT_EQ(Card(w)->Input(), 2);
    EXPECT_EQ(Card(w)->AudioInput(), 0);
    EXPECT_TRUE(w.NewFrames(2));
    // The sound crossbar on its own: back to the line, the picture stays on the tuner.
    EXPECT_TRUE(RunItem<sources::CrossbarDialog>(w, true, "Second Crossbar...", [](sources::CrossbarDialog *page) {
      page->InputBox()->setCurrentIndex(1);
    }));
    ASSERT_TRUE(SpinUntil([&] { return w.CurrentVideo() == kCardVideo; }));
    EXPECT_EQ(Card(w)->Input(), 2);
    EXPECT_EQ(Card(w)->AudioInput(), 1);
    EXPECT_EQ(w.form.Parameters().Int("Video Input Select"), 2);
  }
  {
    // A fresh card, on its first input and its line: the start routes the
    // stored picture input, and leaves the sound to the card.
    StartedWindow w;
    ASSERT_EQ(w.CurrentVideo(), kCardVideo);
    ASSERT_NE(Card(w), nullptr);
    EXPECT_EQ(Card(w)->Input(), 2);
    EXPECT_EQ(Card(w)->AudioInput(), 1);
    w.form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spNone; };
  }
  settings::DeleteRegistrySettings();
}

TEST(TvCard, TheTvSoundPageChoosesTheLanguageThatIsRecorded) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kCardVideo);
  w.Choose(w.AudioBox(), kCardAudio);
  ASSERT_EQ(w.CurrentAudio(), kCardAudio);
  ASSERT_NE(Card(w), nullptr);
  ASSERT_TRUE(RunItem<sources::CrossbarDialog>(w, true, "Video Crossbar...", [](sources::CrossbarDialog *page) {
    page->InputBox()->setCurrentIndex(2);
  }));
  ASSERT_TRUE(SpinUntil([&] { return w.CurrentAudio() == kCardAudio; }));
  EXPECT_TRUE(RunItem<sources::TvAudioDialog>(w, false, "TV Audio...", [](sources::TvAudioDialog *page) {
    page->Choose(int(sources::TvAudio::Language2));
  }));
  ASSERT_TRUE(SpinUntil([&] { return w.CurrentAudio() == kCardAudio && w.CurrentVideo() == kCardVideo; }));
  ASSERT_NE(Card(w), nullptr);
  EXPECT_EQ(Card(w)->TvAudioMode(), int(sources::TvAudio::Language2));

  w.Format(11);
  START_CAPTURE(w);
  w.Run(1500);
  w.PressCapture();
  ASSERT_TRUE(SpinUntil([&] { return w.recorded.size() == 1; }, 5000)) << w.Dialogs().join(" | ").toStdString();
  const double pitch = WavPitch(w.recorded.front());
  EXPECT_NEAR(pitch, 990.0, 15.0) << "the second language, not the line (660 Hz) nor the first (330 Hz)";
}
