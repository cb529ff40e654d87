#pragma once
// One media type as the graph code compares and stores it: the major type,
// a subtype, the kind of format block and the format block itself as a plain
// comparable value, converted to and from GStreamer caps.
#include "media/gstref.h"

#include <QString>
#include <QtGlobal>

#include <variant>

namespace vistrel::media {

enum class MajorType { None, Video, Audio, Interleaved, Stream, Other };

// Which kind of format block the type carries.
enum class FormatType { None, VideoInfo, VideoInfo2, MpegVideo, Mpeg2Video, WaveFormatEx, DvInfo };

// The picture description. frameDuration is in 100 ns units (0 = unknown);
// aspectX/aspectY are the picture aspect (0 = not given).
struct VideoFormat {
  int width = 0;
  int height = 0;
  quint32 fourCC = 0;  // 0 for uncompressed RGB
  int bitCount = 0;
  qint64 frameDuration = 0;
  int aspectX = 0;
  int aspectY = 0;
  bool operator==(const VideoFormat &) const = default;
};

// The sound description, laid out as a wave format header.
struct WaveFormat {
  quint16 formatTag = 0;  // 1 PCM, 3 float, 0x50 MPEG audio, 0x55 MP3
  quint16 channels = 0;
  quint32 samplesPerSec = 0;
  quint16 bitsPerSample = 0;
  quint16 blockAlign = 0;
  bool operator==(const WaveFormat &) const = default;
};

using FormatBlock = std::variant<std::monostate, VideoFormat, WaveFormat>;

constexpr quint32 MakeFourCC(char a, char b, char c, char d) {
  return quint32(quint8(a)) | (quint32(quint8(b)) << 8) | (quint32(quint8(c)) << 16) |
         (quint32(quint8(d)) << 24);
}

struct MediaType {
  MajorType major = MajorType::None;
  // Short subtype names: "RGB24", "RGB32", "YUY2", "UYVY", "I420", "YV12",
  // "NV12", "Y800", "MJPG", "dvsd", "MPEG1Video", "MPEG2Video", "MPEG4Video",
  // "PCM", "IEEE_FLOAT", "MPEG1Audio", "MP3", "MPEG2Program", "MPEG1System";
  // for anything else the caps' structure name.
  QString subtype;
  FormatType formatType = FormatType::None;
  FormatBlock format;
  // Not part of the identity of a type (never compared by the graph code).
  quint32 sampleSize = 0;
  bool fixedSizeSamples = false;
  bool temporalCompression = false;

  const VideoFormat *video() const { return std::get_if<VideoFormat>(&format); }
  const WaveFormat *wave() const { return std::get_if<WaveFormat>(&format); }
  bool IsEmpty() const { return major == MajorType::None; }

  // Reads the first structure of caps; fields that are not fixed stay 0.
  // Empty or ANY caps give an empty type.
  static MediaType FromCaps(const GstCaps *caps);
  // Caps for this type; fields left at 0 are not constrained. Empty type: ANY.
  CapsRef ToCaps() const;
  QString Describe() const;

  bool operator==(const MediaType &) const = default;
};

}  // namespace vistrel::media
