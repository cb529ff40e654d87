// The preview's sound renderer fed as the preview feeds it: live sound whose
// times were stripped, muted (so the volume element flags every buffer as a
// gap). A real sound sink crashed on exactly that; every buffer reaching the
// sink must carry a time again, on a line that follows the samples.
#include "graph/audiorenderer.h"
#include "media/restamp.h"

#include <gtest/gtest.h>

#include <QString>
#include <QtGlobal>

#include <cstdlib>
#include <mutex>
#include <vector>

using namespace vistrel;

namespace {

struct Seen {
  std::mutex lock;
  std::vector<GstClockTime> pts;
  std::vector<GstClockTime> duration;
  int gaps = 0;
};

GstPadProbeReturn StripTimes(GstPad *, GstPadProbeInfo *info, gpointer) {
  GstBuffer *b = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
  GST_PAD_PROBE_INFO_DATA(info) = b;
  GST_BUFFER_PTS(b) = GST_BUFFER_DTS(b) = GST_BUFFER_DURATION(b) = GST_CLOCK_TIME_NONE;
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn Record(GstPad *, GstPadProbeInfo *info, gpointer data) {
  auto *seen = static_cast<Seen *>(data);
  GstBuffer *b = GST_PAD_PROBE_INFO_BUFFER(info);
  std::lock_guard<std::mutex> hold(seen->lock);
  seen->pts.push_back(GST_BUFFER_PTS(b));
  seen->duration.push_back(GST_BUFFER_DURATION(b));
  if (GST_BUFFER_FLAG_IS_SET(b, GST_BUFFER_FLAG_GAP)) ++seen->gaps;
  return GST_PAD_PROBE_OK;
}

// audiotestsrc (live, 10 ms buffers) → time stripper → `renderer`, played for
// `ms`; the pipeline's own messages must hold no error.
bool PlayStripped(GstElement *renderer, int ms, QString &error) {
  GstElement *pipe = gst_pipeline_new("renderer-test");
  GstElement *src = gst_element_factory_make("audiotestsrc", nullptr);
  GstElement *caps = gst_element_factory_make("capsfilter", nullptr);
  g_object_set(src, "is-live", TRUE, "samplesperbuffer", 480, nullptr);
  GstCaps *c = gst_caps_from_string("audio/x-raw,format=S16LE,rate=48000,channels=2");
  g_object_set(caps, "caps", c, nullptr);
  gst_caps_unref(c);
  gst_bin_add_many(GST_BIN(pipe), src, caps, renderer, nullptr);
  gst_element_link_many(src, caps, renderer, nullptr);
  GstPad *out = gst_element_get_static_pad(caps, "src");
  gst_pad_add_probe(out, GST_PAD_PROBE_TYPE_BUFFER, &StripTimes, nullptr, nullptr);
  gst_object_unref(out);
  gst_element_set_state(pipe, GST_STATE_PLAYING);
  GstBus *bus = gst_element_get_bus(pipe);
  GstMessage *m = gst_bus_timed_pop_filtered(bus, GstClockTime(ms) * GST_MSECOND, GST_MESSAGE_ERROR);
  if (m) {
    GError *e = nullptr;
    gst_message_parse_error(m, &e, nullptr);
    error = QString::fromUtf8(e ? e->message : "error");
    g_clear_error(&e);
    gst_message_unref(m);
  }
  gst_object_unref(bus);
  gst_element_set_state(pipe, GST_STATE_NULL);
  gst_object_unref(pipe);
  return !m;
}

void ExpectOneLine(Seen &seen) {
  std::lock_guard<std::mutex> hold(seen.lock);
  ASSERT_GT(seen.pts.size(), 20u);
  // The first buffer of a live source can meet the sink before it plays,
  // when no running time exists to place it by.
  for (size_t i = 1; i < seen.pts.size(); ++i) {
    ASSERT_TRUE(GST_CLOCK_TIME_IS_VALID(seen.pts[i])) << "buffer " << i << " reached the sink without a time";
    EXPECT_EQ(seen.duration[i], 10 * GST_MSECOND) << "buffer " << i;
  }
  // Ten-millisecond buffers on one line: each starts where the last ended,
  // except where the line was drawn again from the clock (rare on a live
  // source, so most of them follow).
  size_t following = 0;
  for (size_t i = 1; i < seen.pts.size(); ++i)
    if (seen.pts[i] == seen.pts[i - 1] + seen.duration[i - 1]) ++following;
  EXPECT_GE(following, (seen.pts.size() - 1) * 9 / 10);
}

}  // namespace

TEST(AudioRestamper, TheLineFollowsTheSamplesAndIsDrawnAgainWhenItDrifts) {
  bool resync = false;
  EXPECT_EQ(media::RestampTime(GST_CLOCK_TIME_NONE, 5 * GST_SECOND, resync), 5 * GST_SECOND);
  EXPECT_TRUE(resync) << "no line yet: it starts at the arrival";
  EXPECT_EQ(media::RestampTime(GST_SECOND, GST_SECOND + 150 * GST_MSECOND, resync), GST_SECOND);
  EXPECT_FALSE(resync) << "within the tolerance the line goes on";
  EXPECT_EQ(media::RestampTime(GST_SECOND, GST_SECOND + 250 * GST_MSECOND, resync), GST_SECOND + 250 * GST_MSECOND);
  EXPECT_TRUE(resync) << "behind the clock: drawn again";
  EXPECT_EQ(media::RestampTime(2 * GST_SECOND, GST_SECOND, resync), GST_SECOND);
  EXPECT_TRUE(resync) << "far ahead of the clock (sound piling up): drawn again";
}

TEST(AudioRestamper, MutedUntimedSoundReachesTheSinkTimedAndFlaggedAsGap) {
  GstElement *bin = gst_bin_new(nullptr);
  GstElement *volume = gst_element_factory_make("volume", nullptr);
  GstElement *sink = gst_element_factory_make("fakesink", nullptr);
  g_object_set(volume, "mute", TRUE, nullptr);
  g_object_set(sink, "sync", TRUE, nullptr);
  gst_bin_add_many(GST_BIN(bin), volume, sink, nullptr);
  gst_element_link(volume, sink);
  GstPad *in = gst_element_get_static_pad(volume, "sink");
  gst_element_add_pad(bin, gst_ghost_pad_new("sink", in));
  gst_object_unref(in);
  Seen seen;
  GstPad *sinkPad = gst_element_get_static_pad(sink, "sink");
  media::AttachAudioRestamper(sinkPad);
  gst_pad_add_probe(sinkPad, GST_PAD_PROBE_TYPE_BUFFER, &Record, &seen, nullptr);
  gst_object_unref(sinkPad);
  QString error;
  EXPECT_TRUE(PlayStripped(bin, 600, error)) << error.toStdString();
  ExpectOneLine(seen);
  EXPECT_GE(seen.gaps, int(seen.pts.size()) - 1) << "muted timed buffers stay gaps";
}

// The renderer the preview uses, with whatever sound output this machine
// has. Where the suite runs with a sound server it must be the real sink.
TEST(AudioRenderer, PlaysMutedUntimedPreviewSoundOnTheSystemOutput) {
  const bool serverExpected = qEnvironmentVariableIntValue("VISTREL_EXPECT_SOUND_SERVER") == 1;
  if (serverExpected) {
    ASSERT_TRUE(SoundOutputAvailable()) << "a sound server was started for this run but no sound sink opens";
  }
  AudioRendererParts parts = MakeAudioRenderer();
  ASSERT_TRUE(parts.bin);
  ASSERT_TRUE(parts.volume);
  g_object_set(parts.volume.get(), "mute", TRUE, nullptr);
  QString error;
  // Before the renderer restamped, a real sink crashed here (SIGSEGV on its
  // streaming thread after a gap event with no time).
  EXPECT_TRUE(PlayStripped(GST_ELEMENT(gst_object_ref(parts.bin.get())), 800, error)) << error.toStdString();
  if (!serverExpected && !parts.soundOutput) GTEST_LOG_(INFO) << "no sound server here: the null output was used";
}
