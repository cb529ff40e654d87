#include "sources/pinsearch.h"

#include <algorithm>

namespace vistrel::sources {

using media::MajorType;

namespace {

int Strength(MajorType m) {
  switch (m) {
    case MajorType::Interleaved: return 4;
    case MajorType::Stream: return 3;
    case MajorType::Video: return 2;
    case MajorType::Audio: return 1;
    default: return 0;
  }
}

MajorType MajorOfName(const char *name) {
  const QByteArray n(name ? name : "");
  if (n.startsWith("video") || n.startsWith("vid")) return MajorType::Video;
  if (n.startsWith("audio") || n.startsWith("aud")) return MajorType::Audio;
  if (n == "dv") return MajorType::Interleaved;
  return MajorType::None;
}

}  // namespace

MajorType MajorOfCaps(const GstCaps *caps) {
  if (!caps || gst_caps_is_any(caps)) return MajorType::None;
  MajorType best = MajorType::None;
  for (guint i = 0, n = gst_caps_get_size(caps); i < n; ++i) {
    media::CapsRef one = media::CapsRef::Adopt(gst_caps_copy_nth(caps, i));
    const MajorType m = media::MediaType::FromCaps(one.get()).major;
    if (Strength(m) > Strength(best)) best = m;
  }
  return best;
}

media::CapsRef PadCaps(GstPad *pad) {
  if (!pad) return {};
  media::CapsRef caps = media::CapsRef::Adopt(gst_pad_get_current_caps(pad));
  if (!caps) caps = media::CapsRef::Adopt(gst_pad_query_caps(pad, nullptr));
  return caps;
}

MajorType PadMajor(GstPad *pad) {
  if (!pad) return MajorType::None;
  media::CapsRef caps = PadCaps(pad);
  const MajorType m = MajorOfCaps(caps.get());
  if (m != MajorType::None) return m;
  return MajorOfName(GST_PAD_NAME(pad));
}

bool IsPreviewPad(GstPad *pad) { return pad && g_strcmp0(GST_PAD_NAME(pad), "preview") == 0; }

media::PadRef PreviewPin(GstElement *element) {
  return element ? media::PadRef::Adopt(gst_element_get_static_pad(element, "preview")) : media::PadRef();
}

std::vector<media::PadRef> OutputPins(GstElement *element, MajorType major, const GstCaps *known) {
  std::vector<media::PadRef> out;
  if (!element) return out;
  GstIterator *it = gst_element_iterate_src_pads(element);
  GValue v = G_VALUE_INIT;
  std::vector<media::PadRef> all;
  bool done = false;
  while (!done) {
    switch (gst_iterator_next(it, &v)) {
      case GST_ITERATOR_OK:
        all.push_back(media::PadRef::Borrow(GST_PAD(g_value_get_object(&v))));
        g_value_reset(&v);
        break;
      case GST_ITERATOR_RESYNC:
        all.clear();
        gst_iterator_resync(it);
        break;
      default:
        done = true;
    }
  }
  g_value_unset(&v);
  gst_iterator_free(it);
  // The element lists its newest pad first; pad order is the order of creation.
  std::reverse(all.begin(), all.end());
  for (auto &p : all)
    if (!IsPreviewPad(p.get()) && (known ? MajorOfCaps(known) : PadMajor(p.get())) == major) out.push_back(std::move(p));
  return out;
}

media::PadRef OutputPin(GstElement *element, MajorType major, int index, const GstCaps *known) {
  if (index < 0) return {};
  auto pins = OutputPins(element, major, known);
  return index < int(pins.size()) ? pins[size_t(index)] : media::PadRef();
}

int CountOutputs(GstElement *element, MajorType major, const GstCaps *known) {
  if (!element) return 0;
  int count = int(OutputPins(element, major, known).size());
  for (const GList *l = gst_element_class_get_pad_template_list(GST_ELEMENT_GET_CLASS(element)); l; l = l->next) {
    auto *templ = GST_PAD_TEMPLATE(l->data);
    if (GST_PAD_TEMPLATE_DIRECTION(templ) != GST_PAD_SRC || GST_PAD_TEMPLATE_PRESENCE(templ) != GST_PAD_SOMETIMES)
      continue;
    if (GstPad *made = gst_element_get_static_pad(element, GST_PAD_TEMPLATE_NAME_TEMPLATE(templ))) {
      gst_object_unref(made);  // already counted with the pads
      continue;
    }
    media::CapsRef caps = media::CapsRef::Adopt(gst_pad_template_get_caps(templ));
    MajorType m = MajorOfCaps(caps.get());
    if (m == MajorType::None) m = MajorOfName(GST_PAD_TEMPLATE_NAME_TEMPLATE(templ));
    if (m == major) ++count;
  }
  return count;
}

}  // namespace vistrel::sources
