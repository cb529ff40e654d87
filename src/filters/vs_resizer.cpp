#include "filters/vs_resizer.h"

#include "filters/mediacaps.h"

#include <gst/video/video.h>

#include <algorithm>
#include <cstring>

namespace vistrel::filters {

namespace {
int Stride(int w) { return (w * 3 + 3) & ~3; }
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

media::CapsRef TVS_Resizer::AcceptedCaps() const { return Rgb24Caps(); }

media::HRESULT TVS_Resizer::CheckInputType(const GstCaps *caps) {
  return IsRgb24Caps(caps) ? media::S_OK : media::VFW_E_TYPE_NOT_ACCEPTED;
}

media::HRESULT TVS_Resizer::CheckTransform(const GstCaps *in, const GstCaps *out) {
  return IsRgb24Caps(in) && IsRgb24Caps(out) ? media::S_OK : media::VFW_E_TYPE_NOT_ACCEPTED;
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
  int w = 0, h = 0, ow = 0, oh = 0;
  if (!VideoSize(in, w, h) || !VideoSize(out, ow, oh)) return media::E_FAIL;
  inW_ = w;
  inH_ = h;
  inStride_ = Stride(w);
  outW_ = ow;
  outH_ = oh;
  outStride_ = Stride(ow);
  resize_ = ow != w || oh != h;
  return media::S_OK;
}

std::size_t TVS_Resizer::OutputSize(std::size_t inputSize) const {
  return resize_ ? static_cast<std::size_t>(outStride_) * outH_ : inputSize;
}

void TVS_Resizer::Scale(const std::uint8_t *src, int sw, int sh, int sstride, std::uint8_t *dst, int dw, int dh,
                        int dstride) {
  // Bilinear sampling at pixel centres in 16.16 fixed point; for the halving
  // sizes it averages neighbouring pixels, like a smoothing stretch.
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
      const int a = x0[x] * 3;
      const int b = std::min(x0[x] + 1, sw - 1) * 3;
      const int f = fx[x];
      for (int c = 0; c < 3; ++c) {
        const int top = r0[a + c] * (256 - f) + r0[b + c] * f;
        const int bottom = r1[a + c] * (256 - f) + r1[b + c] * f;
        out[x * 3 + c] = static_cast<std::uint8_t>((top * (256 - fy) + bottom * fy + 32768) >> 16);
      }
    }
  }
}

media::HRESULT TVS_Resizer::Transform(media::SampleView &in, media::SampleView &out) {
  out.CopyPropertiesFrom(in);
  media::MappedBuffer src(in.buffer(), GST_MAP_READ);
  media::MappedBuffer dst(out.buffer(), GST_MAP_WRITE);
  if (!src.ok() || !dst.ok()) return media::S_FALSE;
  if (!resize_) {
    const std::size_t n = std::min(src.size(), dst.size());
    std::memcpy(dst.data(), src.data(), n);
    return media::S_OK;
  }
  const std::size_t need = static_cast<std::size_t>(inStride_) * inH_;
  const std::size_t give = static_cast<std::size_t>(outStride_) * outH_;
  if (src.size() < need || dst.size() < give) return media::S_FALSE;  // a frame of the wrong size
  Scale(src.data(), inW_, inH_, inStride_, dst.data(), outW_, outH_, outStride_);
  return media::S_OK;
}

}  // namespace vistrel::filters
