#pragma once
// The H.264 and AAC encoders of the MP4 format, chosen at run time from what
// this system has: a VA-API encoder when a driver offers one, else a software
// one; the quality settings mapped onto each encoder's own properties.
#include <QString>
#include <QtGlobal>
#include <functional>

#include "media/gstref.h"

namespace vistrel::media {

struct Mp4Encoders {
  QString video;  // factory name, empty when no H.264 encoder exists
  QString audio;  // factory name, empty when no AAC encoder exists
  bool hardware = false;
};

// The first of each list the predicate says can be made. Hardware first: it
// leaves the two cores to the preview. Of the AAC encoders the FDK one is the
// best where it is built (Debian leaves it out); FFmpeg's own is next, and
// well ahead of VisualOn's at the same rate.
Mp4Encoders ChooseMp4Encoders(const std::function<bool(const char *factory)> &canMake);
// The same against the registry: a VA-API factory is only listed when a
// driver answers, so a machine without the hardware falls to software.
Mp4Encoders InstalledMp4Encoders();

// The speed presets offered, fastest first; their index is the stored value,
// kH264AutoPreset the speed that the picture's size and rate call for.
inline constexpr const char *kH264Presets[] = {"ultrafast", "superfast", "veryfast", "faster", "fast", "medium"};
inline constexpr int kH264PresetCount = 6;
inline constexpr int kH264AutoPreset = -1;
inline constexpr int kH264DefaultPreset = kH264AutoPreset;
// What the automatic speed gives: on two cores busy with the preview, x264
// keeps up with 720p30 at veryfast and with 1080p25 only at ultrafast
// (docs/performance.md). An unknown picture (0) gets veryfast.
int PresetFor(int setting, qint64 pixelsPerSecond);
inline constexpr int kH264DefaultQuality = 23;  // constant quality, 0 (lossless) to kH264MaxQuality
inline constexpr int kH264MaxQuality = 50;

// An encoder of `factory` set to constant quality `quality` (x264's scale,
// mapped to a fixed quantizer where the encoder has no constant-quality mode),
// `preset` (index into kH264Presets) and a key frame every `keyInterval`
// frames. Empty when the factory cannot be made.
ElementRef MakeH264Encoder(const QString &factory, int quality, int preset, int keyInterval);
// An AAC encoder of `factory` at `bitrate` bit/s; empty when it cannot be made.
ElementRef MakeAacEncoder(const QString &factory, int bitrate);

// "x264enc (software), avenc_aac" for the system report.
QString DescribeMp4Encoders(const Mp4Encoders &e);

}  // namespace vistrel::media
