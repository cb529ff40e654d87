// MP4 with H.264 and AAC: the inlaid picture and the sound encoded by what
// the system offers (media::InstalledMp4Encoders), into a fragmented MP4.
// Each second the muxer writes a whole fragment (moof + mdat) after the
// header it wrote first, so a killed recording is a file players open up to
// its last whole fragment; the end of a finished file adds the fragment index
// (mfra) that readers seek by.
#include "graph/capture_avi_parts.h"
#include "graph/capture_common.h"
#include "media/h264encoders.h"

namespace vistrel {

namespace {

using avicapture::AddCapsPart;
using avicapture::AddPart;

constexpr guint kFragmentMs = 1000;
constexpr int kAacBitrate = 160000;

// `made` into the graph under its capture name; the graph holds it from then on.
GstElement *AddMade(media::Graph &fg, const media::ElementRef &made, const QString &name) {
  return made && fg.AddFilter(made.get(), QStringLiteral("Capture ") + name) ? made.get() : nullptr;
}

}  // namespace

bool Tdm::GrapheMp4(const QString &file) {
  BeginCaptureBuild();
  const media::Mp4Encoders encoders = media::InstalledMp4Encoders();
  if (encoders.video.isEmpty()) return FailCapture("no H.264 encoder (x264enc, openh264enc, VA-API) is installed");
  const bool withVideo = currentVideo_ && fg().Contains(infdecvideo.get());
  if (!withVideo) return FailCapture("there is no decoded picture to encode (no infdecvideo tee)");
  const bool withAudio = currentAudio_ && fg().Contains(infdecaudio.get());
  if (withAudio && encoders.audio.isEmpty()) return FailCapture("no AAC encoder (avenc_aac, voaacenc) is installed");
  if (!SetOutputFileName(QStringLiteral("mp4mux"), file)) return FailCapture("the MP4 file could not be set up");
  GstElement *writer = CaptureMux.get();
  g_object_set(writer, "fragment-duration", kFragmentMs, nullptr);

  media::Graph &g = fg();
  GstElement *gate = capture::AddOwn(*this, QStringLiteral("Control_Capture_Video"));
  media::PadRef tap = avicapture::VideoTap(*this, infdecvideo.get(), true);
  GstElement *rate = tap ? avicapture::AddFrameRate(*this, tap.get(), nullptr) : nullptr;
  if (!gate || !rate || !avicapture::Link(g, rate, gate))
    return FailCapture("the picture could not reach the capture gate");
  // The source's size and rate as the preview found them (zeros before its first frame).
  const double fps = sourceFps_ > 0 && sourceFps_ < 1000 ? sourceFps_ : 30.0;
  const int preset = media::PresetFor(CaptureOptions.H264Preset, qint64(double(sourceWidth_) * sourceHeight_ * fps));
  // A key frame every two seconds: a seek lands within that of its target.
  const int keyInterval = std::max(1, int(fps * 2 + 0.5));
  GstElement *encoder =
      AddMade(g, media::MakeH264Encoder(encoders.video, CaptureOptions.H264Quality, preset, keyInterval),
              QStringLiteral("h264 encoder"));
  if (!encoder) return FailCapture(QStringLiteral("the H.264 encoder (%1) could not be made").arg(encoders.video));
  GstElement *parsed = AddCapsPart(g, "h264 caps", "video/x-h264,stream-format=avc,alignment=au");
  if (!avicapture::LinkChain(
          g, nullptr,
          {gate, AddPart(g, "videoconvert", "h264 convert"), AddCapsPart(g, "h264 format", "video/x-raw,format=I420"),
           encoder, AddPart(g, "h264parse", "h264 parse"), parsed}))
    return FailCapture("the picture could not reach the H.264 encoder");
  media::PadRef videoIn = avicapture::MuxInput(writer, true);
  if (!g.Connect(media::FirstUnconnectedPin(parsed, GST_PAD_SRC).get(), videoIn.get()))
    return FailCapture("the H.264 video could not reach the MP4 writer");
  avicapture::CountWritten(*this, videoIn.get());
  avicapture::DeclareBranch(*this, tap.get(), CaptureSink.get());

  if (withAudio) {
    media::PadRef audioTap = avicapture::AudioTap(*this, infdecaudio.get());
    GstElement *aac = AddMade(g, media::MakeAacEncoder(encoders.audio, kAacBitrate), QStringLiteral("aac encoder"));
    if (!audioTap || !aac)
      return FailCapture(QStringLiteral("the AAC encoder (%1) could not be made").arg(encoders.audio));
    if (!avicapture::LinkChain(
            g, audioTap.get(),
            {AddPart(g, "audioconvert", "aac convert"), AddPart(g, "audioresample", "aac resample"), aac}))
      return FailCapture("the sound could not reach the AAC encoder");
    if (encoders.audio == QLatin1String("avenc_aac")) avicapture::LeadSound(*this, media::kAacCodingDelay);
    if (!g.Connect(media::FirstUnconnectedPin(aac, GST_PAD_SRC).get(), avicapture::MuxInput(writer, false).get()))
      return FailCapture("the AAC sound could not reach the MP4 writer");
    avicapture::DeclareBranch(*this, audioTap.get(), CaptureSink.get());
  }
  return true;
}

}  // namespace vistrel
