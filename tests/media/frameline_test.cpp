// Frames that come with no time, placed on their camera's frame line: the
// arrivals a loaded machine gives (late, in bursts, one lost) against the
// places a file must give them.
#include "media/frameline.h"

#include <gtest/gtest.h>

#include <vector>

namespace vistrel::media {
namespace {

constexpr GstClockTime kMs = GST_MSECOND;
constexpr GstClockTime kPeriod = 40 * kMs;
constexpr GstClockTime kReset = GST_CLOCK_TIME_NONE;  // an arrival that stands for a new segment

struct Arrivals {
  const char *what;
  GstClockTime period;
  std::vector<GstClockTime> arrivals, placed;
};

TEST(FrameLine, FramesKeepTheirPlaceUnlessAPeriodLate) {
  const std::vector<Arrivals> cases = {
      {"late by less than a period", kPeriod, {0, 70 * kMs, 85 * kMs, 121 * kMs}, {0, 40 * kMs, 80 * kMs, 120 * kMs}},
      {"one frame lost", kPeriod, {0, 40 * kMs, 121 * kMs, 160 * kMs}, {0, 40 * kMs, 120 * kMs, 160 * kMs}},
      // A camera whose clock runs fast: the line follows its frames down.
      {"an earlier frame draws the line again",
       kPeriod,
       {100 * kMs, 139 * kMs, 178 * kMs, 230 * kMs},
       {100 * kMs, 139 * kMs, 178 * kMs, 218 * kMs}},
      // A stall, then what it held up comes at once: times still rise.
      {"a burst after a stall", kPeriod, {0, 130 * kMs, 131 * kMs, 132 * kMs}, {0, 120 * kMs, 131 * kMs, 132 * kMs}},
      {"no known period", 0, {0, 70 * kMs, 85 * kMs}, {0, 70 * kMs, 85 * kMs}},
      // A new segment: times start again, far before the old line.
      {"a fresh line", kPeriod, {1000 * kMs, kReset, 10 * kMs, 75 * kMs}, {1000 * kMs, kReset, 10 * kMs, 50 * kMs}},
  };
  for (const Arrivals &c : cases) {
    FrameLine line;
    line.SetPeriod(c.period);
    for (size_t i = 0; i < c.arrivals.size(); ++i) {
      if (c.arrivals[i] == kReset) {
        line.Reset();
        continue;
      }
      const GstClockTime placed = line.Place(c.arrivals[i]);
      EXPECT_EQ(placed, c.placed[i]) << c.what << ", frame " << i;
      EXPECT_LE(placed, c.arrivals[i]) << c.what << ", frame " << i << " is placed after it arrived";
    }
  }
}

}  // namespace
}  // namespace vistrel::media
