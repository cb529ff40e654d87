#pragma once
// Sources: one stream of one device, as the user picks it from the video or
// audio box. Their names follow the device's display name and the stream
// number so that every entry of a box is distinct.
#include "sources/capturedevice.h"

#include <QString>

#include <memory>
#include <vector>

class QObject;

namespace vistrel::filters {
class Tvs_SceneDetect;
class Tvs_DvHealth;
}

namespace vistrel::sources {

class ExternalTransport;

class TavStrel {
 public:
  TavStrel(TCaptureDevice *device, int streamNumber);
  virtual ~TavStrel() = default;

  bool HasTransport = false;
  QObject *CamWindow = nullptr;
  bool IsVCR = false;
  bool IsCamera = false;
  filters::Tvs_SceneDetect *SceneDetector = nullptr;
  filters::Tvs_DvHealth *HealthChecker = nullptr;
  TCaptureDevice *Device = nullptr;
  int StreamNumber = 1;
  QString Name;
  bool Active = false;

  // The camcorder's tape transport, when it has one.
  ExternalTransport *Transport() const;
};

class TVideoSource : public TavStrel {
 public:
  TVideoSource(TCaptureDevice *device, int streamNumber);
  // 1 plain, 2 extended video header, 3 MPEG-1, 4 MPEG-2, 5 DV.
  quint8 StreamKind = 1;
};

class TAudioSource : public TavStrel {
 public:
  TAudioSource(TCaptureDevice *device, int streamNumber);
  // 1 plug-in, 2 video device, 3 audio device, 4 DV.
  quint8 StreamKind = 3;
};

using TvideoSourcesList = std::vector<std::unique_ptr<TVideoSource>>;
using TAudioSourcesList = std::vector<std::unique_ptr<TAudioSource>>;

QString VideoSourceName(const QString &displayName, int streamNumber, bool deviceHasAudio);
QString AudioSourceName(const QString &displayName, int streamNumber, bool deviceHasVideo);

// Makes the box hold `names` followed by `last`, keeping the place of the
// entries that survive and appending new ones in order.
void MergeBox(QStringList &box, const QStringList &names, const QString &last);

}  // namespace vistrel::sources
