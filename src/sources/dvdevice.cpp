// DV camcorders: the interleaved DV stream runs through scene detection into
// a tee whose first branch feeds the DV splitter and whose free branch is
// left for native recording. The splitter makes its pads only once data
// flows, so its outputs are linked to their tees when they appear.
#include "sources/filterdevices.h"

#include "filters/vs_scenedetect.h"
#include "media/pins.h"
#include "sources/pinsearch.h"

namespace vistrel::sources {

using media::MajorType;

TDVCaptureDevice::TDVCaptureDevice(GraphSlots &graphSlots, const DeviceMoniker &moniker, int instance,
                                   const QString &deviceName)
    : TCaptureDevice(graphSlots, deviceName, instance, QStringLiteral("DV Source")) {
  Moniker = moniker;
  NativeFormat1 = 1;
  NativeFormat2 = 2;
  Kind = DeviceKind::DV;
  SourceFilter = moniker.BindToObject();
  splitter_ = MakeElement("dvdemux");
  sceneDetect_ = std::make_unique<filters::Tvs_SceneDetect>();
  sceneElement_ = media::MakeOwnFilterElement(sceneDetect_.get());
  if (!SourceFilter || !splitter_ || !sceneElement_) return;
  VideoStreams = CountOutputs(splitter_.get(), MajorType::Video);
  AudioStreams = CountOutputs(splitter_.get(), MajorType::Audio);
  padAdded_ = media::ScopedSignal(splitter_.get(), g_signal_connect(splitter_.get(), "pad-added",
                                                                     G_CALLBACK(&TDVCaptureDevice::OnPadAdded), this));
  Valid = true;
}

TDVCaptureDevice::~TDVCaptureDevice() {
  KillMuxGraph();
  KillVideoGraph();
  KillAudioGraph();
  KillSourceGraph();
  padAdded_ = media::ScopedSignal();
}

media::CapsRef TDVCaptureDevice::CaptureCaps() const {
  if (Moniker.Caps()) return media::CapsRef::Borrow(const_cast<GstCaps *>(Moniker.Caps()));
  return PadCaps(OutputPin(SourceFilter.get(), MajorType::Interleaved, 0).get());
}

GstElement *TDVCaptureDevice::SetSourceGraph() {
  if (!Valid) return nullptr;
  media::Graph &fg = Slots().fg;
  if (fg.Contains(SourceFilter.get())) return SourceFilter.get();
  muxTee_ = MakeElement("tee");
  media::PadRef out = OutputPin(SourceFilter.get(), MajorType::Interleaved, 0, Moniker.Caps());
  if (!muxTee_ || !out) return nullptr;
  const bool ok = fg.AddFilter(SourceFilter.get(), DeviceName) && fg.AddFilter(sceneElement_.get(), "dv_Scenedetect") &&
                  fg.AddFilter(muxTee_.get(), "dv_muxinfinite") && fg.AddFilter(splitter_.get(), "dv_splitter") &&
                  fg.Connect(out.get(), media::Pin(sceneElement_.get(), 0).get()) &&
                  fg.ConnectFilters(sceneElement_.get(), muxTee_.get()) &&
                  fg.Connect(media::Pin(muxTee_.get(), 1).get(), media::Pin(splitter_.get(), 0).get());
  if (!ok) {
    KillSourceGraph();
    return nullptr;
  }
  return SourceFilter.get();
}

bool TDVCaptureDevice::KillSourceGraph() {
  media::Graph &fg = Slots().fg;
  const bool was = SourceFilter && fg.Contains(SourceFilter.get());
  for (GstElement *e : {SourceFilter.get(), sceneElement_.get(), splitter_.get()})
    if (e && fg.Contains(e)) fg.RemoveFilter(e);
  RemoveFromGraph(muxTee_);
  return was;
}

void TDVCaptureDevice::OnPadAdded(GstElement *, GstPad *pad, gpointer self) {
  static_cast<TDVCaptureDevice *>(self)->LinkSplitterPad(pad);
}

void TDVCaptureDevice::LinkSplitterPad(GstPad *pad) {
  // Runs on the splitter's streaming thread; only links, by pad name.
  std::lock_guard lock(linkMutex_);
  const QByteArray name(GST_PAD_NAME(pad));
  GstPad *target = name == "video" ? videoTeeIn_.get() : name == "audio" ? audioTeeIn_.get() : nullptr;
  if (target && !gst_pad_is_linked(target)) gst_pad_link(pad, target);
}

void TDVCaptureDevice::SetVideoGraph(int n) {
  Slots().VideoOutPin.reset();
  if (n < 1 || n > VideoStreams || !Slots().fg.Contains(splitter_.get())) return;
  media::Graph &fg = Slots().fg;
  decoder_ = MakeElement("avdec_dvvideo");
  videoTee_ = MakeElement("tee");
  if (!decoder_ || !videoTee_ || !fg.AddFilter(decoder_.get(), "dv_dec") ||
      !fg.AddFilter(videoTee_.get(), "dv_nativevideoinfinite")) {
    KillVideoGraph();
    return;
  }
  GstElement *control = AddControl(true);
  if (!control || !fg.Connect(media::Pin(videoTee_.get(), 1).get(), media::Pin(control, 0).get()) ||
      !fg.ConnectFilters(control, decoder_.get())) {
    KillVideoGraph();
    return;
  }
  media::PadRef out = media::FirstUnconnectedPin(decoder_.get(), GST_PAD_SRC);
  if (Slots().DvHalfSize) {
    // Half size: a scaler after the decoder halves both sides.
    scaler_ = MakeElement("videoscale");
    media::ElementRef half = MakeElement("capsfilter");
    if (scaler_ && half && fg.AddFilter(scaler_.get(), "dv_halfsize") && fg.Connect(out.get(), media::Pin(scaler_.get(), 0).get())) {
      // PAL 720x576 and NTSC 720x480 both become 360 wide; the height
      // follows from the picture's aspect.
      media::CapsRef caps = media::CapsRef::Adopt(gst_caps_from_string("video/x-raw,width=360"));
      g_object_set(half.get(), "caps", caps.get(), nullptr);
      if (fg.AddFilter(half.get(), "dv_halfsize_caps") && fg.ConnectFilters(scaler_.get(), half.get()))
        out = media::FirstUnconnectedPin(half.get(), GST_PAD_SRC);
    }
  }
  {
    std::lock_guard lock(linkMutex_);
    videoTeeIn_ = media::Pin(videoTee_.get(), 0);
  }
  if (media::PadRef existing = media::PadRef::Adopt(gst_element_get_static_pad(splitter_.get(), "video")))
    LinkSplitterPad(existing.get());
  Slots().VideoOutPin = out;
  Slots().NativeVideoTee = videoTee_;
}

bool TDVCaptureDevice::KillVideoGraph() {
  {
    std::lock_guard lock(linkMutex_);
    videoTeeIn_.reset();
  }
  if (videoTee_ && Slots().NativeVideoTee == videoTee_) Slots().NativeVideoTee.reset();
  if (decoder_) {
    RemoveControl(true);
    Slots().VideoOutPin.reset();
  }
  Slots().fg.RemoveFilter(QStringLiteral("dv_halfsize_caps"));
  RemoveFromGraph(scaler_);
  RemoveFromGraph(decoder_);
  RemoveFromGraph(videoTee_);
  return true;
}

media::PadRef TDVCaptureDevice::SetAudioGraph(int n) {
  if (n < 1 || n > AudioStreams || !Slots().fg.Contains(splitter_.get())) return {};
  audioTee_ = MakeElement("tee");
  if (!audioTee_ || !Slots().fg.AddFilter(audioTee_.get(), "dv_nativeaudioinfinite")) {
    audioTee_.reset();
    return {};
  }
  {
    std::lock_guard lock(linkMutex_);
    audioTeeIn_ = media::Pin(audioTee_.get(), 0);
  }
  if (media::PadRef existing = media::PadRef::Adopt(gst_element_get_static_pad(splitter_.get(), "audio")))
    LinkSplitterPad(existing.get());
  Slots().NativeAudioTee = audioTee_;
  return media::FirstUnconnectedPin(audioTee_.get(), GST_PAD_SRC);
}

bool TDVCaptureDevice::KillAudioGraph() {
  {
    std::lock_guard lock(linkMutex_);
    audioTeeIn_.reset();
  }
  if (!audioTee_) return true;
  if (Slots().NativeAudioTee == audioTee_) Slots().NativeAudioTee.reset();
  RemoveControl(false);
  RemoveFromGraph(audioTee_);
  return true;
}

bool TDVCaptureDevice::BuildMuxGraph(const QString &fileName) {
  media::Graph &fg = Slots().fg;
  if (!muxTee_ || !fg.Contains(muxTee_.get()) || fileName.isEmpty()) return false;
  mux_ = MakeElement("avimux");
  fileSink_ = MakeElement("filesink");
  if (!mux_ || !fileSink_) return false;
  g_object_set(fileSink_.get(), "location", fileName.toLocal8Bit().constData(), nullptr);
  media::PadRef tap = media::Pin(muxTee_.get(), 2);
  media::CapsRef dv = media::CapsRef::Adopt(gst_caps_from_string("video/x-dv,systemstream=true"));
  const bool ok = fg.AddFilter(mux_.get(), "AVI Mux") && fg.AddFilter(fileSink_.get(), "File writer") &&
                  fg.Connect(tap.get(), media::Pin(mux_.get(), 1, dv.get()).get()) &&
                  fg.ConnectFilters(mux_.get(), fileSink_.get());
  if (!ok) {
    KillMuxGraph();
    return false;
  }
  fg.AddRecordingBranch(tap.get(), fileSink_.get());
  return true;
}

bool TDVCaptureDevice::KillMuxGraph() {
  if (!mux_ && !fileSink_) return false;
  // The tee's recording pad goes with the multiplexer's link; release it so
  // the next recording gets pin 2 again.
  if (mux_ && muxTee_) {
    media::PadRef tap = media::Pin(muxTee_.get(), 2);
    if (tap && gst_pad_is_linked(tap.get())) {
      gst_pad_unlink(tap.get(), media::PadRef::Adopt(gst_pad_get_peer(tap.get())).get());
      gst_element_release_request_pad(muxTee_.get(), tap.get());
    }
  }
  RemoveFromGraph(fileSink_);
  RemoveFromGraph(mux_);
  return true;
}

}  // namespace vistrel::sources
