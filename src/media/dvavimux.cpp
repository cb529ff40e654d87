#include "media/dvavimux.h"

#include "media/dvavilayout.h"

#include <gst/base/gstadapter.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace vistrel::media {

namespace {

using namespace dvavi;

struct DvAviMux {
  GstElement parent;
  GstPad *sink;
  GstPad *src;
  GstAdapter *adapter;  // gathers whole frames from buffers cut anywhere
  Writer *w;
  std::uint64_t limit;  // property; copied into the writer at each stream start
};

struct DvAviMuxClass {
  GstElementClass parent_class;
};

enum { PROP_0, PROP_RIFF_LIMIT, PROP_FRAMES };

GstElementClass *g_parent = nullptr;

DvAviMux *Self(gpointer p) { return reinterpret_cast<DvAviMux *>(p); }

GstStaticPadTemplate kSinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-dv, systemstream=(boolean)true"));
GstStaticPadTemplate kSrcTemplate =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-msvideo"));

bool SeekTo(DvAviMux *self, std::uint64_t offset) {
  GstSegment seg;
  gst_segment_init(&seg, GST_FORMAT_BYTES);
  seg.start = offset;
  seg.position = offset;
  seg.time = 0;
  return gst_pad_push_event(self->src, gst_event_new_segment(&seg));
}

GstFlowReturn PushBytes(DvAviMux *self, const Bytes &b) {
  GstBuffer *buf = gst_buffer_new_memdup(b.v.data(), b.v.size());
  self->w->pos += b.v.size();
  return gst_pad_push(self->src, buf);
}

GstFlowReturn OpenForm(DvAviMux *self) {
  Writer &w = *self->w;
  Form f;
  f.riffAt = w.pos;
  Bytes b;
  if (w.forms.empty()) {
    b = w.Header();
    f.moviAt = kHeaderSize - 12;
  } else {
    // Sizes are filled in at the end, with the rest of the header.
    b.Tag("RIFF");
    b.U32(0);
    b.Tag("AVIX");
    b.Tag("LIST");
    b.U32(0);
    b.Tag("movi");
    f.moviAt = w.pos + 12;
  }
  w.forms.push_back(std::move(f));
  return PushBytes(self, b);
}

GstFlowReturn CloseForm(DvAviMux *self) {
  Writer &w = *self->w;
  Form &f = w.forms.back();
  const bool first = w.forms.size() == 1;
  f.ixAt = w.pos;
  Bytes b = w.Indexes(f, first);
  f.ixSize = std::uint32_t(32 + 8 * f.frames.size());
  f.moviEnd = w.pos + f.ixSize;
  f.end = w.pos + b.Size();
  return PushBytes(self, b);
}

GstFlowReturn Start(DvAviMux *self) {
  Writer &w = *self->w;
  w.started = true;
  GST_OBJECT_LOCK(self);
  w.limit = self->limit;
  GST_OBJECT_UNLOCK(self);
  gst_pad_push_event(self->src, gst_event_new_stream_start("vistreldvavimux"));
  GstCaps *caps = gst_caps_new_empty_simple("video/x-msvideo");
  gst_pad_push_event(self->src, gst_event_new_caps(caps));
  gst_caps_unref(caps);
  SeekTo(self, 0);
  return OpenForm(self);
}

// One whole DV frame into a chunk of its own.
GstFlowReturn WriteFrame(DvAviMux *self, GstBuffer *buffer) {
  Writer &w = *self->w;
  const gsize n = gst_buffer_get_size(buffer);
  if (!w.infoKnown) {
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
      w.info = DvInfoFromFrame(map.data, map.size);
      w.pal = DvFrameIs625(map.data, map.size);
      gst_buffer_unmap(buffer, &map);
    }
    w.infoKnown = true;
  }
  GstFlowReturn ret = w.started ? GST_FLOW_OK : Start(self);
  if (ret != GST_FLOW_OK) {
    gst_buffer_unref(buffer);
    return ret;
  }
  const std::uint32_t size = std::uint32_t(n);
  const bool firstForm = w.forms.size() == 1;
  if (!w.forms.back().frames.empty() && w.FormSizeWith(w.forms.back(), size, firstForm) > w.limit) {
    if (w.forms.size() >= kSuperEntries) {
      gst_buffer_unref(buffer);
      GST_ELEMENT_ERROR(self, RESOURCE, NO_SPACE_LEFT, ("The DV AVI file reached its largest size"), (nullptr));
      return GST_FLOW_ERROR;
    }
    if ((ret = CloseForm(self)) != GST_FLOW_OK || (ret = OpenForm(self)) != GST_FLOW_OK) {
      gst_buffer_unref(buffer);
      return ret;
    }
  }
  Form &f = w.forms.back();
  f.frames.emplace_back(w.pos, size);
  ++w.totalFrames;
  if (size > w.maxFrame) w.maxFrame = size;

  Bytes head;
  head.Tag("00dc");
  head.U32(size);
  GstBuffer *out = gst_buffer_new_memdup(head.v.data(), head.v.size());
  // The frame's memory goes out as it came, behind the chunk header.
  out = gst_buffer_append(out, gst_buffer_copy_region(buffer, GST_BUFFER_COPY_MEMORY, 0, n));
  if (size & 1) {
    static const std::uint8_t pad = 0;
    out = gst_buffer_append(out, gst_buffer_new_memdup(&pad, 1));
  }
  GST_BUFFER_PTS(out) = GST_BUFFER_PTS(buffer);
  GST_BUFFER_DURATION(out) = GST_BUFFER_DURATION(buffer);
  gst_buffer_unref(buffer);
  w.pos += 8 + n + (n & 1);
  return gst_pad_push(self->src, out);
}

// The size of the frame starting with these bytes: twelve DIF sequences of
// 150 blocks for 625 lines, ten for 525.
gsize FrameSize(const std::uint8_t *head) { return (head[3] & 0x80) ? 144000 : 120000; }

// The first block of a frame: a header block (section type 0) of DIF
// sequence 0, block number 0.
bool IsFrameStart(const std::uint8_t *head) { return (head[0] & 0xE0) == 0 && (head[1] & 0xF0) == 0 && head[2] == 0; }

GstFlowReturn Chain(GstPad *, GstObject *parent, GstBuffer *buffer) {
  DvAviMux *self = Self(parent);
  if (self->w->finished) {
    gst_buffer_unref(buffer);
    return GST_FLOW_EOS;
  }
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  gst_adapter_push(self->adapter, buffer);
  GstFlowReturn ret = GST_FLOW_OK;
  while (ret == GST_FLOW_OK && gst_adapter_available(self->adapter) >= 4) {
    std::uint8_t head[4];
    gst_adapter_copy(self->adapter, head, 0, 4);
    if (!IsFrameStart(head)) {
      // Not the header block of a frame: bytes up to the next one are not a
      // frame anyone could decode. Said once, then skipped.
      if (!self->w->warned) {
        self->w->warned = true;
        GST_ELEMENT_WARNING(self, STREAM, FORMAT, ("Data that is not DV was left out of the DV file"), (nullptr));
      }
      gst_adapter_flush(self->adapter, 1);
      continue;
    }
    const gsize size = FrameSize(head);
    if (gst_adapter_available(self->adapter) < size) break;
    GstBuffer *frame = gst_adapter_take_buffer(self->adapter, size);
    if (!GST_BUFFER_PTS_IS_VALID(frame)) GST_BUFFER_PTS(frame) = pts;
    ret = WriteFrame(self, frame);
  }
  return ret;
}

// Writes the indexes of the last form and every size and count the header
// holds; the sink is left at the start of the file.
void Finish(DvAviMux *self) {
  Writer &w = *self->w;
  if (w.finished) return;
  w.finished = true;
  if (!w.started && Start(self) != GST_FLOW_OK) return;
  gst_adapter_clear(self->adapter);  // a partial frame cannot be decoded
  if (CloseForm(self) != GST_FLOW_OK) return;
  for (std::size_t i = 1; i < w.forms.size(); ++i) {
    const Form &f = w.forms[i];
    Bytes b;
    b.Tag("RIFF");
    b.U32(std::uint32_t(f.end - f.riffAt - 8));
    b.Tag("AVIX");
    b.Tag("LIST");
    b.U32(std::uint32_t(f.moviEnd - f.moviAt - 8));
    if (!SeekTo(self, f.riffAt)) return;
    GstBuffer *buf = gst_buffer_new_memdup(b.v.data(), b.v.size());
    if (gst_pad_push(self->src, buf) != GST_FLOW_OK) return;
  }
  if (!SeekTo(self, 0)) return;
  const Bytes header = w.Header();
  gst_pad_push(self->src, gst_buffer_new_memdup(header.v.data(), header.v.size()));
}

void Reset(DvAviMux *self) {
  *self->w = Writer{};
  gst_adapter_clear(self->adapter);
}

gboolean SinkEvent(GstPad *pad, GstObject *parent, GstEvent *event) {
  DvAviMux *self = Self(parent);
  switch (GST_EVENT_TYPE(event)) {
    case GST_EVENT_CAPS: {
      GstCaps *caps = nullptr;
      gst_event_parse_caps(event, &caps);
      const GstStructure *s = gst_caps_get_size(caps) ? gst_caps_get_structure(caps, 0) : nullptr;
      int n = 0, d = 0;
      if (s && gst_structure_get_fraction(s, "framerate", &n, &d) && n > 0 && d > 0) {
        self->w->fpsN = n;
        self->w->fpsD = d;
      }
      gst_event_unref(event);
      return TRUE;  // our own caps go out with the first frame
    }
    case GST_EVENT_SEGMENT:
    case GST_EVENT_STREAM_START:
      gst_event_unref(event);  // the output is a byte stream of our own
      return TRUE;
    case GST_EVENT_EOS:
      Finish(self);
      return gst_pad_push_event(self->src, event);
    case GST_EVENT_FLUSH_STOP:
      // A flush throws the file away: what follows starts a new one.
      Reset(self);
      return gst_pad_event_default(pad, parent, event);
    default:
      return gst_pad_event_default(pad, parent, event);
  }
}

GstStateChangeReturn ChangeState(GstElement *element, GstStateChange transition) {
  DvAviMux *self = Self(element);
  if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) Reset(self);
  return g_parent->change_state(element, transition);
}

void SetProperty(GObject *obj, guint id, const GValue *value, GParamSpec *pspec) {
  DvAviMux *self = Self(obj);
  if (id == PROP_RIFF_LIMIT) {
    GST_OBJECT_LOCK(obj);
    self->limit = g_value_get_uint64(value);
    GST_OBJECT_UNLOCK(obj);
  } else {
    G_OBJECT_WARN_INVALID_PROPERTY_ID(obj, id, pspec);
  }
}

void GetProperty(GObject *obj, guint id, GValue *value, GParamSpec *pspec) {
  DvAviMux *self = Self(obj);
  GST_OBJECT_LOCK(obj);
  switch (id) {
    case PROP_RIFF_LIMIT: g_value_set_uint64(value, self->limit); break;
    case PROP_FRAMES: g_value_set_uint64(value, self->w ? self->w->totalFrames : 0); break;
    default: G_OBJECT_WARN_INVALID_PROPERTY_ID(obj, id, pspec);
  }
  GST_OBJECT_UNLOCK(obj);
}

void Finalize(GObject *obj) {
  delete Self(obj)->w;
  g_object_unref(Self(obj)->adapter);
  G_OBJECT_CLASS(g_parent)->finalize(obj);
}

void InstanceInit(GTypeInstance *instance, gpointer) {
  DvAviMux *self = Self(instance);
  self->w = new Writer;
  self->adapter = gst_adapter_new();
  self->limit = kDefaultLimit;
  self->sink = gst_pad_new_from_static_template(&kSinkTemplate, "sink");
  self->src = gst_pad_new_from_static_template(&kSrcTemplate, "src");
  gst_pad_set_chain_function(self->sink, Chain);
  gst_pad_set_event_function(self->sink, SinkEvent);
  GST_PAD_SET_PROXY_ALLOCATION(self->sink);
  gst_element_add_pad(GST_ELEMENT(instance), self->sink);
  gst_element_add_pad(GST_ELEMENT(instance), self->src);
}

void ClassInit(gpointer klass, gpointer) {
  g_parent = GST_ELEMENT_CLASS(g_type_class_peek_parent(klass));
  GObjectClass *gobject = G_OBJECT_CLASS(klass);
  gobject->set_property = SetProperty;
  gobject->get_property = GetProperty;
  gobject->finalize = Finalize;
  g_object_class_install_property(
      gobject, PROP_RIFF_LIMIT,
      g_param_spec_uint64("riff-limit", "RIFF limit", "Bytes per RIFF form before the file goes on in an AVIX form",
                          1024, G_MAXUINT32, kDefaultLimit, GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
  g_object_class_install_property(gobject, PROP_FRAMES,
                                  g_param_spec_uint64("frames", "Frames", "Frames written so far", 0, G_MAXUINT64, 0,
                                                      GParamFlags(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));
  GstElementClass *element = GST_ELEMENT_CLASS(klass);
  element->change_state = ChangeState;
  gst_element_class_set_static_metadata(element, "Vistrel type-1 DV AVI writer", "Codec/Muxer",
                                        "Interleaved DV frames into an AVI file as one iavs stream (OpenDML)",
                                        "Vistrel");
  gst_element_class_add_static_pad_template(element, &kSinkTemplate);
  gst_element_class_add_static_pad_template(element, &kSrcTemplate);
}

GType DvAviMuxType() {
  static GType type = 0;
  static std::once_flag once;
  std::call_once(once, [] {
    type = g_type_register_static_simple(GST_TYPE_ELEMENT, "VistrelDvAviMux", sizeof(DvAviMuxClass), ClassInit,
                                         sizeof(DvAviMux), InstanceInit, GTypeFlags(0));
  });
  return type;
}

}  // namespace

bool RegisterDvAviMux() {
  static bool ok = false;
  static std::once_flag once;
  std::call_once(once, [] { ok = gst_element_register(nullptr, "vistreldvavimux", GST_RANK_NONE, DvAviMuxType()); });
  return ok;
}

ElementRef MakeDvAviMux() {
  if (!RegisterDvAviMux()) return {};
  return ElementRef::Adopt(gst_element_factory_make("vistreldvavimux", nullptr));
}

}  // namespace vistrel::media
