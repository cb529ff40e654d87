#pragma once
// Scales video (in the layout the superposer drew in) to the frame size
// wanted for a compressed recording: half height for tall frames, 4:3 or 16:9 fit, the source's
// picture aspect, or half size. Copies frames through when nothing changes.
#include <gst/video/video.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "media/ownfilter.h"

namespace vistrel::filters {

struct ResizeInput {
  int Mode = 0;
  bool HalfSize = false;   // "Demi Taille"
  int AspectX = 0, AspectY = 0;  // the source's stated picture aspect, 0:0 when none
};

// Output size for an input of w x h (integer divisions truncating toward zero).
void ResizedSize(const ResizeInput &in, int &w, int &h);

class TVS_Resizer : public media::OwnFilter {
 public:
  const char *ObjectName() const override { return "Brenvik Resizer"; }
  bool InPlace() const override { return false; }
  media::CapsRef AcceptedCaps() const override;
  media::HRESULT CheckInputType(const GstCaps *caps) override;
  media::CapsRef OutputCapsFor(const GstCaps *input) const override;
  media::CapsRef InputCapsFor(const GstCaps *output) const override;
  media::HRESULT CheckTransform(const GstCaps *in, const GstCaps *out) override;
  media::HRESULT SetMediaType(const GstCaps *in, const GstCaps *out) override;
  std::size_t OutputSize(std::size_t inputSize) const override;
  bool PassesThrough() const override { return !resize_; }
  media::HRESULT Transform(media::SampleView &in, media::SampleView &out) override;

  void SetAspect(std::uint8_t mode) {
    mode_ = mode;
    configured_ = true;
  }
  void SetHalfSize(bool on) { halfSize_ = on; }
  void SetSourceAspect(int x, int y) {
    aspectX_ = x;
    aspectY_ = y;
  }
  int OutputWidth() const { return outW_; }
  int OutputHeight() const { return outH_; }
  bool ResizeNeeded() const { return resize_; }

  // Scales a packed BGR picture (rows padded to 4 bytes) into another.
  static void Scale(const std::uint8_t *src, int sw, int sh, int sstride, std::uint8_t *dst, int dw, int dh,
                    int dstride);

 private:
  void OutputFor(int w, int h, int &ow, int &oh) const;

  std::atomic<int> mode_{0};
  std::atomic<bool> configured_{false};
  std::atomic<bool> halfSize_{false};
  std::atomic<int> aspectX_{0}, aspectY_{0};
  GstVideoInfo in_{}, out_{};
  int outW_ = 320, outH_ = 240;
  bool resize_ = true;
};

}  // namespace vistrel::filters
