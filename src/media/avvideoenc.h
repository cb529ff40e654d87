#pragma once
// The program's own video encoder element over libavcodec, for the formats
// whose stock GStreamer encoders are unusable here (MPEG-1/2 refuse to
// negotiate, and none of them honours a bit rate). Registered statically as
// "vistrelavenc"; the codec is a property:
//   codec        mpeg1 | mpeg2 | mpeg4 | wmv2
//   bitrate      bits per second, average over the stream (default 2000000)
//   gop-size     frames between key frames (default 12)
//   max-bframes  B-frames between references (default 0: no reordering)
//   threads      encoder threads, 0 = one per core (default 0)
// MPEG-4 output follows what downstream asks: video/x-divx,divxversion=5,
// video/x-xvid or video/mpeg,mpegversion=4. WMV2 carries its codec_data.
// Output time stamps are the input's: no offset, DTS <= PTS.
#include "media/gstref.h"

#include <gst/gst.h>

namespace vistrel::media {

enum class AvVideoCodec { Mpeg1 = 1, Mpeg2 = 2, Mpeg4 = 4, Wmv2 = 8 };

// Registers the element type once; safe to call from any thread, any time.
bool RegisterAvVideoEncoder();

// A configured encoder (registered on first use); null when libavcodec lacks
// the codec.
ElementRef MakeAvVideoEncoder(AvVideoCodec codec, int bitrate, int gopSize = 12, int maxBFrames = 0);

}  // namespace vistrel::media
