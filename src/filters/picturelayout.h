#pragma once
// The work the inlay does on a picture, in the picture's own pixel layout:
// a YUV camera recorded by a YUV encoder need not be converted to BGR for the
// text and back for the encoder. Every layout GStreamer describes with 8-bit
// components works; the ones the superposer offers are listed in
// DrawableCaps().
#include <gst/video/video.h>

#include <QImage>
#include <cstdint>
#include <memory>
#include <vector>

#include "media/gstref.h"

namespace vistrel::filters {

// BGR, BGRx, YUY2, UYVY, I420 and NV12.
media::CapsRef DrawableCaps();
bool IsDrawableCaps(const GstCaps *caps);

// A buffer mapped as a picture of `info` for the life of the object.
class MappedFrame {
 public:
  MappedFrame(const GstVideoInfo &info, GstBuffer *buffer, GstMapFlags flags);
  ~MappedFrame();
  MappedFrame(const MappedFrame &) = delete;
  MappedFrame &operator=(const MappedFrame &) = delete;
  bool ok() const { return ok_; }
  GstVideoFrame *get() { return &frame_; }
  const GstVideoFrame *get() const { return &frame_; }

 private:
  GstVideoFrame frame_{};
  bool ok_ = false;
};

// Copies every plane of src into dst, rows reversed when `upsideDown`.
void CopyPicture(const GstVideoFrame &src, GstVideoFrame &dst, bool upsideDown);
// Left-right mirror in place.
void MirrorPicture(GstVideoFrame &frame);

// A premultiplied ARGB32 sprite in the components of one layout: its alpha
// and, per component, the colour it lays where its alpha is.
class LayoutSprite {
 public:
  // Rebuilt when the sprite or the layout's colour space changes.
  void Prepare(const QImage &sprite, int spriteGeneration, const GstVideoInfo &info);
  // Blends it with its top-left corner at (x, y) of the picture; chroma
  // samples shared by several pixels take the mean of what they cover.
  void BlendOnto(GstVideoFrame &frame, int x, int y) const;

 private:
  template <int WS, int HS>
  void BlendCells(GstVideoFrame &frame, unsigned c, int x, int y, int x0, int y0, int x1, int y1,
                  const std::vector<std::uint8_t> &colour) const;

  int generation_ = -1;
  bool rgb_ = true;
  GstVideoColorMatrix matrix_ = GST_VIDEO_COLOR_MATRIX_UNKNOWN;
  GstVideoColorRange range_ = GST_VIDEO_COLOR_RANGE_UNKNOWN;
  int width_ = 0, height_ = 0;
  std::vector<std::uint8_t> alpha_;
  std::vector<std::uint8_t> colour_[3];  // per component of the layout (R G B or Y U V)
};

// The picture as a BGR image (the grabs' format), converted only when its
// layout is another; null when the frame cannot be read.
class BgrPicture {
 public:
  QImage From(const GstVideoFrame &frame);

 private:
  struct ConverterFree {
    void operator()(GstVideoConverter *c) const { gst_video_converter_free(c); }
  };
  std::unique_ptr<GstVideoConverter, ConverterFree> converter_;
  GstVideoInfo from_{};
};

}  // namespace vistrel::filters
