// Format 7: Windows Media. The ASF writer is asfmux with encoders in front of
// it configured from a profile of the WMV table: the picture scaled to the
// profile's size and rate and encoded as WMV 8, the sound as WMA 2.
#include "graph/capture_avi_parts.h"
#include "graph/capture_common.h"
#include "media/avvideoenc.h"
#include "media/wmvprofiles.h"

#include <optional>

namespace vistrel {

namespace {

using avicapture::AddCapsPart;
using avicapture::AddPart;

// libav encoders shift their time stamps by 1000 hours with a matching
// segment; the multiplexer would take that for the file's length.
GstElement *SingleSegment(media::Graph &fg, const QString &name) {
  GstElement *identity = AddPart(fg, "identity", name);
  if (identity) g_object_set(identity, "single-segment", TRUE, nullptr);
  return identity;
}

// The picture from `in`, scaled, held to the profile's rate and encoded; the
// last element, or null.
GstElement *EncodeVideo(Tdm &dm, GstPad *in, const media::WmvProfile &p) {
  media::Graph &fg = dm.fg();
  const QByteArray caps = QStringLiteral("video/x-raw,format=I420,width=%1,height=%2,framerate=%3/1,"
                                         "pixel-aspect-ratio=1/1")
                              .arg(p.width)
                              .arg(p.height)
                              .arg(p.fps)
                              .toUtf8();
  media::ElementRef encoder = media::MakeAvVideoEncoder(media::AvVideoCodec::Wmv2, p.videoKbps * 1000, p.fps * 5);
  if (!encoder) {
    fg.NoteFailure(QStringLiteral("no WMV 8 encoder (vistrelavenc, wmv2) could be made"));
    return nullptr;
  }
  if (!fg.AddFilter(encoder.get(), QStringLiteral("Capture wmv encoder"))) return nullptr;
  GstElement *last = SingleSegment(fg, QStringLiteral("wmv segment"));
  // The rate is held from the first frame on, as in the AVI chains: filling
  // from the segment's start invented thousands of frames for a camera
  // whose times do not start near 0.
  GstElement *rate = AddPart(fg, "videorate", "wmv rate");
  if (rate) g_object_set(rate, "skip-to-first", TRUE, nullptr);
  const bool ok = avicapture::LinkChain(fg, in,
                                        {AddPart(fg, "videoconvert", "wmv convert"), AddPart(fg, "videoscale", "wmv scale"),
                                         rate, AddCapsPart(fg, "wmv size", caps.constData()), encoder.get(), last});
  return ok ? last : nullptr;
}

GstElement *EncodeAudio(Tdm &dm, GstPad *in, const media::WmvProfile &p) {
  media::Graph &fg = dm.fg();
  // Low rates carry little: the sound of the small profiles is mono and narrower.
  const bool small = p.audioKbps < 32;
  const QByteArray caps =
      QStringLiteral("audio/x-raw,rate=%1,channels=%2").arg(small ? 22050 : 44100).arg(small ? 1 : 2).toUtf8();
  GstElement *encoder = AddPart(fg, "avenc_wmav2", "wma encoder");
  if (!encoder) return nullptr;
  g_object_set(encoder, "bitrate", p.audioKbps * 1000, nullptr);
  GstElement *last = SingleSegment(fg, QStringLiteral("wma segment"));
  const bool ok = avicapture::LinkChain(fg, in,
                                        {AddPart(fg, "audioconvert", "wma convert"),
                                         AddPart(fg, "audioresample", "wma resample"),
                                         AddCapsPart(fg, "wma format", caps.constData()), encoder, last});
  return ok ? last : nullptr;
}

// The profile the settings choose, or why there is none.
std::optional<media::WmvProfile> ChosenProfile(const CaptureSettings &o, QString &why) {
  if (o.WmvMediaIndex >= 1) {
    const QList<media::WmvProfile> list = media::WmvSystemProfiles(o.WmvVersion);
    if (o.WmvMediaIndex > list.size()) {
      why = QStringLiteral("the WMV profile %1 of version %2 does not exist (it has %3)")
                .arg(o.WmvMediaIndex)
                .arg(media::WmvVersionCode(o.WmvVersion) >> 16)
                .arg(list.size());
      return std::nullopt;
    }
    return list[o.WmvMediaIndex - 1];
  }
  if (o.WmvDefaultProfile < 0 || o.WmvDefaultProfile > 3) {
    why = QStringLiteral("the default WMV profile %1 does not exist (0 to 3: High, Medium, Low, Internet)")
              .arg(o.WmvDefaultProfile);
    return std::nullopt;
  }
  return media::WmvDefaultProfile(o.WmvDefaultProfile);
}

}  // namespace

bool Tdm::GrapheWmv(const QString &file) {
  BeginCaptureBuild();
  QString noProfile;
  const std::optional<media::WmvProfile> profile = ChosenProfile(CaptureOptions, noProfile);
  if (!profile) return FailCapture(noProfile);
  // Without a sound device the profile's sound streams are left out; a
  // profile with nothing left to record cannot be written.
  const bool withAudio = currentAudio_ && profile->audioKbps > 0 && fg().Contains(infdecaudio.get());
  const bool withVideo = profile->HasVideo() && currentVideo_ && fg().Contains(infdecvideo.get());
  if (!withAudio && !withVideo) {
    const bool both = profile->HasVideo() && profile->audioKbps > 0;
    return FailCapture(QStringLiteral("nothing to record: the WMV profile \"%1\" records %2, and no %3 is connected")
                           .arg(profile->name,
                                both                  ? "picture and sound"
                                : profile->HasVideo() ? "picture only"
                                                      : "sound only",
                                both                  ? "video or sound source"
                                : profile->HasVideo() ? "video source"
                                                      : "sound source"));
  }
  if (!SetOutputFileName(QStringLiteral("asfmux"), file)) return FailCapture("the ASF file could not be set up");
  GstElement *writer = CaptureMux.get();
  if (withVideo) {
    GstElement *gate = capture::AddOwn(*this, QStringLiteral("Control_Capture_Video"));
    media::PadRef tap = avicapture::VideoTap(*this, infdecvideo.get(), true);
    if (!gate || !tap || !avicapture::LinkPad(fg(), tap.get(), gate))
      return FailCapture("the picture could not reach the capture gate");
    GstElement *encoded = EncodeVideo(*this, media::FirstUnconnectedPin(gate, GST_PAD_SRC).get(), *profile);
    media::PadRef in = avicapture::MuxInput(writer, true);  // the writer's pin 1
    if (!encoded) return FailCapture("the picture could not be encoded as WMV");
    if (!fg().Connect(media::FirstUnconnectedPin(encoded, GST_PAD_SRC).get(), in.get()))
      return FailCapture("the WMV video could not reach the ASF writer");
    avicapture::CountWritten(*this, in.get());
    avicapture::DeclareBranch(*this, tap.get(), CaptureSink.get());
  }
  if (withAudio) {
    media::PadRef tap = avicapture::AudioTap(*this, infdecaudio.get());
    GstElement *encoded = tap ? EncodeAudio(*this, tap.get(), *profile) : nullptr;
    media::PadRef in = avicapture::MuxInput(writer, false);  // the writer's pin 0
    if (!encoded) return FailCapture("the sound could not be encoded as WMA");
    if (!fg().Connect(media::FirstUnconnectedPin(encoded, GST_PAD_SRC).get(), in.get()))
      return FailCapture("the WMA sound could not reach the ASF writer");
    avicapture::DeclareBranch(*this, tap.get(), CaptureSink.get());
  }
  return true;
}

}  // namespace vistrel
