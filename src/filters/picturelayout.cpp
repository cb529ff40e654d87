#include "filters/picturelayout.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace vistrel::filters {

namespace {

constexpr const char *kDrawable = "video/x-raw, format=(string){ BGR, BGRx, YUY2, UYVY, I420, NV12 }";

// The sample of component c at (i, row) of that component's own grid.
std::uint8_t *Sample(GstVideoFrame &f, int c, int i, int row) {
  return static_cast<std::uint8_t *>(GST_VIDEO_FRAME_COMP_DATA(&f, c)) +
         static_cast<std::ptrdiff_t>(row) * GST_VIDEO_FRAME_COMP_STRIDE(&f, c) +
         static_cast<std::ptrdiff_t>(i) * GST_VIDEO_FRAME_COMP_PSTRIDE(&f, c);
}

// Rows of plane p: the height of the first component stored in it.
int PlaneRows(const GstVideoFrame &f, int p) {
  const GstVideoFormatInfo *fi = f.info.finfo;
  for (unsigned c = 0; c < GST_VIDEO_FORMAT_INFO_N_COMPONENTS(fi); ++c)
    if (static_cast<int>(GST_VIDEO_FORMAT_INFO_PLANE(fi, c)) == p) return GST_VIDEO_FRAME_COMP_HEIGHT(&f, c);
  return GST_VIDEO_FRAME_HEIGHT(&f);
}

int DivRound(int num, int den) { return num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den); }

std::uint8_t Clamp8(double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

media::CapsRef DrawableCaps() { return media::CapsRef::Adopt(gst_caps_from_string(kDrawable)); }

bool IsDrawableCaps(const GstCaps *caps) {
  if (!caps || gst_caps_get_size(caps) == 0) return false;
  media::CapsRef drawable = DrawableCaps();
  media::CapsRef first = media::CapsRef::Adopt(gst_caps_copy_nth(caps, 0));
  return gst_caps_is_subset(first.get(), drawable.get());
}

MappedFrame::MappedFrame(const GstVideoInfo &info, GstBuffer *buffer, GstMapFlags flags) {
  ok_ = buffer && gst_video_frame_map(&frame_, const_cast<GstVideoInfo *>(&info), buffer, flags);
}

MappedFrame::~MappedFrame() {
  if (ok_) gst_video_frame_unmap(&frame_);
}

void CopyPicture(const GstVideoFrame &src, GstVideoFrame &dst, bool upsideDown) {
  for (guint p = 0; p < GST_VIDEO_FRAME_N_PLANES(&src); ++p) {
    const int rows = PlaneRows(src, static_cast<int>(p));
    const int inStride = GST_VIDEO_FRAME_PLANE_STRIDE(&src, p), outStride = GST_VIDEO_FRAME_PLANE_STRIDE(&dst, p);
    const auto *in = static_cast<const std::uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&src, p));
    auto *out = static_cast<std::uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&dst, p));
    if (!upsideDown && inStride == outStride) {
      std::memcpy(out, in, static_cast<std::size_t>(inStride) * rows);
      continue;
    }
    const auto bytes = static_cast<std::size_t>(std::min(inStride, outStride));
    for (int y = 0; y < rows; ++y)
      std::memcpy(out + static_cast<std::ptrdiff_t>(y) * outStride,
                  in + static_cast<std::ptrdiff_t>(upsideDown ? rows - 1 - y : y) * inStride, bytes);
  }
}

void MirrorPicture(GstVideoFrame &frame) {
  // Each component's samples are reversed along its own row; for an even
  // width a shared chroma sample lands under the same two pixels mirrored.
  for (guint c = 0; c < GST_VIDEO_FRAME_N_COMPONENTS(&frame); ++c) {
    const int w = GST_VIDEO_FRAME_COMP_WIDTH(&frame, c), h = GST_VIDEO_FRAME_COMP_HEIGHT(&frame, c);
    for (int y = 0; y < h; ++y)
      for (int i = 0; i < w / 2; ++i) std::swap(*Sample(frame, c, i, y), *Sample(frame, c, w - 1 - i, y));
  }
}

void LayoutSprite::Prepare(const QImage &sprite, int spriteGeneration, const GstVideoInfo &info) {
  const bool rgb = GST_VIDEO_INFO_IS_RGB(&info);
  const GstVideoColorMatrix matrix = info.colorimetry.matrix;
  const GstVideoColorRange range = info.colorimetry.range;
  if (spriteGeneration == generation_ && rgb == rgb_ && matrix == matrix_ && range == range_) return;
  generation_ = spriteGeneration;
  rgb_ = rgb;
  matrix_ = matrix;
  range_ = range;
  width_ = sprite.width();
  height_ = sprite.height();
  const std::size_t n = static_cast<std::size_t>(width_) * height_;
  alpha_.assign(n, 0);
  for (auto &c : colour_) c.assign(n, 0);
  double kr = 0.299, kb = 0.114;
  if (!rgb) gst_video_color_matrix_get_Kr_Kb(matrix, &kr, &kb);
  const bool full = range == GST_VIDEO_COLOR_RANGE_0_255;
  for (int y = 0; y < height_; ++y) {
    const QRgb *row = reinterpret_cast<const QRgb *>(sprite.constScanLine(y));
    for (int x = 0; x < width_; ++x) {
      const std::size_t k = static_cast<std::size_t>(y) * width_ + x;
      const int a = qAlpha(row[x]);
      alpha_[k] = static_cast<std::uint8_t>(a);
      if (a == 0) continue;
      // The sprite is premultiplied; the layout's colour is the one under it.
      const double r = std::min(255.0, qRed(row[x]) * 255.0 / a), g = std::min(255.0, qGreen(row[x]) * 255.0 / a),
                   b = std::min(255.0, qBlue(row[x]) * 255.0 / a);
      if (rgb) {
        colour_[0][k] = Clamp8(r), colour_[1][k] = Clamp8(g), colour_[2][k] = Clamp8(b);
        continue;
      }
      const double luma = kr * r + (1 - kr - kb) * g + kb * b;
      const double u = (b - luma) / (2 * (1 - kb)), v = (r - luma) / (2 * (1 - kr));
      colour_[0][k] = Clamp8(full ? luma : 16 + luma * 219 / 255);
      colour_[1][k] = Clamp8(128 + (full ? u : u * 224 / 255));
      colour_[2][k] = Clamp8(128 + (full ? v : v * 224 / 255));
    }
  }
}

void LayoutSprite::BlendOnto(GstVideoFrame &frame, int x, int y) const {
  const int W = GST_VIDEO_FRAME_WIDTH(&frame), H = GST_VIDEO_FRAME_HEIGHT(&frame);
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(W, x + width_), y1 = std::min(H, y + height_);
  if (x0 >= x1 || y0 >= y1) return;
  const GstVideoFormatInfo *fi = frame.info.finfo;
  for (guint c = 0; c < std::min(3u, GST_VIDEO_FRAME_N_COMPONENTS(&frame)); ++c) {
    const int ws = GST_VIDEO_FORMAT_INFO_W_SUB(fi, c), hs = GST_VIDEO_FORMAT_INFO_H_SUB(fi, c);
    const std::vector<std::uint8_t> &colour = colour_[c];
    const int pstride = GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, c);
    if (ws == 0 && hs == 0) {
      for (int py = y0; py < y1; ++py) {
        const std::size_t k0 = static_cast<std::size_t>(py - y) * width_ - x;
        std::uint8_t *d = Sample(frame, static_cast<int>(c), x0, py);
        for (int px = x0; px < x1; ++px, d += pstride) {
          const unsigned a = alpha_[k0 + px];
          if (a != 0) *d = static_cast<std::uint8_t>((a * colour[k0 + px] + (255 - a) * *d + 127) / 255);
        }
      }
      continue;
    }
    if (ws == 1 && hs == 0)
      BlendCells<1, 0>(frame, c, x, y, x0, y0, x1, y1, colour);
    else if (ws == 1 && hs == 1)
      BlendCells<1, 1>(frame, c, x, y, x0, y0, x1, y1, colour);
    else
      BlendCells<-1, -1>(frame, c, x, y, x0, y0, x1, y1, colour);
  }
}

template <int WS, int HS>
void LayoutSprite::BlendCells(GstVideoFrame &frame, unsigned c, int x, int y, int x0, int y0, int x1, int y1,
                              const std::vector<std::uint8_t> &colour) const {
  const GstVideoFormatInfo *fi = frame.info.finfo;
  // Fixed subsampling is spelled out so that the common cells divide by a
  // constant; -1 reads it from the layout.
  const int ws = WS >= 0 ? WS : GST_VIDEO_FORMAT_INFO_W_SUB(fi, c);
  const int hs = HS >= 0 ? HS : GST_VIDEO_FORMAT_INFO_H_SUB(fi, c);
  const int W = GST_VIDEO_FRAME_WIDTH(&frame), H = GST_VIDEO_FRAME_HEIGHT(&frame);
  const int pstride = GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, c);
  const int fullCell = WS >= 0 && HS >= 0 ? 255 << (WS + HS) : 255 << (ws + hs);
  // A sample stands for a cell of (1 << ws) x (1 << hs) pixels; it moves
  // by the mean of what the sprite does to each of them.
  for (int cy = y0 >> hs; cy <= (y1 - 1) >> hs; ++cy) {
    const int py0 = cy << hs, py1 = std::min(H, (cy + 1) << hs);
    const int ry0 = std::max(py0, y0), ry1 = std::min(py1, y1);
    std::uint8_t *d = Sample(frame, static_cast<int>(c), x0 >> ws, cy);
    for (int cx = x0 >> ws; cx <= (x1 - 1) >> ws; ++cx, d += pstride) {
      const int px0 = cx << ws, px1 = std::min(W, (cx + 1) << ws);
      const int rx0 = std::max(px0, x0), rx1 = std::min(px1, x1);
      int num = 0;
      for (int py = ry0; py < ry1; ++py) {
        const std::size_t k0 = static_cast<std::size_t>(py - y) * width_ - x;
        for (int px = rx0; px < rx1; ++px) num += alpha_[k0 + px] * (colour[k0 + px] - *d);
      }
      if (num == 0) continue;
      const int pixels = (py1 - py0) * (px1 - px0);
      *d = static_cast<std::uint8_t>(
          *d + (pixels == 1 << (ws + hs) ? DivRound(num, fullCell) : DivRound(num, 255 * pixels)));
    }
  }
}

QImage BgrPicture::From(const GstVideoFrame &frame) {
  const int w = GST_VIDEO_FRAME_WIDTH(&frame), h = GST_VIDEO_FRAME_HEIGHT(&frame);
  QImage image(w, h, QImage::Format_BGR888);
  if (image.isNull()) return {};
  if (GST_VIDEO_FRAME_FORMAT(&frame) == GST_VIDEO_FORMAT_BGR) {
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    const auto *in = static_cast<const std::uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    for (int y = 0; y < h; ++y)
      std::memcpy(image.scanLine(y), in + static_cast<std::ptrdiff_t>(y) * stride, static_cast<std::size_t>(w) * 3);
    return image;
  }
  GstVideoInfo to;
  gst_video_info_set_format(&to, GST_VIDEO_FORMAT_BGR, static_cast<guint>(w), static_cast<guint>(h));
  // The converter changes only the layout: rate and pixel shape stay.
  to.fps_n = frame.info.fps_n, to.fps_d = frame.info.fps_d;
  to.par_n = frame.info.par_n, to.par_d = frame.info.par_d;
  to.stride[0] = static_cast<gint>(image.bytesPerLine());
  to.size = static_cast<gsize>(image.sizeInBytes());
  if (!converter_ || !gst_video_info_is_equal(&from_, &frame.info)) {
    from_ = frame.info;
    converter_.reset(gst_video_converter_new(&from_, &to, nullptr));
    if (!converter_) return {};
  }
  media::BufferRef wrapped = media::BufferRef::Adopt(
      gst_buffer_new_wrapped_full(GstMemoryFlags(0), image.bits(), to.size, 0, to.size, nullptr, nullptr));
  MappedFrame out(to, wrapped.get(), GST_MAP_WRITE);
  if (!out.ok()) return {};
  gst_video_converter_frame(converter_.get(), &frame, out.get());
  return image;
}

}  // namespace vistrel::filters
