#include "sources/avsources.h"

#include "sources/avc1394transport.h"
#include "sources/filterdevices.h"
#include "sources/testdevices.h"

#include <QStringList>

namespace vistrel::sources {

TavStrel::TavStrel(TCaptureDevice *device, int streamNumber) : Device(device), StreamNumber(streamNumber) {
  if (auto *dv = dynamic_cast<TDVCaptureDevice *>(device)) {
    SceneDetector = dv->SceneDetector();
    HealthChecker = dv->HealthChecker();
    HasTransport = Transport() != nullptr;
    IsVCR = HasTransport;
  }
}

ExternalTransport *TavStrel::Transport() const {
  if (!Device || !Device->SourceFilter) return nullptr;
  if (ExternalTransport *tape = TestDeviceTransport(Device->SourceFilter.get())) return tape;
  return AttachedAvcTransport(Device->SourceFilter.get());
}

TVideoSource::TVideoSource(TCaptureDevice *device, int streamNumber) : TavStrel(device, streamNumber) {
  StreamKind = device && device->Kind == DeviceKind::DV ? 5 : 1;
  if (device) Name = VideoSourceName(device->DisplayName, streamNumber, device->AudioStreams > 0);
}

TAudioSource::TAudioSource(TCaptureDevice *device, int streamNumber) : TavStrel(device, streamNumber) {
  if (device) {
    switch (device->Kind) {
      case DeviceKind::DV: StreamKind = 4; break;
      case DeviceKind::PlugIn: StreamKind = 1; break;
      case DeviceKind::Video: StreamKind = 2; break;
      default: StreamKind = 3; break;
    }
    Name = AudioSourceName(device->DisplayName, streamNumber, device->VideoStreams > 0);
  }
}

QString VideoSourceName(const QString &displayName, int streamNumber, bool deviceHasAudio) {
  if (streamNumber > 1) return displayName + QStringLiteral(" #") + QString::number(streamNumber);
  return deviceHasAudio ? displayName + QStringLiteral(" - Video") : displayName;
}

QString AudioSourceName(const QString &displayName, int streamNumber, bool deviceHasVideo) {
  if (streamNumber > 1) return displayName + QStringLiteral("#") + QString::number(streamNumber);
  return deviceHasVideo ? displayName + QStringLiteral(" - Audio") : displayName;
}

void MergeBox(QStringList &box, const QStringList &names, const QString &last) {
  for (int i = box.size() - 1; i >= 0; --i)
    if (!names.contains(box[i])) box.removeAt(i);
  for (const QString &n : names)
    if (!box.contains(n)) box << n;
  box << last;
}

}  // namespace vistrel::sources
