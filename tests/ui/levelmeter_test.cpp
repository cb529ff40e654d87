// The sound meter on a made-up clock: its scale, the clip marker's hold and
// figures that stop coming.
#include "ui/levelmeter.h"

#include <gtest/gtest.h>

namespace vistrel::ui {
namespace {

TEST(LevelMeter, FillsLinearlyInDecibelsFromTheFloorToFullScale) {
  const struct {
    double db, fill;
  } rows[] = {{-200.0, 0.0}, {-60.0, 0.0}, {-45.0, 0.25}, {-30.0, 0.5}, {-6.0, 0.9}, {0.0, 1.0}, {3.0, 1.0}};
  for (const auto &r : rows) EXPECT_DOUBLE_EQ(LevelMeter::Fill(r.db), r.fill) << r.db << " dBFS";
}

struct LevelMeterClock : ::testing::Test {
  qint64 now = 10000;
  LevelMeter meter{nullptr, [this] { return now; }};
};

TEST_F(LevelMeterClock, ClipMarkerHoldsTwoSecondsFromTheLastFullScalePeak) {
  // Left channel at full scale, right one just under the clip line.
  meter.SetLevels({0.0, -0.2}, {-3.0, -3.2});
  ASSERT_EQ(meter.Channels(), 2);
  EXPECT_TRUE(meter.ClipShown(0));
  EXPECT_FALSE(meter.ClipShown(1));
  const struct {
    qint64 at;
    std::vector<double> peaks;  // empty: no figures at that time
    bool clip;
  } steps[] = {
      {10400, {-12.0, -12.0}, true},  // quieter sound does not put the marker out
      {11999, {}, true},              // still within its hold
      {12000, {}, false},             // two seconds after the clip
      {12100, {-0.05, -9.0}, true},   // a new full-scale peak lights it again...
      {13500, {-0.0, -9.0}, true},    // ...and another one starts the hold anew
      {15499, {}, true},
      {15500, {}, false},
  };
  for (const auto &s : steps) {
    now = s.at;
    if (!s.peaks.empty()) meter.SetLevels(s.peaks, {-20.0, -20.0});
    EXPECT_EQ(meter.ClipShown(0), s.clip) << "at " << s.at;
    EXPECT_FALSE(meter.ClipShown(1)) << "at " << s.at;
  }
}

TEST_F(LevelMeterClock, BarsFallToTheFloorWhenFiguresStopComing) {
  meter.SetLevels({-6.0}, {-30.0});
  EXPECT_DOUBLE_EQ(meter.RmsFill(0), 0.5);
  EXPECT_DOUBLE_EQ(meter.PeakFill(0), 0.9);
  now += LevelMeter::kStaleMs;
  EXPECT_DOUBLE_EQ(meter.RmsFill(0), 0.5) << "a late interval is not silence yet";
  now += 1;
  EXPECT_DOUBLE_EQ(meter.RmsFill(0), 0.0);
  EXPECT_DOUBLE_EQ(meter.PeakFill(0), 0.0);
  meter.SetLevels({-60.0, -70.0}, {-80.0, -90.0});
  EXPECT_EQ(meter.Channels(), 2) << "the meter takes the channels of the latest figures";
  EXPECT_DOUBLE_EQ(meter.RmsFill(1), 0.0);
}

}  // namespace
}  // namespace vistrel::ui
