// DV type 2 re-encoded from the inlaid picture: the picture is encoded to DV,
// the sound is packed into the DV frames and split out again, so the file
// holds DV frames that carry their sound and a separate PCM stream.
#include "filters/vs_dvheader.h"
#include "filters/vs_scenedetect.h"
#include "filters/vs_timestamper.h"
#include "graph/capture_avi_parts.h"
#include "graph/capture_avi_rules.h"
#include "sources/avsources.h"

namespace vistrel {

namespace avicapture {

namespace {
// The DV muxer takes only 48 kHz sound.
constexpr int kDvMuxRate = 48000;

struct SplitterLinks {
  media::PadRef video, audio;
};

// Runs on the splitter's streaming thread; only links, by pad name.
void OnSplitterPad(GstElement *, GstPad *pad, gpointer data) {
  auto *links = static_cast<SplitterLinks *>(data);
  const char *name = GST_PAD_NAME(pad);
  GstPad *target = g_strcmp0(name, "video") == 0 ? links->video.get() : g_strcmp0(name, "audio") == 0 ? links->audio.get() : nullptr;
  if (target && !gst_pad_is_linked(target)) gst_pad_link(pad, target);
}
}  // namespace

void DisconnectSplitter(Tdm &dm) {
  if (dm.DVsplitter)
    g_signal_handlers_disconnect_matched(dm.DVsplitter.get(), G_SIGNAL_MATCH_FUNC, 0, 0, nullptr,
                                         reinterpret_cast<gpointer>(&OnSplitterPad), nullptr);
}

GstElement *EncodeDv(Tdm &dm, GstPad *in, bool ntsc) {
  media::Graph &fg = dm.fg();
  if (!dm.UseDvEncoder()) {
    dm.FailCapture("no DV encoder (avenc_dvvideo) could be made");
    return nullptr;
  }
  if (!fg.AddFilter(dm.DVenc.get(), "DVenc")) {
    dm.FailCapture("the DV encoder could not be added");
    return nullptr;
  }
  // One thread per core: the DV encoder alone would take most of one.
  g_object_set(dm.DVenc.get(), "threads", 0, nullptr);
  GstElement *convert = AddPart(fg, "videoconvert", "dv convert");
  GstElement *scale = AddPart(fg, "videoscale", "dv scale");
  // DV pixels are never square: the picture fills the frame.
  if (scale) g_object_set(scale, "add-borders", FALSE, nullptr);
  GstElement *format = AddCapsPart(fg, "dv format",
                                   ntsc ? "video/x-raw,format=Y41B,width=720,height=480,pixel-aspect-ratio=8/9"
                                        : "video/x-raw,format=I420,width=720,height=576,pixel-aspect-ratio=16/15");
  if (!LinkChain(fg, in, {convert, scale, format, dm.DVenc.get()})) {
    dm.FailCapture("the picture could not reach the DV encoder");
    return nullptr;
  }
  return dm.DVenc.get();
}

}  // namespace avicapture

using namespace avicapture;

bool Tdm::GrapheDV2Recomp(const QString &file) {
  BeginCaptureBuild();
  if (!infdecvideo) return FailCapture("there is no decoded picture to encode (no infdecvideo tee)");
  if (!SetOutputFileName("avimux", file)) return FailCapture("the AVI file could not be set up");
  const bool dvSource = IsDvDevice(currentVideo_);
  filters::Tvs_SceneDetect *detector = currentVideo_ ? currentVideo_->SceneDetector : nullptr;
  const bool ntsc = CaptureDvNtsc(CaptureOptions, dvSource, detector ? detector->Current().System : 2);

  GstElement *header = OwnElement("DV Header");
  GstElement *stamper = OwnElement("VideoCap Tamponer");
  GstElement *gate = OwnElement("Control_Capture_Video");
  if (!header || !stamper || !gate) return FailCapture("the DV header, video stamper or capture gate does not exist");
  if (!fg_.AddFilter(header, "DV Header") || !fg_.AddFilter(stamper, "VideoCap Tamponer") ||
      !fg_.AddFilter(gate, "Control_Capture_Video") || !fg_.AddFilter(infdumvideo.get(), "infdumvideo"))
    return FailCapture("the DV capture filters could not be added");

  // Video: the frame filler comes before the gate, so a frozen capture
  // pauses picture and sound together.
  media::PadRef tap = VideoTap(*this, infdecvideo.get(), true);
  GstElement *rate = AddFrameRate(*this, tap.get(), ntsc ? "30000/1001" : "25/1");
  if (!Link(fg_, rate, gate)) return FailCapture("the picture could not reach the capture gate");
  GstElement *dv = EncodeDv(*this, media::FirstUnconnectedPin(gate, GST_PAD_SRC).get(), ntsc);
  // The DV encoder shifts its time stamps by 1000 hours (with a matching
  // segment); the DV muxer pairs picture and sound by time stamp, so without
  // running times it would hold every frame back until the end.
  GstElement *running = AddPart(fg_, "identity", "dv running time");
  if (running) g_object_set(running, "single-segment", TRUE, nullptr);
  if (!LinkChain(fg_, nullptr, {dv, running, header, stamper, infdumvideo.get()}))
    return FailCapture("the DV frames could not reach the DV header and stamper");
  DVHeader()->DVSource = detector;
  DVHeader()->SetMode(CaptureOptions.GarderFormatDV ? 2 : std::uint8_t(CaptureOptions.RatioDV));
  media::PadRef encoded = TeeOutput(infdumvideo.get(), 1);
  DeclareBranch(*this, tap.get(), CaptureSink.get());

  media::PadRef videoIn = MuxInput(CaptureMux.get(), true);
  CountWritten(*this, videoIn.get());
  if (!currentAudio_)
    return fg_.Connect(encoded.get(), videoIn.get()) || FailCapture("the DV frames could not reach the AVI muxer");

  GstElement *audioStamper = OwnElement("AudioCap Tamponer");
  if (!audioStamper || !fg_.AddFilter(audioStamper, "AudioCap Tamponer"))
    return FailCapture("the sound time stamper (AudioCap Tamponer) could not be added");
  AudioCapTamponer()->PassTimes();
  media::PadRef audioTap = AudioTap(*this, infdecaudio.get());
  if (!LinkPad(fg_, audioTap.get(), audioStamper)) return FailCapture("the sound could not reach its time stamper");
  media::PadRef audio = ConvertedAudio(*this, media::FirstUnconnectedPin(audioStamper, GST_PAD_SRC).get());
  DeclareBranch(*this, audioTap.get(), CaptureSink.get());
  media::PadRef audioIn = MuxInput(CaptureMux.get(), false);
  if (!audio) return FailCapture("the sound could not be converted for the capture");
  if (!audioIn) return FailCapture("the AVI muxer gave no sound input");

  if (CaptureAudioRate(CaptureOptions, dvSource, audioRate_) != kDvMuxRate) {
    // Sound the DV muxer cannot carry goes beside the DV frames only.
    if (!fg_.Connect(encoded.get(), videoIn.get())) return FailCapture("the DV frames could not reach the AVI muxer");
    return fg_.Connect(audio.get(), audioIn.get()) || FailCapture("the sound could not reach the AVI muxer");
  }
  if (!UseDvMuxer()) return FailCapture("no DV muxer (avmux_dv) could be made");
  if (!DVsplitter) return FailCapture("no DV splitter (dvdemux) could be made");
  if (!fg_.AddFilter(DVmux.get(), "DVmux") || !fg_.AddFilter(DVsplitter.get(), "DVsplitter"))
    return FailCapture("the DV muxer and splitter could not be added");
  media::PadRef dvVideoIn = media::PadRef::Adopt(gst_element_request_pad_simple(DVmux.get(), "video_%u"));
  media::PadRef dvAudioIn = media::PadRef::Adopt(gst_element_request_pad_simple(DVmux.get(), "audio_%u"));
  if (!fg_.Connect(encoded.get(), dvVideoIn.get()) || !fg_.Connect(audio.get(), dvAudioIn.get()) ||
      !Link(fg_, DVmux.get(), DVsplitter.get()))
    return FailCapture("the picture and sound could not be packed into DV frames");
  // The splitter feeds both inputs of the AVI muxer from one thread; a queue
  // on each keeps the muxer from waiting on one input while the other is fed.
  GstElement *videoQueue = AddPart(fg_, "queue", "split video queue");
  GstElement *audioQueue = AddPart(fg_, "queue", "split audio queue");
  if (!videoQueue || !audioQueue || !fg_.Connect(media::Pin(videoQueue, 1).get(), videoIn.get()) ||
      !fg_.Connect(media::Pin(audioQueue, 1).get(), audioIn.get()))
    return FailCapture("the split DV streams could not reach the AVI muxer");
  DisconnectSplitter(*this);
  g_signal_connect_data(DVsplitter.get(), "pad-added", G_CALLBACK(&OnSplitterPad),
                        new SplitterLinks{media::Pin(videoQueue, 0), media::Pin(audioQueue, 0)},
                        [](gpointer data, GClosure *) { delete static_cast<SplitterLinks *>(data); }, GConnectFlags(0));
  return true;
}

}  // namespace vistrel
