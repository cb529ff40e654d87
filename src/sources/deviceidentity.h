#pragma once
// The identity a device keeps across replugging and reboots, from what its
// provider states about it. /dev/videoN and ALSA card numbers are handed out
// in plug order, so they are the last resort, never the first choice.
#include <gst/gst.h>

#include <QString>

#include <functional>

namespace vistrel::sources {

// The /dev/v4l/by-id name of a V4L2 node ("usb-046d_C920_ABC123-video-index0"),
// or empty when there is none. Replaceable in tests.
using ByIdLookup = std::function<QString(const QString &devicePath)>;
QString V4l2ById(const QString &devicePath);

// The V4L2 node a device stands for ("/dev/video2"), as its provider (V4L2
// itself or PipeWire) states it; empty for anything else.
QString V4l2Path(const GstStructure *props);

// By provider, in order of preference:
// - V4L2 (directly or through PipeWire): "v4l2:" + by-id name, else bus info
//   and card name, else the node path;
// - PipeWire: its node name (stable for hardware nodes), with the
//   description when the name is an application's (several streams of one
//   program share it);
// - PulseAudio: the server's internal name ("alsa_input.usb-…", "x.monitor");
// - ALSA: "alsa:" + card id (the card's short name), else card number;
// - else the display name.
// `internalName` is the PulseAudio device's internal name, when it has one.
QString StableIdentity(const GstStructure *props, const QString &displayName, const QString &internalName,
                       const ByIdLookup &byId = V4l2ById);

}  // namespace vistrel::sources
