// The video preview chain: source sub-graph → [colour converter] →
// "Superposer" → infdecvideo (pin 2: decoded capture tap) → queue →
// infsupvideo → "Tamponer Video" → colour converter → video window.
#include "filters/vs_scenedetect.h"
#include "filters/vs_superposer.h"
#include "graph/avgraph.h"
#include "media/debug.h"
#include "media/pins.h"
#include "sources/avsources.h"
#include "sources/devicesettings.h"
#include "sources/mediatypes.h"
#include "ui/videowindow.h"


#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::Graph)

namespace vistrel {

bool Tdm::ConnecterVideo(sources::TVideoSource *device) {
  fg_.Stop();
  if (currentVideo_ && !DeconnecterVideo(currentVideo_, true)) return false;
  if (!device || !device->Device) return false;
  fg_.ClearFailure();
  if (BuildVideoChain(*device)) {
    GST_INFO("video chain of \"%s\" built", device->Name.toUtf8().constData());
    currentVideo_ = device;
    device->Active = true;
    videoConnected_ = true;
    LierCamescope(*device, currentAudio_);
    return true;
  }
  // Whatever was added goes again: left in, its linked pads would make every
  // later connection fail, and a lone source would keep capturing.
  GST_WARNING("video chain of \"%s\" could not be built: %s", device->Name.toUtf8().constData(),
              fg_.LastFailure().isEmpty() ? "no step said why" : fg_.LastFailure().toUtf8().constData());
  RemoveVideoChain(*device);
  return false;
}

bool Tdm::BuildVideoChain(sources::TVideoSource &source) {
  sources::TVideoSource *device = &source;
  sources::TCaptureDevice &dev = *device->Device;
  // A stream that cannot be negotiated is refused before the graph runs: a
  // PipeWire source with no pixel format holds the start for half a minute,
  // then fails, and the next start waits again.
  if (const QString offer = sources::UnreadablePictureOffer(dev.Moniker.Caps()); !offer.isEmpty())
    return fg_.NoteFailure(QStringLiteral("it offers no picture format that can be read (%1)").arg(offer));
  if (!dev.SetSourceGraph()) return false;
  sources::ApplySavedMediaType(dev, numMediatype_);
  // Only a plug-in says its frames come upside down; any other source is upright.
  slots_.SourceInverted = false;
  dev.SetVideoGraph(device->StreamNumber);
  if (!VideoOutPin) return false;
  superposer_->SourceInverted = slots_.SourceInverted;

  GstElement *tamponer = OwnElement("Tamponer Video");
  GstElement *superposer = OwnElement("Superposer");
  if (!tamponer || !superposer || !fg_.AddFilter(tamponer, "Tamponer Video")) return false;
  media::PadRef tamponerIn = media::FirstUnconnectedPin(tamponer, GST_PAD_SINK);
  media::PadRef tamponerOut = media::FirstUnconnectedPin(tamponer, GST_PAD_SRC);
  if (!tamponerIn || !tamponerOut) return false;
  if (!fg_.AddFilter(color1.get(), "color1") || !fg_.AddFilter(infdecvideo.get(), "infdecvideo") ||
      !fg_.AddFilter(color3.get(), "color3") || !fg_.AddFilter(superposer, "Superposer"))
    return false;

  bool ok = fg_.Connect(VideoOutPin.get(), media::Pin(color1.get(), 0).get());
  if (ok) {
    ok = fg_.Connect(media::FirstUnconnectedPin(color1.get(), GST_PAD_SRC).get(), media::Pin(superposer, 0).get());
  } else {
    // The source's output does not take the converter (it already gives
    // what the superposer wants, or nothing it can read): join it straight.
    fg_.RemoveFilter(color1.get());
    ok = fg_.Connect(VideoOutPin.get(), media::Pin(superposer, 0).get());
  }
  if (!ok || !fg_.AddFilter(infsupvideo.get(), "infsupvideo")) return false;
  if (!fg_.Connect(media::FirstUnconnectedPin(superposer, GST_PAD_SRC).get(), media::Pin(infdecvideo.get(), 0).get()))
    return false;
  media::PadRef decBranch = TeeOutput(infdecvideo.get(), 1);
  if (!decBranch || !fg_.Connect(decBranch.get(), media::Pin(infsupvideo.get(), 0).get())) return false;
  // infdecvideo's queue already runs the preview apart from the capture tap,
  // and infsupvideo has no second way out.
  media::PadRef supBranch = TeeDirect(infsupvideo.get(), 1);
  if (!supBranch || !fg_.Connect(supBranch.get(), tamponerIn.get())) return false;
  if (!fg_.Connect(tamponerOut.get(), media::Pin(color3.get(), 0).get())) return false;
  // No window is no reason to refuse the source: the chain stands without it.
  if (VideoRenderer() && fg_.AddFilter(VideoRenderer(), "VideoRenderer"))
    fg_.Connect(media::FirstUnconnectedPin(color3.get(), GST_PAD_SRC).get(), media::Pin(VideoRenderer(), 0).get());

  superposer_->DVSource = device->SceneDetector;
  if (device->SceneDetector) device->SceneDetector->SetEvents(events_);

  if (!media::FirstConnectedPin(NativeVideoTee.get(), GST_PAD_SRC)) return false;
  sources::RouteInput(dev, inputSelect_);
  ++videoGeneration_;
  ReadVideoFacts(*device);
  // Read them again once the stream states its type (always for sources
  // whose type is only known when frames flow, like the DV splitter's).
  WatchNativeVideoCaps();
  return true;
}

namespace {
// True when the native stream's type can be read now: it flows already, or
// the pads before it are held to something definite. A demuxer's dynamic
// pads tell nothing until the first frames.
bool NativeTypeKnown(GstElement *tee) {
  media::PadRef out = media::FirstConnectedPin(tee, GST_PAD_SRC);
  if (media::CurrentCaps(out.get())) return true;
  media::PadRef in = media::Pin(tee, 0);
  media::CapsRef caps = media::CapsRef::Adopt(in ? gst_pad_peer_query_caps(in.get(), nullptr) : nullptr);
  return caps && !gst_caps_is_any(caps.get()) && !gst_caps_is_empty(caps.get());
}
}  // namespace

void Tdm::WatchNativeVideoCaps() {
  media::PadRef in = media::Pin(NativeVideoTee.get(), 0);
  const int generation = videoGeneration_;
  OnFirstCaps(in.get(), [this, generation] {
    if (videoGeneration_ != generation || !currentVideo_) return;
    ReadVideoFacts(*currentVideo_);
    emit VideoFactsChanged();
  });
}

void Tdm::ReadVideoFacts(sources::TVideoSource &device) {
  if (!NativeVideoTee || !NativeTypeKnown(NativeVideoTee.get())) return;
  const sources::VideoStreamDescription d = sources::DescribeCurrentVideo(device, mpeg2RatioNormal_);
  if (d.SourceWidth <= 0) return;  // a format we cannot read leaves the facts as they were
  sourceCodec_ = d.SourceCodec;
  sourceWidth_ = d.SourceWidth;
  sourceHeight_ = d.SourceHeight;
  sourceAspectX_ = d.SourceAspectX;
  sourceAspectY_ = d.SourceAspectY;
  sourceCompressed_ = d.SourceCompressed;
  frameDuration_ = quint32(sources::FrameDurationRule(d.FrameDuration));
  sourceFps_ = 10000000.0 / frameDuration_;
  filters::SetFrameDuration(frameDuration_);
}

bool Tdm::DeconnecterVideo(sources::TVideoSource *device, bool full) {
  if (!device || device != currentVideo_) return false;
  videoConnected_ = false;
  device->Active = false;
  fg_.Stop();
  // No stale picture of a source that is gone (the stream is stopped, so no
  // frame can arrive after this).
  if (window_) window_->Clear();
  DelierCamescope(*device, full, currentAudio_);
  RemoveVideoChain(*device);
  currentVideo_ = nullptr;
  return true;
}

void Tdm::RemoveVideoChain(sources::TVideoSource &source) {
  sources::TVideoSource *device = &source;
  ++videoGeneration_;
  RetirerChaine(NativeVideoTee.get(), VideoRenderer());
  TakeOut(color1);
  TakeOut(color3);
  TakeOutTee(infdecvideo);
  fg_.RemoveFilter(QStringLiteral("Tamponer Video"));
  fg_.RemoveFilter(QStringLiteral("Superposer"));
  TakeOutTee(infsupvideo);
  if (VideoRenderer()) fg_.RemoveFilter(VideoRenderer());
  superposer_->DVSource = nullptr;
  superposer_->SourceInverted = false;

  sources::TCaptureDevice *dev = device->Device;
  if (dev) {
    dev->KillVideoGraph();
    // The source filter stays only while the audio side still draws on it;
    // left alone in the graph it would keep capturing for nobody.
    if (!SharesDevice(device, currentAudio_)) dev->KillSourceGraph();
  }
}

}  // namespace vistrel
