#include "sources/capturedevice.h"

#include "media/debug.h"
#include "media/pins.h"
#include "media/requirements.h"
#include "sources/pinsearch.h"

#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::Sources)

namespace vistrel::sources {

TCaptureDevice::TCaptureDevice(GraphSlots &graphSlots, QString deviceName, int instance, const QString &displayName)
    : DeviceName(std::move(deviceName)), Instance(instance), slots_(graphSlots) {
  DisplayName = instance >= 2 ? displayName + QStringLiteral(" #") + QString::number(instance) : displayName;
  slots_.NativeVideoTee.reset();
  slots_.NativeAudioTee.reset();
}

TCaptureDevice::~TCaptureDevice() = default;

bool TCaptureDevice::SetFormat(const GstCaps *caps) {
  format_ = caps ? media::CapsRef::Adopt(gst_caps_copy(caps)) : media::CapsRef();
  return true;
}

media::CapsRef TCaptureDevice::CaptureCaps() const { return {}; }

void TCaptureDevice::SetAudioFormat(const GstCaps *caps) {
  audioFormat_ = caps ? media::CapsRef::Adopt(gst_caps_copy(caps)) : media::CapsRef();
}

void TCaptureDevice::SetPreviewFormat(const GstCaps *caps) {
  previewFormat_ = caps ? media::CapsRef::Adopt(gst_caps_copy(caps)) : media::CapsRef();
}

media::CapsRef TCaptureDevice::SourceAudioCaps() const {
  if (AudioStreams < 1 || !SourceFilter) return {};
  // A sound device the provider described: its reported formats.
  const GstCaps *known = Moniker.Caps();
  if (known && MajorOfCaps(known) == media::MajorType::Audio)
    return media::CapsRef::Borrow(const_cast<GstCaps *>(known));
  return PadCaps(OutputPin(SourceFilter.get(), media::MajorType::Audio, 0, known).get());
}

media::ElementRef TCaptureDevice::MakeElement(const char *factory) {
  return media::ElementRef::Adopt(media::CreateElement(QString::fromLatin1(factory)));
}

GstElement *TCaptureDevice::AddControl(bool video) {
  media::ElementRef &shared = video ? slots_.PreviewVideoControl : slots_.PreviewAudioControl;
  media::ElementRef &own = video ? ownVideoControl_ : ownAudioControl_;
  GstElement *control = shared.get();
  if (!control) {
    if (!own) own = MakeElement("identity");
    control = own.get();
  }
  if (!control) return nullptr;
  const QString name = video ? QStringLiteral("Control_Preview_Video") : QStringLiteral("Control_Preview_Audio");
  return slots_.fg.AddFilter(control, name) ? control : nullptr;
}

void TCaptureDevice::RemoveControl(bool video) {
  const QString name = video ? QStringLiteral("Control_Preview_Video") : QStringLiteral("Control_Preview_Audio");
  slots_.fg.RemoveFilter(name);
}

void TCaptureDevice::RemoveFromGraph(media::ElementRef &element) {
  if (element) slots_.fg.RemoveFilter(element.get());
  element.reset();
}

media::PadRef TCaptureDevice::SpliceAudio(GstElement *from, int n, const char *teeName, media::ElementRef &teeHolder) {
  if (n < 1 || n > AudioStreams || !from) return {};
  media::PadRef pin = OutputPin(from, media::MajorType::Audio, n - 1, from == SourceFilter.get() ? Moniker.Caps() : nullptr);
  if (!pin) return {};
  if (audioFormat_) {
    // Everything the pad can give, not only what it gave last. A device
    // still closed answers with all its driver could ever take; opened
    // (READY: an ALSA card probes its hardware), with what it really takes.
    if (GST_STATE(from) == GST_STATE_NULL) gst_element_set_state(from, GST_STATE_READY);
    media::CapsRef offered = media::CapsRef::Adopt(gst_pad_query_caps(pin.get(), nullptr));
    if (offered && !gst_caps_can_intersect(offered.get(), audioFormat_.get())) {
      // Better the device's own sound than none: the choice is dropped.
      const media::GCharPtr text(gst_caps_to_string(audioFormat_.get()));
      GST_WARNING("\"%s\" refuses %s: its own sound format is used", DeviceName.toUtf8().constData(), text.get());
      qWarning("The sound device \"%s\" cannot give %s; its own format is used instead.",
               qUtf8Printable(DisplayName), text.get());
      audioFormat_.reset();
    } else {
      audioFormatFilter_ = MakeElement("capsfilter");
      if (!audioFormatFilter_ || !slots_.fg.AddFilter(audioFormatFilter_.get(), "aud_format")) {
        audioFormatFilter_.reset();
        return {};
      }
      g_object_set(audioFormatFilter_.get(), "caps", audioFormat_.get(), nullptr);
      if (!slots_.fg.Connect(pin.get(), media::Pin(audioFormatFilter_.get(), 0).get())) {
        RemoveFromGraph(audioFormatFilter_);
        return {};
      }
      gst_element_sync_state_with_parent(audioFormatFilter_.get());
      pin = media::FirstUnconnectedPin(audioFormatFilter_.get(), GST_PAD_SRC);
    }
  }
  media::ElementRef tee = MakeElement("tee");
  if (!tee || !slots_.fg.AddFilter(tee.get(), QString::fromLatin1(teeName))) {
    RemoveFromGraph(audioFormatFilter_);
    return {};
  }
  media::PadRef in = media::Pin(tee.get(), 0);
  if (!slots_.fg.Connect(pin.get(), in.get())) {
    slots_.fg.RemoveFilter(tee.get());
    RemoveFromGraph(audioFormatFilter_);
    return {};
  }
  gst_element_sync_state_with_parent(tee.get());
  teeHolder = tee;
  slots_.NativeAudioTee = tee;
  return media::FirstUnconnectedPin(tee.get(), GST_PAD_SRC);
}

void TCaptureDevice::UnspliceAudio(media::ElementRef &teeHolder) {
  if (teeHolder && slots_.NativeAudioTee == teeHolder) slots_.NativeAudioTee.reset();
  RemoveControl(false);
  RemoveFromGraph(teeHolder);
  RemoveFromGraph(audioFormatFilter_);
}

}  // namespace vistrel::sources
