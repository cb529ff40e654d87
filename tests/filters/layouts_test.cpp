// The own picture filters in a picture's own layout do what they do in BGR:
// the same picture, converted to the layout by GStreamer's own converter
// before or after the filter, comes out the same within rounding, and
// within chroma subsampling where a shared chroma sample covers an edge.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "filters/vs_resizer.h"
#include "filters/vs_superposer.h"
#include "harness.h"

using namespace vistrel;
using namespace vistrel::filters;
using vistrel::test::FilterHarness;

namespace {

constexpr int W = 320, H = 240;

GstVideoInfo InfoOf(GstVideoFormat f, int w = W, int h = H) {
  GstVideoInfo info;
  gst_video_info_set_format(&info, f, w, h);
  return info;
}

std::string CapsOf(GstVideoFormat f) {
  return std::string("video/x-raw, format=") + gst_video_format_to_string(f) + ", width=" + std::to_string(W) +
         ", height=" + std::to_string(H) + ", framerate=25/1";
}

using Bytes = std::vector<std::uint8_t>;

media::BufferRef Wrap(const Bytes &data) {
  return media::BufferRef::Adopt(gst_buffer_new_memdup(data.data(), data.size()));
}

Bytes Convert(const Bytes &data, GstVideoFormat from, GstVideoFormat to, int w = W, int h = H) {
  GstVideoInfo in = InfoOf(from, w, h), out = InfoOf(to, w, h);
  Bytes result(GST_VIDEO_INFO_SIZE(&out));
  media::BufferRef src = Wrap(data), dst = Wrap(result);
  MappedFrame a(in, src.get(), GST_MAP_READ), b(out, dst.get(), GST_MAP_WRITE);
  GstVideoConverter *c = gst_video_converter_new(&in, &out, nullptr);
  gst_video_converter_frame(c, a.get(), b.get());
  gst_video_converter_free(c);
  gst_buffer_extract(dst.get(), 0, result.data(), result.size());
  return result;
}

// Each component's samples, row by row of its own grid.
std::vector<Bytes> Components(const Bytes &data, GstVideoFormat f) {
  GstVideoInfo info = InfoOf(f);
  media::BufferRef b = Wrap(data);
  MappedFrame frame(info, b.get(), GST_MAP_READ);
  std::vector<Bytes> out;
  for (guint c = 0; c < 3; ++c) {
    Bytes samples;
    const GstVideoFrame *v = frame.get();
    for (int y = 0; y < GST_VIDEO_FRAME_COMP_HEIGHT(v, c); ++y)
      for (int x = 0; x < GST_VIDEO_FRAME_COMP_WIDTH(v, c); ++x)
        samples.push_back(static_cast<const std::uint8_t *>(GST_VIDEO_FRAME_COMP_DATA(
            v, c))[y * GST_VIDEO_FRAME_COMP_STRIDE(v, c) + x * GST_VIDEO_FRAME_COMP_PSTRIDE(v, c)]);
    out.push_back(std::move(samples));
  }
  return out;
}

// A picture that shows which way is up and which is left: a colour ramp
// from left to right, darker towards the bottom, a red block top left.
Bytes Background() {
  Bytes bgr(static_cast<std::size_t>(W) * H * 3);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      std::uint8_t *p = &bgr[(static_cast<std::size_t>(y) * W + x) * 3];
      const bool block = x < 40 && y < 30;
      p[0] = block ? 20 : static_cast<std::uint8_t>(40 + x * 150 / W);
      p[1] = block ? 30 : static_cast<std::uint8_t>(60 + y * 100 / H);
      p[2] = block ? 220 : static_cast<std::uint8_t>(200 - x * 120 / W);
    }
  return bgr;
}

struct Drawn {
  Bytes frame;
  QImage grab;
};

Drawn Draw(GstVideoFormat f, bool flip, bool mirror) {
  Tvs_Superposer sp;
  TincrustRec rec;
  rec.WhatIncrust = 2;
  rec.Incrust1 = QStringLiteral("Vistrel 12:34");
  rec.Incrust2 = QStringLiteral("gÅy|");
  rec.Xpos = 100;
  rec.Ypos = 600;
  rec.BorderSize = 2;
  rec.Autofontsize = true;
  rec.FontRec.Color = 0x0040E0FF;  // orange-yellow, in BGR order
  FilterHarness h(&sp, CapsOf(f).c_str());
  sp.SetIncrust(rec);
  sp.SetActive(true);
  sp.SetVertFlip(flip);
  sp.SetHorzFlip(mirror);
  sp.GrabNext();
  Drawn d;
  EXPECT_EQ(h.Push(Convert(Background(), GST_VIDEO_FORMAT_BGR, f), 0), GST_FLOW_OK);
  d.frame = h.PullData();
  for (int s = 0; s < Tvs_Superposer::kSlots; ++s)
    if (sp.SlotBusy(s)) d.grab = sp.GrabSlot(s);
  return d;
}

struct Row {
  GstVideoFormat format;
  bool flip, mirror;
};

}  // namespace

TEST(SuperposerLayouts, TheInlayInEveryLayoutIsTheInlayDrawnInBgr) {
  const Row rows[] = {{GST_VIDEO_FORMAT_YUY2, false, false},
                      {GST_VIDEO_FORMAT_UYVY, true, false},
                      {GST_VIDEO_FORMAT_I420, false, true},
                      {GST_VIDEO_FORMAT_NV12, true, true},
                      {GST_VIDEO_FORMAT_BGRx, true, true}};
  for (const Row &row : rows) {
    const char *name = gst_video_format_to_string(row.format);
    SCOPED_TRACE(name);
    const Drawn bgr = Draw(GST_VIDEO_FORMAT_BGR, row.flip, row.mirror);
    const Drawn own = Draw(row.format, row.flip, row.mirror);
    ASSERT_FALSE(bgr.frame.empty());
    const GstVideoInfo info = InfoOf(row.format);
    ASSERT_EQ(own.frame.size(), static_cast<std::size_t>(GST_VIDEO_INFO_SIZE(&info)));
    const std::vector<Bytes> expected = Components(Convert(bgr.frame, GST_VIDEO_FORMAT_BGR, row.format), row.format);
    const std::vector<Bytes> got = Components(own.frame, row.format);
    // The text changed the picture at all: its own pixels are compared.
    const std::vector<Bytes> plain = Components(Convert(Background(), GST_VIDEO_FORMAT_BGR, row.format), row.format);
    for (int c = 0; c < 3; ++c) {
      SCOPED_TRACE(c);
      ASSERT_EQ(got[c].size(), expected[c].size());
      int worst = 0, touched = 0;
      double sum = 0;
      for (std::size_t i = 0; i < got[c].size(); ++i) {
        const int d = std::abs(got[c][i] - expected[c][i]);
        worst = std::max(worst, d);
        sum += d;
        if (!row.flip && !row.mirror && got[c][i] != plain[c][i]) ++touched;
      }
      const bool chroma = !GST_VIDEO_FORMAT_INFO_IS_RGB(gst_video_format_get_info(row.format)) && c > 0;
      // Measured: at most 2 levels apart anywhere, 0.01 on average.
      EXPECT_LE(worst, chroma ? 3 : 2);
      EXPECT_LT(sum / got[c].size(), 0.05);
      if (!row.flip && !row.mirror) EXPECT_GT(touched, 100);
    }
    // A grab from the picture's layout is the picture in BGR, as a
    // converter after the superposer would have given it.
    ASSERT_FALSE(own.grab.isNull());
    ASSERT_EQ(own.grab.size(), QSize(W, H));
    const Bytes roundTrip =
        Convert(Convert(bgr.frame, GST_VIDEO_FORMAT_BGR, row.format), row.format, GST_VIDEO_FORMAT_BGR);
    double diff = 0;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W * 3; ++x) diff += std::abs(own.grab.constScanLine(y)[x] - roundTrip[y * W * 3 + x]);
    EXPECT_LT(diff / (W * H * 3), 0.5);
  }
}

TEST(ResizerLayouts, EveryLayoutIsScaledAsBgrIs) {
  // 320x240 into 4:3 at half size from a 16:9 source: 320x180 -> fitted.
  for (GstVideoFormat f : {GST_VIDEO_FORMAT_YUY2, GST_VIDEO_FORMAT_I420, GST_VIDEO_FORMAT_NV12}) {
    SCOPED_TRACE(gst_video_format_to_string(f));
    const auto resize = [](GstVideoFormat layout, const Bytes &picture, int &ow, int &oh) {
      TVS_Resizer rz;
      rz.SetAspect(2);  // 16:9: 320x240 becomes 320x180
      FilterHarness h(&rz, CapsOf(layout).c_str());
      EXPECT_EQ(h.Push(picture, 0), GST_FLOW_OK);
      ow = rz.OutputWidth(), oh = rz.OutputHeight();
      return h.PullData();
    };
    int bw = 0, bh = 0, ow = 0, oh = 0;
    const Bytes bgr = resize(GST_VIDEO_FORMAT_BGR, Background(), bw, bh);
    const Bytes own = resize(f, Convert(Background(), GST_VIDEO_FORMAT_BGR, f), ow, oh);
    ASSERT_EQ(ow, 320);
    ASSERT_EQ(oh, 180);
    ASSERT_EQ(bw, ow);
    const GstVideoInfo info = InfoOf(f, ow, oh);
    ASSERT_EQ(own.size(), static_cast<std::size_t>(GST_VIDEO_INFO_SIZE(&info)));
    const Bytes back = Convert(own, f, GST_VIDEO_FORMAT_BGR, ow, oh);
    const Bytes roundTrip = Convert(Convert(bgr, GST_VIDEO_FORMAT_BGR, f, ow, oh), f, GST_VIDEO_FORMAT_BGR, ow, oh);
    double diff = 0;
    for (std::size_t i = 0; i < back.size(); ++i) diff += std::abs(back[i] - roundTrip[i]);
    EXPECT_LT(diff / back.size(), 0.3);  // measured 0.06
  }
}
