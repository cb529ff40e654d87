#pragma once
// Watches the devices chosen for the preview and the recording, whatever
// their provider: a device that leaves the system's lists, its return under
// the same identity (deviceidentity.*), and a picture device whose frames
// stop coming (a producer that hangs, a driver that stalls). It knows nothing
// of the window: it is told what to watch and says gone(name, when) and
// back(name); the window and the recorder react.
#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <array>
#include <memory>
#include <optional>

#include "media/gstref.h"
#include "sources/moniker.h"

namespace vistrel::sources {

class SystemDeviceEnumerator;

enum class WatchRole { Picture, Sound };

class DeviceWatch : public QObject {
  Q_OBJECT
 public:
  explicit DeviceWatch(SystemDeviceEnumerator &enumerator, QObject *parent = nullptr);
  ~DeviceWatch() override;

  // The device now chosen for `role`: its source's name in the boxes, the
  // device's own name and its moniker (null: presence is not judged, as for
  // a plug-in); `source` is its element in the graph, whose output proves
  // that it delivers (null: presence only). Watching anew forgets the device
  // watched before in that role and its state.
  void Watch(WatchRole role, const QString &name, const QString &deviceName, const DeviceMoniker &moniker,
             GstElement *source);
  // The element left the graph; the device itself is still watched for.
  void DropSource(WatchRole role);
  // Nothing is chosen for `role` any more.
  void Forget(WatchRole role);

  QString Name(WatchRole role) const;
  QString DeviceName(WatchRole role) const;
  // The role watching the device of that name, if any.
  std::optional<WatchRole> RoleOfDevice(const QString &deviceName) const;
  std::optional<WatchRole> RoleOf(const QString &name) const;
  // Gone: absent from the lists or sending nothing. Stalled: listed, but its
  // frames stopped (the window keeps it connected and waits).
  bool IsGone(WatchRole role) const;
  bool IsStalled(WatchRole role) const;
  QDateTime GoneSince(WatchRole role) const;
  // A buffer came out of the source since it was given to Watch.
  bool Delivered(WatchRole role) const;

  // How long a picture device may send nothing, while its graph plays,
  // before it counts as gone (2 s).
  void SetStallLimit(int ms) { stallLimitMs_ = ms; }
  int StallLimit() const { return stallLimitMs_; }

  // Looks at the lists again now (they are looked at on every device change).
  void CheckPresence();
  // Looks at the frames now (a timer does it four times a second).
  void CheckFlow();

 signals:
  void gone(const QString &name, const QDateTime &when);
  void back(const QString &name);

 private:
  struct Flow;
  struct Watched {
    QString name, deviceName;
    DeviceMoniker moniker;
    media::ElementRef source;
    std::shared_ptr<Flow> flow;
    bool absent = false;
    bool stalled = false;
    QDateTime since;
  };
  Watched &Of(WatchRole role) { return watched_[role == WatchRole::Picture ? 0 : 1]; }
  const Watched &Of(WatchRole role) const { return watched_[role == WatchRole::Picture ? 0 : 1]; }
  void Attach(Watched &w, WatchRole role);
  void Detach(Watched &w);
  void Update(Watched &w, bool absent, bool stalled, const QDateTime &when);

  SystemDeviceEnumerator &enumerator_;
  std::array<Watched, 2> watched_;
  QTimer flowTimer_;
  int stallLimitMs_ = 2000;
  gint64 lastTickUs_ = 0;  // the flow timer's last tick
  gint64 resumedUs_ = 0;   // when this program last ran again after being held
};

}  // namespace vistrel::sources
