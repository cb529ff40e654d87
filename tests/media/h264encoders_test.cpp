// Which encoders the MP4 format takes from what a system has, and what the
// quality settings do to a real encoder's output.
#include "media/h264encoders.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "media/gstref.h"

using namespace vistrel::media;

TEST(Mp4Encoders, HardwareFirstThenSoftwareAndTheBestAac) {
  struct Case {
    std::set<std::string> installed;
    const char *video, *audio;
    bool hardware;
  } cases[] = {
      // No VA-API driver answered: the encoders Debian's plug-in packages ship.
      {{"x264enc", "openh264enc", "avenc_aac", "voaacenc"}, "x264enc", "avenc_aac", false},
      {{"openh264enc", "voaacenc"}, "openh264enc", "voaacenc", false},
      {{"vah264enc", "vaapih264enc", "x264enc", "avenc_aac"}, "vah264enc", "avenc_aac", true},
      {{"vaapih264enc", "x264enc", "fdkaacenc", "avenc_aac"}, "vaapih264enc", "fdkaacenc", true},
      {{"avenc_aac"}, "", "avenc_aac", false},
      {{}, "", "", false},
  };
  for (const Case &c : cases) {
    const Mp4Encoders e = ChooseMp4Encoders([&](const char *f) { return c.installed.count(f) > 0; });
    EXPECT_EQ(e.video.toStdString(), c.video);
    EXPECT_EQ(e.audio.toStdString(), c.audio);
    EXPECT_EQ(e.hardware, c.hardware) << c.video;
  }
  EXPECT_EQ(DescribeMp4Encoders({"x264enc", "avenc_aac", false}), "x264enc (software), avenc_aac");
  EXPECT_EQ(DescribeMp4Encoders({}), "no H.264 encoder, no AAC encoder");
}

// The automatic speed keeps the software encoder ahead of the camera on two
// cores; a chosen one is kept as it is.
TEST(Mp4Encoders, TheAutomaticSpeedFollowsThePicture) {
  struct Case {
    int setting, width, height;
    double fps;
    int preset;
  } cases[] = {
      {kH264AutoPreset, 640, 480, 30, 2},
      {kH264AutoPreset, 1280, 720, 30.00003, 2},
      {kH264AutoPreset, 720, 576, 25, 2},
      {kH264AutoPreset, 1920, 1080, 25, 0},
      {kH264AutoPreset, 1280, 720, 60, 0},
      {kH264AutoPreset, 0, 0, 0, 2},
      {5, 1920, 1080, 30, 5},
      {1, 320, 240, 15, 1},
      {9, 320, 240, 15, 5},
  };
  for (const Case &c : cases)
    EXPECT_EQ(PresetFor(c.setting, qint64(c.width * c.height * c.fps)), c.preset)
        << c.setting << " " << c.width << "x" << c.height << "@" << c.fps;
}

namespace {

// Bytes of 30 frames of colour bars moving across 320x240 from `encoder`.
gsize EncodedBytes(ElementRef encoder) {
  GstElement *pipeline = gst_pipeline_new(nullptr);
  GstElement *src = gst_element_factory_make("videotestsrc", nullptr);
  GstElement *caps = gst_element_factory_make("capsfilter", nullptr);
  GstElement *sink = gst_element_factory_make("fakesink", nullptr);
  g_object_set(src, "num-buffers", 30, "horizontal-speed", 7, nullptr);
  GstCaps *c = gst_caps_from_string("video/x-raw,format=I420,width=320,height=240,framerate=30/1");
  g_object_set(caps, "caps", c, nullptr);
  gst_caps_unref(c);
  g_object_set(sink, "signal-handoffs", TRUE, nullptr);
  static gsize total;
  total = 0;
  g_signal_connect(sink, "handoff",
                   G_CALLBACK(+[](GstElement *, GstBuffer *b, GstPad *, gpointer) { total += gst_buffer_get_size(b); }),
                   nullptr);
  gst_bin_add_many(GST_BIN(pipeline), src, caps, encoder.get(), sink, nullptr);
  EXPECT_TRUE(gst_element_link_many(src, caps, encoder.get(), sink, nullptr));
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus *bus = gst_element_get_bus(pipeline);
  GstMessage *m = gst_bus_timed_pop_filtered(bus, 30 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  EXPECT_TRUE(m && GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS);
  if (m) gst_message_unref(m);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return total;
}

}  // namespace

// The settings reach the encoder by the names and values it knows: a
// misspelt property or preset would leave its default and the sizes equal.
TEST(Mp4Encoders, QualityAndSpeedChangeWhatX264Writes) {
  ElementRef probe = MakeH264Encoder("x264enc", 23, 2, 60);
  ASSERT_TRUE(probe) << "x264enc (gstreamer1.0-plugins-ugly) is missing";
  gint pass = 0;
  guint quantizer = 0;
  g_object_get(probe.get(), "pass", &pass, "quantizer", &quantizer, nullptr);
  EXPECT_EQ(pass, 5) << "constant quality";
  EXPECT_EQ(quantizer, 23u);
  const gsize fine = EncodedBytes(MakeH264Encoder("x264enc", 15, 2, 60));
  const gsize coarse = EncodedBytes(MakeH264Encoder("x264enc", 40, 2, 60));
  EXPECT_GT(fine, coarse * 3) << fine << " against " << coarse;
  // The fastest preset gives up compression for speed.
  const gsize fastest = EncodedBytes(MakeH264Encoder("x264enc", 23, 0, 60));
  const gsize fast = EncodedBytes(MakeH264Encoder("x264enc", 23, 2, 60));
  EXPECT_GT(fastest, fast) << fastest << " against " << fast;
  EXPECT_FALSE(MakeH264Encoder("", 23, 2, 60));
  EXPECT_FALSE(MakeAacEncoder("no-such-encoder", 128000));
}
