#include "filters/vs_resizer.h"

#include <gst/video/video.h>

#include <algorithm>
#include <cstring>

#include "filters/mediacaps.h"
#include "filters/picturelayout.h"

namespace vistrel::filters {

namespace {

// Bilinear sampling at sample centres in 16.16 fixed point over one
// component's grid; for the halving sizes it averages neighbouring samples,
// like a smoothing stretch.
void ScaleComponent(const std::uint8_t *src, int sw, int sh, int sstride, int spstride, std::uint8_t *dst, int dw,
                    int dh, int dstride, int dpstride) {
  std::vector<int> x0(static_cast<std::size_t>(dw)), fx(static_cast<std::size_t>(dw));
  for (int x = 0; x < dw; ++x) {
    long long pos = ((2LL * x + 1) * sw * 65536) / (2LL * dw) - 32768;
    pos = std::clamp<long long>(pos, 0, (sw - 1) * 65536LL);
    x0[x] = static_cast<int>(pos >> 16);
    fx[x] = static_cast<int>((pos & 0xFFFF) >> 8);
  }
  for (int y = 0; y < dh; ++y) {
    long long pos = ((2LL * y + 1) * sh * 65536) / (2LL * dh) - 32768;
    pos = std::clamp<long long>(pos, 0, (sh - 1) * 65536LL);
    const int y0 = static_cast<int>(pos >> 16);
    const int y1 = std::min(y0 + 1, sh - 1);
    const int fy = static_cast<int>((pos & 0xFFFF) >> 8);
    const std::uint8_t *r0 = src + static_cast<std::ptrdiff_t>(y0) * sstride;
    const std::uint8_t *r1 = src + static_cast<std::ptrdiff_t>(y1) * sstride;
    std::uint8_t *out = dst + static_cast<std::ptrdiff_t>(y) * dstride;
    for (int x = 0; x < dw; ++x) {
      const int a = x0[x] * spstride;
      const int b = std::min(x0[x] + 1, sw - 1) * spstride;
      const int f = fx[x];
      const int top = r0[a] * (256 - f) + r0[b] * f;
      const int bottom = r1[a] * (256 - f) + r1[b] * f;
      out[x * dpstride] = static_cast<std::uint8_t>((top * (256 - fy) + bottom * fy + 32768) >> 16);
    }
  }
}

void ScaleFrame(const GstVideoFrame &src, GstVideoFrame &dst) {
  for (guint c = 0; c < GST_VIDEO_FRAME_N_COMPONENTS(&src); ++c)
    ScaleComponent(static_cast<const std::uint8_t *>(GST_VIDEO_FRAME_COMP_DATA(&src, c)),
                   GST_VIDEO_FRAME_COMP_WIDTH(&src, c), GST_VIDEO_FRAME_COMP_HEIGHT(&src, c),
                   GST_VIDEO_FRAME_COMP_STRIDE(&src, c), GST_VIDEO_FRAME_COMP_PSTRIDE(&src, c),
                   static_cast<std::uint8_t *>(GST_VIDEO_FRAME_COMP_DATA(&dst, c)), GST_VIDEO_FRAME_COMP_WIDTH(&dst, c),
                   GST_VIDEO_FRAME_COMP_HEIGHT(&dst, c), GST_VIDEO_FRAME_COMP_STRIDE(&dst, c),
                   GST_VIDEO_FRAME_COMP_PSTRIDE(&dst, c));
}

}  // namespace

void ResizedSize(const ResizeInput &in, int &w, int &h) {
  const bool tall = h >= 289;
  switch (in.Mode) {
    case 0:
      if (in.HalfSize && tall) h = 288;
      if (in.AspectX > 0 && in.AspectY > 0) {
        if (static_cast<long long>(in.AspectX) * h < static_cast<long long>(in.AspectY) * w)
          w = static_cast<int>(static_cast<long long>(in.AspectX) * h / in.AspectY);
        else
          h = static_cast<int>(static_cast<long long>(in.AspectY) * w / in.AspectX);
      }
      break;
    case 1:
      if (in.HalfSize && tall) h = 288;
      if (h * 4 < w * 3) w = h * 4 / 3; else h = w * 3 / 4;
      if (h % 2 != 0) {
        h -= 3;
        w -= 4;
      }
      break;
    case 2:
      if (in.HalfSize && tall) h = 288;
      if (h * 16 < w * 9) w = h * 16 / 9; else h = w * 9 / 16;
      if (h % 2 != 0) {
        h -= 9;
        w -= 16;
      }
      break;
    case 3:
      if (in.HalfSize) {
        if (tall) {
          w /= 2;
          h /= 2;
        }
        if (h % 2 != 0) h -= 1;
      }
      break;
    default:
      break;
  }
  // Tiny inputs must not give an empty or negative frame.
  w = std::max(w, 1);
  h = std::max(h, 1);
}

void TVS_Resizer::OutputFor(int w, int h, int &ow, int &oh) const {
  if (!configured_) {
    ow = outW_;
    oh = outH_;
    return;
  }
  ResizeInput in{mode_, halfSize_, aspectX_, aspectY_};
  ow = w;
  oh = h;
  ResizedSize(in, ow, oh);
}

// Whatever layout the superposer draws in, so no conversion comes between.
media::CapsRef TVS_Resizer::AcceptedCaps() const { return DrawableCaps(); }

media::HRESULT TVS_Resizer::CheckInputType(const GstCaps *caps) {
  return IsDrawableCaps(caps) ? media::S_OK : media::VFW_E_TYPE_NOT_ACCEPTED;
}

media::HRESULT TVS_Resizer::CheckTransform(const GstCaps *in, const GstCaps *out) {
  if (!IsDrawableCaps(in) || !IsDrawableCaps(out)) return media::VFW_E_TYPE_NOT_ACCEPTED;
  const char *a = gst_structure_get_string(gst_caps_get_structure(in, 0), "format");
  const char *b = gst_structure_get_string(gst_caps_get_structure(out, 0), "format");
  return a && b && std::strcmp(a, b) == 0 ? media::S_OK : media::VFW_E_TYPE_NOT_ACCEPTED;
}

media::CapsRef TVS_Resizer::OutputCapsFor(const GstCaps *input) const {
  GstCaps *out = gst_caps_new_empty();
  for (guint i = 0; i < gst_caps_get_size(input); ++i) {
    GstStructure *s = gst_structure_copy(gst_caps_get_structure(input, i));
    int w = 0, h = 0;
    if (gst_structure_get_int(s, "width", &w) && gst_structure_get_int(s, "height", &h)) {
      int ow = 0, oh = 0;
      OutputFor(w, h, ow, oh);
      gst_structure_set(s, "width", G_TYPE_INT, ow, "height", G_TYPE_INT, oh, nullptr);
    } else {
      gst_structure_remove_fields(s, "width", "height", nullptr);
    }
    gst_structure_remove_field(s, "pixel-aspect-ratio");
    gst_caps_append_structure(out, s);
  }
  return media::CapsRef::Adopt(out);
}

media::CapsRef TVS_Resizer::InputCapsFor(const GstCaps *output) const {
  GstCaps *in = gst_caps_copy(output);
  for (guint i = 0; i < gst_caps_get_size(in); ++i)
    gst_structure_remove_fields(gst_caps_get_structure(in, i), "width", "height", "pixel-aspect-ratio", nullptr);
  return media::CapsRef::Adopt(in);
}

media::HRESULT TVS_Resizer::SetMediaType(const GstCaps *in, const GstCaps *out) {
  if (!gst_video_info_from_caps(&in_, in) || !gst_video_info_from_caps(&out_, out)) return media::E_FAIL;
  outW_ = GST_VIDEO_INFO_WIDTH(&out_);
  outH_ = GST_VIDEO_INFO_HEIGHT(&out_);
  resize_ = outW_ != GST_VIDEO_INFO_WIDTH(&in_) || outH_ != GST_VIDEO_INFO_HEIGHT(&in_);
  return media::S_OK;
}

std::size_t TVS_Resizer::OutputSize(std::size_t inputSize) const {
  return resize_ ? GST_VIDEO_INFO_SIZE(&out_) : inputSize;
}

void TVS_Resizer::Scale(const std::uint8_t *src, int sw, int sh, int sstride, std::uint8_t *dst, int dw, int dh,
                        int dstride) {
  for (int c = 0; c < 3; ++c) ScaleComponent(src + c, sw, sh, sstride, 3, dst + c, dw, dh, dstride, 3);
}

media::HRESULT TVS_Resizer::Transform(media::SampleView &in, media::SampleView &out) {
  out.CopyPropertiesFrom(in);
  if (!resize_) {
    media::MappedBuffer src(in.buffer(), GST_MAP_READ);
    media::MappedBuffer dst(out.buffer(), GST_MAP_WRITE);
    if (!src.ok() || !dst.ok()) return media::S_FALSE;
    std::memcpy(dst.data(), src.data(), std::min(src.size(), dst.size()));
    return media::S_OK;
  }
  // A frame of the wrong size is dropped.
  if (in.Size() < GST_VIDEO_INFO_SIZE(&in_) || out.Size() < GST_VIDEO_INFO_SIZE(&out_)) return media::S_FALSE;
  MappedFrame src(in_, in.buffer(), GST_MAP_READ);
  MappedFrame dst(out_, out.buffer(), GST_MAP_WRITE);
  if (!src.ok() || !dst.ok()) return media::S_FALSE;
  ScaleFrame(*src.get(), *dst.get());
  return media::S_OK;
}

}  // namespace vistrel::filters
