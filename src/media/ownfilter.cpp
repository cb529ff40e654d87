// The single element type behind every own filter: a GstBaseTransform whose
// virtual methods forward to the OwnFilter object the element points at.
#include "media/ownfilter.h"

#include <gst/base/gstbasetransform.h>
#include <gst/video/video.h>

#include <mutex>

namespace vistrel::media {

namespace {

constexpr std::int64_t kNsPer100 = 100;

std::int64_t To100ns(GstClockTime t) { return static_cast<std::int64_t>(t / kNsPer100); }
GstClockTime FromHundredNs(std::int64_t t) { return t < 0 ? 0 : static_cast<GstClockTime>(t) * kNsPer100; }

}  // namespace

bool SampleView::GetTime(std::int64_t &start, std::int64_t &stop) const {
  const GstClockTime pts = GST_BUFFER_PTS(buf_);
  if (!GST_CLOCK_TIME_IS_VALID(pts)) return false;
  start = To100ns(pts);
  const GstClockTime dur = GST_BUFFER_DURATION(buf_);
  stop = GST_CLOCK_TIME_IS_VALID(dur) ? To100ns(pts + dur) : start;
  return true;
}

void SampleView::SetTime(std::int64_t start, std::int64_t stop) {
  GST_BUFFER_PTS(buf_) = FromHundredNs(start);
  GST_BUFFER_DTS(buf_) = GST_CLOCK_TIME_NONE;
  GST_BUFFER_DURATION(buf_) = stop >= start ? FromHundredNs(stop - start) : 0;
}

void SampleView::ClearTime() {
  GST_BUFFER_PTS(buf_) = GST_CLOCK_TIME_NONE;
  GST_BUFFER_DTS(buf_) = GST_CLOCK_TIME_NONE;
  GST_BUFFER_DURATION(buf_) = GST_CLOCK_TIME_NONE;
}

bool SampleView::GetMediaTime(std::int64_t &start, std::int64_t &stop) const {
  if (GST_BUFFER_OFFSET(buf_) == GST_BUFFER_OFFSET_NONE) return false;
  start = static_cast<std::int64_t>(GST_BUFFER_OFFSET(buf_));
  stop = GST_BUFFER_OFFSET_END(buf_) == GST_BUFFER_OFFSET_NONE ? start
                                                              : static_cast<std::int64_t>(GST_BUFFER_OFFSET_END(buf_));
  return true;
}

void SampleView::SetMediaTime(std::int64_t start, std::int64_t stop) {
  GST_BUFFER_OFFSET(buf_) = static_cast<guint64>(start);
  GST_BUFFER_OFFSET_END(buf_) = static_cast<guint64>(stop);
}

void SampleView::ClearMediaTime() {
  GST_BUFFER_OFFSET(buf_) = GST_BUFFER_OFFSET_NONE;
  GST_BUFFER_OFFSET_END(buf_) = GST_BUFFER_OFFSET_NONE;
}

bool SampleView::IsSyncPoint() const { return !GST_BUFFER_FLAG_IS_SET(buf_, GST_BUFFER_FLAG_DELTA_UNIT); }

void SampleView::SetSyncPoint(bool on) {
  if (on)
    GST_BUFFER_FLAG_UNSET(buf_, GST_BUFFER_FLAG_DELTA_UNIT);
  else
    GST_BUFFER_FLAG_SET(buf_, GST_BUFFER_FLAG_DELTA_UNIT);
}

bool SampleView::IsDiscontinuity() const { return GST_BUFFER_FLAG_IS_SET(buf_, GST_BUFFER_FLAG_DISCONT); }

void SampleView::SetDiscontinuity(bool on) {
  if (on)
    GST_BUFFER_FLAG_SET(buf_, GST_BUFFER_FLAG_DISCONT);
  else
    GST_BUFFER_FLAG_UNSET(buf_, GST_BUFFER_FLAG_DISCONT);
}

void SampleView::CopyPropertiesFrom(const SampleView &other) {
  GST_BUFFER_PTS(buf_) = GST_BUFFER_PTS(other.buf_);
  GST_BUFFER_DTS(buf_) = GST_BUFFER_DTS(other.buf_);
  GST_BUFFER_DURATION(buf_) = GST_BUFFER_DURATION(other.buf_);
  GST_BUFFER_OFFSET(buf_) = GST_BUFFER_OFFSET(other.buf_);
  GST_BUFFER_OFFSET_END(buf_) = GST_BUFFER_OFFSET_END(other.buf_);
  SetSyncPoint(other.IsSyncPoint());
  SetDiscontinuity(other.IsDiscontinuity());
}

MappedBuffer::MappedBuffer(GstBuffer *buffer, GstMapFlags flags) : buf_(buffer) {
  ok_ = buf_ && gst_buffer_map(buf_, &info_, flags);
}

MappedBuffer::~MappedBuffer() {
  if (ok_) gst_buffer_unmap(buf_, &info_);
}

HRESULT OwnFilter::CheckTransform(const GstCaps *in, const GstCaps *out) {
  (void)in;
  (void)out;
  return S_OK;
}

HRESULT OwnFilter::SetMediaType(const GstCaps *in, const GstCaps *out) {
  (void)in;
  (void)out;
  return S_OK;
}

// ---------------------------------------------------------------------------
// The element type.

namespace {

struct OwnFilterElement;

class ElementPads final : public FilterPads {
 public:
  explicit ElementPads(GstBaseTransform *t) : trans_(t) {}
  bool PushEvent(GstEvent *event) override { return gst_pad_push_event(GST_BASE_TRANSFORM_SRC_PAD(trans_), event); }
  GstFlowReturn PushBuffer(GstBuffer *buf) override { return gst_pad_push(GST_BASE_TRANSFORM_SRC_PAD(trans_), buf); }
  bool SrcIsLinked() const override { return gst_pad_is_linked(GST_BASE_TRANSFORM_SRC_PAD(trans_)); }

 private:
  GstBaseTransform *trans_;
};

struct OwnFilterElement {
  GstBaseTransform parent;
  OwnFilter *filter;
  ElementPads *pads;
};

struct OwnFilterElementClass {
  GstBaseTransformClass parent_class;
};

GstBaseTransformClass *g_parent = nullptr;

OwnFilterElement *Self(gpointer p) { return reinterpret_cast<OwnFilterElement *>(p); }
OwnFilter *FilterOf(gpointer p) { return Self(p)->filter; }

GstFlowReturn ToFlow(GstBaseTransform *trans, HRESULT hr) {
  if (hr == S_OK) return GST_FLOW_OK;
  if (hr == S_FALSE) return GST_BASE_TRANSFORM_FLOW_DROPPED;
  GST_ELEMENT_ERROR(trans, STREAM, FAILED, ("Filter failed"), ("result 0x%08x", static_cast<unsigned>(hr)));
  return GST_FLOW_ERROR;
}

GstCaps *Narrow(GstCaps *caps, const CapsRef &accepted) {
  if (!accepted) return gst_caps_ref(caps);
  return gst_caps_intersect(caps, accepted.get());
}

GstCaps *TransformCaps(GstBaseTransform *trans, GstPadDirection direction, GstCaps *caps, GstCaps *filterCaps) {
  OwnFilter *f = FilterOf(trans);
  GstCaps *result = nullptr;
  if (!f) {
    result = gst_caps_ref(caps);
  } else {
    const CapsRef accepted = f->AcceptedCaps();
    if (direction == GST_PAD_SINK) {
      GstCaps *in = Narrow(caps, accepted);
      if (f->InPlace()) {
        result = in;
      } else {
        CapsRef out = f->OutputCapsFor(in);
        gst_caps_unref(in);
        result = out ? out.release() : gst_caps_new_empty();
      }
    } else {
      if (f->InPlace()) {
        result = Narrow(caps, accepted);
      } else {
        CapsRef in = f->InputCapsFor(caps);
        result = in ? Narrow(in.get(), accepted) : gst_caps_new_empty();
      }
    }
  }
  if (filterCaps) {
    GstCaps *narrowed = gst_caps_intersect_full(filterCaps, result, GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(result);
    result = narrowed;
  }
  return result;
}

gboolean AcceptCaps(GstBaseTransform *trans, GstPadDirection direction, GstCaps *caps) {
  if (!g_parent->accept_caps(trans, direction, caps)) return FALSE;
  OwnFilter *f = FilterOf(trans);
  if (f && direction == GST_PAD_SINK && gst_caps_is_fixed(caps)) return f->CheckInputType(caps) == S_OK;
  return TRUE;
}

gboolean SetCaps(GstBaseTransform *trans, GstCaps *incaps, GstCaps *outcaps) {
  OwnFilter *f = FilterOf(trans);
  if (!f) return TRUE;
  if (f->CheckInputType(incaps) != S_OK) return FALSE;
  if (!f->InPlace() && !Succeeded(f->CheckTransform(incaps, outcaps))) return FALSE;
  if (!Succeeded(f->SetMediaType(incaps, outcaps))) return FALSE;
  if (!f->InPlace()) gst_base_transform_set_passthrough(trans, f->PassesThrough());
  return TRUE;
}

gboolean TransformSize(GstBaseTransform *trans, GstPadDirection direction, GstCaps *, gsize size, GstCaps *,
                       gsize *othersize) {
  OwnFilter *f = FilterOf(trans);
  *othersize = (f && direction == GST_PAD_SINK) ? f->OutputSize(size) : size;
  return TRUE;
}

// Without a pool from downstream the base class would allocate one buffer per
// frame; a pool of our own keeps the per-frame path free of allocations.
gboolean DecideAllocation(GstBaseTransform *trans, GstQuery *query) {
  OwnFilter *f = FilterOf(trans);
  GstCaps *caps = nullptr;
  gst_query_parse_allocation(query, &caps, nullptr);
  GstVideoInfo info;
  if (f && !f->InPlace() && caps && gst_query_get_n_allocation_pools(query) == 0 &&
      gst_video_info_from_caps(&info, caps)) {
    GstBufferPool *pool = gst_buffer_pool_new();
    GstStructure *config = gst_buffer_pool_get_config(pool);
    gst_buffer_pool_config_set_params(config, caps, static_cast<guint>(info.size), 2, 0);
    if (gst_buffer_pool_set_config(pool, config))
      gst_query_add_allocation_pool(query, pool, static_cast<guint>(info.size), 2, 0);
    gst_object_unref(pool);
  }
  return g_parent->decide_allocation(trans, query);
}

gboolean Start(GstBaseTransform *trans) {
  OwnFilter *f = FilterOf(trans);
  return !f || Succeeded(f->StartStreaming());
}

gboolean StopVfunc(GstBaseTransform *trans) {
  OwnFilter *f = FilterOf(trans);
  if (f) f->StopStreaming();
  return TRUE;
}

GstFlowReturn TransformIp(GstBaseTransform *trans, GstBuffer *buf) {
  OwnFilter *f = FilterOf(trans);
  if (!f) return GST_FLOW_OK;
  SampleView sample(buf);
  return ToFlow(trans, f->Transform(sample));
}

GstFlowReturn TransformCopy(GstBaseTransform *trans, GstBuffer *inbuf, GstBuffer *outbuf) {
  OwnFilter *f = FilterOf(trans);
  if (!f) return GST_FLOW_ERROR;
  SampleView in(inbuf);
  SampleView out(outbuf);
  return ToFlow(trans, f->Transform(in, out));
}

gboolean SinkEvent(GstBaseTransform *trans, GstEvent *event) {
  OwnFilterElement *self = Self(trans);
  if (self->filter && self->filter->SinkEvent(event, *self->pads)) return TRUE;
  return g_parent->sink_event(trans, event);
}

GstStateChangeReturn ChangeState(GstElement *element, GstStateChange transition) {
  const GstStateChangeReturn ret = GST_ELEMENT_CLASS(g_parent)->change_state(element, transition);
  if (ret != GST_STATE_CHANGE_FAILURE && transition == GST_STATE_CHANGE_PAUSED_TO_READY) {
    // Streaming has ended here, so Stop never races a Transform.
    if (OwnFilter *f = FilterOf(element)) f->Stop();
  }
  return ret;
}

void Finalize(GObject *object) {
  OwnFilterElement *self = Self(object);
  if (self->filter && self->filter->Pads() == self->pads) self->filter->AttachPads(nullptr);
  delete self->pads;
  self->pads = nullptr;
  G_OBJECT_CLASS(g_parent)->finalize(object);
}

void ClassInit(gpointer klass, gpointer) {
  g_parent = GST_BASE_TRANSFORM_CLASS(g_type_class_peek_parent(klass));
  auto *gobject = G_OBJECT_CLASS(klass);
  gobject->finalize = Finalize;
  auto *element = GST_ELEMENT_CLASS(klass);
  element->change_state = ChangeState;
  static GstStaticPadTemplate sinkTemplate = GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
  static GstStaticPadTemplate srcTemplate = GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
  gst_element_class_add_static_pad_template(element, &sinkTemplate);
  gst_element_class_add_static_pad_template(element, &srcTemplate);
  gst_element_class_set_static_metadata(element, "Vistrel own filter", "Filter", "Runs one of the program's own stream filters",
                                        "Vistrel");
  auto *trans = GST_BASE_TRANSFORM_CLASS(klass);
  trans->transform_caps = TransformCaps;
  trans->accept_caps = AcceptCaps;
  trans->set_caps = SetCaps;
  trans->transform_size = TransformSize;
  trans->decide_allocation = DecideAllocation;
  trans->start = Start;
  trans->stop = StopVfunc;
  trans->transform_ip = TransformIp;
  trans->transform = TransformCopy;
  trans->sink_event = SinkEvent;
  trans->passthrough_on_same_caps = FALSE;
  trans->transform_ip_on_passthrough = FALSE;
}

void InstanceInit(GTypeInstance *instance, gpointer) {
  OwnFilterElement *self = Self(instance);
  self->filter = nullptr;
  self->pads = new ElementPads(GST_BASE_TRANSFORM(instance));
}

GType OwnFilterType() {
  static GType type = 0;
  static std::once_flag once;
  std::call_once(once, [] {
    type = g_type_register_static_simple(GST_TYPE_BASE_TRANSFORM, "VistrelOwnFilter", sizeof(OwnFilterElementClass),
                                         ClassInit, sizeof(OwnFilterElement), InstanceInit, GTypeFlags(0));
  });
  return type;
}

}  // namespace

ElementRef MakeOwnFilterElement(OwnFilter *filter, const char *name) {
  GstElement *e = GST_ELEMENT(g_object_new(OwnFilterType(), name ? "name" : nullptr, name, nullptr));
  ElementRef ref = ElementRef::Adopt(e);
  OwnFilterElement *self = Self(e);
  self->filter = filter;
  if (filter) {
    filter->AttachPads(self->pads);
    gst_base_transform_set_in_place(GST_BASE_TRANSFORM(e), filter->InPlace());
  }
  gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(e), FALSE);
  return ref;
}

OwnFilter *OwnFilterOf(GstElement *element) {
  if (!element || !G_TYPE_CHECK_INSTANCE_TYPE(element, OwnFilterType())) return nullptr;
  return Self(element)->filter;
}

}  // namespace vistrel::media
