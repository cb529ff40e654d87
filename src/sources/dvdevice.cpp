// DV camcorders: the interleaved DV stream runs through scene detection into
// a tee whose first branch feeds the DV splitter and whose free branch is
// left for native recording. The splitter makes its pads only once data
// flows, so its outputs are linked to their tees when they appear.
#include "filters/vs_dvhealth.h"
#include "filters/vs_scenedetect.h"
#include "media/pins.h"
#include "media/recordingsink.h"
#include "media/restamp.h"
#include "sources/filterdevices.h"
#include "sources/pinsearch.h"

namespace vistrel::sources {

using media::MajorType;

namespace {

// The AVI writer takes whole DV frames only as a DV video stream. At the
// queue's output the interleaved stream is presented as such: its caps are
// relabelled on the way down, and the writer's questions about caps are
// answered there, so the other branches of the tee never see the label.
GstPadProbeReturn Relabel(GstPad *, GstPadProbeInfo *info, gpointer) {
  if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
    GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
    GstCaps *caps = nullptr;
    gst_event_parse_caps(event, &caps);
    GstCaps *video = gst_caps_copy(caps);
    gst_caps_set_simple(video, "systemstream", G_TYPE_BOOLEAN, FALSE, nullptr);
    GST_PAD_PROBE_INFO_DATA(info) = gst_event_new_caps(video);
    gst_caps_unref(video);
    gst_event_unref(event);
    return GST_PAD_PROBE_OK;
  }
  GstQuery *query = GST_PAD_PROBE_INFO_QUERY(info);
  if (GST_QUERY_TYPE(query) == GST_QUERY_ACCEPT_CAPS) {
    gst_query_set_accept_caps_result(query, TRUE);
    return GST_PAD_PROBE_HANDLED;
  }
  if (GST_QUERY_TYPE(query) == GST_QUERY_CAPS) {
    GstCaps *filter = nullptr;
    gst_query_parse_caps(query, &filter);
    GstCaps *any = gst_caps_from_string("video/x-dv");
    if (filter) {
      GstCaps *both = gst_caps_intersect(any, filter);
      gst_caps_unref(any);
      any = both;
    }
    gst_query_set_caps_result(query, any);
    gst_caps_unref(any);
    return GST_PAD_PROBE_HANDLED;
  }
  return GST_PAD_PROBE_OK;
}

void RelabelAsDvVideo(GstPad *pad) {
  if (!pad) return;
  gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_QUERY_BOTH),
                    &Relabel, nullptr, nullptr);
}

}  // namespace

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
  health_ = std::make_unique<filters::Tvs_DvHealth>();
  healthElement_ = media::MakeOwnFilterElement(health_.get());
  if (!SourceFilter || !splitter_ || !sceneElement_ || !healthElement_) return;
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

namespace {

GstPadProbeReturn HalveOnCaps(GstPad *, GstPadProbeInfo *info, gpointer capsfilter) {
  GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
  if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
  GstCaps *caps = nullptr;
  gst_event_parse_caps(event, &caps);
  int width = 0, height = 0;
  const GstStructure *st = caps ? gst_caps_get_structure(caps, 0) : nullptr;
  if (st && gst_structure_get_int(st, "width", &width) && gst_structure_get_int(st, "height", &height)) {
    media::CapsRef half = media::CapsRef::Adopt(gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, width / 2, "height",
                                                                    G_TYPE_INT, height / 2, nullptr));
    g_object_set(capsfilter, "caps", half.get(), nullptr);
  }
  return GST_PAD_PROBE_OK;
}

}  // namespace

GstElement *TDVCaptureDevice::SetSourceGraph() {
  if (!Valid) return nullptr;
  media::Graph &fg = Slots().fg;
  if (fg.Contains(SourceFilter.get())) return SourceFilter.get();
  muxTee_ = MakeElement("tee");
  media::PadRef out = OutputPin(SourceFilter.get(), MajorType::Interleaved, 0, Moniker.Caps());
  if (!muxTee_ || !out) return nullptr;
  const bool ok = fg.AddFilter(SourceFilter.get(), DeviceName) && fg.AddFilter(sceneElement_.get(), "dv_Scenedetect") &&
                  fg.AddFilter(healthElement_.get(), "dv_TapeHealth") &&
                  fg.AddFilter(muxTee_.get(), "dv_muxinfinite") && fg.AddFilter(splitter_.get(), "dv_splitter") &&
                  fg.Connect(out.get(), media::Pin(sceneElement_.get(), 0).get()) &&
                  fg.ConnectFilters(sceneElement_.get(), healthElement_.get()) &&
                  fg.ConnectFilters(healthElement_.get(), muxTee_.get()) &&
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
  for (GstElement *e : {SourceFilter.get(), sceneElement_.get(), healthElement_.get(), splitter_.get()})
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
      // Both sides are halved (PAL 720x576 → 360x288, NTSC 720x480 →
      // 360x240) whatever the stream's pixel aspect: the size is set from
      // the decoded caps as they arrive, before the scaler negotiates.
      media::CapsRef caps = media::CapsRef::Adopt(gst_caps_from_string("video/x-raw,width=360"));
      g_object_set(half.get(), "caps", caps.get(), nullptr);
      media::PadRef scalerIn = media::Pin(scaler_.get(), 0);
      gst_pad_add_probe(scalerIn.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, HalveOnCaps,
                        gst_object_ref(half.get()), gst_object_unref);
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
  media::AttachSampleDurations(audioTeeIn_.get());
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
  // The frames go into the file whole, audio included. The AVI writer takes
  // them as a DV video stream, so the interleaved label is set aside first.
  // The recording branch gets a thread of its own, so neither branch of the
  // tee can hold the other up.
  queue_ = MakeElement("queue");
  mux_ = MakeElement("avimux");
  fileSink_ = MakeElement("filesink");
  if (!queue_ || !mux_ || !fileSink_) {
    KillMuxGraph();
    return false;
  }
  media::CapsRef dv = media::CapsRef::Adopt(gst_caps_from_string("video/x-dv,systemstream=false"));
  RelabelAsDvVideo(media::Pin(queue_.get(), 1).get());
  media::AimRecordingSink(fileSink_.get(), fileName);
  media::PadRef tap = media::Pin(muxTee_.get(), 2);
  const bool ok = fg.AddFilter(queue_.get(), "DV record queue") &&
                  fg.AddFilter(mux_.get(), "AVI Mux") && fg.AddFilter(fileSink_.get(), "File writer") &&
                  fg.Connect(tap.get(), media::Pin(queue_.get(), 0).get()) &&
                  fg.Connect(media::Pin(queue_.get(), 1).get(), media::Pin(mux_.get(), 1, dv.get()).get()) &&
                  fg.ConnectFilters(mux_.get(), fileSink_.get());
  if (!ok) {
    KillMuxGraph();
    return false;
  }
  fg.AddRecordingBranch(tap.get(), fileSink_.get());
  return true;
}

bool TDVCaptureDevice::KillMuxGraph() {
  if (!queue_ && !mux_ && !fileSink_ && !relabel_) return false;
  // The tee's recording pad goes with the multiplexer's link; release it so
  // the next recording gets pin 2 again.
  if (muxTee_) {
    media::PadRef tap = media::Pin(muxTee_.get(), 2);
    if (tap && gst_pad_is_linked(tap.get())) {
      gst_pad_unlink(tap.get(), media::PadRef::Adopt(gst_pad_get_peer(tap.get())).get());
      gst_element_release_request_pad(muxTee_.get(), tap.get());
    }
  }
  RemoveFromGraph(fileSink_);
  RemoveFromGraph(mux_);
  RemoveFromGraph(relabel_);
  RemoveFromGraph(queue_);
  return true;
}

}  // namespace vistrel::sources
