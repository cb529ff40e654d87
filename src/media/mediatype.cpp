#include "media/mediatype.h"

#include <gst/video/video.h>

#include <array>
#include <climits>
#include <initializer_list>
#include <numeric>

namespace vistrel::media {
namespace {

struct RawVideoEntry {
  const char *gstFormat;
  const char *subtype;
  quint32 fourCC;
  int bitCount;
};

// Uncompressed RGB carries FourCC 0 (or 3, bit fields, for 16-bit RGB), as a
// bitmap header would.
constexpr std::array kRawVideo{
    RawVideoEntry{"BGR", "RGB24", 0, 24},
    RawVideoEntry{"BGRx", "RGB32", 0, 32},
    RawVideoEntry{"BGRA", "ARGB32", 0, 32},
    RawVideoEntry{"RGB16", "RGB565", 3, 16},
    RawVideoEntry{"RGB15", "RGB555", 0, 16},
    RawVideoEntry{"YUY2", "YUY2", MakeFourCC('Y', 'U', 'Y', '2'), 16},
    RawVideoEntry{"UYVY", "UYVY", MakeFourCC('U', 'Y', 'V', 'Y'), 16},
    RawVideoEntry{"YVYU", "YVYU", MakeFourCC('Y', 'V', 'Y', 'U'), 16},
    RawVideoEntry{"I420", "I420", MakeFourCC('I', '4', '2', '0'), 12},
    RawVideoEntry{"YV12", "YV12", MakeFourCC('Y', 'V', '1', '2'), 12},
    RawVideoEntry{"NV12", "NV12", MakeFourCC('N', 'V', '1', '2'), 12},
    RawVideoEntry{"GRAY8", "Y800", MakeFourCC('Y', '8', '0', '0'), 8},
};

struct RawAudioEntry {
  const char *gstFormat;
  const char *subtype;
  quint16 tag;
  quint16 bits;
};

constexpr std::array kRawAudio{
    RawAudioEntry{"U8", "PCM", 1, 8},
    RawAudioEntry{"S16LE", "PCM", 1, 16},
    RawAudioEntry{"S24LE", "PCM", 1, 24},
    RawAudioEntry{"S32LE", "PCM", 1, 32},
    RawAudioEntry{"F32LE", "IEEE_FLOAT", 3, 32},
};

// Container streams: caps name, subtype.
constexpr std::array<std::array<const char *, 2>, 5> kStreams{{
    {"video/x-msvideo", "Avi"},
    {"video/x-ms-asf", "Asf"},
    {"audio/x-wav", "WAVE"},
    {"video/mpegts", "MPEG2Transport"},
    {"application/x-id3", "ID3"},
}};

int IntField(const GstStructure *s, const char *name) {
  int v = 0;
  return gst_structure_get_int(s, name, &v) ? v : 0;
}

bool BoolField(const GstStructure *s, const char *name) {
  gboolean v = FALSE;
  return gst_structure_get_boolean(s, name, &v) && v;
}

QString StringField(const GstStructure *s, const char *name) {
  const char *v = gst_structure_get_string(s, name);
  return v ? QString::fromUtf8(v) : QString();
}

// Picture size, frame duration and picture aspect common to every video type.
VideoFormat VideoFields(const GstStructure *s, bool withAspect) {
  VideoFormat v;
  v.width = IntField(s, "width");
  v.height = IntField(s, "height");
  int n = 0, d = 0;
  if (gst_structure_get_fraction(s, "framerate", &n, &d) && n > 0 && d > 0)
    v.frameDuration = (qint64(d) * 10000000 + n / 2) / n;
  if (withAspect && v.width > 0 && v.height > 0 &&
      gst_structure_get_fraction(s, "pixel-aspect-ratio", &n, &d) && n > 0 && d > 0) {
    qint64 x = qint64(v.width) * n, y = qint64(v.height) * d;
    const qint64 g = std::gcd(x, y);
    if (x / g <= INT_MAX && y / g <= INT_MAX) {
      v.aspectX = int(x / g);
      v.aspectY = int(y / g);
    }
  }
  return v;
}

bool HasNonSquarePixels(const GstStructure *s) {
  int n = 0, d = 0;
  return gst_structure_get_fraction(s, "pixel-aspect-ratio", &n, &d) && d > 0 && n != d;
}

MediaType VideoType(const GstStructure *s, const QString &name) {
  MediaType t;
  t.major = MajorType::Video;
  t.formatType = FormatType::VideoInfo;
  const bool nonSquare = HasNonSquarePixels(s);
  VideoFormat v = VideoFields(s, nonSquare);
  if (nonSquare) t.formatType = FormatType::VideoInfo2;

  if (name == "video/x-raw") {
    const QString fmt = StringField(s, "format");
    t.subtype = fmt;
    bool known = false;
    for (const auto &e : kRawVideo) {
      if (fmt == QLatin1String(e.gstFormat)) {
        t.subtype = e.subtype;
        v.fourCC = e.fourCC;
        v.bitCount = e.bitCount;
        known = true;
      }
    }
    if (!known && !fmt.isEmpty()) {
      // Any other raw format keeps its GStreamer name; its bits per pixel
      // come from the format's own description.
      const GstVideoFormat f = gst_video_format_from_string(fmt.toLatin1().constData());
      GstVideoInfo info;
      if (f != GST_VIDEO_FORMAT_UNKNOWN && gst_video_info_set_format(&info, f, 16, 16))
        v.bitCount = int(GST_VIDEO_INFO_SIZE(&info) * 8 / 256);
    }
    t.fixedSizeSamples = true;
    if (v.bitCount > 0 && v.width > 0 && v.height > 0) {
      // Rows padded to 32 bits, as in a bitmap; planar 4:2:0 has no padding.
      const qint64 row = v.bitCount == 12 ? qint64(v.width) * 3 : ((qint64(v.width) * v.bitCount + 31) / 32) * 4;
      const qint64 size = v.bitCount == 12 ? row * v.height / 2 : row * v.height;
      t.sampleSize = size > qint64(UINT32_MAX) ? 0 : quint32(size);
    }
  } else if (name == "image/jpeg") {
    t.subtype = "MJPG";
    v.fourCC = MakeFourCC('M', 'J', 'P', 'G');
    v.bitCount = 24;
  } else if (name == "video/x-dv") {
    t.subtype = "dvsd";
    v.fourCC = MakeFourCC('d', 'v', 's', 'd');
    v.bitCount = 24;
    t.fixedSizeSamples = true;
  } else if (name == "video/mpeg") {
    const int version = IntField(s, "mpegversion");
    t.temporalCompression = true;
    if (version == 1) {
      t.subtype = "MPEG1Video";
      t.formatType = FormatType::MpegVideo;
      v.aspectX = v.aspectY = 0;
    } else if (version == 2) {
      t.subtype = "MPEG2Video";
      t.formatType = FormatType::Mpeg2Video;
      v = VideoFields(s, true);
    } else {
      t.subtype = "MPEG4Video";
      v.fourCC = MakeFourCC('D', 'I', 'V', 'X');
      v.bitCount = 24;
    }
  } else if (name == "video/x-divx") {
    const int version = IntField(s, "divxversion");
    v.fourCC = version >= 5 ? MakeFourCC('D', 'X', '5', '0') : MakeFourCC('D', 'I', 'V', 'X');
    t.subtype = version >= 5 ? "DX50" : "DIVX";
    v.bitCount = 24;
    t.temporalCompression = true;
  } else if (name == "video/x-xvid") {
    t.subtype = "XVID";
    v.fourCC = MakeFourCC('X', 'V', 'I', 'D');
    v.bitCount = 24;
    t.temporalCompression = true;
  } else if (name == "video/x-wmv") {
    const int version = IntField(s, "wmvversion");
    t.subtype = QStringLiteral("WMV%1").arg(version);
    v.fourCC = MakeFourCC('W', 'M', 'V', char('0' + qBound(0, version, 9)));
    v.bitCount = 24;
    t.temporalCompression = true;
  } else {
    t.subtype = name;
  }
  t.format = v;
  return t;
}

MediaType AudioType(const GstStructure *s, const QString &name) {
  MediaType t;
  t.major = MajorType::Audio;
  t.formatType = FormatType::WaveFormatEx;
  WaveFormat w;
  w.channels = quint16(IntField(s, "channels"));
  w.samplesPerSec = quint32(IntField(s, "rate"));
  if (name == "audio/x-raw") {
    const QString fmt = StringField(s, "format");
    t.subtype = fmt;
    for (const auto &e : kRawAudio) {
      if (fmt == QLatin1String(e.gstFormat)) {
        t.subtype = e.subtype;
        w.formatTag = e.tag;
        w.bitsPerSample = e.bits;
      }
    }
    w.blockAlign = quint16(w.channels * w.bitsPerSample / 8);
    t.sampleSize = w.blockAlign;
    t.fixedSizeSamples = true;
  } else if (name == "audio/mpeg") {
    const int version = IntField(s, "mpegversion");
    const int layer = IntField(s, "layer");
    if (version == 1 && layer == 3) {
      t.subtype = "MP3";
      w.formatTag = 0x55;
    } else if (version == 1) {
      t.subtype = "MPEG1Audio";
      w.formatTag = 0x50;
    } else {
      t.subtype = "AAC";
      w.formatTag = 0xFF;
    }
  } else if (name == "audio/x-wma") {
    t.subtype = QStringLiteral("WMAudioV%1").arg(IntField(s, "wmaversion") == 2 ? 8 : 7);
    w.formatTag = IntField(s, "wmaversion") == 2 ? 0x161 : 0x160;
  } else {
    t.subtype = name;
  }
  t.format = w;
  return t;
}

// A rate GStreamer elements will accept for a frame duration: the common
// NTSC fractions and whole numbers come back exactly.
void SetFramerate(GstCaps *caps, qint64 duration) {
  if (duration <= 0) return;
  int n = 0, d = 0;
  gst_video_guess_framerate(GstClockTime(duration) * 100, &n, &d);
  if (n <= 0 || d <= 0 || (qint64(d) * 10000000 + n / 2) / n != duration) {
    const qint64 g = std::gcd(qint64(10000000), duration);
    if (duration / g > INT_MAX) return;
    n = int(10000000 / g);
    d = int(duration / g);
  }
  gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, n, d, nullptr);
}

void SetVideoFields(GstCaps *caps, const VideoFormat &v) {
  if (v.width > 0) gst_caps_set_simple(caps, "width", G_TYPE_INT, v.width, nullptr);
  if (v.height > 0) gst_caps_set_simple(caps, "height", G_TYPE_INT, v.height, nullptr);
  SetFramerate(caps, v.frameDuration);
  if (v.aspectX > 0 && v.aspectY > 0 && v.width > 0 && v.height > 0) {
    qint64 n = qint64(v.aspectX) * v.height, d = qint64(v.aspectY) * v.width;
    const qint64 g = std::gcd(n, d);
    if (n / g <= INT_MAX && d / g <= INT_MAX)
      gst_caps_set_simple(caps, "pixel-aspect-ratio", GST_TYPE_FRACTION, int(n / g), int(d / g), nullptr);
  }
}

// Caps of that name, or null when the text is not a valid caps name.
GstCaps *NamedCaps(const QByteArray &name) {
  GstStructure *s = name.isEmpty() ? nullptr : gst_structure_from_string(name.constData(), nullptr);
  if (!s) return nullptr;
  GstCaps *caps = gst_caps_new_empty();
  gst_caps_append_structure(caps, s);
  return caps;
}

// A subtype that is a caps name of the major type's family ("video/x-h264")
// stands for itself; any other unknown subtype is a raw sample format.
GstCaps *FallbackCaps(const QByteArray &sub, const char *rawName, std::initializer_list<const char *> families) {
  for (const char *family : families)
    if (sub.startsWith(family))
      if (GstCaps *named = NamedCaps(sub)) return named;
  GstCaps *caps = gst_caps_new_empty_simple(rawName);
  if (!sub.isEmpty()) gst_caps_set_simple(caps, "format", G_TYPE_STRING, sub.constData(), nullptr);
  return caps;
}

GstCaps *VideoCaps(const MediaType &t) {
  const VideoFormat v = t.video() ? *t.video() : VideoFormat{};
  const QByteArray sub = t.subtype.toUtf8();
  GstCaps *caps = nullptr;
  for (const auto &e : kRawVideo)
    if (sub == e.subtype) caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, e.gstFormat, nullptr);
  if (caps) {
  } else if (sub == "MJPG") {
    caps = gst_caps_new_empty_simple("image/jpeg");
  } else if (sub == "dvsd") {
    caps = gst_caps_new_simple("video/x-dv", "systemstream", G_TYPE_BOOLEAN,
                               t.major == MajorType::Interleaved, nullptr);
  } else if (sub == "MPEG1Video" || sub == "MPEG2Video" || sub == "MPEG4Video") {
    const int version = sub == "MPEG1Video" ? 1 : sub == "MPEG2Video" ? 2 : 4;
    caps = gst_caps_new_simple("video/mpeg", "mpegversion", G_TYPE_INT, version, "systemstream",
                               G_TYPE_BOOLEAN, FALSE, nullptr);
  } else if (sub == "DX50" || sub == "DIVX") {
    caps = gst_caps_new_simple("video/x-divx", "divxversion", G_TYPE_INT, sub == "DX50" ? 5 : 4, nullptr);
  } else if (sub == "XVID") {
    caps = gst_caps_new_empty_simple("video/x-xvid");
  } else if (sub.startsWith("WMV")) {
    caps = gst_caps_new_simple("video/x-wmv", "wmvversion", G_TYPE_INT, sub.mid(3).toInt(), nullptr);
  } else {
    caps = FallbackCaps(sub, "video/x-raw", {"video/", "image/"});
  }
  if (t.major == MajorType::Video) SetVideoFields(caps, v);
  return caps;
}

GstCaps *AudioCaps(const MediaType &t) {
  const WaveFormat w = t.wave() ? *t.wave() : WaveFormat{};
  const QByteArray sub = t.subtype.toUtf8();
  GstCaps *caps = nullptr;
  if (sub == "PCM" || sub == "IEEE_FLOAT") {
    const char *fmt = nullptr;
    for (const auto &e : kRawAudio)
      if (sub == e.subtype && (w.bitsPerSample == 0 ? e.bits == 16 || e.tag == 3 : e.bits == w.bitsPerSample))
        fmt = e.gstFormat;
    caps = gst_caps_new_empty_simple("audio/x-raw");
    if (fmt) gst_caps_set_simple(caps, "format", G_TYPE_STRING, fmt, "layout", G_TYPE_STRING, "interleaved", nullptr);
  } else if (sub == "MP3" || sub == "MPEG1Audio") {
    caps = gst_caps_new_simple("audio/mpeg", "mpegversion", G_TYPE_INT, 1, nullptr);
    if (sub == "MP3") gst_caps_set_simple(caps, "layer", G_TYPE_INT, 3, nullptr);
  } else if (sub == "AAC") {
    caps = gst_caps_new_simple("audio/mpeg", "mpegversion", G_TYPE_INT, 4, nullptr);
  } else if (sub.startsWith("WMAudioV")) {
    caps = gst_caps_new_simple("audio/x-wma", "wmaversion", G_TYPE_INT, sub.endsWith('8') ? 2 : 1, nullptr);
  } else {
    caps = FallbackCaps(sub, "audio/x-raw", {"audio/"});
  }
  if (w.channels > 0) gst_caps_set_simple(caps, "channels", G_TYPE_INT, int(w.channels), nullptr);
  if (w.samplesPerSec > 0) gst_caps_set_simple(caps, "rate", G_TYPE_INT, int(w.samplesPerSec), nullptr);
  return caps;
}

}  // namespace

MediaType MediaType::FromCaps(const GstCaps *caps) {
  if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) return {};
  const GstStructure *s = gst_caps_get_structure(caps, 0);
  const QString name = QString::fromUtf8(gst_structure_get_name(s));

  for (const auto &e : kStreams) {
    if (name == QLatin1String(e[0])) {
      MediaType t;
      t.major = MajorType::Stream;
      t.subtype = e[1];
      return t;
    }
  }
  if (name == "video/x-dv" && BoolField(s, "systemstream")) {
    MediaType t;
    t.major = MajorType::Interleaved;
    t.subtype = "dvsd";
    t.formatType = FormatType::DvInfo;
    t.fixedSizeSamples = true;
    return t;
  }
  if (name == "video/mpeg" && BoolField(s, "systemstream")) {
    MediaType t;
    t.major = MajorType::Stream;
    t.subtype = IntField(s, "mpegversion") == 1 ? "MPEG1System" : "MPEG2Program";
    return t;
  }
  if (name.startsWith("video/") || name.startsWith("image/")) return VideoType(s, name);
  if (name.startsWith("audio/")) return AudioType(s, name);
  MediaType t;
  t.major = MajorType::Other;
  t.subtype = name;
  return t;
}

CapsRef MediaType::ToCaps() const {
  switch (major) {
    case MajorType::None:
      return CapsRef::Adopt(gst_caps_new_any());
    case MajorType::Video:
      return CapsRef::Adopt(VideoCaps(*this));
    case MajorType::Audio:
      return CapsRef::Adopt(AudioCaps(*this));
    case MajorType::Interleaved:
      return CapsRef::Adopt(gst_caps_new_simple("video/x-dv", "systemstream", G_TYPE_BOOLEAN, TRUE, nullptr));
    case MajorType::Stream:
      if (subtype == "MPEG1System" || subtype == "MPEG2Program")
        return CapsRef::Adopt(gst_caps_new_simple("video/mpeg", "systemstream", G_TYPE_BOOLEAN, TRUE,
                                                  "mpegversion", G_TYPE_INT, subtype == "MPEG1System" ? 1 : 2,
                                                  nullptr));
      for (const auto &e : kStreams)
        if (subtype == QLatin1String(e[1])) return CapsRef::Adopt(gst_caps_new_empty_simple(e[0]));
      [[fallthrough]];
    case MajorType::Other:
      // The subtype is the caps name here; anything that is not a valid one gives ANY.
      if (GstStructure *s = subtype.isEmpty() ? nullptr : gst_structure_from_string(subtype.toUtf8().constData(), nullptr)) {
        GstCaps *caps = gst_caps_new_empty();
        gst_caps_append_structure(caps, s);
        return CapsRef::Adopt(caps);
      }
      return CapsRef::Adopt(gst_caps_new_any());
  }
  return CapsRef::Adopt(gst_caps_new_any());
}

QString MediaType::Describe() const {
  static const char *const kMajor[] = {"None", "Video", "Audio", "Interleaved", "Stream", "Other"};
  QString text = QString::fromLatin1(kMajor[int(major)]) + ' ' + subtype;
  if (const VideoFormat *v = video()) {
    text += QStringLiteral(" %1x%2").arg(v->width).arg(v->height);
    if (v->frameDuration > 0) text += QStringLiteral(" %1 fps").arg(10000000.0 / double(v->frameDuration), 0, 'f', 2);
  } else if (const WaveFormat *w = wave()) {
    text += QStringLiteral(" %1 Hz %2 bits %3 ch").arg(w->samplesPerSec).arg(w->bitsPerSample).arg(w->channels);
  }
  return text;
}

}  // namespace vistrel::media
