#pragma once
// One GStreamer debug category per subsystem, so that a report about a real
// device can be read: GST_DEBUG=vistrel*:5 shows what was built, linked and
// why a link or a chain failed, next to GStreamer's own messages.
//
// In a source file: #define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::Graph)
// then GST_DEBUG/GST_INFO/GST_WARNING as usual.
#include <gst/gst.h>

namespace vistrel::media {

enum class Subsystem { Media, Graph, Sources, Filters, App, Settings, Plugins };

// "vistrel-media", "vistrel-graph", "vistrel-sources", "vistrel-filters",
// "vistrel-app", "vistrel-settings", "vistrel-plugins"; made on first use,
// from any thread.
GstDebugCategory *DebugCategory(Subsystem subsystem);

}  // namespace vistrel::media
