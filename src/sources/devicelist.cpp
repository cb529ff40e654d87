#include "sources/devicelist.h"

#include "sources/filterdevices.h"
#include "sources/pinsearch.h"

#include <set>

namespace vistrel::sources {

using media::MajorType;

quint8 ClassifyElement(GstElement *element, const GstCaps *known) {
  if (!element) return 0;
  if (!OutputPins(element, MajorType::Interleaved, known).empty()) return 1;
  if (!OutputPins(element, MajorType::Stream, known).empty()) return 5;
  if (!OutputPins(element, MajorType::Video, known).empty()) return 3;
  if (!OutputPins(element, MajorType::Audio, known).empty()) return 4;
  return 0;
}

quint8 ClassifyDevice(const DeviceMoniker &moniker) {
  media::ElementRef probe = moniker.BindToObject();
  return ClassifyElement(probe.get(), moniker.Caps());
}

bool StillPresent(TCaptureDevice &device, media::Graph &graph) {
  GstElement *source = device.SourceFilter.get();
  if (source && graph.Contains(source)) {
    // A plug-in's source may be a bin that is not ours to probe by moniker.
    GstIterator *it = gst_element_iterate_src_pads(source);
    GValue v = G_VALUE_INIT;
    const bool hasOutput = gst_iterator_next(it, &v) == GST_ITERATOR_OK;
    g_value_unset(&v);
    gst_iterator_free(it);
    return hasOutput;
  }
  if (device.Kind == DeviceKind::PlugIn) return true;
  return bool(device.Moniker.BindToObject());
}

TCaptureDeviceList::TCaptureDeviceList(GraphSlots &graphSlots, SystemDeviceEnumerator &enumerator, DeviceCategory category)
    : slots_(graphSlots), enumerator_(enumerator), category_(category) {}

TCaptureDeviceList::~TCaptureDeviceList() {
  // Newest first, as a refresh removes them.
  while (!devices_.empty()) devices_.pop_back();
}

TCaptureDevice *TCaptureDeviceList::Item(int index) const {
  return index >= 0 && index < Count() ? devices_[size_t(index)].get() : nullptr;
}

int TCaptureDeviceList::NextInstance(const QString &deviceName) const {
  std::set<int> used;
  for (const auto &d : devices_)
    if (d->DeviceName == deviceName) used.insert(d->Instance);
  int n = 1;
  while (used.count(n)) ++n;
  return n;
}

int TCaptureDeviceList::FindByMoniker(const DeviceMoniker &moniker) const {
  for (int i = 0; i < Count(); ++i)
    if (devices_[size_t(i)]->Moniker.IsEqual(moniker)) return i;
  return -1;
}

std::unique_ptr<TCaptureDevice> TCaptureDeviceList::MakeDevice(const DeviceMoniker &moniker) {
  const QString name = moniker.FriendlyName();
  const int instance = NextInstance(name);
  if (plugins_.create) {
    if (auto device = plugins_.create(name, instance)) {
      if (device->Valid) {
        device->Moniker = moniker;
        return device;
      }
      if (plugins_.markUnusable) plugins_.markUnusable(name);
      return nullptr;
    }
  }
  switch (ClassifyDevice(moniker)) {
    case 1: return std::make_unique<TDVCaptureDevice>(slots_, moniker, instance, name);
    case 3: return std::make_unique<TVideoCaptureDevice>(slots_, moniker, instance, name);
    case 4: return std::make_unique<TAudioCaptureDevice>(slots_, moniker, instance, name);
    default: return nullptr;
  }
}

bool TCaptureDeviceList::Refresh() {
  bool complete = true;
  try {
    for (auto &d : devices_) d->Seen = 0;
    for (const DeviceMoniker &moniker : enumerator_.Enumerate(category_)) {
      const int found = FindByMoniker(moniker);
      if (found >= 0 && devices_[size_t(found)]->Moniker.SameInstance(moniker)) {
        TCaptureDevice *d = devices_[size_t(found)].get();
        if (StillPresent(*d, slots_.fg)) d->Seen = 1;
        continue;
      }
      if (found >= 0) {
        // Gone and back under the same identity since the last look: the
        // old device's moniker makes elements for the node that went away
        // (they open, so it would pass for present, and send nothing). It
        // goes before its successor is made, which takes its instance number.
        if (beforeRemove_) beforeRemove_(devices_[size_t(found)].get());
        devices_.erase(devices_.begin() + found);
      }
      if (auto device = MakeDevice(moniker)) {
        device->Seen = 1;
        devices_.push_back(std::move(device));
      }
    }
  } catch (...) {
    // Devices already handled stay as they are, including the unmarked
    // ones: a failed enumeration is no proof that they have gone.
    return false;
  }
  for (int i = Count() - 1; i >= 0; --i) {
    if (devices_[size_t(i)]->Seen != 0) continue;
    if (beforeRemove_) beforeRemove_(devices_[size_t(i)].get());
    devices_.erase(devices_.begin() + i);
  }
  return complete;
}

}  // namespace vistrel::sources
