// Resizer sizes and scaling; the WAV writer's file bytes.
#include "filters/vs_resizer.h"
#include "filters/vs_wavedest.h"
#include "harness.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace vistrel;
using namespace vistrel::filters;
using vistrel::test::FilterHarness;

namespace {
std::pair<int, int> Sized(int mode, bool half, int w, int h, int ax = 0, int ay = 0) {
  ResizeInput in{mode, half, ax, ay};
  ResizedSize(in, w, h);
  return {w, h};
}
using P = std::pair<int, int>;
}  // namespace

TEST(Resizer, OutputSizes) {
  EXPECT_EQ(Sized(0, true, 720, 576), P(720, 288));
  EXPECT_EQ(Sized(1, true, 720, 576), P(384, 288));
  EXPECT_EQ(Sized(2, true, 720, 576), P(512, 288));
  EXPECT_EQ(Sized(3, true, 720, 576), P(360, 288));
  EXPECT_EQ(Sized(1, false, 720, 576), P(720, 540));
  EXPECT_EQ(Sized(2, false, 720, 576), P(704, 396));
  EXPECT_EQ(Sized(1, false, 352, 288), P(352, 264));
  EXPECT_EQ(Sized(3, false, 720, 576), P(720, 576));
  EXPECT_EQ(Sized(1, false, 320, 240), P(320, 240));
  EXPECT_EQ(Sized(0, false, 720, 576, 16, 9), P(720, 405));
  EXPECT_EQ(Sized(9, true, 720, 576), P(720, 576));
  for (int mode = 0; mode < 4; ++mode)
    for (int w : {2, 16, 321, 720, 1920})
      for (int h : {2, 15, 289, 576, 1080}) {
        const P s = Sized(mode, true, w, h, 4, 3);
        EXPECT_LE(s.first, w);
        EXPECT_LE(s.second, h);
        EXPECT_GE(s.first, 1);
        EXPECT_GE(s.second, 1);
      }
}

TEST(Resizer, UnconfiguredScalesTo320x240AndCopiesWhenSameSize) {
  TVS_Resizer rz;
  {
    FilterHarness h(&rz, "video/x-raw, format=BGR, width=640, height=480, framerate=25/1");
    std::vector<std::uint8_t> f(640 * 3 * 480, 100);
    ASSERT_EQ(h.Push(f, 0), GST_FLOW_OK);
    const auto out = h.PullData();
    EXPECT_EQ(out.size(), 320u * 3 * 240);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 100; }));
  }
  rz.SetAspect(1);
  FilterHarness h(&rz, "video/x-raw, format=BGR, width=320, height=240, framerate=25/1");
  std::vector<std::uint8_t> f(320 * 3 * 240);
  for (std::size_t i = 0; i < f.size(); ++i) f[i] = static_cast<std::uint8_t>(i);
  ASSERT_EQ(h.Push(f, 0), GST_FLOW_OK);
  EXPECT_FALSE(rz.ResizeNeeded());
  EXPECT_EQ(h.PullData(), f);
}

TEST(Resizer, HalvingAveragesAndKeepsTimes) {
  TVS_Resizer rz;
  rz.SetAspect(3);
  rz.SetHalfSize(true);
  FilterHarness h(&rz, "video/x-raw, format=BGR, width=720, height=576, framerate=25/1");
  std::vector<std::uint8_t> f(720 * 3 * 576);
  for (int y = 0; y < 576; ++y) std::memset(f.data() + y * 2160, y % 2 ? 200 : 0, 2160);
  ASSERT_EQ(h.Push(f, 1234), GST_FLOW_OK);
  GstBuffer *b = h.Pull();
  ASSERT_TRUE(b);
  EXPECT_EQ(GST_BUFFER_PTS(b), 123400u);
  EXPECT_EQ(gst_buffer_get_size(b), 360u * 3 * 288);
  std::uint8_t px[3];
  gst_buffer_extract(b, 360 * 3 * 100 + 30, px, 3);
  EXPECT_NEAR(px[0], 100, 2);  // two source rows averaged
  gst_buffer_unref(b);
  TVS_Resizer other;
  FilterHarness bad(&other, "video/x-raw, format=RGBx, width=8, height=8, framerate=25/1");
  EXPECT_EQ(bad.Push(std::vector<std::uint8_t>(256), 0), GST_FLOW_NOT_NEGOTIATED);
}

TEST(WaveDest, FormatBlockAndHeaderTable) {
  media::CapsRef caps = media::CapsRef::Adopt(
      gst_caps_from_string("audio/x-raw, format=S16LE, rate=44100, channels=2, layout=interleaved"));
  const auto fmt = WaveFormatFor(caps.get());
  ASSERT_EQ(fmt.size(), 18u);
  const auto h = WaveHeader(fmt, 1000);
  ASSERT_EQ(h.size(), 46u);
  EXPECT_EQ(std::string(h.begin(), h.begin() + 4), "RIFF");
  EXPECT_EQ(h[4] | h[5] << 8, 1000 + 38);
  EXPECT_EQ(std::string(h.begin() + 8, h.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(h[16], 18);
  EXPECT_EQ(h[20], 1);                      // PCM
  EXPECT_EQ(h[22], 2);                      // channels
  EXPECT_EQ(h[24] | h[25] << 8, 44100);     // rate
  EXPECT_EQ(h[28] | h[29] << 8 | h[30] << 16, 176400);
  EXPECT_EQ(h[32], 4);                      // block align
  EXPECT_EQ(h[34], 16);                     // bits
  EXPECT_EQ(std::string(h.begin() + 38, h.begin() + 42), "data");
  EXPECT_EQ(h[42] | h[43] << 8, 1000);
  media::CapsRef big = media::CapsRef::Adopt(gst_caps_from_string("audio/x-raw, format=S16BE, rate=8000, channels=1"));
  EXPECT_TRUE(WaveFormatFor(big.get()).empty());
  media::CapsRef s8 = media::CapsRef::Adopt(gst_caps_from_string("audio/x-raw, format=S8, rate=8000, channels=1, layout=interleaved"));
  EXPECT_TRUE(WaveFormatFor(s8.get()).empty());  // 8-bit WAV data is unsigned
}

namespace {
QByteArray RecordWav(Tvs_WaveDest &wd, const QString &path, int buffers) {
  const std::string desc = "audiotestsrc num-buffers=" + std::to_string(buffers) +
                           " samplesperbuffer=441 ! audio/x-raw,format=S16LE,rate=44100,channels=2 ! own ! "
                           "filesink location=\"" + path.toStdString() + "\"";
  GstElement *pipe = gst_pipeline_new(nullptr);
  GstElement *src = gst_element_factory_make("audiotestsrc", nullptr);
  g_object_set(src, "num-buffers", buffers, "samplesperbuffer", 441, nullptr);
  GstElement *cf = gst_element_factory_make("capsfilter", nullptr);
  media::CapsRef caps = media::CapsRef::Adopt(gst_caps_from_string("audio/x-raw,format=S16LE,rate=44100,channels=2"));
  g_object_set(cf, "caps", caps.get(), nullptr);
  media::ElementRef own = media::MakeOwnFilterElement(&wd, "Wave Dest");
  GstElement *sink = gst_element_factory_make("filesink", nullptr);
  g_object_set(sink, "location", path.toUtf8().constData(), nullptr);
  gst_bin_add_many(GST_BIN(pipe), src, cf, GST_ELEMENT(gst_object_ref(own.get())), sink, nullptr);
  EXPECT_TRUE(gst_element_link_many(src, cf, own.get(), sink, nullptr));
  gst_element_set_state(pipe, GST_STATE_PLAYING);
  GstBus *bus = gst_element_get_bus(pipe);
  GstMessage *msg = gst_bus_timed_pop_filtered(bus, 10 * GST_SECOND,
                                               GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  if (msg) gst_message_unref(msg);
  gst_object_unref(bus);
  gst_element_set_state(pipe, GST_STATE_NULL);
  gst_object_unref(pipe);
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}
}  // namespace

TEST(WaveDest, FileBytesMatchTheHeaderTable) {
  Tvs_WaveDest wd;
  const QString dir = vistrel::test::freshDir("wav");
  const QByteArray file = RecordWav(wd, dir + "/a.wav", 10);
  const std::uint32_t data = 10 * 441 * 4;
  ASSERT_EQ(static_cast<std::uint32_t>(file.size()), 46 + data);
  const auto header = WaveHeader(WaveFormatFor(gst_caps_from_string(
                                     "audio/x-raw, format=S16LE, rate=44100, channels=2, layout=interleaved")),
                                 data);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(header.data()), 46), file.left(46));
  // Stopped before any sample: a header with data length 0.
  const QByteArray empty = RecordWav(wd, dir + "/b.wav", 0);
  ASSERT_EQ(empty.size(), 46);
  EXPECT_EQ(static_cast<std::uint8_t>(empty[4]), 38);
  EXPECT_EQ(static_cast<std::uint8_t>(empty[42]), 0);
  // Past the file limit the stream fails with the header of what was written.
  wd.SetFileLimit(46 + 3 * 441 * 4 + 10);
  const QByteArray cut = RecordWav(wd, dir + "/c.wav", 10);
  ASSERT_EQ(cut.size(), 46 + 3 * 441 * 4);
  EXPECT_EQ(static_cast<std::uint8_t>(cut[42]) | static_cast<std::uint8_t>(cut[43]) << 8, 3 * 441 * 4);
}
