#include "media/soundlevel.h"

#include <algorithm>
#include <cmath>

namespace vistrel::media {

namespace {

constexpr const char *kLevelName = "vistrel-sound-level";

double Clean(double db) { return std::isfinite(db) ? std::clamp(db, kSoundFloorDb, 0.0) : kSoundFloorDb; }

// `level` of GStreamer 1.22 still posts its figures as GValueArray.
int ReadChannels(const GstStructure *s, const char *field, std::array<double, kMaxMeteredChannels> &out) {
  const GValue *v = gst_structure_get_value(s, field);
  if (!v) return 0;
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  if (!G_VALUE_HOLDS(v, g_value_array_get_type())) return 0;
  auto *array = static_cast<GValueArray *>(g_value_get_boxed(v));
  const int n = array ? std::min<int>(int(array->n_values), kMaxMeteredChannels) : 0;
  for (int i = 0; i < n; ++i) {
    const GValue *item = g_value_array_get_nth(array, guint(i));
    out[i] = Clean(G_VALUE_HOLDS_DOUBLE(item) ? g_value_get_double(item) : kSoundFloorDb);
  }
  G_GNUC_END_IGNORE_DEPRECATIONS
  return n;
}

}  // namespace

double SoundLevels::LoudestRmsDb() const {
  double loudest = kSoundFloorDb;
  for (int i = 0; i < channels; ++i) loudest = std::max(loudest, rmsDb[i]);
  return loudest;
}

ElementRef MakeSoundLevelBin() {
  ElementRef bin = ElementRef::Adopt(gst_bin_new(nullptr));
  GstElement *convert = gst_element_factory_make("audioconvert", nullptr);
  GstElement *level = gst_element_factory_make("level", kLevelName);
  GstElement *sink = gst_element_factory_make("fakesink", nullptr);
  if (!convert || !level || !sink) {
    for (GstElement *e : {convert, level, sink})
      if (e) gst_object_unref(gst_object_ref_sink(e));
    return {};
  }
  g_object_set(level, "interval", guint64(kSoundLevelIntervalMs) * GST_MSECOND, "post-messages", TRUE, nullptr);
  // The meter is no clock's master and must not hold a start waiting for
  // preroll: it takes what comes.
  g_object_set(sink, "sync", FALSE, "async", FALSE, "enable-last-sample", FALSE, nullptr);
  gst_bin_add_many(GST_BIN(bin.get()), convert, level, sink, nullptr);
  if (!gst_element_link_many(convert, level, sink, nullptr)) return {};
  PadRef in = PadRef::Adopt(gst_element_get_static_pad(convert, "sink"));
  gst_element_add_pad(bin.get(), gst_ghost_pad_new("sink", in.get()));
  return bin;
}

std::optional<SoundLevels> ReadSoundLevels(GstMessage *message) {
  if (!message || GST_MESSAGE_TYPE(message) != GST_MESSAGE_ELEMENT) return std::nullopt;
  if (!GST_MESSAGE_SRC(message) || g_strcmp0(GST_OBJECT_NAME(GST_MESSAGE_SRC(message)), kLevelName) != 0)
    return std::nullopt;
  const GstStructure *s = gst_message_get_structure(message);
  if (!s || !gst_structure_has_name(s, "level")) return std::nullopt;
  SoundLevels levels;
  const int peaks = ReadChannels(s, "peak", levels.peakDb);
  const int rms = ReadChannels(s, "rms", levels.rmsDb);
  levels.channels = std::min(peaks, rms);
  return levels;
}

}  // namespace vistrel::media
