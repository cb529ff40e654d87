#pragma once
// The capture pad's media types, the user's persisted choice among them, and
// the description of the streams as connected: codec, size, picture ratio,
// frame duration and rate, and which formats the device then records natively.
#include "media/gstref.h"
#include "sources/capturedevice.h"

#include <QString>

#include <vector>

namespace vistrel::sources {

class TVideoSource;

constexpr int kMaxMediaTypes = 300;
// 25 frames a second, in 100 ns units: stands in for a missing frame duration.
constexpr qint64 kDefaultFrameDuration = 400000;

struct MediaTypeList {
  std::vector<media::CapsRef> Entries;
  int Count() const { return int(Entries.size()); }
};

// Refills the list from the device's capture pad: one entry per caps
// structure and frame rate, at most 300. A device without a capture pad
// leaves the list as it was.
void FillMediaTypeList(const TCaptureDevice &device, MediaTypeList &list);
// The sound formats of the device's audio capture pad (empty: none to
// choose), and the formats of its preview output (empty: it has none).
void FillAudioFormatList(const TCaptureDevice &device, MediaTypeList &list);
void FillPreviewTypeList(const TCaptureDevice &device, MediaTypeList &list);
// Applies entry `numMediatype` (1-based) to the device; false, and nothing
// applied, for 0 or a number beyond the list.
bool ApplyMediaType(TCaptureDevice &device, const MediaTypeList &list, int numMediatype);
// The video start's share: the device's list refilled and the saved choice
// applied when it is within the list.
bool ApplySavedMediaType(TCaptureDevice &device, int numMediatype);
// The 1-based index of the first entry equal to `current`, or `previous`
// when none is equal.
int TakeBackMediaType(const MediaTypeList &list, const GstCaps *current, int previous);
// One line for the user: "YUY2 640x480 30.00 fps", "48000 Hz 16 bits stereo".
QString DescribeMediaType(const GstCaps *caps);
// The device's offer as text when none of it is a picture a chain can be
// negotiated for: raw video with no pixel format, or only formats GStreamer
// does not know (a PipeWire node whose format is unset). Empty when some of
// it can be taken, or when nothing is offered to judge by.
QString UnreadablePictureOffer(const GstCaps *caps);

// The frame duration rule: the low 32 bits of the stated duration; below 1000
// (none stated, or nonsense) it is taken as 25 frames a second.
qint64 FrameDurationRule(qint64 avgTimePerFrame);

struct VideoStreamDescription {
  QString SourceCodec;
  int SourceWidth = 0, SourceHeight = 0;
  int SourceAspectX = 0, SourceAspectY = 0;
  qint64 FrameDuration = kDefaultFrameDuration;
  double SourceFps = 25.0;
  bool SourceCompressed = false;
  // Set when the format decides them (0: leave as they are).
  quint8 StreamKind = 0;
  quint8 NativeFormat1 = 0, NativeFormat2 = 0;
  bool ChangesNativeFormats = false;
};

// The description of a connected video stream. `mpeg2RatioNormal`: an MPEG-2
// stream stating no ratio, or its pixel size as ratio, is shown as 4:3.
VideoStreamDescription DescribeVideoStream(const GstCaps *connected, bool mpeg2RatioNormal);
// Reads the caps flowing out of the device's native video tee, and updates
// the source's stream kind and the device's native formats.
VideoStreamDescription DescribeCurrentVideo(TVideoSource &source, bool mpeg2RatioNormal);

struct AudioStreamDescription {
  int AudioRate = 0, AudioBits = 0, AudioChannels = 0;
};
AudioStreamDescription DescribeAudioStream(const GstCaps *connected);

}  // namespace vistrel::sources
