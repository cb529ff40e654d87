// Capture chains that write the source's own picture into an AVI: native DV
// (type 2), native AVI, and DV image by image.
#include "filters/vs_controlunit.h"
#include "filters/vs_timestamper.h"
#include "graph/capture_avi_parts.h"
#include "sources/avsources.h"

namespace vistrel {

using namespace avicapture;

bool Tdm::GrapheDV2Natif(const QString &file) {
  BeginCaptureBuild();
  if (!NativeVideoTee) return FailCapture("the video source gives no stream of its own to record");
  if (!SetOutputFileName("avimux", file)) return FailCapture("the AVI file could not be set up");
  GstElement *gate = OwnElement("Control_Capture_Video");
  if (!gate) return FailCapture("the capture gate (Control_Capture_Video) does not exist");
  if (!fg_.AddFilter(gate, "Control_Capture_Video") || !fg_.AddFilter(infdumvideo.get(), "infdumvideo"))
    return FailCapture("the video capture filters could not be added");
  // DV arrives at the camcorder's steady rate and costs nothing to write, so
  // its tap waits rather than drops (no frame filler takes DV).
  media::PadRef tap = VideoTap(*this, NativeVideoTee.get(), false);
  if (!LinkChain(fg_, tap.get(), {gate, infdumvideo.get()}))
    return FailCapture("the DV stream could not reach the capture gate");
  media::PadRef toMux = TeeOutput(infdumvideo.get(), 1);
  media::PadRef videoIn = MuxInput(CaptureMux.get(), true);
  if (!fg_.Connect(toMux.get(), videoIn.get())) return FailCapture("the DV stream could not reach the AVI muxer");
  CountWritten(*this, videoIn.get());
  DeclareBranch(*this, tap.get(), CaptureSink.get());

  if (currentAudio_) {
    media::PadRef audioTap = AudioTap(*this, NativeAudioSource(*this));
    media::PadRef audio = ConvertedAudio(*this, audioTap.get());
    if (!fg_.Connect(audio.get(), MuxInput(CaptureMux.get(), false).get()))
      return FailCapture("the sound could not reach the AVI muxer");
    DeclareBranch(*this, audioTap.get(), CaptureSink.get());
  }
  return true;
}

bool Tdm::GrapheAviNatif(const QString &file) {
  BeginCaptureBuild();
  if (!NativeVideoTee) return FailCapture("the video source gives no stream of its own to record");
  if (!SetOutputFileName("avimux", file)) return FailCapture("the AVI file could not be set up");
  GstElement *gate = OwnElement("Control_Capture_Video");
  if (!gate) return FailCapture("the capture gate (Control_Capture_Video) does not exist");
  if (!fg_.AddFilter(gate, "Control_Capture_Video")) return FailCapture("the capture gate could not be added");
  // The muxer writes frames back to back whatever their times: a frame lost
  // on the way is made up before the gate, so picture and sound keep step
  // (and a frozen gate pauses both).
  media::PadRef tap = VideoTap(*this, NativeVideoTee.get(), true);
  GstElement *rate = AddPart(fg_, "videorate", "videorate");
  if (rate) g_object_set(rate, "skip-to-first", TRUE, nullptr);
  if (!LinkChain(fg_, tap.get(), {rate})) return FailCapture("the video could not reach the frame filler");
  // Raw pictures in a layout the AVI muxer does not store (NV12 from most
  // webcams, RGB from some) are repacked without loss of resolution; the
  // layouts it stores, MJPEG included, pass untouched.
  if (IsRawVideo(NativeVideoTee.get())) {
    GstElement *convert = AddPart(fg_, "videoconvert", "avi native convert");
    GstElement *layouts = AddCapsPart(fg_, "avi native layouts",
                                      "video/x-raw,format={YUY2,I420,BGR,BGRx,BGRA,GRAY8,UYVY}");
    if (!LinkChain(fg_, nullptr, {rate, convert, layouts}))
      return FailCapture("the raw picture could not be repacked for the AVI muxer");
    rate = layouts;
  }
  if (!LinkChain(fg_, nullptr, {rate, gate})) return FailCapture("the video could not reach the capture gate");
  media::PadRef videoIn = MuxInput(CaptureMux.get(), true);
  if (!fg_.Connect(media::FirstUnconnectedPin(gate, GST_PAD_SRC).get(), videoIn.get()))
    return FailCapture("the video could not reach the AVI muxer");
  CountWritten(*this, videoIn.get());
  DeclareBranch(*this, tap.get(), CaptureSink.get());

  if (currentAudio_) {
    GstElement *stamper = OwnElement("AudioCap Tamponer");
    if (!stamper || !fg_.AddFilter(stamper, "AudioCap Tamponer"))
      return FailCapture("the sound time stamper (AudioCap Tamponer) could not be added");
    media::PadRef audioTap = AudioTap(*this, NativeAudioSource(*this));
    media::PadRef audio = ConvertedAudio(*this, audioTap.get());
    if (!LinkPad(fg_, audio.get(), stamper) ||
        !fg_.Connect(media::FirstUnconnectedPin(stamper, GST_PAD_SRC).get(), MuxInput(CaptureMux.get(), false).get()))
      return FailCapture("the sound could not reach the AVI muxer");
    DeclareBranch(*this, audioTap.get(), CaptureSink.get());
  }
  return true;
}

bool Tdm::GrapheImageParImage(const QString &file, std::function<void()> onStop) {
  BeginCaptureBuild();
  if (!SetOutputFileName("avimux", file)) return FailCapture("the AVI file could not be set up");
  GstElement *control = OwnElement("Control Filter");
  if (!control || !fg_.AddFilter(control, "Control Filter"))
    return FailCapture("the image gate (Control Filter) could not be added");
  // Frames pass one at a time when the controller opens the gate, so nothing
  // may fill the gaps; a closed gate drops, it does not lose.
  media::PadRef tap;
  GstElement *dv = nullptr;
  if (IsDvDevice(currentVideo_) && NativeVideoTee) {
    tap = VideoTap(*this, NativeVideoTee.get(), true);
    if (!LinkPad(fg_, tap.get(), control)) return FailCapture("the DV stream could not reach the image gate");
  } else {
    if (!infdecvideo) return FailCapture("there is no decoded picture to encode (no infdecvideo tee)");
    tap = VideoTap(*this, infdecvideo.get(), true);
    // The encoder takes only the standard's own rate; the gate comes after it.
    const bool ntsc = CaptureOptions.StandardDV != 0;
    GstElement *rate = AddFrameRate(*this, tap.get(), ntsc ? "30000/1001" : "25/1");
    dv = rate ? EncodeDv(*this, media::FirstUnconnectedPin(rate, GST_PAD_SRC).get(), ntsc) : nullptr;
    if (!Link(fg_, dv, control)) return FailCapture("the DV picture could not reach the image gate");
  }
  media::PadRef videoIn = MuxInput(CaptureMux.get(), true);
  if (!fg_.Connect(media::FirstUnconnectedPin(control, GST_PAD_SRC).get(), videoIn.get()))
    return FailCapture("the images could not reach the AVI muxer");
  CountWritten(*this, videoIn.get());
  DeclareBranch(*this, tap.get(), CaptureSink.get());

  filters::Tvs_ControlFilter &gate = *ControlFilter();
  gate.MarkSyncPoint = true;
  gate.MarkDiscontinuity = true;
  gate.MediaStep = 1;
  gate.SetStampMediaTime(true);
  gate.Gate = false;
  gate.SetOnStop(std::move(onStop));
  return true;
}

}  // namespace vistrel
