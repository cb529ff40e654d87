// The tape-health checks on real encoded DV frames with damage written where
// a deck writes it.
#include "filters/dvhealth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "filters/dvtestframes.h"

using namespace vistrel::filters;

namespace {

std::vector<std::uint8_t> Frame(bool pal, bool wide = false, int rate = 48000) {
  DvTestFramePlan plan;
  plan.Pal = pal;
  plan.Wide = wide;
  plan.AudioRate = rate;
  return MakeDvTestFrame(plan);
}

int EventExtent(const DvFrameReport &r, DvEventKind kind) {
  for (int i = 0; i < r.EventCount; ++i)
    if (r.Events[i].Kind == kind) return r.Events[i].Extent;
  return -999;
}

std::vector<DvEventKind> Kinds(const DvFrameReport &r) {
  std::vector<DvEventKind> kinds;
  for (int i = 0; i < r.EventCount; ++i) kinds.push_back(r.Events[i].Kind);
  return kinds;
}

}  // namespace

TEST(DvHealth, CleanFramesOfEverySystemShapeAndRateGiveNothing) {
  struct Case {
    bool pal, wide;
    int rate, samples;
  };
  const Case cases[] = {{true, false, 48000, 1920}, {true, true, 44100, 1764},   {true, false, 32000, 1280},
                        {false, true, 48000, 1602}, {false, false, 44100, 1471}, {false, true, 32000, 1068}};
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << (c.pal ? "PAL " : "NTSC ") << c.rate << (c.wide ? " 16:9" : " 4:3"));
    const auto f = Frame(c.pal, c.wide, c.rate);
    ASSERT_FALSE(f.empty());
    DvHealthTracker tracker;
    const DvFrameReport r = tracker.Check(f.data(), f.size());
    EXPECT_EQ(r.EventCount, 0);
    EXPECT_FALSE(r.Damaged());
    EXPECT_EQ(r.Health.System, c.pal ? 0 : 1);
    EXPECT_EQ(r.Health.Sequences, c.pal ? 12 : 10);
    EXPECT_EQ(r.Health.AudioRate, c.rate);
    EXPECT_EQ(r.Health.AudioSamples, c.samples);
    EXPECT_EQ(r.Health.Arb, 0xF);
    EXPECT_EQ(IsWide(f.data(), f.size()), c.wide);
  }
}

TEST(DvHealth, WrittenDamageIsFoundWithItsExtent) {
  struct Case {
    const char *what;
    DvDamage damage;
    int concealed, inSequence2, inSequence3, audioErrors;
    bool recStart;
  };
  const Case cases[] = {
      {"blocks in one sequence", {30, 2, 0, false}, 30, 30, 0, 0, false},
      {"blocks over two sequences", {150, 2, 0, false}, 150, 135, 15, 0, false},
      {"a burst of audio errors", {0, 0, 200, false}, 0, 0, 0, 200, false},
      {"a recording start", {0, 0, 0, true}, 0, 0, 0, 0, true},
  };
  for (bool pal : {true, false}) {
    for (const Case &c : cases) {
      SCOPED_TRACE(testing::Message() << c.what << (pal ? " PAL" : " NTSC"));
      auto f = Frame(pal);
      ApplyDvDamage(f, c.damage);
      DvHealthTracker tracker;
      const DvFrameReport r = tracker.Check(f.data(), f.size());
      EXPECT_EQ(r.Health.ConcealedBlocks, c.concealed);
      EXPECT_EQ(r.Health.ConcealedPerSequence[2], c.inSequence2);
      EXPECT_EQ(r.Health.ConcealedPerSequence[3], c.inSequence3);
      EXPECT_EQ(r.Health.AudioErrorSamples, c.audioErrors);
      EXPECT_EQ(r.Health.RecStart, c.recStart);
      EXPECT_FALSE(r.Health.RecEnd);
      EXPECT_EQ(r.Damaged(), c.concealed > 0 || c.audioErrors > 0);
      if (c.concealed) {
        EXPECT_EQ(EventExtent(r, DvEventKind::VideoConcealed), c.concealed);
      }
      if (c.audioErrors) {
        EXPECT_EQ(EventExtent(r, DvEventKind::AudioErrors), c.audioErrors);
      }
      EXPECT_EQ(r.EventCount, (c.concealed > 0) + (c.audioErrors > 0) + c.recStart);
    }
  }
}

TEST(DvHealth, MissingMisplacedAndMislabelledSequences) {
  const std::size_t seq = kDifSequenceSize;
  const auto clean = Frame(true);
  ASSERT_EQ(clean.size(), 12 * seq);
  struct Case {
    const char *what;
    void (*spoil)(std::vector<std::uint8_t> &);
    int missing, outOfOrder, idErrors;
  };
  const Case cases[] = {
      {"swapped", [](auto &f) { std::swap_ranges(f.begin() + 3 * seq, f.begin() + 4 * seq, f.begin() + 4 * seq); }, 0,
       2, 0},
      {"cut short", [](auto &f) { f.resize(11 * seq); }, 1, 0, 0},
      {"cut inside a sequence", [](auto &f) { f.resize(11 * seq - 1); }, 2, 0, 0},
      {"zeroed", [](auto &f) { std::fill(f.begin() + 5 * seq, f.begin() + 6 * seq, 0); }, 1, 0, 0},
      {"one block numbered wrong", [](auto &f) { f[7 * seq + 40 * kDifBlockSize + 2] ^= 1; }, 0, 0, 1},
      {"one block of another section", [](auto &f) { f[7 * seq + 22 * kDifBlockSize] = 0x96; }, 0, 0, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    auto f = clean;
    c.spoil(f);
    const DvFrameHealth h = CheckDvFrame(f.data(), f.size());
    EXPECT_EQ(h.SequencesMissing, c.missing);
    EXPECT_EQ(h.SequencesOutOfOrder, c.outOfOrder);
    EXPECT_EQ(h.BlockIdErrors, c.idErrors);
    DvHealthTracker tracker;
    EXPECT_EQ(tracker.Feed(h).Lost(), c.missing > 0);
  }
  // Nothing a DV frame could be: no reads outside, nothing found.
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{79}, seq - 1}) {
    const DvFrameHealth h = CheckDvFrame(clean.data(), size);
    EXPECT_EQ(h.System, 2);
  }
  EXPECT_EQ(CheckDvFrame(nullptr, 144000).System, 2);
}

TEST(DvHealth, AudioPacksMissingOrNonsenseAndTwelveBitErrors) {
  auto f = Frame(true);
  // Sequence 0 carries its source pack in the fourth audio block, sequence 1 in the first.
  std::uint8_t *pack0 = f.data() + (6 + 3 * 16) * kDifBlockSize + 3;
  std::uint8_t *pack1 = f.data() + kDifSequenceSize + 6 * kDifBlockSize + 3;
  pack0[0] = 0xFF;
  pack1[4] = 0x80 | 3 << 3;  // no such rate
  DvFrameHealth h = CheckDvFrame(f.data(), f.size());
  EXPECT_EQ(h.AudioPackMissing, 1);
  EXPECT_EQ(h.AudioPackInvalid, 1);
  EXPECT_EQ(h.AudioRate, 48000);  // from the sound sequences
  pack1[4] = 0x80;
  pack1[1] = 0xC0 | 60;  // more samples than a frame holds
  EXPECT_EQ(CheckDvFrame(f.data(), f.size()).AudioPackInvalid, 1);

  // 12-bit sound at 32 kHz: the error code is 0x800, packed three bytes to two samples.
  auto t = Frame(true, false, 32000);
  for (std::size_t s = 0; s < 12; ++s) {
    std::uint8_t *source = t.data() + s * kDifSequenceSize + (6 + (s % 2 == 0 ? 3 : 0) * 16) * kDifBlockSize + 3;
    source[4] = 0x80 | 2 << 3 | 1;
  }
  std::uint8_t *audio = t.data() + 2 * kDifSequenceSize + 6 * kDifBlockSize;
  std::memcpy(audio + 8, "\x80\x80\x00\x80\x00\x00", 6);  // left+right, then left only
  h = CheckDvFrame(t.data(), t.size());
  EXPECT_EQ(h.AudioPackInvalid, 0);
  EXPECT_EQ(h.AudioErrorSamples, 3);
}

TEST(DvHealth, TimecodeAndRecordingDateAcrossFrames) {
  struct Step {
    int h, m, s, f;
    int second;  // recording time, seconds past 10:00:00
    std::vector<DvEventKind> events;
    int extent;  // of the first event
  };
  struct Case {
    const char *what;
    bool pal, dropFrame;
    std::vector<Step> steps;
  };
  using K = DvEventKind;
  const Case cases[] = {
      {"PAL run, midnight wrap",
       true,
       false,
       {{23, 59, 59, 23, 0, {}, 0}, {23, 59, 59, 24, 0, {}, 0}, {0, 0, 0, 0, 1, {}, 0}}},
      {"repeat and leap",
       true,
       false,
       {{0, 0, 1, 3, 0, {}, 0},
        {0, 0, 1, 3, 0, {K::TimecodeJump}, 0},
        {0, 0, 3, 4, 0, {K::TimecodeJump}, 51},
        {0, 0, 3, 3, 0, {K::TimecodeJump}, -1}}},
      {"drop frame skips two at the minute",
       false,
       true,
       {{0, 0, 59, 29, 0, {}, 0},
        {0, 1, 0, 2, 0, {}, 0},
        {0, 9, 59, 29, 0, {K::TimecodeJump}, 16181},
        {0, 10, 0, 0, 0, {}, 0}}},
      {"non-drop NTSC counts every frame",
       false,
       false,
       {{0, 0, 59, 29, 0, {}, 0}, {0, 1, 0, 0, 0, {}, 0}, {0, 1, 0, 2, 0, {K::TimecodeJump}, 2}}},
      {"recording date jumps",
       true,
       false,
       {{0, 0, 0, 0, 0, {}, 0},
        {0, 0, 0, 1, 1, {}, 0},
        {0, 0, 0, 2, 3, {K::RecDateJump}, 2},
        {0, 0, 0, 3, -60, {K::RecDateJump}, -63}}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    DvHealthTracker tracker;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      SCOPED_TRACE(i);
      const Step &s = c.steps[i];
      DvFrameHealth h;
      h.System = c.pal ? 0 : 1;
      h.Timecode = {std::uint8_t(s.h), std::uint8_t(s.m), std::uint8_t(s.s), std::uint8_t(s.f)};
      h.DropFrame = c.dropFrame;
      const int t = 36000 + s.second;
      h.RecDate = {2004, 7, 14, std::uint8_t(t / 3600), std::uint8_t(t / 60 % 60), std::uint8_t(t % 60)};
      const DvFrameReport r = tracker.Feed(h);
      EXPECT_EQ(Kinds(r), s.events);
      if (!s.events.empty()) {
        EXPECT_EQ(r.Events[0].Extent, s.extent);
      }
      EXPECT_FALSE(r.Damaged());
    }
  }
  // The drop-frame count of a day, and a label drop frame never uses.
  EXPECT_EQ(TimecodeFramesPerDay(false, true), 2589408);
  EXPECT_EQ(TimecodeFrameNumber({0, 1, 0, 1}, false, true), -1);
  EXPECT_EQ(TimecodeFrameNumber({0, 0, 0, 25}, true, false), -1);
}
