#pragma once
// A device as the enumerator hands it out: a stable identity, the name the
// user knows it by, and the means to make its source element. Providers
// (device monitor, IEEE 1394 bus, built-in test devices) each produce these;
// the rest of the program never asks which provider a device came from.
#include "media/gstref.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace vistrel::sources {

enum class DeviceCategory { VideoInput, AudioInput, Crossbar };

class DeviceMoniker {
 public:
  using Factory = std::function<media::ElementRef()>;

  DeviceMoniker() = default;
  DeviceMoniker(QString identity, QString friendlyName, Factory factory, QString devicePath = {},
                media::CapsRef caps = {})
      : identity_(std::move(identity)), friendlyName_(std::move(friendlyName)),
        devicePath_(std::move(devicePath)), factory_(std::move(factory)), caps_(std::move(caps)) {}

  bool IsNull() const { return identity_.isEmpty(); }
  // Unique among all devices present ("test:camera", "v4l2:/dev/video0"...).
  QString Identity() const { return identity_; }
  QString FriendlyName() const { return friendlyName_; }
  // Where the device's settings live, when known (settings dialogs): a V4L2
  // node ("/dev/video0") or an ALSA card ("alsa:hw:0").
  QString DevicePath() const { return devicePath_; }
  // What the device's single output offers, when the provider knows it
  // without opening the device (an unopened source only shows its template).
  const GstCaps *Caps() const { return caps_.get(); }
  // A new source element for the device; null when it cannot be made.
  media::ElementRef BindToObject() const;
  bool IsEqual(const DeviceMoniker &other) const { return !IsNull() && identity_ == other.identity_; }
  // The provider's own object behind the moniker (a GstDevice), when it has
  // one: a device that left and came back keeps its identity but is another
  // object, whose element reaches the new node and not the dead one. Held
  // by the moniker, so two living monikers never share an address by chance.
  void SetInstance(std::shared_ptr<const void> instance) { instance_ = std::move(instance); }
  bool SameInstance(const DeviceMoniker &other) const {
    return !instance_ || !other.instance_ || instance_ == other.instance_;
  }

 private:
  QString identity_;
  QString friendlyName_;
  QString devicePath_;
  Factory factory_;
  media::CapsRef caps_;
  std::shared_ptr<const void> instance_;
};

}  // namespace vistrel::sources
