#pragma once
// Building blocks shared by the test devices: a source bin that can settle
// its inner chain on the format downstream chose just before it starts, ghost
// pads that offer a fixed list of formats, and the audio tone branch.
#include "media/gstref.h"

#include <gst/gst.h>

#include <functional>

namespace vistrel::sources::detail {

// Runs on the thread that sets the state, between READY and PAUSED, with the
// bin's children still in READY; returning false fails the state change.
using PrepareHook = std::function<bool(GstElement *bin)>;

media::ElementRef NewDeviceBin(const char *name, PrepareHook prepare = {});

// Makes an element, adds it to bin and returns it (borrowed from the bin);
// null when the factory is missing.
GstElement *AddElement(GstElement *bin, const char *factory, const char *name = nullptr);

// Adds ghost src pad `name` on `target`. When `offered` is given, caps
// queries are answered with it (filtered) whatever the inner chain currently
// produces, so downstream sees every format the device can deliver.
GstPad *AddGhost(GstElement *bin, const char *name, GstPad *target, GstCaps *offered = nullptr);

// What downstream accepts of the ghost's offer; the whole offer when nothing
// narrows it (unlinked pad, or downstream accepts anything of it).
media::CapsRef DownstreamChoice(GstPad *ghost);

// The tone's format when a device offers no other: 48 kHz stereo S16LE.
inline constexpr const char *kToneFormat =
    "audio/x-raw,format=S16LE,layout=interleaved,rate=48000,channels=2,channel-mask=(bitmask)0x3";
// A live sine tone exposed as ghost pad "audio", in one of `formats` (caps
// text, the first being what it gives when nothing else is asked for).
bool AddToneBranch(GstElement *bin, double frequency, const char *formats = kToneFormat);

// A typed C++ object owned by a GObject (freed with it).
template <typename T> void Attach(GstElement *e, const char *key, T *object) {
  g_object_set_data_full(G_OBJECT(e), key, object, [](gpointer p) { delete static_cast<T *>(p); });
}
template <typename T> T *Attached(GstElement *e, const char *key) {
  return e ? static_cast<T *>(g_object_get_data(G_OBJECT(e), key)) : nullptr;
}

}  // namespace vistrel::sources::detail
