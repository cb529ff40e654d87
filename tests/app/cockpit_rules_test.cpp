// The status texts, the intervalometer's interval and beeps, and the schedule
// clock's alarm, checked without a window.
#include <gtest/gtest.h>

#include "app/capture_en_cours.h"
#include "app/interval_rules.h"
#include "app/schedule_clock.h"
#include "app/status_texts.h"

using namespace vistrel;

TEST(StatusTexts, DurationWrapsAtADayAndPadsMinutesAndSeconds) {
  EXPECT_EQ(status::Duree(0), "duration 0:00 :00");
  EXPECT_EQ(status::Duree((3600 + 2 * 60 + 5) * 1000LL), "duration 1:02 :05");
  EXPECT_EQ(status::Duree(25 * 3600 * 1000LL), "duration 1:00 :00");
  EXPECT_EQ(status::Duree(-500), "duration 0:00 :00") << "a clock set back shows no negative time";
}

TEST(StatusTexts, CountersByFormat) {
  EXPECT_EQ(status::TexteCompteurs(settings::FormatFromByte(8), 7, 3, 10), "Image by Image: 7 frames")
      << "frames, not lost frames";
  EXPECT_EQ(status::TexteCompteurs(settings::FormatFromByte(11), 0, -1, -1), "Audio Wav");
  EXPECT_EQ(status::TexteCompteurs(settings::FormatFromByte(12), 0, -1, -1), "Audio Mp3");
  EXPECT_EQ(status::TexteCompteurs(settings::FormatFromByte(5), 0, 2, 98), "2 lost frames / 100");
  EXPECT_EQ(status::TexteCompteurs(settings::FormatFromByte(5), 0, -1, -1), "") << "no video counter";
}

TEST(StatusTexts, GrabSourcesModesAndTimes) {
  EXPECT_EQ(status::TexteGrab(true, true, 10, kSeconds), "JPG - every 10 seconds");
  EXPECT_EQ(status::TexteGrab(false, false, 10, kHours), "BMP - Intervallo OFF");
  EXPECT_EQ(status::ResumeSources("Vistrel Test Camera", true, "Vistrel Test Microphone", true),
            "Vid: VIS - Aud: Vis");
  EXPECT_EQ(status::ResumeSources("cam", false, "mic", true), "Aud: mic");
  EXPECT_EQ(status::ResumeSources("cam", false, "mic", false), "");
  EXPECT_EQ(status::Modes(true, true, true, true), " mute in 16x9 v");
  EXPECT_EQ(status::Modes(false, false, false, false), " 4x3");
  EXPECT_EQ(status::Heure(QTime(7, 5, 9)), "07:05:09");
  EXPECT_EQ(status::EspaceLibre(12034, "/home"), "12034 free mb on /home");
}

TEST(IntervalRules, FactorsAndTheFramesUnit) {
  EXPECT_EQ(std::get<std::int64_t>(IntervalFor(10, kSeconds, 25)), 100000);
  EXPECT_EQ(std::get<std::int64_t>(IntervalFor(2, kFrames, 25)), 800) << "every second frame at 25 fps";
  EXPECT_EQ(std::get<std::int64_t>(IntervalFor(1, kFrames, 29.97)), 334);
  EXPECT_EQ(std::get<std::int64_t>(IntervalFor(3, kMinutes, 0)), 1800000);
  EXPECT_EQ(std::get<std::int64_t>(IntervalFor(0, kSeconds, 25)), 0) << "every frame";
  for (double fps : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN()})
    EXPECT_TRUE(std::holds_alternative<QString>(IntervalFor(2, kFrames, fps))) << fps;
}

TEST(IntervalRules, IntervalsOf2To32TenthsOfAMillisecondAreRefusedNotWrapped) {
  // 119 h is below the limit, 120 h above it; 429497 s is the first second past it.
  EXPECT_EQ(std::get<std::int64_t>(IntervalFor(119, kHours, 25)), 119 * 36000000LL);
  const auto tooLong = IntervalFor(120, kHours, 25);
  ASSERT_TRUE(std::holds_alternative<QString>(tooLong));
  EXPECT_TRUE(std::get<QString>(tooLong).contains("120 hours"));
  EXPECT_EQ(std::get<std::int64_t>(IntervalFor(429496, kSeconds, 25)), 4294960000LL);
  EXPECT_TRUE(std::holds_alternative<QString>(IntervalFor(429497, kSeconds, 25)));
  EXPECT_TRUE(std::holds_alternative<QString>(IntervalFor(999999, kMinutes, 25)));
}

TEST(IntervalRules, BeepsInTheLastSecondsOfAThreeSecondInterval) {
  // The superposer reports 2, 1, 0 before each shot of a 3 s interval.
  std::vector<Beep> heard;
  for (int left : {2, 1, 0}) heard.push_back(BeepFor(left));
  EXPECT_EQ(heard, (std::vector<Beep>{Beep::Beep1, Beep::Beep1, Beep::Beep0}));
  EXPECT_EQ(BeepFor(4), Beep::Beep1);
  EXPECT_EQ(BeepFor(5), Beep::None);
}

TEST(ScheduleClock, AlarmRunsOnceAtOrAfterItsTimeAndArmingReplacesIt) {
  TScheduleClock clock;
  QDateTime now(QDate(2026, 12, 8), QTime(10, 0, 0));
  clock.SetNowSource([&] { return now; });
  std::vector<AlarmTarget> fired;
  clock.OnAlarm = [&](AlarmTarget t) { fired.push_back(t); };
  clock.Arm(now.addSecs(5), AlarmTarget::Start);
  clock.Arm(now.addSecs(3), AlarmTarget::End);  // one alarm only
  clock.Tick();
  EXPECT_TRUE(fired.empty());
  now = now.addSecs(4);
  clock.Tick();
  clock.Tick();
  EXPECT_EQ(fired, std::vector<AlarmTarget>{AlarmTarget::End});
  EXPECT_FALSE(clock.Armed());
  // A target may arm the next alarm itself.
  clock.OnAlarm = [&](AlarmTarget t) {
    fired.push_back(t);
    if (t == AlarmTarget::Start) clock.Arm(now.addSecs(10), AlarmTarget::End);
  };
  clock.Arm(now, AlarmTarget::Start);
  clock.Tick();
  EXPECT_EQ(clock.Target(), AlarmTarget::End);
  clock.Disarm();
  now = now.addSecs(60);
  clock.Tick();
  EXPECT_EQ(fired.size(), 2u);
}

TEST(CaptureEnCours, AFinishedFileIsHandedOutOnceAndCutKeepsTheStart) {
  TCaptureEnCours c;
  EXPECT_TRUE(c.PrendreFichierTermine().isEmpty());
  EXPECT_EQ(c.DureeMs(QDateTime::currentDateTime()), 0);
  const QDateTime start(QDate(2026, 12, 8), QTime(10, 0, 0));
  c.Commencer("/v/Video_0.avi", settings::CaptureFormatCode::Divx, start);
  EXPECT_TRUE(c.Chaine());
  EXPECT_EQ(c.PrendreFichierTermine(), "/v/Video_0.avi");
  EXPECT_TRUE(c.PrendreFichierTermine().isEmpty()) << "a second stop records nothing";
  c.Continuer("/v/Video_1.avi");
  EXPECT_EQ(c.Fichier(), "/v/Video_1.avi");
  EXPECT_EQ(c.Format(), settings::CaptureFormatCode::Divx);
  EXPECT_EQ(c.DureeMs(start.addSecs(90)), 90000) << "the duration counts from the first part";
  c.ChaineRetiree();
  EXPECT_FALSE(c.Chaine());
  EXPECT_TRUE(c.Fichier().isEmpty());
}
