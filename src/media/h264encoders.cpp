#include "media/h264encoders.h"

#include <algorithm>

namespace vistrel::media {

namespace {

constexpr const char *kVideoOrder[] = {"vah264enc", "vaapih264enc", "x264enc", "openh264enc"};
constexpr const char *kAudioOrder[] = {"fdkaacenc", "avenc_aac", "voaacenc"};

bool IsHardware(const QString &factory) { return factory.startsWith("va"); }

void SetArg(GstElement *e, const char *property, const QString &value) {
  if (g_object_class_find_property(G_OBJECT_GET_CLASS(e), property))
    gst_util_set_object_arg(G_OBJECT(e), property, value.toUtf8().constData());
}

ElementRef Make(const QString &factory) {
  return ElementRef::Adopt(factory.isEmpty() ? nullptr
                                             : gst_element_factory_make(factory.toUtf8().constData(), nullptr));
}

}  // namespace

Mp4Encoders ChooseMp4Encoders(const std::function<bool(const char *)> &canMake) {
  Mp4Encoders e;
  for (const char *f : kVideoOrder)
    if (canMake(f)) {
      e.video = QString::fromLatin1(f);
      break;
    }
  for (const char *f : kAudioOrder)
    if (canMake(f)) {
      e.audio = QString::fromLatin1(f);
      break;
    }
  e.hardware = IsHardware(e.video);
  return e;
}

Mp4Encoders InstalledMp4Encoders() {
  return ChooseMp4Encoders([](const char *factory) {
    if (!gst_is_initialized()) return false;
    GstElementFactory *f = gst_element_factory_find(factory);
    if (!f) return false;
    gst_object_unref(f);
    return true;
  });
}

int PresetFor(int setting, qint64 pixelsPerSecond) {
  if (setting >= 0) return std::min(setting, kH264PresetCount - 1);
  // A rate read from a frame duration is a hair over 30 (30.00003).
  return pixelsPerSecond > qint64(1280) * 720 * 31 ? 0 : 2;
}

// No B-frames: a fragmented MP4's header is written before the first frame,
// so it cannot carry the edit that takes their reordering delay off the
// picture, which would then play two frames behind its sound.
ElementRef MakeH264Encoder(const QString &factory, int quality, int preset, int keyInterval) {
  ElementRef made = Make(factory);
  GstElement *e = made.get();
  if (!e) return made;
  quality = std::clamp(quality, 0, kH264MaxQuality);
  preset = std::clamp(preset, 0, kH264PresetCount - 1);
  const QString q = QString::number(quality), key = QString::number(std::max(1, keyInterval));
  if (factory == "x264enc") {
    SetArg(e, "pass", "qual");  // constant quality: "quantizer" is the rate factor
    SetArg(e, "quantizer", q);
    SetArg(e, "speed-preset", kH264Presets[preset]);
    SetArg(e, "key-int-max", key);
    // A kill loses what the look-ahead holds as well as the open fragment.
    SetArg(e, "rc-lookahead", "10");
    SetArg(e, "bframes", "0");
  } else if (factory == "openh264enc") {
    SetArg(e, "rate-control", "off");
    SetArg(e, "qp-min", q);
    SetArg(e, "qp-max", q);
    SetArg(e, "complexity", preset < 2 ? "low" : preset < 5 ? "medium" : "high");
    SetArg(e, "gop-size", key);
  } else {
    // VA-API: a fixed quantizer, and the speed as the driver's target usage
    // (1 best quality, 7 fastest).
    const QString usage = QString::number(7 - preset);
    SetArg(e, "rate-control", "cqp");
    for (const char *p : {"qpi", "qpp", "qpb", "init-qp"}) SetArg(e, p, q);
    SetArg(e, "target-usage", usage);
    SetArg(e, "quality-level", usage);
    SetArg(e, "key-int-max", key);
    SetArg(e, "keyframe-period", key);
    SetArg(e, "b-frames", "0");
    SetArg(e, "max-bframes", "0");
  }
  return made;
}

ElementRef MakeAacEncoder(const QString &factory, int bitrate) {
  ElementRef made = Make(factory);
  if (made) SetArg(made.get(), "bitrate", QString::number(bitrate));
  return made;
}

QString DescribeMp4Encoders(const Mp4Encoders &e) {
  const QString video =
      e.video.isEmpty() ? QStringLiteral("no H.264 encoder") : e.video + (e.hardware ? " (hardware)" : " (software)");
  return video + ", " + (e.audio.isEmpty() ? QStringLiteral("no AAC encoder") : e.audio);
}

}  // namespace vistrel::media
