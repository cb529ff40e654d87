#include "sources/capturedevice.h"

#include "media/pins.h"
#include "media/requirements.h"
#include "sources/pinsearch.h"

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
  media::ElementRef tee = MakeElement("tee");
  if (!tee || !slots_.fg.AddFilter(tee.get(), QString::fromLatin1(teeName))) return {};
  media::PadRef in = media::Pin(tee.get(), 0);
  if (!slots_.fg.Connect(pin.get(), in.get())) {
    slots_.fg.RemoveFilter(tee.get());
    return {};
  }
  gst_element_sync_state_with_parent(tee.get());
  teeHolder = tee;
  slots_.NativeAudioTee = tee;
  return media::FirstUnconnectedPin(tee.get(), GST_PAD_SRC);
}

}  // namespace vistrel::sources
