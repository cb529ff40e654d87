#include "sources/mediatypes.h"

#include <gst/video/video.h>

#include <QRegularExpression>
#include <numeric>

#include "media/mediatype.h"
#include "media/pins.h"
#include "sources/avsources.h"

namespace vistrel::sources {

using media::FormatType;
using media::MediaType;

namespace {

QString FourCCText(quint32 code) {
  QString s;
  for (int i = 0; i < 4; ++i) {
    const char c = char((code >> (8 * i)) & 0xff);
    if (quint8(c) < 32) return {};
    s += QLatin1Char(c);
  }
  return s;
}

// The picture ratio as the stream states it: display width and height from
// the pixel aspect, kept as the pixel size when the pixels are square.
void StatedRatio(const GstStructure *s, int width, int height, int &x, int &y) {
  x = y = 0;
  int n = 0, d = 0;
  if (width <= 0 || height <= 0 || !gst_structure_get_fraction(s, "pixel-aspect-ratio", &n, &d) || n <= 0 || d <= 0)
    return;
  if (n == d) {
    x = width;
    y = height;
    return;
  }
  const qint64 ax = qint64(width) * n, ay = qint64(height) * d;
  const qint64 g = std::gcd(ax, ay);
  x = int(ax / g);
  y = int(ay / g);
}

}  // namespace

void FillMediaTypeList(const TCaptureDevice &device, MediaTypeList &list) {
  media::CapsRef caps = device.CaptureCaps();
  if (!caps || gst_caps_is_any(caps.get()) || gst_caps_is_empty(caps.get())) return;
  list.Entries = SplitFormats(caps.get(), kMaxMediaTypes);
}

void FillAudioFormatList(const TCaptureDevice &device, MediaTypeList &list) {
  list.Entries = SplitAudioFormats(device.AudioCaptureCaps().get());
}

void FillPreviewTypeList(const TCaptureDevice &device, MediaTypeList &list) {
  list.Entries = SplitFormats(device.PreviewCaps().get(), kMaxMediaTypes);
}

bool ApplyMediaType(TCaptureDevice &device, const MediaTypeList &list, int numMediatype) {
  if (numMediatype < 1 || numMediatype > list.Count()) return false;
  device.SetFormat(list.Entries[size_t(numMediatype - 1)].get());
  return true;
}

bool ApplySavedMediaType(TCaptureDevice &device, int numMediatype) {
  if (numMediatype < 1) return false;
  MediaTypeList list;
  FillMediaTypeList(device, list);
  return ApplyMediaType(device, list, numMediatype);
}

int TakeBackMediaType(const MediaTypeList &list, const GstCaps *current, int previous) {
  if (!current) return previous;
  for (int i = 0; i < list.Count(); ++i)
    if (gst_caps_is_equal(list.Entries[size_t(i)].get(), current)) return i + 1;
  return previous;
}

QString DescribeMediaType(const GstCaps *caps) {
  const MediaType t = MediaType::FromCaps(caps);
  QString text = t.subtype.isEmpty() ? QStringLiteral("?") : t.subtype;
  if (t.major == media::MajorType::Interleaved) {
    text = QStringLiteral("DV interleaved");
    int w = 0, h = 0;
    const GstStructure *s = gst_caps_get_structure(caps, 0);
    if (gst_structure_get_int(s, "width", &w) && gst_structure_get_int(s, "height", &h))
      text += QStringLiteral(" %1x%2").arg(w).arg(h);
  } else if (const auto *v = t.video()) {
    text += QStringLiteral(" %1x%2").arg(v->width).arg(v->height);
    if (v->frameDuration > 0) text += QStringLiteral(" %1 fps").arg(1e7 / double(v->frameDuration), 0, 'f', 2);
  } else if (const auto *w = t.wave()) {
    const QString layout = w->channels == 1   ? QStringLiteral("mono")
                           : w->channels == 2 ? QStringLiteral("stereo")
                                              : QStringLiteral("%1 channels").arg(w->channels);
    text = QStringLiteral("%1 Hz %2 bits %3").arg(w->samplesPerSec).arg(w->bitsPerSample).arg(layout);
  }
  return text;
}

qint64 FrameDurationRule(qint64 avgTimePerFrame) {
  const qint64 low = qint64(quint32(quint64(avgTimePerFrame) & 0xffffffffu));
  return low < 1000 ? kDefaultFrameDuration : low;
}

VideoStreamDescription DescribeVideoStream(const GstCaps *connected, bool mpeg2RatioNormal) {
  VideoStreamDescription d;
  if (!connected || gst_caps_is_empty(connected) || gst_caps_is_any(connected)) return d;
  const MediaType t = MediaType::FromCaps(connected);
  const media::VideoFormat *v = t.video();
  if (!v) return d;
  d.SourceWidth = v->width;
  d.SourceHeight = v->height;
  d.FrameDuration = FrameDurationRule(v->frameDuration);
  d.SourceFps = 1e7 / double(d.FrameDuration);
  d.SourceCompressed = t.temporalCompression;
  switch (t.formatType) {
    case FormatType::VideoInfo:
      d.SourceCodec = FourCCText(v->fourCC);
      break;
    case FormatType::VideoInfo2:
      d.SourceCodec = FourCCText(v->fourCC);
      d.StreamKind = 2;
      d.NativeFormat1 = 5;
      d.ChangesNativeFormats = true;
      break;
    case FormatType::MpegVideo:
      d.SourceCodec = QStringLiteral("MPEG1");
      d.StreamKind = 3;
      d.NativeFormat1 = 4;
      d.ChangesNativeFormats = true;
      break;
    case FormatType::Mpeg2Video: {
      d.SourceCodec = QStringLiteral("MPEG2");
      d.StreamKind = 4;
      d.NativeFormat1 = 3;
      d.ChangesNativeFormats = true;
      d.SourceCompressed = true;
      StatedRatio(gst_caps_get_structure(connected, 0), d.SourceWidth, d.SourceHeight, d.SourceAspectX, d.SourceAspectY);
      const bool missing = d.SourceAspectX == 0 || d.SourceAspectY == 0;
      const bool pixelSize = d.SourceAspectX == d.SourceWidth && d.SourceAspectY == d.SourceHeight;
      if (mpeg2RatioNormal && (missing || pixelSize)) {
        d.SourceAspectX = 4;
        d.SourceAspectY = 3;
      }
      break;
    }
    default:
      break;
  }
  return d;
}

VideoStreamDescription DescribeCurrentVideo(TVideoSource &source, bool mpeg2RatioNormal) {
  TCaptureDevice *device = source.Device;
  if (!device || !device->Slots().NativeVideoTee) return {};
  media::PadRef out = media::FirstConnectedPin(device->Slots().NativeVideoTee.get(), GST_PAD_SRC);
  media::CapsRef caps = media::CurrentCaps(out.get());
  if (!caps) {
    // Before the first buffer: what the tee's input is held to.
    media::PadRef in = media::Pin(device->Slots().NativeVideoTee.get(), 0);
    caps = media::CapsRef::Adopt(in ? gst_pad_peer_query_caps(in.get(), nullptr) : nullptr);
    if (caps && !gst_caps_is_fixed(caps.get())) caps = media::CapsRef::Adopt(gst_caps_fixate(caps.release()));
  }
  VideoStreamDescription d = DescribeVideoStream(caps.get(), mpeg2RatioNormal);
  if (d.StreamKind != 0 && source.StreamKind != 5) source.StreamKind = d.StreamKind;
  if (d.ChangesNativeFormats && device->Kind == DeviceKind::Video) {
    device->NativeFormat1 = d.NativeFormat1;
    device->NativeFormat2 = d.NativeFormat2;
  }
  return d;
}

AudioStreamDescription DescribeAudioStream(const GstCaps *connected) {
  AudioStreamDescription d;
  const MediaType t = MediaType::FromCaps(connected);
  if (const auto *w = t.wave()) {
    d.AudioRate = int(w->samplesPerSec);
    d.AudioBits = w->bitsPerSample;
    d.AudioChannels = w->channels;
  }
  return d;
}

namespace {

bool KnownPixelFormat(const GValue *format) {
  if (!format) return false;
  if (G_VALUE_HOLDS_STRING(format))
    return gst_video_format_from_string(g_value_get_string(format)) != GST_VIDEO_FORMAT_UNKNOWN;
  if (GST_VALUE_HOLDS_LIST(format))
    for (guint i = 0; i < gst_value_list_get_size(format); ++i)
      if (KnownPixelFormat(gst_value_list_get_value(format, i))) return true;
  return false;
}

}  // namespace

QString UnreadablePictureOffer(const GstCaps *caps) {
  if (!caps || gst_caps_is_any(caps) || gst_caps_is_empty(caps)) return {};
  for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
    const GstStructure *s = gst_caps_get_structure(caps, i);
    // Coded pictures are the decoders' to judge.
    if (!gst_structure_has_name(s, "video/x-raw")) return {};
    if (KnownPixelFormat(gst_structure_get_value(s, "format"))) return {};
  }
  media::GCharPtr text(gst_caps_to_string(caps));
  // Without the value types ("(int)") the offer reads as a user sees it.
  return QString::fromUtf8(text.get()).remove(QRegularExpression(QStringLiteral("\\([a-z]+\\)")));
}

}  // namespace vistrel::sources
