#include "sources/testdevice_bin.h"

#include <mutex>

namespace vistrel::sources::detail {

namespace {

struct DeviceBin {
  GstBin parent;
};
struct DeviceBinClass {
  GstBinClass parent_class;
};

GstElementClass *g_binParent = nullptr;
constexpr const char *kHookKey = "vistrel-prepare-hook";
constexpr const char *kOfferKey = "vistrel-offered-caps";

GstStateChangeReturn ChangeState(GstElement *element, GstStateChange transition) {
  if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) {
    if (auto *hook = Attached<PrepareHook>(element, kHookKey); hook && *hook && !(*hook)(element))
      return GST_STATE_CHANGE_FAILURE;
  }
  return g_binParent->change_state(element, transition);
}

void BinClassInit(gpointer klass, gpointer) {
  g_binParent = GST_ELEMENT_CLASS(g_type_class_peek_parent(klass));
  GST_ELEMENT_CLASS(klass)->change_state = ChangeState;
}

GType DeviceBinType() {
  static GType type = 0;
  static std::once_flag once;
  std::call_once(once, [] {
    type = g_type_register_static_simple(GST_TYPE_BIN, "VistrelTestDeviceBin", sizeof(DeviceBinClass), BinClassInit,
                                         sizeof(DeviceBin), nullptr, GTypeFlags(0));
  });
  return type;
}

GstCaps *Offered(GstPad *pad) { return static_cast<GstCaps *>(g_object_get_data(G_OBJECT(pad), kOfferKey)); }

// Answers caps queries reaching the ghost pad from downstream with the offer.
GstPadProbeReturn OfferingQuery(GstPad *pad, GstPadProbeInfo *info, gpointer) {
  GstQuery *query = GST_PAD_PROBE_INFO_QUERY(info);
  GstCaps *offered = Offered(pad);
  if (!offered || !query) return GST_PAD_PROBE_OK;
  if (GST_QUERY_TYPE(query) == GST_QUERY_CAPS) {
    GstCaps *filter = nullptr;
    gst_query_parse_caps(query, &filter);
    GstCaps *result = filter ? gst_caps_intersect_full(filter, offered, GST_CAPS_INTERSECT_FIRST) : gst_caps_ref(offered);
    gst_query_set_caps_result(query, result);
    gst_caps_unref(result);
    return GST_PAD_PROBE_HANDLED;
  }
  if (GST_QUERY_TYPE(query) == GST_QUERY_ACCEPT_CAPS) {
    GstCaps *caps = nullptr;
    gst_query_parse_accept_caps(query, &caps);
    gst_query_set_accept_caps_result(query, gst_caps_can_intersect(caps, offered));
    return GST_PAD_PROBE_HANDLED;
  }
  return GST_PAD_PROBE_OK;
}

// A device's stream nobody connected is thrown away, as a capture pin left
// unconnected is: the other streams of the device go on.
GstPadProbeReturn DropWhenUnlinked(GstPad *pad, GstPadProbeInfo *, gpointer) {
  return gst_pad_is_linked(pad) ? GST_PAD_PROBE_OK : GST_PAD_PROBE_DROP;
}

}  // namespace

media::ElementRef NewDeviceBin(const char *name, PrepareHook prepare) {
  media::ElementRef bin = media::ElementRef::Adopt(GST_ELEMENT(g_object_new(DeviceBinType(), "name", name, nullptr)));
  if (prepare) Attach(bin.get(), kHookKey, new PrepareHook(std::move(prepare)));
  return bin;
}

GstElement *AddElement(GstElement *bin, const char *factory, const char *name) {
  GstElement *e = gst_element_factory_make(factory, name);
  if (!e) return nullptr;
  gst_bin_add(GST_BIN(bin), e);  // the bin takes the floating reference
  return e;
}

GstPad *AddGhost(GstElement *bin, const char *name, GstPad *target, GstCaps *offered) {
  GstPad *ghost = gst_ghost_pad_new(name, target);
  if (!ghost) return nullptr;
  if (offered) {
    g_object_set_data_full(G_OBJECT(ghost), kOfferKey, gst_caps_ref(offered),
                           [](gpointer p) { gst_caps_unref(static_cast<GstCaps *>(p)); });
    gst_pad_add_probe(ghost, GST_PAD_PROBE_TYPE_QUERY_UPSTREAM, OfferingQuery, nullptr, nullptr);
  }
  gst_pad_add_probe(ghost, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST), DropWhenUnlinked,
                    nullptr, nullptr);
  gst_pad_set_active(ghost, TRUE);
  gst_element_add_pad(bin, ghost);
  return ghost;
}

media::CapsRef DownstreamChoice(GstPad *ghost) {
  GstCaps *offered = Offered(ghost);
  if (!offered) return {};
  media::CapsRef peer = media::CapsRef::Adopt(gst_pad_peer_query_caps(ghost, offered));
  if (!peer || gst_caps_is_empty(peer.get()) || gst_caps_is_any(peer.get())) return media::CapsRef::Borrow(offered);
  return media::CapsRef::Adopt(gst_caps_intersect_full(peer.get(), offered, GST_CAPS_INTERSECT_FIRST));
}

bool AddToneBranch(GstElement *bin, double frequency, const char *formats) {
  // "tone" is the microphone's gain control in the device dialogs.
  GstElement *src = AddElement(bin, "audiotestsrc", "tone");
  GstElement *filter = AddElement(bin, "capsfilter");
  if (!src || !filter) return false;
  g_object_set(src, "is-live", TRUE, "wave", 0 /* sine */, "freq", frequency, "volume", 0.25, "samplesperbuffer", 960,
               nullptr);
  // The generator takes whatever downstream settles on among these; with
  // nothing chosen, the first.
  media::CapsRef caps = media::CapsRef::Adopt(gst_caps_from_string(formats ? formats : kToneFormat));
  g_object_set(filter, "caps", caps.get(), nullptr);
  if (!gst_element_link(src, filter)) return false;
  media::PadRef out = media::PadRef::Adopt(gst_element_get_static_pad(filter, "src"));
  return AddGhost(bin, "audio", out.get()) != nullptr;
}

}  // namespace vistrel::sources::detail
