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
  media::CapsRef stream = format_;
  if (!stream) {
    auto formats = SplitFormats(CaptureCaps().get(), 1);
    if (!formats.empty()) stream = formats.front();
  }
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
  media::PadRef teeOut = media::Pin(videoTee_.get(), 1);
  if (!control || !fg.Connect(teeOut.get(), media::Pin(control, 0).get())) {
    KillVideoGraph();
    return;
  }
  media::PadRef controlOut = media::FirstUnconnectedPin(control, GST_PAD_SRC);
  const bool raw = stream && gst_structure_has_name(gst_caps_get_structure(stream.get(), 0), "video/x-raw");
  if (raw || !stream) {
    Slots().VideoOutPin = controlOut;
  } else {
    media::CapsRef rawCaps = media::CapsRef::Adopt(gst_caps_new_empty_simple("video/x-raw"));
    for (auto &factory : media::MatchingFactories("Decoder", stream.get(), rawCaps.get())) {
      media::ElementRef dec = media::ElementRef::Adopt(gst_element_factory_create(factory.get(), nullptr));
      if (!dec || !fg.AddFilter(dec.get(), "vid_decoder")) continue;
      media::PadRef decOut = media::FirstUnconnectedPin(dec.get(), GST_PAD_SRC);
      if (decOut && fg.Connect(controlOut.get(), media::FirstUnconnectedPin(dec.get(), GST_PAD_SINK).get())) {
        decoder_ = dec;
        Slots().VideoOutPin = decOut;
        GST_INFO("\"%s\" decoded for the preview by %s", DeviceName.toUtf8().constData(), GST_OBJECT_NAME(factory.get()));
        break;
      }
      fg.RemoveFilter(dec.get());
    }
    if (!decoder_) {
      // No decoder takes this stream: no picture for the preview.
      GST_WARNING("no decoder takes %" GST_PTR_FORMAT " from \"%s\"", stream.get(), DeviceName.toUtf8().constData());
      KillVideoGraph();
      return;
    }
  }
  Slots().NativeVideoTee = videoTee_;
}

bool TVideoCaptureDevice::KillVideoGraph() {
  if (Slots().NativeVideoTee == videoTee_ && videoTee_) Slots().NativeVideoTee.reset();
  if (videoTee_ || decoder_) {
    RemoveControl(true);
    Slots().VideoOutPin.reset();
  }
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
  if (!audioTee_) return true;
  if (Slots().NativeAudioTee == audioTee_) Slots().NativeAudioTee.reset();
  RemoveControl(false);
  RemoveFromGraph(audioTee_);
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
  if (!audioTee_) return true;
  if (Slots().NativeAudioTee == audioTee_) Slots().NativeAudioTee.reset();
  RemoveControl(false);
  RemoveFromGraph(audioTee_);
  return true;
}

}  // namespace vistrel::sources
