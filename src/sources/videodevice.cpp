// Video capture devices: the capture pad, held to the chosen format, feeds
// the native tee; the tee's preview branch goes through the preview control
// filter and, for a compressed stream, the first decoder that links.
#include "sources/filterdevices.h"

#include "media/debug.h"
#include "media/elementlookup.h"
#include "media/pins.h"
#include "platform/dialogs.h"
#include "sources/pinsearch.h"

#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::Sources)

namespace vistrel::sources {

using media::MajorType;

namespace {
// The format a stream is held to: the chosen one, or else the first the
// output offers (the device's own default); null when it offers nothing.
media::CapsRef HeldOrFirst(const media::CapsRef &chosen, const GstCaps *offered) {
  if (chosen) return chosen;
  auto formats = SplitFormats(offered, 1);
  return formats.empty() ? media::CapsRef() : formats.front();
}
}  // namespace

TVideoCaptureDevice::TVideoCaptureDevice(GraphSlots &graphSlots, const DeviceMoniker &moniker, int instance,
                                         const QString &deviceName)
    : TCaptureDevice(graphSlots, deviceName, instance, deviceName) {
  Moniker = moniker;
  NativeFormat1 = 5;
  NativeFormat2 = 0;
  Kind = DeviceKind::Video;
  SourceFilter = moniker.BindToObject();
  if (!SourceFilter) return;
  VideoStreams = CountOutputs(SourceFilter.get(), MajorType::Video, moniker.Caps());
  AudioStreams = CountOutputs(SourceFilter.get(), MajorType::Audio, moniker.Caps());
  Valid = true;
}

TVideoCaptureDevice::~TVideoCaptureDevice() {
  KillVideoGraph();
  KillAudioGraph();
  KillSourceGraph();
}

media::CapsRef TVideoCaptureDevice::CaptureCaps() const {
  if (Moniker.Caps()) return media::CapsRef::Borrow(const_cast<GstCaps *>(Moniker.Caps()));
  return PadCaps(OutputPin(SourceFilter.get(), MajorType::Video, 0).get());
}

bool TVideoCaptureDevice::SetFormat(const GstCaps *caps) {
  TCaptureDevice::SetFormat(caps);
  // A running splice follows the new format at the next negotiation.
  if (formatFilter_ && format_) g_object_set(formatFilter_.get(), "caps", format_.get(), nullptr);
  return true;
}

GstElement *TVideoCaptureDevice::SetSourceGraph() {
  if (!SourceFilter) return nullptr;
  if (!Slots().fg.Contains(SourceFilter.get()) && !Slots().fg.AddFilter(SourceFilter.get(), DeviceName)) return nullptr;
  return SourceFilter.get();
}

bool TVideoCaptureDevice::KillSourceGraph() {
  if (!SourceFilter || !Slots().fg.Contains(SourceFilter.get())) return false;
  return Slots().fg.RemoveFilter(SourceFilter.get());
}

void TVideoCaptureDevice::SetVideoGraph(int n) {
  if (n < 1 || n > VideoStreams || !Slots().fg.Contains(SourceFilter.get())) return;
  media::PadRef pin = OutputPin(SourceFilter.get(), MajorType::Video, n - 1, Moniker.Caps());
  if (!pin) return;
  media::Graph &fg = Slots().fg;

  // The stream's format: the chosen one, or else the device's first (its own
  // default), so the decoder is picked for what will actually flow.
  media::CapsRef stream = HeldOrFirst(format_, CaptureCaps().get());
  formatFilter_ = MakeElement("capsfilter");
  videoTee_ = MakeElement("tee");
  if (!formatFilter_ || !videoTee_) return;
  if (stream) g_object_set(formatFilter_.get(), "caps", stream.get(), nullptr);
  if (!fg.AddFilter(formatFilter_.get(), "vid_format") || !fg.AddFilter(videoTee_.get(), "vid_nativevideoinfinite") ||
      !fg.Connect(pin.get(), media::Pin(formatFilter_.get(), 0).get()) ||
      !fg.ConnectFilters(formatFilter_.get(), videoTee_.get())) {
    KillVideoGraph();
    return;
  }
  GstElement *control = AddControl(true);
  if (!control) {
    KillVideoGraph();
    return;
  }
  const bool raw = stream && gst_structure_has_name(gst_caps_get_structure(stream.get(), 0), "video/x-raw");
  // A compressed stream beside an uncompressed preview output: the preview
  // shows that one and nothing is decoded.
  if (!raw && stream && LinkPreviewOutput(control)) {
    Slots().VideoOutPin = media::FirstUnconnectedPin(control, GST_PAD_SRC);
    Slots().NativeVideoTee = videoTee_;
    return;
  }
  media::PadRef teeOut = media::Pin(videoTee_.get(), 1);
  if (!fg.Connect(teeOut.get(), media::Pin(control, 0).get())) {
    KillVideoGraph();
    return;
  }
  media::PadRef controlOut = media::FirstUnconnectedPin(control, GST_PAD_SRC);
  if (raw || !stream) {
    Slots().VideoOutPin = controlOut;
  } else if (!DecodeForPreview(stream.get(), controlOut.get())) {
    // No decoder takes this stream: no picture for the preview.
    GST_WARNING("no decoder takes %" GST_PTR_FORMAT " from \"%s\"", stream.get(), DeviceName.toUtf8().constData());
    KillVideoGraph();
    return;
  }
  Slots().NativeVideoTee = videoTee_;
}

bool TVideoCaptureDevice::DecodeForPreview(const GstCaps *stream, GstPad *controlOut) {
  media::Graph &fg = Slots().fg;
  media::CapsRef rawCaps = media::CapsRef::Adopt(gst_caps_new_empty_simple("video/x-raw"));
  for (auto &factory : media::MatchingFactories("Decoder", stream, rawCaps.get())) {
    media::ElementRef dec = media::ElementRef::Adopt(gst_element_factory_create(factory.get(), nullptr));
    if (!dec || !fg.AddFilter(dec.get(), "vid_decoder")) continue;
    media::PadRef decOut = media::FirstUnconnectedPin(dec.get(), GST_PAD_SRC);
    if (decOut && fg.Connect(controlOut, media::FirstUnconnectedPin(dec.get(), GST_PAD_SINK).get())) {
      decoder_ = dec;
      Slots().VideoOutPin = decOut;
      GST_INFO("\"%s\" decoded for the preview by %s", DeviceName.toUtf8().constData(), GST_OBJECT_NAME(factory.get()));
      return true;
    }
    fg.RemoveFilter(dec.get());
  }
  return false;
}

media::CapsRef TVideoCaptureDevice::PreviewCaps() const {
  media::PadRef preview = PreviewPin(SourceFilter.get());
  return preview ? PadCaps(preview.get()) : media::CapsRef();
}

bool TVideoCaptureDevice::LinkPreviewOutput(GstElement *control) {
  media::PadRef preview = PreviewPin(SourceFilter.get());
  if (!preview || gst_pad_is_linked(preview.get())) return false;
  media::Graph &fg = Slots().fg;
  media::CapsRef held = HeldOrFirst(previewFormat_, PreviewCaps().get());
  previewFilter_ = MakeElement("capsfilter");
  captureEnd_ = MakeElement("fakesink");
  if (!previewFilter_ || !captureEnd_) {
    previewFilter_.reset();
    captureEnd_.reset();
    return false;
  }
  if (held) g_object_set(previewFilter_.get(), "caps", held.get(), nullptr);
  // The capture stream's own end while nothing records it: takes every
  // buffer at once, so it never holds the stream or the capture tap up.
  g_object_set(captureEnd_.get(), "sync", FALSE, "async", FALSE, "enable-last-sample", FALSE, nullptr);
  const bool linked = fg.AddFilter(previewFilter_.get(), "vid_preview_format") &&
                      fg.Connect(preview.get(), media::Pin(previewFilter_.get(), 0).get()) &&
                      fg.ConnectFilters(previewFilter_.get(), control) &&
                      fg.AddFilter(captureEnd_.get(), "vid_capture_end") &&
                      fg.Connect(media::Pin(videoTee_.get(), 1).get(), media::Pin(captureEnd_.get(), 0).get());
  if (!linked) {
    GST_WARNING("the preview output of \"%s\" does not link: its stream is decoded instead",
                DeviceName.toUtf8().constData());
    RemoveFromGraph(captureEnd_);
    RemoveFromGraph(previewFilter_);
    // The tee's pin 1 may have been asked for: given back, so the decoded
    // preview takes pin 1 again.
    for (const media::PadRef &p : media::Pins(videoTee_.get()))
      if (GST_PAD_DIRECTION(p.get()) == GST_PAD_SRC && !gst_pad_is_linked(p.get()))
        gst_element_release_request_pad(videoTee_.get(), p.get());
    return false;
  }
  GST_INFO("\"%s\" previews from its preview output", DeviceName.toUtf8().constData());
  return true;
}

bool TVideoCaptureDevice::KillVideoGraph() {
  if (Slots().NativeVideoTee == videoTee_ && videoTee_) Slots().NativeVideoTee.reset();
  if (videoTee_ || decoder_ || previewFilter_) {
    RemoveControl(true);
    Slots().VideoOutPin.reset();
  }
  RemoveFromGraph(captureEnd_);
  RemoveFromGraph(previewFilter_);
  RemoveFromGraph(decoder_);
  RemoveFromGraph(videoTee_);
  RemoveFromGraph(formatFilter_);
  return true;
}

media::PadRef TVideoCaptureDevice::SetAudioGraph(int n) {
  if (!Slots().fg.Contains(SourceFilter.get())) return {};
  return SpliceAudio(SourceFilter.get(), n, "vid_nativeaudioinfinite", audioTee_);
}

bool TVideoCaptureDevice::KillAudioGraph() {
  if (audioTee_) UnspliceAudio(audioTee_);
  return true;
}

bool TVideoCaptureDevice::BuildMuxGraph(const QString &) {
  platform::DialogService::Instance().Information(QStringLiteral("Not Ready"));
  return false;
}

bool TVideoCaptureDevice::KillMuxGraph() { return false; }

// ---------------------------------------------------------------------------

TAudioCaptureDevice::TAudioCaptureDevice(GraphSlots &graphSlots, const DeviceMoniker &moniker, int instance,
                                         const QString &deviceName)
    : TCaptureDevice(graphSlots, deviceName, instance, deviceName) {
  Moniker = moniker;
  Kind = DeviceKind::Audio;
  SourceFilter = moniker.BindToObject();
  if (!SourceFilter) return;
  AudioStreams = CountOutputs(SourceFilter.get(), MajorType::Audio, moniker.Caps());
  Valid = true;
}

TAudioCaptureDevice::~TAudioCaptureDevice() {
  KillAudioGraph();
  KillSourceGraph();
}

void TAudioCaptureDevice::SetVideoGraph(int) {
  Slots().VideoOutPin.reset();
  Slots().NativeVideoTee.reset();
}

GstElement *TAudioCaptureDevice::SetSourceGraph() {
  if (!SourceFilter) return nullptr;
  if (!Slots().fg.Contains(SourceFilter.get()) && !Slots().fg.AddFilter(SourceFilter.get(), DeviceName)) return nullptr;
  return SourceFilter.get();
}

bool TAudioCaptureDevice::KillSourceGraph() {
  if (!SourceFilter || !Slots().fg.Contains(SourceFilter.get())) return false;
  return Slots().fg.RemoveFilter(SourceFilter.get());
}

media::PadRef TAudioCaptureDevice::SetAudioGraph(int n) {
  if (!Slots().fg.Contains(SourceFilter.get())) return {};
  return SpliceAudio(SourceFilter.get(), n, "aud_nativeaudioinfinite", audioTee_);
}

bool TAudioCaptureDevice::KillAudioGraph() {
  if (audioTee_) UnspliceAudio(audioTee_);
  return true;
}

}  // namespace vistrel::sources
