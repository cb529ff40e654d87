// Timestamper and control gate as elements.
#include "filters/vs_controlunit.h"
#include "filters/vs_timestamper.h"
#include "harness.h"

#include <gtest/gtest.h>

using namespace vistrel;
using namespace vistrel::filters;
using vistrel::test::FilterHarness;

namespace {
const std::vector<std::uint8_t> kData = {1, 2, 3, 4, 5};
}

TEST(TimeStamper, PassStripFreeze) {
  Tvs_TimeStamper ts;
  FilterHarness h(&ts, "audio/x-raw, format=S16LE, rate=48000, channels=2, layout=interleaved");
  // Both flags off: times, media times and data untouched.
  ASSERT_EQ(h.Push(kData, 1000, 7), GST_FLOW_OK);
  GstBuffer *b = h.Pull();
  ASSERT_TRUE(b);
  EXPECT_EQ(GST_BUFFER_PTS(b), 100000u);
  EXPECT_EQ(GST_BUFFER_OFFSET(b), 7u);
  gst_buffer_unref(b);
  // Stripping: a sample with both times leaves with neither.
  ts.ClearTimes();
  ASSERT_EQ(h.Push(kData, 1000, 7), GST_FLOW_OK);
  b = h.Pull();
  ASSERT_TRUE(b);
  EXPECT_FALSE(GST_BUFFER_PTS_IS_VALID(b));
  EXPECT_FALSE(GST_BUFFER_DURATION_IS_VALID(b));
  EXPECT_EQ(GST_BUFFER_OFFSET(b), GST_BUFFER_OFFSET_NONE);
  EXPECT_EQ(GST_BUFFER_OFFSET_END(b), GST_BUFFER_OFFSET_NONE);
  gst_buffer_unref(b);
  // Frozen wins over stripping, and drops are not errors.
  ts.SetFrozen(true);
  EXPECT_EQ(h.Push(kData, 2000), GST_FLOW_OK);
  EXPECT_EQ(h.Push(kData, 3000), GST_FLOW_OK);
  EXPECT_EQ(h.Pull(), nullptr);
  ts.SetFrozen(false);
  ts.PassTimes();
  ASSERT_EQ(h.Push(kData, 4000), GST_FLOW_OK);
  EXPECT_EQ(h.PullData(), kData);
  EXPECT_EQ(h.Received(), 3u);
}

TEST(TimeStamper, FrozenDropsTheFirstSampleOfARun) {
  Tvs_TimeStamper ts;
  ts.SetFrozen(true);
  FilterHarness h(&ts, "video/x-raw, format=BGR, width=2, height=2, framerate=25/1");
  EXPECT_EQ(h.Push(kData, 0), GST_FLOW_OK);
  EXPECT_EQ(h.Received(), 0u);
}

TEST(ControlFilter, OneSamplePerOpening) {
  Tvs_ControlFilter cf;
  int stops = 0;
  cf.SetOnStop([&] { ++stops; });
  {
    FilterHarness h(&cf, "video/x-raw, format=BGR, width=2, height=2, framerate=25/1");
    // Open after construction: the first sample passes even if nobody opened it.
    h.Push(kData, 0, 33);
    h.Push(kData, 1);
    EXPECT_EQ(h.Received(), 1u);
    GstBuffer *b = h.Pull();
    EXPECT_EQ(GST_BUFFER_OFFSET(b), 33u);  // stamping off keeps media times
    gst_buffer_unref(b);
    // The graph code's image-by-image set-up.
    cf.MarkSyncPoint = true;
    cf.MarkDiscontinuity = true;
    cf.MediaStep = 1;
    cf.SetStampMediaTime(true);
    cf.Gate = false;
    for (int grab = 0; grab < 10; ++grab) {
      h.Push(kData, 2 + grab);
      cf.Gate = true;
      cf.Gate = true;  // two openings before a sample still pass one
      GstBuffer *d = gst_buffer_new_memdup(kData.data(), kData.size());
      GST_BUFFER_FLAG_SET(d, GST_BUFFER_FLAG_DELTA_UNIT);
      h.PushBuffer(d);
      h.Push(kData, 100 + grab);
    }
    EXPECT_EQ(h.Received(), 11u);
    for (int i = 0; i < 10; ++i) {
      GstBuffer *p = h.Pull();
      ASSERT_TRUE(p);
      EXPECT_EQ(GST_BUFFER_OFFSET(p), static_cast<guint64>(i));
      EXPECT_EQ(GST_BUFFER_OFFSET_END(p), static_cast<guint64>(i + 1));
      EXPECT_FALSE(GST_BUFFER_FLAG_IS_SET(p, GST_BUFFER_FLAG_DELTA_UNIT));
      EXPECT_TRUE(GST_BUFFER_FLAG_IS_SET(p, GST_BUFFER_FLAG_DISCONT));
      gst_buffer_unref(p);
    }
    // Stop reopens the gate and calls the stop handler.
    h.Restart();
    EXPECT_EQ(stops, 1);
    EXPECT_TRUE(cf.Gate);
    h.Push(kData, 0);
    GstBuffer *n = h.Pull();
    ASSERT_TRUE(n);
    EXPECT_EQ(GST_BUFFER_OFFSET(n), 10u);  // the counter continues across runs
    gst_buffer_unref(n);
  }
}
