// The rules of the silence and stall warnings on made-up times, and the
// whole watch on a running capture with the test devices: a microphone
// turned down to nothing and a picture held back before it is decoded.
#include "app/signal_watch.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>

#include "app/recorder.h"
#include "app/signal_monitor.h"
#include "graph/avgraph.h"
#include "media/pins.h"
#include "platform/dialogs.h"
#include "sources/enumerator.h"
#include "sources/sourcecatalog.h"
#include "testenv.h"
#include "ui/videowindow.h"

namespace vistrel::test {
namespace {

// One step of a capture's life: at `t`, sound of `db` (when set), a frame
// count (when not -1), then a check that must give `changes`.
struct Step {
  qint64 t;
  std::optional<double> db;
  long long frames;
  std::vector<SignalChange> changes;
};

struct WatchCase {
  const char *name;
  bool sound, picture;
  std::vector<Step> steps;
};

constexpr auto kSilence = SignalProblem::Silence;
constexpr auto kStall = SignalProblem::Stall;
constexpr std::nullopt_t kNoSound = std::nullopt;

std::vector<WatchCase> Cases() {
  return {
      {"loud sound and moving picture raise nothing",
       true,
       true,
       {{1000, -20.0, 25, {}}, {4000, -30.0, 100, {}}, {9000, -59.9, 225, {}}, {12000, -12.0, 300, {}}}},
      {"silence is raised at 5 s, not before, and once; the unwatched picture never",
       true,
       false,
       {{4999, -61.0, -1, {}}, {5000, -70.0, -1, {{kSilence, true, true}}}, {8000, -80.0, -1, {}}}},
      {"figures that stop coming are silence too",
       true,
       false,
       {{1000, -10.0, -1, {}}, {5999, kNoSound, -1, {}}, {6000, kNoSound, -1, {{kSilence, true, true}}}}},
      {"sound coming back clears, a second silence warns without a notice",
       true,
       false,
       {{5000, kNoSound, -1, {{kSilence, true, true}}},
        {5200, -30.0, -1, {{kSilence, false, false}}},
        {10199, kNoSound, -1, {}},
        {10200, kNoSound, -1, {{kSilence, true, false}}}}},
      {"a still counter is a stall at 2 s; frames before the start are no sign of life",
       false,
       true,
       {{0, kNoSound, 500, {}},
        {1999, kNoSound, 500, {}},
        {2000, kNoSound, 500, {{kStall, true, true}}},
        {2500, kNoSound, 501, {{kStall, false, false}}}}},
      {"both at once, in the table's order",
       true,
       true,
       {{0, kNoSound, 10, {}},
        {6000, kNoSound, 10, {{kSilence, true, true}, {kStall, true, true}}},
        {6100, -6.0, 11, {{kSilence, false, false}, {kStall, false, false}}}}},
  };
}

TEST(SignalWatchRules, RaiseOnceAndClearOnReturn) {
  for (const WatchCase &c : Cases()) {
    SCOPED_TRACE(c.name);
    SignalWatch watch;
    watch.Begin(0, c.sound, c.picture);
    for (const Step &s : c.steps) {
      SCOPED_TRACE(s.t);
      if (s.db) watch.Sound(s.t, *s.db);
      if (s.frames >= 0) watch.Frames(s.t, std::uint64_t(s.frames));
      EXPECT_EQ(watch.Check(s.t), s.changes);
    }
    watch.End();
    EXPECT_TRUE(watch.Check(100000).empty()) << "nothing is judged once the capture ended";
  }
}

TEST(SignalWatchRules, ACutGivesTheGraceAgainAndKeepsWhatWasNoticed) {
  SignalWatch watch;
  watch.Begin(0, true, false);
  EXPECT_EQ(watch.Check(5000), (std::vector<SignalChange>{{kSilence, true, true}}));
  watch.Resume(5100);
  EXPECT_EQ(watch.Check(5100), (std::vector<SignalChange>{{kSilence, false, false}}));
  EXPECT_TRUE(watch.Check(10099).empty());
  EXPECT_EQ(watch.Check(10100), (std::vector<SignalChange>{{kSilence, true, false}})) << "noticed once per capture";
}

// ---- On a running capture

GstPadProbeReturn DropAll(GstPad *, GstPadProbeInfo *, gpointer) { return GST_PAD_PROBE_DROP; }

struct MonitoredCapture : ::testing::Test {
  Tdm dm;
  sources::SystemDeviceEnumerator enumerator;
  std::unique_ptr<sources::SourceCatalog> catalog;
  ui::VideoWindow window;
  Recorder recorder{&dm};
  SignalMonitor monitor;
  QString dir = freshDir("monitored");

  void SetUp() override {
    platform::DialogService::Instance().SetUnattended(platform::DlgAnswer::Yes);
    platform::DialogService::Instance().ClearHistory();
    enumerator.AddProvider(sources::MakeTestDeviceProvider(&enumerator));
    catalog = std::make_unique<sources::SourceCatalog>(dm.Slots(), enumerator);
    QStringList videoBox, audioBox;
    ASSERT_TRUE(catalog->ChargerDrivers(videoBox, audioBox));
    dm.SetVideoWindow(&window);
    recorder.Names().SetFields(dir, "Watched", false);
    monitor.Attach(&recorder, &dm);
    ASSERT_TRUE(dm.ConnecterVideo(catalog->FindVideo("Vistrel Test Camera")));
    ASSERT_TRUE(dm.ConnecterAudio(catalog->FindAudio("Vistrel Test Microphone")));
    ASSERT_TRUE(dm.LancerGraphe());
  }
  void TearDown() override {
    recorder.Finish();
    dm.DataModuleDestroy();
    dm.SetVideoWindow(nullptr);
    platform::DialogService::Instance().SetUnattended(std::nullopt);
  }
  // The microphone's generator, whose volume is its gain.
  void SetMicrophoneGain(double volume) {
    media::ElementRef tone = media::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(dm.fg().Pipeline()), "tone"));
    ASSERT_TRUE(tone);
    g_object_set(tone.get(), "volume", volume, nullptr);
  }
  // Waits until the warning has (or lacks) `text`; the milliseconds it took, -1 past `ms`.
  qint64 Until(const QString &text, bool shown, int ms) {
    QElapsedTimer t;
    t.start();
    if (!SpinUntil([&] { return monitor.Warning().contains(text) == shown; }, ms)) return -1;
    return t.elapsed();
  }
};

TEST_F(MonitoredCapture, SilenceAndAStalledPictureAreWarnedWithinTheirTimeAndClear) {
  QSignalSpy notices(&monitor, &SignalMonitor::notice);
  RecordingOptions o;
  o.format = settings::CaptureFormatCode::AviNative;
  ASSERT_TRUE(recorder.Start(o)) << recorder.Failure().toStdString();
  SpinFor(1500);
  EXPECT_EQ(monitor.Warning(), "") << "the test tone and pattern flow";

  SetMicrophoneGain(0.0);
  const qint64 silent = Until("No sound from Vistrel Test Microphone", true, 12000);
  ASSERT_GE(silent, 0) << "no silence warning";
  EXPECT_GE(silent, 4500) << "warned before 5 s of silence";
  EXPECT_LE(silent, 8000);
  SetMicrophoneGain(0.25);
  EXPECT_GE(Until("No sound", false, 3000), 0) << "the warning stays after the sound came back";

  // Frames held back between the camera and the decoded picture: the device
  // is there and sends, the capture gets nothing.
  media::PadRef in = media::Pin(dm.OwnElement("Superposer"), 0);
  ASSERT_TRUE(in);
  const gulong hold = gst_pad_add_probe(in.get(), GST_PAD_PROBE_TYPE_BUFFER, DropAll, nullptr, nullptr);
  const qint64 stalled = Until("No picture from Vistrel Test Camera", true, 8000);
  ASSERT_GE(stalled, 0) << "no stall warning";
  EXPECT_GE(stalled, 1800);
  EXPECT_LE(stalled, 5000);
  gst_pad_remove_probe(in.get(), hold);
  EXPECT_GE(Until("No picture", false, 3000), 0) << "the warning stays after the picture came back";

  ASSERT_EQ(notices.size(), 2) << "one notice per problem";
  EXPECT_TRUE(notices[0][0].toString().contains("\"Vistrel Test Microphone\""));
  EXPECT_TRUE(notices[1][0].toString().contains("\"Vistrel Test Camera\""));
  SetMicrophoneGain(0.0);
  ASSERT_GE(Until("No sound", true, 12000), 0);
  recorder.Stop();
  EXPECT_EQ(monitor.Warning(), "") << "the end of the capture ends its warning";
}

}  // namespace
}  // namespace vistrel::test
