// The test camera: SMPTE bars with a box moving across them and the frame
// number written into the picture, so a frozen, dropped or repeated frame is
// visible in a recording.
#include "sources/testdevice_bin.h"
#include "sources/testdevice_parts.h"

#include <gst/video/video.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace vistrel::sources::detail {

namespace {

// Seven-segment digits (bits a..g), enough to read a frame number without a
// font on a streaming thread.
constexpr unsigned char kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void FillRect(GstVideoFrame *f, int x, int y, int w, int h, guint8 luma) {
  const int width = GST_VIDEO_FRAME_WIDTH(f), height = GST_VIDEO_FRAME_HEIGHT(f);
  const int x0 = std::clamp(x, 0, width), x1 = std::clamp(x + w, 0, width);
  const int y0 = std::clamp(y, 0, height), y1 = std::clamp(y + h, 0, height);
  if (x0 >= x1 || y0 >= y1) return;
  auto *Y = static_cast<guint8 *>(GST_VIDEO_FRAME_PLANE_DATA(f, 0));
  const int ys = GST_VIDEO_FRAME_PLANE_STRIDE(f, 0);
  for (int row = y0; row < y1; ++row) std::fill(Y + row * ys + x0, Y + row * ys + x1, luma);
  for (int plane = 1; plane < 3; ++plane) {
    auto *C = static_cast<guint8 *>(GST_VIDEO_FRAME_PLANE_DATA(f, plane));
    const int cs = GST_VIDEO_FRAME_PLANE_STRIDE(f, plane);
    for (int row = y0 / 2; row < (y1 + 1) / 2; ++row) std::fill(C + row * cs + x0 / 2, C + row * cs + (x1 + 1) / 2, 128);
  }
}

void DrawDigit(GstVideoFrame *f, int digit, int x, int y, int s) {
  // Segment rectangles in units of s: a top, b top right, c bottom right,
  // d bottom, e bottom left, f top left, g middle.
  const int r[7][4] = {{1, 0, 3, 1}, {4, 1, 1, 3}, {4, 5, 1, 3}, {1, 8, 3, 1}, {0, 5, 1, 3}, {0, 1, 1, 3}, {1, 4, 3, 1}};
  for (int seg = 0; seg < 7; ++seg)
    if (kSegments[digit] & (1 << seg)) FillRect(f, x + r[seg][0] * s, y + r[seg][1] * s, r[seg][2] * s, r[seg][3] * s, 235);
}

GstPadProbeReturn DrawOverlay(GstPad *pad, GstPadProbeInfo *info, gpointer) {
  GstBuffer *buf = GST_PAD_PROBE_INFO_BUFFER(info);
  media::CapsRef caps = media::CapsRef::Adopt(gst_pad_get_current_caps(pad));
  GstVideoInfo vinfo;
  if (!buf || !caps || !gst_video_info_from_caps(&vinfo, caps.get())) return GST_PAD_PROBE_OK;
  buf = gst_buffer_make_writable(buf);
  GST_PAD_PROBE_INFO_DATA(info) = buf;
  const guint64 n = GST_BUFFER_OFFSET_IS_VALID(buf) ? GST_BUFFER_OFFSET(buf) : 0;
  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &vinfo, buf, GST_MAP_WRITE)) return GST_PAD_PROBE_OK;
  const int w = GST_VIDEO_INFO_WIDTH(&vinfo), h = GST_VIDEO_INFO_HEIGHT(&vinfo);
  // The box goes right and back in four seconds at 30 fps.
  const int box = std::max(8, h / 6);
  const int span = std::max(1, w - box);
  const int phase = int(n % 120);
  const int x = (phase < 60 ? phase : 120 - phase) * span / 60;
  FillRect(&frame, x, h / 2 - box / 2, box, box, 235);
  // Frame number, eight digits on a black band in the top left corner.
  const int s = std::max(2, h / 80);
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08llu", static_cast<unsigned long long>(n % 100000000ull));
  FillRect(&frame, 0, 0, s * (6 * 8 + 1), s * 11, 16);
  for (int i = 0; i < 8; ++i) DrawDigit(&frame, digits[i] - '0', s + i * 6 * s, s, s);
  gst_video_frame_unmap(&frame);
  return GST_PAD_PROBE_OK;
}

// Raw caps the inner chain must make for the chosen formats: MJPEG entries
// become I420 of the same size and rate for the JPEG encoder.
media::CapsRef InnerCaps(GstCaps *choice, bool jpeg) {
  GstCaps *inner = gst_caps_new_empty();
  for (guint i = 0; i < gst_caps_get_size(choice); ++i) {
    const GstStructure *s = gst_caps_get_structure(choice, i);
    const bool isJpeg = gst_structure_has_name(s, "image/jpeg");
    if (isJpeg != jpeg) continue;
    GstStructure *copy = gst_structure_copy(s);
    if (jpeg) {
      gst_structure_set_name(copy, "video/x-raw");
      gst_structure_set(copy, "format", G_TYPE_STRING, "I420", nullptr);
    }
    gst_caps_append_structure(inner, copy);
  }
  return media::CapsRef::Adopt(inner);
}

bool PrepareCamera(GstElement *bin) {
  GstElement *filter = gst_bin_get_by_name(GST_BIN(bin), "format");
  GstElement *jpeg = gst_bin_get_by_name(GST_BIN(bin), "jpeg");
  media::ElementRef filterRef = media::ElementRef::Adopt(filter), jpegRef = media::ElementRef::Adopt(jpeg);
  media::PadRef ghost = media::PadRef::Adopt(gst_element_get_static_pad(bin, "video"));
  if (!filter || !jpeg || !ghost) return false;
  media::CapsRef choice = DownstreamChoice(ghost.get());
  const bool wantJpeg =
      choice && gst_caps_get_size(choice.get()) > 0 && gst_structure_has_name(gst_caps_get_structure(choice.get(), 0), "image/jpeg");
  media::CapsRef inner = InnerCaps(choice.get(), wantJpeg);
  g_object_set(filter, "caps", inner.get(), nullptr);
  // The filter's output is the ghost's target (linked to it) until released.
  gst_ghost_pad_set_target(GST_GHOST_PAD(ghost.get()), nullptr);
  gst_element_unlink(filter, jpeg);
  GstElement *last = filter;
  if (wantJpeg) {
    if (!gst_element_link(filter, jpeg)) return false;
    last = jpeg;
  }
  media::PadRef target = media::PadRef::Adopt(gst_element_get_static_pad(last, "src"));
  return gst_ghost_pad_set_target(GST_GHOST_PAD(ghost.get()), target.get());
}

}  // namespace

media::CapsRef TestCameraCaps() {
  GstCaps *caps = gst_caps_new_empty();
  const int sizes[3][2] = {{320, 240}, {640, 480}, {1280, 720}};
  for (const char *format : {"YUY2", "BGR", "MJPG"}) {
    for (const auto &size : sizes) {
      const bool jpeg = format[0] == 'M';
      GstStructure *s = gst_structure_new(jpeg ? "image/jpeg" : "video/x-raw", "width", G_TYPE_INT, size[0], "height",
                                          G_TYPE_INT, size[1], "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
      if (!jpeg) gst_structure_set(s, "format", G_TYPE_STRING, format, nullptr);
      GValue rates = G_VALUE_INIT, rate = G_VALUE_INIT;
      g_value_init(&rates, GST_TYPE_LIST);
      g_value_init(&rate, GST_TYPE_FRACTION);
      for (int fps : {30, 15}) {
        gst_value_set_fraction(&rate, fps, 1);
        gst_value_list_append_value(&rates, &rate);
      }
      gst_structure_take_value(s, "framerate", &rates);
      g_value_unset(&rate);
      gst_caps_append_structure(caps, s);
    }
  }
  return media::CapsRef::Adopt(caps);
}

media::ElementRef MakeTestCamera() {
  media::ElementRef bin = NewDeviceBin("Vistrel Test Camera", PrepareCamera);
  GstElement *src = AddElement(bin.get(), "videotestsrc", "bars");
  GstElement *i420 = AddElement(bin.get(), "capsfilter");
  GstElement *convert = AddElement(bin.get(), "videoconvert");
  GstElement *format = AddElement(bin.get(), "capsfilter", "format");
  GstElement *jpeg = AddElement(bin.get(), "jpegenc", "jpeg");
  if (!src || !i420 || !convert || !format || !jpeg) return {};
  g_object_set(src, "is-live", TRUE, "pattern", 0 /* smpte */, nullptr);
  media::CapsRef raw = media::CapsRef::Adopt(gst_caps_from_string("video/x-raw,format=I420"));
  g_object_set(i420, "caps", raw.get(), nullptr);
  if (!gst_element_link_many(src, i420, convert, format, nullptr)) return {};
  media::PadRef drawAt = media::PadRef::Adopt(gst_element_get_static_pad(i420, "src"));
  gst_pad_add_probe(drawAt.get(), GST_PAD_PROBE_TYPE_BUFFER, DrawOverlay, nullptr, nullptr);
  media::PadRef out = media::PadRef::Adopt(gst_element_get_static_pad(format, "src"));
  media::CapsRef offered = TestCameraCaps();
  if (!AddGhost(bin.get(), "video", out.get(), offered.get())) return {};
  return bin;
}

media::ElementRef MakeTestMicrophone() {
  media::ElementRef bin = NewDeviceBin("Vistrel Test Microphone");
  // A sound card's converter: a few rates, stereo or mono; 48 kHz stereo
  // unless another is asked for.
  std::string formats;
  for (const char *rate : {"48000", "44100", "32000"})
    for (const char *layout : {"channels=2,channel-mask=(bitmask)0x3", "channels=1"})
      formats += std::string(formats.empty() ? "" : ";") + "audio/x-raw,format=S16LE,layout=interleaved,rate=" + rate +
                 "," + layout;
  if (!AddToneBranch(bin.get(), 440.0, formats.c_str())) return {};
  return bin;
}

}  // namespace vistrel::sources::detail
