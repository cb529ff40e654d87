#pragma once
// A live source element that asks a C++ callback for each frame and pushes it
// at the frame rate of the clock, like a device delivering frames.
#include "media/gstref.h"

#include <gst/gst.h>

#include <functional>

namespace vistrel::sources::detail {

// Called on the streaming thread with the frame number since start; returns
// a new buffer (ownership passes) or null to end the stream with an error.
using FrameMaker = std::function<GstBuffer *(guint64 frame)>;

media::ElementRef MakeFrameSource(GstCaps *caps, int fpsN, int fpsD, FrameMaker maker);

}  // namespace vistrel::sources::detail
