#include "sources/testdevice_framesrc.h"

#include <gst/base/gstpushsrc.h>

#include <mutex>

namespace vistrel::sources::detail {

namespace {

struct FrameSrc {
  GstPushSrc parent;
  GstCaps *caps;
  GstClockTime duration;
  FrameMaker *maker;
  guint64 frame;
  GstClockTime origin;  // running time of frame 0
};
struct FrameSrcClass {
  GstPushSrcClass parent_class;
};

GstPushSrcClass *g_parent = nullptr;
FrameSrc *Self(gpointer p) { return reinterpret_cast<FrameSrc *>(p); }

GstCaps *GetCaps(GstBaseSrc *src, GstCaps *filter) {
  FrameSrc *self = Self(src);
  if (!self->caps) return gst_caps_new_any();
  return filter ? gst_caps_intersect_full(filter, self->caps, GST_CAPS_INTERSECT_FIRST) : gst_caps_ref(self->caps);
}

gboolean Start(GstBaseSrc *src) {
  Self(src)->frame = 0;
  Self(src)->origin = GST_CLOCK_TIME_NONE;
  return TRUE;
}

// Times come from the frame count; the base class then waits on the clock
// until each frame is due, which paces the stream in real time.
void GetTimes(GstBaseSrc *, GstBuffer *buf, GstClockTime *start, GstClockTime *end) {
  *start = GST_BUFFER_PTS(buf);
  *end = GST_CLOCK_TIME_IS_VALID(*start) ? *start + GST_BUFFER_DURATION(buf) : GST_CLOCK_TIME_NONE;
}

gboolean Query(GstBaseSrc *src, GstQuery *query) {
  if (GST_QUERY_TYPE(query) == GST_QUERY_LATENCY) {
    // A frame is complete one frame duration after it began.
    gst_query_set_latency(query, TRUE, Self(src)->duration, Self(src)->duration);
    return TRUE;
  }
  return GST_BASE_SRC_CLASS(g_parent)->query(src, query);
}

GstFlowReturn Create(GstPushSrc *src, GstBuffer **out) {
  FrameSrc *self = Self(src);
  if (!GST_CLOCK_TIME_IS_VALID(self->origin)) {
    // Start at the running time the source went live at, so a source added
    // to a running pipeline does not burst frames to catch up.
    self->origin = 0;
    if (GstClock *clock = gst_element_get_clock(GST_ELEMENT(src))) {
      const GstClockTime now = gst_clock_get_time(clock), base = gst_element_get_base_time(GST_ELEMENT(src));
      if (now > base) self->origin = now - base;
      gst_object_unref(clock);
    }
  }
  GstBuffer *buf = (*self->maker)(self->frame);
  if (!buf) {
    GST_ELEMENT_ERROR(src, RESOURCE, READ, ("The test device could not make a frame"), (nullptr));
    return GST_FLOW_ERROR;
  }
  GST_BUFFER_PTS(buf) = self->origin + self->frame * self->duration;
  GST_BUFFER_DTS(buf) = GST_BUFFER_PTS(buf);
  GST_BUFFER_DURATION(buf) = self->duration;
  GST_BUFFER_OFFSET(buf) = self->frame;
  GST_BUFFER_OFFSET_END(buf) = self->frame + 1;
  if (self->frame == 0) GST_BUFFER_FLAG_SET(buf, GST_BUFFER_FLAG_DISCONT);
  ++self->frame;
  *out = buf;
  return GST_FLOW_OK;
}

void Finalize(GObject *obj) {
  FrameSrc *self = Self(obj);
  if (self->caps) gst_caps_unref(self->caps);
  delete self->maker;
  G_OBJECT_CLASS(g_parent)->finalize(obj);
}

void ClassInit(gpointer klass, gpointer) {
  g_parent = GST_PUSH_SRC_CLASS(g_type_class_peek_parent(klass));
  G_OBJECT_CLASS(klass)->finalize = Finalize;
  gst_element_class_set_static_metadata(GST_ELEMENT_CLASS(klass), "Vistrel frame source", "Source/Video",
                                        "Live frames from the program", "Vistrel");
  gst_element_class_add_pad_template(GST_ELEMENT_CLASS(klass),
                                     gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, gst_caps_new_any()));
  GstBaseSrcClass *base = GST_BASE_SRC_CLASS(klass);
  base->get_caps = GetCaps;
  base->start = Start;
  base->get_times = GetTimes;
  base->query = Query;
  GST_PUSH_SRC_CLASS(klass)->create = Create;
}

void InstanceInit(GTypeInstance *instance, gpointer) {
  FrameSrc *self = Self(instance);
  self->caps = nullptr;
  self->maker = nullptr;
  self->duration = GST_SECOND / 25;
  gst_base_src_set_live(GST_BASE_SRC(instance), TRUE);
  gst_base_src_set_format(GST_BASE_SRC(instance), GST_FORMAT_TIME);
}

GType FrameSrcType() {
  static GType type = 0;
  static std::once_flag once;
  std::call_once(once, [] {
    type = g_type_register_static_simple(GST_TYPE_PUSH_SRC, "VistrelFrameSrc", sizeof(FrameSrcClass), ClassInit,
                                         sizeof(FrameSrc), InstanceInit, GTypeFlags(0));
  });
  return type;
}

}  // namespace

media::ElementRef MakeFrameSource(GstCaps *caps, int fpsN, int fpsD, FrameMaker maker) {
  media::ElementRef e = media::ElementRef::Adopt(GST_ELEMENT(g_object_new(FrameSrcType(), nullptr)));
  FrameSrc *self = Self(e.get());
  self->caps = gst_caps_ref(caps);
  self->duration = gst_util_uint64_scale(GST_SECOND, fpsD, fpsN);
  self->maker = new FrameMaker(std::move(maker));
  return e;
}

}  // namespace vistrel::sources::detail
