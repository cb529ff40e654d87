#pragma once
// The media types the own filters accept, as caps. Interleaved DV is
// video/x-dv with systemstream=true, dvsd the same with systemstream=false;
// 24-bit RGB is BGR in memory order.
#include "media/gstref.h"

namespace vistrel::filters {

media::CapsRef DvCaps();
media::CapsRef Rgb24Caps();
bool IsDvCaps(const GstCaps *caps);
bool IsRgb24Caps(const GstCaps *caps);
// Width and height of fixed video caps; false when either is missing.
bool VideoSize(const GstCaps *caps, int &width, int &height);

}  // namespace vistrel::filters
