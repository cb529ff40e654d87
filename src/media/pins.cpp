#include "media/pins.h"

#include <cstring>

namespace vistrel::media {
namespace {

std::vector<PadRef> PadsOf(GstElement *element, GstPadDirection direction) {
  std::vector<PadRef> pads;
  GST_OBJECT_LOCK(element);
  for (GList *l = direction == GST_PAD_SRC ? element->srcpads : element->sinkpads; l; l = l->next)
    pads.push_back(PadRef::Borrow(GST_PAD(l->data)));
  GST_OBJECT_UNLOCK(element);
  return pads;
}

// The request template of that direction whose caps suit `hint` (the only one
// when no hint is given and there is just one).
GstPadTemplate *RequestTemplate(GstElement *element, GstPadDirection direction, const GstCaps *hint) {
  GstPadTemplate *only = nullptr;
  int count = 0;
  for (GList *l = gst_element_class_get_pad_template_list(GST_ELEMENT_GET_CLASS(element)); l; l = l->next) {
    auto *templ = GST_PAD_TEMPLATE(l->data);
    if (GST_PAD_TEMPLATE_DIRECTION(templ) != direction || GST_PAD_TEMPLATE_PRESENCE(templ) != GST_PAD_REQUEST)
      continue;
    ++count;
    if (!only) only = templ;
    if (hint) {
      CapsRef caps = CapsRef::Adopt(gst_pad_template_get_caps(templ));
      if (gst_caps_can_intersect(caps.get(), hint)) return templ;
    }
  }
  if (hint) return nullptr;
  return count == 1 ? only : nullptr;
}

PadRef RequestPad(GstElement *element, GstPadDirection direction, const GstCaps *hint) {
  GstPadTemplate *templ = RequestTemplate(element, direction, hint);
  if (!templ) return {};
  // Request pads belong to the element; the call hands us a reference.
  return PadRef::Adopt(gst_element_request_pad(element, templ, nullptr, hint));
}

}  // namespace

bool IsMuxer(GstElement *element) {
  GstElementFactory *factory = element ? gst_element_get_factory(element) : nullptr;
  if (!factory) return false;
  const char *klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
  return klass && std::strstr(klass, "Muxer");
}

std::vector<PadRef> Pins(GstElement *element) {
  if (!element) return {};
  const bool muxer = IsMuxer(element);
  std::vector<PadRef> pins = PadsOf(element, muxer ? GST_PAD_SRC : GST_PAD_SINK);
  for (PadRef &p : PadsOf(element, muxer ? GST_PAD_SINK : GST_PAD_SRC)) pins.push_back(std::move(p));
  return pins;
}

PadRef Pin(GstElement *element, int index, const GstCaps *hint) {
  if (!element || index < 0) return {};
  std::vector<PadRef> pins = Pins(element);
  if (index < int(pins.size())) return pins[index];
  if (index != int(pins.size())) return {};
  // One past the end: the element's growing side (outputs of a tee, inputs of a muxer).
  const bool muxer = IsMuxer(element);
  return RequestPad(element, muxer ? GST_PAD_SINK : GST_PAD_SRC, hint);
}

PadRef FirstUnconnectedPin(GstElement *element, GstPadDirection direction, const GstCaps *hint) {
  if (!element) return {};
  for (PadRef &p : PadsOf(element, direction)) {
    if (gst_pad_is_linked(p.get())) continue;
    if (hint) {
      CapsRef caps = CapsRef::Adopt(gst_pad_query_caps(p.get(), nullptr));
      if (!gst_caps_can_intersect(caps.get(), hint)) continue;
    }
    return std::move(p);
  }
  return RequestPad(element, direction, hint);
}

PadRef FirstConnectedPin(GstElement *element, GstPadDirection direction) {
  if (!element) return {};
  for (PadRef &p : PadsOf(element, direction))
    if (gst_pad_is_linked(p.get())) return std::move(p);
  return {};
}

ElementRef PeerElement(GstPad *pad) {
  if (!pad) return {};
  PadRef peer = PadRef::Adopt(gst_pad_get_peer(pad));
  if (!peer) return {};
  ObjectRef parent = ParentOf(peer.get());
  // Linked to the inner side of a ghost pad: the element is the ghost pad's owner.
  if (parent && GST_IS_PAD(parent.get())) parent = ParentOf(parent.get());
  if (!parent || !GST_IS_ELEMENT(parent.get())) return {};
  return ElementRef::Adopt(GST_ELEMENT_CAST(parent.release()));
}

PadRef ConnectedTo(GstPad *pad) { return pad ? PadRef::Adopt(gst_pad_get_peer(pad)) : PadRef{}; }

MediaType ConnectionMediaType(GstPad *pad) {
  CapsRef caps = CurrentCaps(pad);
  return MediaType::FromCaps(caps.get());
}

CapsRef CurrentCaps(GstPad *pad) {
  return pad ? CapsRef::Adopt(gst_pad_get_current_caps(pad)) : CapsRef{};
}

}  // namespace vistrel::media
