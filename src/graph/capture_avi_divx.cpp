// DivX / Xvid: the inlaid picture resized for the chosen aspect, encoded to
// MPEG-4 ASP, with PCM or MP3 sound, in an AVI.
#include "filters/vs_resizer.h"
#include "filters/vs_timestamper.h"
#include "graph/capture_avi_parts.h"
#include "graph/capture_avi_rules.h"
#include "media/startalign.h"
#include "media/avvideoenc.h"
#include "sources/avsources.h"

namespace vistrel {

using namespace avicapture;

namespace {
bool IsOurEncoder(GstElement *e) {
  GstElementFactory *f = e ? gst_element_get_factory(e) : nullptr;
  return f && g_strcmp0(GST_OBJECT_NAME(f), "vistrelavenc") == 0;
}
}  // namespace

bool Tdm::GrapheDivx(const QString &file) {
  BeginCaptureBuild();
  if (!SetOutputFileName("avimux", file)) return FailCapture("the AVI file could not be set up");

  if (IsDvDevice(currentVideo_) && CaptureOptions.DvDemiSiDivX && !DvHalfSize) {
    // Half-size DV decodes faster and is all a DivX file of it needs.
    const bool reconnected = ReconnecterDvTaille(true);
    // The chain that was lost with the old preview is made again.
    if (!reconnected) return FailCapture("the DV camcorder could not be connected again at half size");
    if (!SetOutputFileName("avimux", file)) return FailCapture("the AVI file could not be set up");
  }
  if (!infdecvideo) return FailCapture("there is no decoded picture to encode (no infdecvideo tee)");

  // The compressor: the one chosen when it is ours to configure, else ours.
  if (!IsOurEncoder(divx.Element())) {
    media::RegisterAvVideoEncoder();
    media::FactoryRef factory = media::FactoryRef::Adopt(gst_element_factory_find("vistrelavenc"));
    if (!factory || !divx.Bind(factory.get())) return FailCapture("no MPEG-4 encoder (vistrelavenc) could be made");
  }
  GstElement *encoder = divx.Element();
  g_object_set(encoder, "codec", int(media::AvVideoCodec::Mpeg4), "bitrate",
               std::max(16000, CaptureOptions.DivxBitrate * 1000), "threads", 0, nullptr);
  const bool xvid = WantsXvid(CaptureOptions.DivxFourCC);

  GstElement *gate = OwnElement("Control_Capture_Video");
  GstElement *resizer = OwnElement("Resizer");
  if (!gate || !resizer) return FailCapture("the capture gate or the resizer does not exist");
  if (!fg_.AddFilter(encoder, "divx") || !fg_.AddFilter(resizer, "Resizer") ||
      !fg_.AddFilter(gate, "Control_Capture_Video") || !fg_.AddFilter(infdumvideo.get(), "infdumvideo"))
    return FailCapture("the DivX capture filters could not be added");
  Resizer()->SetAspect(std::uint8_t(CaptureOptions.RatioDivX));
  Resizer()->SetSourceAspect(sourceAspectX_, sourceAspectY_);

  media::PadRef tap = VideoTap(*this, infdecvideo.get(), true);
  GstElement *rate = AddFrameRate(*this, tap.get(), nullptr);
  GstElement *convert = AddPart(fg_, "videoconvert", "divx convert");
  GstElement *i420 = AddCapsPart(fg_, "divx format", "video/x-raw,format=I420");
  // The muxer writes DX50 from DivX 5 caps; Xvid is the same bitstream and
  // gets its name in the header when the file is finished.
  GstElement *named = AddCapsPart(fg_, "divx caps", "video/x-divx,divxversion=5");
  if (!LinkChain(fg_, nullptr, {rate, gate, resizer, convert, i420, encoder, named, infdumvideo.get()}))
    return FailCapture("the picture could not reach the MPEG-4 encoder");
  media::PadRef videoIn = MuxInput(CaptureMux.get(), true);
  if (!fg_.Connect(TeeOutput(infdumvideo.get(), 1).get(), videoIn.get()))
    return FailCapture("the MPEG-4 video could not reach the AVI muxer");
  CountWritten(*this, videoIn.get());
  DeclareBranch(*this, tap.get(), CaptureSink.get());
  if (xvid) SetPendingFourCC(CaptureSink.get(), "XVID");

  if (currentAudio_) {
    GstElement *stamper = OwnElement("AudioCap Tamponer");
    if (!stamper || !fg_.AddFilter(stamper, "AudioCap Timestamper"))
      return FailCapture("the sound time stamper (AudioCap Tamponer) could not be added");
    AudioCapTamponer()->PassTimes();
    media::PadRef audioTap = AudioTap(*this, infdecaudio.get());
    media::PadRef audio = ConvertedAudio(*this, audioTap.get());
    if (!audio) return FailCapture("the sound could not be converted for the capture");
    DeclareBranch(*this, audioTap.get(), CaptureSink.get());
    if (mp3.IsBound() && CaptureOptions.WantMp3) {
      GstElement *lame = mp3.Element();
      g_object_set(lame, "target", 1 /* bitrate */, "cbr", TRUE, "bitrate", CaptureOptions.Mp3Bitrate, nullptr);
      // Straight from the encoder (one whole frame per buffer) into the
      // muxer: "parsed" MP3 makes avimux 1.22 keep a reference to every
      // frame it writes, 5 MB in 4 minutes that only the end of the
      // program gives back. Unparsed, it writes the stream as constant bit
      // rate, with the rate set from the data when the file is finished.
      if (!fg_.AddFilter(lame, "mp3") || !LinkChain(fg_, audio.get(), {lame, stamper}))
        return FailCapture("the sound could not reach the MP3 encoder");
      LeadSound(*this, media::kMp3CodingDelay);
    } else if (!LinkPad(fg_, audio.get(), stamper)) {
      return FailCapture("the sound could not reach its time stamper");
    }
    if (!fg_.Connect(media::FirstUnconnectedPin(stamper, GST_PAD_SRC).get(), MuxInput(CaptureMux.get(), false).get()))
      return FailCapture("the sound could not reach the AVI muxer");
  }
  return true;
}

}  // namespace vistrel
