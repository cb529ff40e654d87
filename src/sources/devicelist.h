#pragma once
// The devices of one enumerator category, kept current by Refresh: devices
// still present keep their place (and their object), new ones are appended
// with the next free instance number of their name, vanished ones removed.
#include "sources/capturedevice.h"
#include "sources/enumerator.h"

#include <functional>
#include <memory>
#include <vector>

namespace vistrel::sources {

// 1 DV, 3 video, 4 audio, 5 program stream, 0 nothing usable.
quint8 ClassifyDevice(const DeviceMoniker &moniker);
// The same judgement on an element already made.
quint8 ClassifyElement(GstElement *element, const GstCaps *known = nullptr);

// True while the device can still be used: outside the graph its moniker
// still makes an element; inside, its source still has an output.
bool StillPresent(TCaptureDevice &device, media::Graph &graph);

// Lets capture plug-ins take over devices by friendly name. Given the name
// and the instance number: returns a device (valid or not) when a plug-in
// claims the name, nullptr when none does. `markUnusable` is called by the
// list when the claimed device turned out not valid.
struct PluginHook {
  std::function<std::unique_ptr<TCaptureDevice>(const QString &friendlyName, int instance)> create;
  std::function<void(const QString &friendlyName)> markUnusable;
};

class TCaptureDeviceList {
 public:
  TCaptureDeviceList(GraphSlots &graphSlots, SystemDeviceEnumerator &enumerator, DeviceCategory category);
  ~TCaptureDeviceList();

  // True when the enumeration ran to the end.
  bool Refresh();
  int NextInstance(const QString &deviceName) const;
  int FindByMoniker(const DeviceMoniker &moniker) const;

  int Count() const { return int(devices_.size()); }
  TCaptureDevice *Item(int index) const;
  DeviceCategory Category() const { return category_; }

  void SetPluginHook(PluginHook hook) { plugins_ = std::move(hook); }
  // Called before a vanished device is destroyed, so the sources using it
  // are stopped first.
  void SetBeforeRemove(std::function<void(TCaptureDevice *)> callback) { beforeRemove_ = std::move(callback); }

 private:
  std::unique_ptr<TCaptureDevice> MakeDevice(const DeviceMoniker &moniker);

  GraphSlots &slots_;
  SystemDeviceEnumerator &enumerator_;
  DeviceCategory category_;
  std::vector<std::unique_ptr<TCaptureDevice>> devices_;
  PluginHook plugins_;
  std::function<void(TCaptureDevice *)> beforeRemove_;
};

}  // namespace vistrel::sources
