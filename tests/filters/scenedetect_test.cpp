// Scene detector and DV header filter as elements, fed with real DV frames.
#include "filters/dvtestframes.h"
#include "filters/filterevents.h"
#include "filters/vs_dvheader.h"
#include "filters/vs_scenedetect.h"
#include "harness.h"

#include <gtest/gtest.h>

#include <mutex>

using namespace vistrel;
using namespace vistrel::filters;
using vistrel::test::FilterHarness;

namespace {

constexpr const char *kDvCaps = "video/x-dv, systemstream=(boolean)false, width=720, height=576, framerate=25/1";

class Recorder : public FilterEvents {
 public:
  void GrabReady(int slot) override { std::lock_guard<std::mutex> l(m); grabs.push_back(slot); }
  void CountdownSeconds(int s) override { std::lock_guard<std::mutex> l(m); countdown.push_back(s); }
  void DvRatioChanged(bool wide) override { std::lock_guard<std::mutex> l(m); ratio.push_back(wide); }
  std::mutex m;
  std::vector<int> grabs, countdown;
  std::vector<bool> ratio;
};

struct Scene {
  std::uint32_t start, current;
};

std::vector<std::uint8_t> Dated(int h, int m, int s, bool wide = false) {
  DvTestFramePlan plan;
  plan.Hour = h;
  plan.Minute = m;
  plan.Second = s;
  plan.Wide = wide;
  return MakeDvTestFrame(plan);
}

std::vector<std::uint8_t> Undated() {
  DvTestFramePlan plan;
  plan.HasDate = false;
  return MakeDvTestFrame(plan);
}

}  // namespace

class SceneDetectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(BaseDvFrame(true).empty());
    sd.SetOnScene([this](const DVInfo &a, const DVInfo &b) { scenes.push_back({a.FrameNumber, b.FrameNumber}); });
  }
  Tvs_SceneDetect sd;
  std::vector<Scene> scenes;
};

TEST_F(SceneDetectTest, DateJumpsAndStopReport) {
  FilterHarness h(&sd, kDvCaps);
  for (int s : {0, 1, 2}) h.Push(Dated(10, 0, s), s * 400000);
  EXPECT_TRUE(scenes.empty());
  h.Push(Dated(10, 0, 5), 3 * 400000);
  ASSERT_EQ(scenes.size(), 1u);
  EXPECT_EQ(scenes[0].start, 1u);  // the first frame, numbered after it passed
  EXPECT_EQ(scenes[0].current, 3u);
  h.Push(Dated(10, 0, 7), 4 * 400000);  // exactly 2 s: no report
  EXPECT_EQ(scenes.size(), 1u);
  h.Push(Dated(10, 0, 4), 5 * 400000);  // 3 s backwards
  EXPECT_EQ(scenes.size(), 2u);
  // Media times number the frames.
  for (guint64 i = 0; i < 6; ++i) {
    GstBuffer *b = h.Pull();
    ASSERT_TRUE(b);
    EXPECT_EQ(GST_BUFFER_OFFSET(b), i);
    EXPECT_EQ(GST_BUFFER_OFFSET_END(b), i + 1);
    gst_buffer_unref(b);
  }
  h.Restart();
  ASSERT_EQ(scenes.size(), 3u);  // the last scene, once
  h.Restart();
  EXPECT_EQ(scenes.size(), 3u);  // a run without frames closes no scene
  h.Push(Dated(11, 0, 0), 0);
  GstBuffer *b = h.Pull();
  EXPECT_EQ(GST_BUFFER_OFFSET(b), 0u);  // a new run counts from 0
  gst_buffer_unref(b);
  EXPECT_EQ(sd.Current().FrameNumber, 1u);
}

TEST_F(SceneDetectTest, FirstFrameNeverReportsAndShortGapsDoNot) {
  FilterHarness h(&sd, kDvCaps);
  h.Push(Undated(), 0);  // first frame without a date
  EXPECT_TRUE(scenes.empty());
  for (int i = 0; i < 3; ++i) h.Push(Dated(9, 0, 0), (i + 1) * 400000);
  EXPECT_TRUE(scenes.empty());  // date appears 1 frame after the scene began
  for (int i = 0; i < 5; ++i) h.Push(Undated());
  ASSERT_EQ(scenes.size(), 1u);  // the date disappeared
  for (int i = 0; i < 3; ++i) h.Push(Dated(9, 0, 0));
  EXPECT_EQ(scenes.size(), 1u);  // reappears 5 frames later: no report
  for (int i = 0; i < 13; ++i) h.Push(Undated());
  EXPECT_EQ(scenes.size(), 2u);
  h.Push(Dated(9, 0, 0));
  EXPECT_EQ(scenes.size(), 3u);  // reappears 13 frames after the scene began
}

TEST_F(SceneDetectTest, WideTogglesPostTwice) {
  Recorder rec;
  sd.SetEvents(&rec);
  FilterHarness h(&sd, kDvCaps);
  const auto narrow = Dated(10, 0, 0), wide = Dated(10, 0, 0, true);
  for (int i = 0; i < 300; ++i) h.Push(i >= 100 && i < 200 ? wide : narrow);
  EXPECT_EQ(rec.ratio, (std::vector<bool>{true, false}));
  sd.SetEvents(nullptr);
}

TEST_F(SceneDetectTest, RingLookupByTime) {
  FilterHarness h(&sd, kDvCaps);
  for (int i = 0; i < 150; ++i) h.Push(Dated(10, i / 60, i % 60), i * 400000LL);
  const int newest = sd.WriteIndex();
  EXPECT_EQ(sd.LookupByTime(149 * 400000LL).FrameNumber, 150u);
  EXPECT_EQ(sd.SearchIndex(), newest);
  EXPECT_EQ(sd.LookupByTime(140 * 400000LL + 5).FrameNumber, 141u);
  // Older than anything kept: stops after 100 entries at the oldest one.
  EXPECT_EQ(sd.LookupByTime(0).FrameNumber, 51u);
}

TEST_F(SceneDetectTest, RefusesOtherCapsAndSurvivesGarbage) {
  Tvs_SceneDetect other;
  {
    FilterHarness bad(&other, "video/x-raw, format=BGR, width=4, height=4, framerate=25/1");
    EXPECT_EQ(bad.Push(std::vector<std::uint8_t>(48, 0)), GST_FLOW_NOT_NEGOTIATED);
  }
  FilterHarness h(&sd, kDvCaps);
  EXPECT_EQ(h.Push(std::vector<std::uint8_t>(5000, 0x62)), GST_FLOW_OK);
  EXPECT_EQ(h.Push(std::vector<std::uint8_t>()), GST_FLOW_OK);
  EXPECT_FALSE(sd.Current().DateValid);
  EXPECT_FALSE(sd.Current().TimecodeValid);
}

TEST(DVheader, RewritesOnlyTheTenHeaderAreas) {
  Tvs_SceneDetect sd;
  Tvs_DVheader dh;
  std::vector<std::uint8_t> source = Dated(10, 0, 0, true);
  FilterHarness feed(&sd, kDvCaps);
  feed.Push(source, 0);
  // Frames without DV source and without forcing pass untouched.
  FilterHarness h(&dh, kDvCaps);
  std::vector<std::uint8_t> target(144000);
  for (std::size_t i = 0; i < target.size(); ++i) target[i] = static_cast<std::uint8_t>(i * 7);
  h.Push(target, 0);
  EXPECT_EQ(h.PullData(), target);
  dh.DVSource = &sd;
  sd.LookupByTime(0);
  h.Push(target, 0);
  const auto out = h.PullData();
  ASSERT_EQ(out.size(), target.size());
  for (std::size_t seq = 0; seq < 12; ++seq) {
    const std::size_t o = seq * 12000;
    const auto &expect = seq < 10 ? source : target;
    EXPECT_TRUE(std::equal(out.begin() + o, out.begin() + o + 480, expect.begin() + o)) << seq;
    EXPECT_TRUE(std::equal(out.begin() + o + 480, out.begin() + o + 12000, target.begin() + o + 480)) << seq;
  }
  // Forcing 16:9 on frames without a DV source.
  dh.DVSource = nullptr;
  dh.SetMode(1);
  const auto narrow = Dated(10, 0, 0, false);
  h.Push(narrow, 0);
  const auto forced = h.PullData();
  DVInfo info;
  BuildDVInfo(forced.data(), forced.size(), info);
  EXPECT_TRUE(info.Wide);
  EXPECT_EQ(forced[10 * 12000 + 453], narrow[10 * 12000 + 453]);
}
