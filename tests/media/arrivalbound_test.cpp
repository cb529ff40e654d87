// The bound that keeps a sound server's capture from being stamped after it
// arrived: block lines as the audio base source draws them, against arrival
// times as the server hands blocks over.
#include "media/arrivalbound.h"

#include <gtest/gtest.h>

#include <vector>

#include "media/gstref.h"

namespace vistrel::media {
namespace {

constexpr GstClockTime kMs = GST_MSECOND;
constexpr GstClockTime kBlock = 20 * kMs;

struct Block {
  GstClockTime pts;
  GstClockTime arrival;
  bool discont = false;
  GstClockTime shift;  // expected
};

struct Line {
  const char *what;
  std::vector<Block> blocks;
};

TEST(ArrivalBound, EachBlockAfterTheFirstEndsNoLaterThanItArrived) {
  const std::vector<Line> lines = {
      // The source rounded its start up a block: steady blocks end 18 ms
      // after they arrive; the first came at once and is not measured.
      {"a line ahead of its arrival",
       {{80 * kMs, 79 * kMs, false, 0},
        {100 * kMs, 102 * kMs, false, 18 * kMs},
        {120 * kMs, 122 * kMs, false, 18 * kMs},
        {140 * kMs, 162 * kMs, false, 18 * kMs}}},
      // Blocks that end before they arrive are true already.
      {"a line behind its arrival",
       {{80 * kMs, 79 * kMs, false, 0}, {100 * kMs, 121 * kMs, false, 0}, {120 * kMs, 141 * kMs, false, 0}}},
      // A block held up by a loaded machine arrives late; it says nothing of
      // where the line is and must not move it forward again.
      {"a late block",
       {{0, 5 * kMs, false, 0},
        {20 * kMs, 30 * kMs, false, 10 * kMs},
        {40 * kMs, 90 * kMs, false, 10 * kMs},
        {60 * kMs, 70 * kMs, false, 10 * kMs}}},
      // One block that arrives sooner than the others proves the line is
      // further ahead than thought: it steps back.
      {"a block sooner than the rest",
       {{0, 5 * kMs, false, 0},
        {20 * kMs, 35 * kMs, false, 5 * kMs},
        {40 * kMs, 45 * kMs, false, 15 * kMs},
        {60 * kMs, 80 * kMs, false, 15 * kMs}}},
      // The source drew its line again: what was measured of the old one
      // does not hold for the new.
      {"a line drawn again",
       {{80 * kMs, 79 * kMs, false, 0},
        {100 * kMs, 90 * kMs, false, 30 * kMs},
        {500 * kMs, 400 * kMs, true, 0},
        {520 * kMs, 545 * kMs, false, 0},
        {540 * kMs, 565 * kMs, false, 0}}},
      // A line cannot be moved back before the segment's start.
      {"a line near the segment's start",
       {{0, 0, false, 0}, {5 * kMs, 0, false, 5 * kMs}, {25 * kMs, 40 * kMs, false, 5 * kMs}}},
  };
  for (const Line &line : lines) {
    ArrivalBound bound;
    for (size_t i = 0; i < line.blocks.size(); ++i) {
      const Block &b = line.blocks[i];
      EXPECT_EQ(bound.Shift(b.pts, kBlock, b.arrival, b.discont), b.shift) << line.what << ", block " << i;
    }
  }
}

// Only an audio base source stamps by its ring buffer: a test source or a
// camera stamps its own way and is left alone.
TEST(ArrivalBound, IsPutOnlyOnSoundServerSources) {
  struct Case {
    const char *factory;
    bool bound;
  };
  for (const Case &c :
       {Case{"pulsesrc", true}, Case{"alsasrc", true}, Case{"audiotestsrc", false}, Case{"videotestsrc", false}}) {
    const ElementRef e = ElementRef::Adopt(gst_element_factory_make(c.factory, nullptr));
    ASSERT_TRUE(e) << c.factory;
    EXPECT_EQ(BoundSoundToArrival(e.get()), c.bound) << c.factory;
  }
}

}  // namespace
}  // namespace vistrel::media
