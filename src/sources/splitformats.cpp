// The capture pad's caps as the list of media types the user chooses from:
// one fixed entry per format, size and frame rate. Real devices state their
// caps in every way caps allow: a webcam lists fixed sizes with lists of
// rates, a PipeWire node lists formats, a capture card gives ranges. Sound
// pads likewise: a card lists what its converter takes, a sound server takes
// any rate and channel count.
#include "sources/capturedevice.h"

#include <algorithm>
#include <array>
#include <functional>

namespace vistrel::sources {

namespace {

// Sizes and rates offered from a range, largest first: the ones capture
// hardware and players agree on.
constexpr std::array<std::array<int, 2>, 7> kSizes{
    {{1920, 1080}, {1280, 720}, {720, 576}, {720, 480}, {640, 480}, {352, 288}, {320, 240}}};
constexpr std::array<std::array<int, 2>, 8> kRates{
    {{60, 1}, {50, 1}, {30, 1}, {30000, 1001}, {25, 1}, {24, 1}, {15, 1}, {10, 1}}};
constexpr int kMaxFromRange = 3;
// The sampling rates sound hardware and players agree on, and the integer
// PCM layouts a wave format header describes, most useful first.
constexpr std::array<int, 8> kAudioRates{8000, 11025, 16000, 22050, 32000, 44100, 48000, 96000};
constexpr std::array<const char *, 4> kPcmFormats{"S16LE", "U8", "S24LE", "S32LE"};

bool InIntRange(const GValue *range, int v) {
  return v >= gst_value_get_int_range_min(range) && v <= gst_value_get_int_range_max(range) &&
         (v - gst_value_get_int_range_min(range)) % std::max(1, gst_value_get_int_range_step(range)) == 0;
}

bool InFractionRange(const GValue *range, int n, int d) {
  GValue v = G_VALUE_INIT;
  g_value_init(&v, GST_TYPE_FRACTION);
  gst_value_set_fraction(&v, n, d);
  const bool inside = gst_value_compare(&v, gst_value_get_fraction_range_min(range)) != GST_VALUE_LESS_THAN &&
                      gst_value_compare(&v, gst_value_get_fraction_range_max(range)) != GST_VALUE_GREATER_THAN;
  g_value_unset(&v);
  return inside;
}

void ClearAll(std::vector<GValue> &values) {
  for (GValue &v : values) g_value_unset(&v);
}

// Frames or samples in device memory (DMA buffers, GL textures) cannot be
// read by the program's filters; only structures in system memory are listed.
bool InSystemMemory(const GstCaps *caps, guint i) {
  GstCapsFeatures *features = gst_caps_get_features(caps, i);
  return !features || gst_caps_features_is_any(features) ||
         gst_caps_features_is_equal(features, GST_CAPS_FEATURES_MEMORY_SYSTEM_MEMORY);
}

// Adds `one` (taken) as a fixed entry unless an equal one is listed already.
// Whatever is still open (an interlace mode list, a colour range) is settled
// the way negotiation would settle it.
void AddFixedOnce(std::vector<media::CapsRef> &out, GstStructure *one) {
  GstCaps *c = gst_caps_new_empty();
  gst_caps_append_structure(c, one);
  c = gst_caps_fixate(c);
  if (std::any_of(out.begin(), out.end(), [c](const media::CapsRef &e) { return gst_caps_is_equal(e.get(), c); }))
    gst_caps_unref(c);
  else
    out.push_back(media::CapsRef::Adopt(c));
}

// The values one field stands for, each a fixed GValue (owned by the caller).
std::vector<GValue> Choices(const GstStructure *s, const char *field) {
  std::vector<GValue> out;
  const GValue *v = gst_structure_get_value(s, field);
  auto add = [&out](const GValue *one) {
    GValue copy = G_VALUE_INIT;
    g_value_init(&copy, G_VALUE_TYPE(one));
    g_value_copy(one, &copy);
    out.push_back(copy);
  };
  if (!v) return out;
  if (GST_VALUE_HOLDS_LIST(v)) {
    for (guint i = 0, n = gst_value_list_get_size(v); i < n; ++i) {
      const GValue *item = gst_value_list_get_value(v, i);
      if (gst_value_is_fixed(item)) add(item);
    }
  } else if (GST_VALUE_HOLDS_FRACTION_RANGE(v)) {
    for (const auto &r : kRates) {
      if (int(out.size()) >= kMaxFromRange || !InFractionRange(v, r[0], r[1])) continue;
      GValue f = G_VALUE_INIT;
      g_value_init(&f, GST_TYPE_FRACTION);
      gst_value_set_fraction(&f, r[0], r[1]);
      out.push_back(f);
    }
  } else if (gst_value_is_fixed(v)) {
    add(v);
  }
  return out;
}

// Sizes: fixed width and height as they are; ranges give the common sizes
// that fit (a device accepting "any size" is offered the usual ones).
std::vector<std::array<int, 2>> SizeChoices(const GstStructure *s) {
  std::vector<std::array<int, 2>> out;
  const GValue *w = gst_structure_get_value(s, "width");
  const GValue *h = gst_structure_get_value(s, "height");
  if (!w || !h) return {{0, 0}};
  if (G_VALUE_HOLDS_INT(w) && G_VALUE_HOLDS_INT(h)) return {{g_value_get_int(w), g_value_get_int(h)}};
  for (const auto &size : kSizes) {
    const bool wOk = G_VALUE_HOLDS_INT(w) ? g_value_get_int(w) == size[0] : GST_VALUE_HOLDS_INT_RANGE(w) && InIntRange(w, size[0]);
    const bool hOk = G_VALUE_HOLDS_INT(h) ? g_value_get_int(h) == size[1] : GST_VALUE_HOLDS_INT_RANGE(h) && InIntRange(h, size[1]);
    if (wOk && hOk && int(out.size()) < kMaxFromRange) out.push_back(size);
  }
  // No common size fits: the largest the device takes.
  auto largest = [](const GValue *v) { return G_VALUE_HOLDS_INT(v) ? g_value_get_int(v) : gst_value_get_int_range_max(v); };
  if (out.empty() && (G_VALUE_HOLDS_INT(w) || GST_VALUE_HOLDS_INT_RANGE(w)) &&
      (G_VALUE_HOLDS_INT(h) || GST_VALUE_HOLDS_INT_RANGE(h)))
    out.push_back({largest(w), largest(h)});
  return out;
}

// The integer values a field allows: itself, its list, or, for a range (or a
// missing field: anything), the common ones that fit.
std::vector<int> IntChoices(const GstStructure *s, const char *field, const std::vector<int> &common) {
  const GValue *v = gst_structure_get_value(s, field);
  if (!v) return common;
  if (G_VALUE_HOLDS_INT(v)) return {g_value_get_int(v)};
  std::vector<int> out;
  if (GST_VALUE_HOLDS_LIST(v)) {
    for (guint i = 0, n = gst_value_list_get_size(v); i < n; ++i)
      if (const GValue *item = gst_value_list_get_value(v, i); G_VALUE_HOLDS_INT(item)) out.push_back(g_value_get_int(item));
  } else if (GST_VALUE_HOLDS_INT_RANGE(v)) {
    for (int c : common)
      if (InIntRange(v, c)) out.push_back(c);
  }
  return out;
}

bool IsRangeOrOpen(const GstStructure *s, const char *field) {
  const GValue *v = gst_structure_get_value(s, field);
  return !v || GST_VALUE_HOLDS_INT_RANGE(v);
}

// The integer PCM formats the structure allows, in the order of kPcmFormats.
std::vector<const char *> PcmChoices(const GstStructure *s) {
  if (!gst_structure_has_field(s, "format")) return {kPcmFormats.begin(), kPcmFormats.end()};
  std::vector<GValue> offered = Choices(s, "format");
  std::vector<const char *> out;
  for (const char *f : kPcmFormats)
    if (std::any_of(offered.begin(), offered.end(),
                    [f](const GValue &v) { return G_VALUE_HOLDS_STRING(&v) && g_strcmp0(g_value_get_string(&v), f) == 0; }))
      out.push_back(f);
  ClearAll(offered);
  return out;
}

int BitsOf(const GstStructure *s) {
  const char *f = gst_structure_get_string(s, "format");
  return g_strcmp0(f, "U8") == 0 ? 8 : g_strcmp0(f, "S24LE") == 0 ? 24 : g_strcmp0(f, "S32LE") == 0 ? 32 : 16;
}

}  // namespace

std::vector<media::CapsRef> SplitFormats(const GstCaps *caps, int limit) {
  std::vector<media::CapsRef> out;
  if (!caps || gst_caps_is_any(caps)) return out;
  for (guint i = 0, n = gst_caps_get_size(caps); i < n && int(out.size()) < limit; ++i) {
    // A device lists the same format in system memory too.
    if (!InSystemMemory(caps, i)) continue;
    const GstStructure *s = gst_caps_get_structure(caps, i);
    std::vector<GValue> formats = Choices(s, "format");
    std::vector<GValue> rates = Choices(s, "framerate");
    const bool hasFormat = gst_structure_has_field(s, "format");
    const bool hasRate = gst_structure_has_field(s, "framerate");
    const std::vector<std::array<int, 2>> sizes = SizeChoices(s);
    // A field present but with nothing fixed to offer (an empty list) makes
    // the structure unusable.
    if ((hasFormat && formats.empty()) || (hasRate && rates.empty()) || sizes.empty()) {
      ClearAll(formats);
      ClearAll(rates);
      continue;
    }
    const size_t nf = std::max<size_t>(1, formats.size()), nr = std::max<size_t>(1, rates.size());
    for (size_t f = 0; f < nf && int(out.size()) < limit; ++f)
      for (const auto &size : sizes)
        for (size_t r = 0; r < nr && int(out.size()) < limit; ++r) {
          GstStructure *one = gst_structure_copy(s);
          if (!formats.empty()) gst_structure_set_value(one, "format", &formats[f]);
          if (size[0] > 0) gst_structure_set(one, "width", G_TYPE_INT, size[0], "height", G_TYPE_INT, size[1], nullptr);
          if (!rates.empty()) gst_structure_set_value(one, "framerate", &rates[r]);
          AddFixedOnce(out, one);
        }
    ClearAll(formats);
    ClearAll(rates);
  }
  return out;
}

std::vector<media::CapsRef> SplitAudioFormats(const GstCaps *caps, int limit) {
  std::vector<media::CapsRef> out;
  if (!caps || gst_caps_is_any(caps)) return out;
  for (guint i = 0, n = gst_caps_get_size(caps); i < n; ++i) {
    const GstStructure *s = gst_caps_get_structure(caps, i);
    if (!InSystemMemory(caps, i) || !gst_structure_has_name(s, "audio/x-raw")) continue;
    std::vector<const char *> formats = PcmChoices(s);
    const std::vector<int> rates = IntChoices(s, "rate", {kAudioRates.begin(), kAudioRates.end()});
    const std::vector<int> channels = IntChoices(s, "channels", {2, 1});
    // A pad taking any rate (a sound server, a card behind a converter)
    // would give every layout at every rate: its 16-bit ones are enough.
    if ((IsRangeOrOpen(s, "rate") || IsRangeOrOpen(s, "channels")) && formats.size() > 1) formats.resize(1);
    for (const char *f : formats)
      for (int r : rates)
        for (int c : channels) {
          if (r <= 0 || c <= 0) continue;
          GstStructure *one = gst_structure_copy(s);
          gst_structure_set(one, "format", G_TYPE_STRING, f, "rate", G_TYPE_INT, r, "channels", G_TYPE_INT, c, nullptr);
          // A channel mask stated for another channel count does not describe this one.
          if (const GValue *mask = gst_structure_get_value(one, "channel-mask"); mask && !gst_value_is_fixed(mask))
            gst_structure_remove_field(one, "channel-mask");
          AddFixedOnce(out, one);
        }
  }
  // Highest rate first, stereo before mono, more bits before fewer.
  auto key = [](const media::CapsRef &c) {
    const GstStructure *s = gst_caps_get_structure(c.get(), 0);
    int rate = 0, ch = 0;
    gst_structure_get_int(s, "rate", &rate);
    gst_structure_get_int(s, "channels", &ch);
    return std::array<int, 3>{rate, ch, BitsOf(s)};
  };
  std::stable_sort(out.begin(), out.end(), [&key](const media::CapsRef &a, const media::CapsRef &b) { return key(a) > key(b); });
  if (int(out.size()) > limit) out.resize(size_t(std::max(0, limit)));
  return out;
}

}  // namespace vistrel::sources
