/* Example capture plug-in: takes over the "Vistrel Test Camera" and supplies
 * its own source instead, a moving pattern. It shows every export of the
 * interface. When VISTREL_PLUGIN_LOG names a file, each call appends its
 * export name there (one per line), which the program's tests read.
 *
 * Besides "avi native" it records "dv type 1" with a chain of its own
 * (pi_buildmuxgraph: Motion-JPEG in AVI), the way a device with its own
 * encoder would. With VISTREL_PATTERN_UPSIDE_DOWN=1 it sends colour bars
 * upside down, as some capture chips deliver their frames, and says so
 * through sourceInverted: the program turns them the right way. */
#include "vistrel_plugin.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef struct {
  GstElement *source; /* a bin: pattern -> caps [-> flip], ghost pad "video" */
  GstElement *tee;
  GstPad *muxTap;                         /* the tee pad the recording chain takes */
  GstElement *queue, *encoder, *mux, *sink; /* the recording chain, each held by us */
  int upsideDown;
} PatternCamera;

static void drop_mux_chain(PatternCamera *self);

static int upside_down_wanted(void) {
  const char *v = getenv("VISTREL_PATTERN_UPSIDE_DOWN");
  return v && strcmp(v, "1") == 0;
}

static void log_call(const char *name) {
  const char *path = getenv("VISTREL_PLUGIN_LOG");
  if (!path || !*path) return;
  FILE *f = fopen(path, "a");
  if (!f) return;
  fprintf(f, "%s\n", name);
  fclose(f);
}

static PatternCamera *self_of(pi_handle *handle) { return handle ? (PatternCamera *)*handle : NULL; }

static void copy_text(char *buffer, int32_t size, const char *text) {
  if (!buffer || size <= 0) return;
  strncpy(buffer, text, (size_t)size - 1);
  buffer[size - 1] = 0;
}

static GstElement *make_source(int upsideDown) {
  GstElement *bin = gst_bin_new("pattern_camera");
  GstElement *src = gst_element_factory_make("videotestsrc", NULL);
  GstElement *caps = gst_element_factory_make("capsfilter", NULL);
  GstElement *flip = upsideDown ? gst_element_factory_make("videoflip", NULL) : NULL;
  if (!src || !caps || (upsideDown && !flip)) {
    if (src) gst_object_unref(src);
    if (caps) gst_object_unref(caps);
    if (flip) gst_object_unref(flip);
    gst_object_unref(bin);
    return NULL;
  }
  g_object_set(src, "is-live", TRUE, "pattern", upsideDown ? 0 /* smpte */ : 18 /* ball */, NULL);
  GstCaps *c = gst_caps_from_string("video/x-raw,format=I420,width=320,height=240,framerate=25/1");
  g_object_set(caps, "caps", c, NULL);
  gst_caps_unref(c);
  gst_bin_add_many(GST_BIN(bin), src, caps, NULL);
  gst_element_link(src, caps);
  GstElement *last = caps;
  if (flip) {
    g_object_set(flip, "video-direction", 5 /* vertical flip */, NULL);
    gst_bin_add(GST_BIN(bin), flip);
    gst_element_link(caps, flip);
    last = flip;
  }
  GstPad *out = gst_element_get_static_pad(last, "src");
  gst_element_add_pad(bin, gst_ghost_pad_new("video", out));
  gst_object_unref(out);
  return gst_object_ref_sink(bin);
}

void pi_drivername(char *buffer, int32_t size) {
  log_call("pi_drivername");
  copy_text(buffer, size, "Vistrel Test Camera");
}

void pi_friendlyname(char *buffer, int32_t size) {
  log_call("pi_friendlyname");
  copy_text(buffer, size, "Pattern Camera");
}

void pi_create(pi_handle *handle) {
  log_call("pi_create");
  PatternCamera *self = calloc(1, sizeof *self);
  if (!self) return;
  self->upsideDown = upside_down_wanted();
  self->source = make_source(self->upsideDown);
  if (!self->source) {
    free(self);
    return;
  }
  *handle = (pi_handle)self;
}

void pi_destroy(pi_handle *handle) {
  log_call("pi_destroy");
  PatternCamera *self = self_of(handle);
  if (!self) return;
  drop_mux_chain(self);
  if (self->tee) gst_object_unref(self->tee);
  gst_object_unref(self->source);
  free(self);
  *handle = 0;
}

void pi_sourcefilter(pi_handle *handle, GstElement **filter) {
  log_call("pi_sourcefilter");
  PatternCamera *self = self_of(handle);
  if (self && filter) *filter = gst_object_ref(self->source);
}

void pi_nbstrelvideo(pi_handle *handle, int32_t *count) {
  log_call("pi_nbstrelvideo");
  (void)handle;
  if (count) *count = 1;
}

void pi_nbstrelaudio(pi_handle *handle, int32_t *count) {
  log_call("pi_nbstrelaudio");
  (void)handle;
  if (count) *count = 0;
}

void pi_setsourcegraph(pi_handle *handle, GstElement **filter, GstBin **graph) {
  log_call("pi_setsourcegraph");
  PatternCamera *self = self_of(handle);
  if (!self || !graph || !*graph) return;
  if (!GST_OBJECT_PARENT(self->source)) gst_bin_add(*graph, gst_object_ref(self->source));
  if (filter) *filter = gst_object_ref(self->source);
}

void pi_killsourcegraph(pi_handle *handle, GstBin **graph) {
  log_call("pi_killsourcegraph");
  PatternCamera *self = self_of(handle);
  if (!self || !graph || !*graph) return;
  if (GST_OBJECT_PARENT(self->source) == GST_OBJECT(*graph)) {
    gst_element_set_state(self->source, GST_STATE_NULL);
    gst_bin_remove(*graph, self->source);
  }
}

void pi_setvideograph(pi_handle *handle, int32_t stream, GstPad **previewPin, GstBin **graph, uint8_t *sourceInverted,
                      GstElement **nativeVideoTee, uint8_t *nativeFormat2, uint8_t *nativeFormat1) {
  log_call("pi_setvideograph");
  PatternCamera *self = self_of(handle);
  if (!self || stream != 1 || !graph || !*graph) return;
  if (!self->tee) self->tee = gst_object_ref_sink(gst_element_factory_make("tee", "pattern_tee"));
  if (!self->tee) return;
  gst_bin_add(*graph, gst_object_ref(self->tee));
  GstPad *out = gst_element_get_static_pad(self->source, "video");
  GstPad *in = gst_element_get_static_pad(self->tee, "sink");
  const gboolean linked = gst_pad_link(out, in) == GST_PAD_LINK_OK;
  gst_object_unref(out);
  gst_object_unref(in);
  if (!linked) return;
  if (previewPin) *previewPin = gst_element_request_pad_simple(self->tee, "src_%u");
  if (nativeVideoTee) *nativeVideoTee = gst_object_ref(self->tee);
  if (sourceInverted) *sourceInverted = self->upsideDown ? 1 : 0;
  if (nativeFormat1) *nativeFormat1 = PI_FORMAT_AVI;
  if (nativeFormat2) *nativeFormat2 = PI_FORMAT_DV_TYPE1;
}

void pi_killvideograph(pi_handle *handle, GstObject **slot, GstBin **graph) {
  log_call("pi_killvideograph");
  PatternCamera *self = self_of(handle);
  (void)slot;
  if (!self || !self->tee || !graph || !*graph) return;
  drop_mux_chain(self);
  if (GST_OBJECT_PARENT(self->tee) == GST_OBJECT(*graph)) {
    gst_element_set_state(self->tee, GST_STATE_NULL);
    gst_bin_remove(*graph, self->tee);
  }
  gst_object_unref(self->tee);
  self->tee = NULL;
}

int32_t pi_setaudiograph(pi_handle *handle, int32_t stream, GstPad **audioPin, GstBin **graph,
                         GstElement **nativeAudioTee) {
  log_call("pi_setaudiograph");
  (void)handle, (void)stream, (void)audioPin, (void)graph, (void)nativeAudioTee;
  return 0; /* no sound */
}

void pi_killaudiograph(pi_handle *handle, GstObject **slot, GstBin **graph) {
  log_call("pi_killaudiograph");
  (void)handle, (void)slot, (void)graph;
}

static void drop_element(GstElement **element) {
  if (!*element) return;
  GstObject *parent = gst_object_get_parent(GST_OBJECT(*element));
  gst_element_set_state(*element, GST_STATE_NULL);
  if (parent) {
    gst_bin_remove(GST_BIN(parent), *element);
    gst_object_unref(parent);
  }
  gst_object_unref(*element);
  *element = NULL;
}

static GstElement *owned(const char *factory) {
  GstElement *e = gst_element_factory_make(factory, NULL);
  return e ? gst_object_ref_sink(e) : NULL;
}

/* Takes the recording chain out, whether the program already took its
 * elements out of the graph or not. */
static void drop_mux_chain(PatternCamera *self) {
  if (!self) return;
  if (self->muxTap) {
    if (self->tee && GST_OBJECT_PARENT(self->muxTap) == GST_OBJECT(self->tee))
      gst_element_release_request_pad(self->tee, self->muxTap);
    gst_object_unref(self->muxTap);
    self->muxTap = NULL;
  }
  drop_element(&self->queue);
  drop_element(&self->encoder);
  drop_element(&self->mux);
  drop_element(&self->sink);
}

/* Our own "dv type 1" recording: tee -> queue -> jpegenc -> avimux -> file. */
void pi_buildmuxgraph(pi_handle *handle, GstBin **graph, const wchar_t *fileName) {
  log_call("pi_buildmuxgraph");
  PatternCamera *self = self_of(handle);
  if (!self || !self->tee || !graph || !*graph || !fileName || self->mux) return;
  /* wchar_t holds UCS-4 on the platforms the program runs on. */
  gchar *location = g_ucs4_to_utf8((const gunichar *)fileName, -1, NULL, NULL, NULL);
  self->queue = owned("queue");
  self->encoder = owned("jpegenc");
  self->mux = owned("avimux");
  self->sink = owned("filesink");
  int ok = location && self->queue && self->encoder && self->mux && self->sink;
  if (ok) {
    g_object_set(self->sink, "location", location, NULL);
    /* The graph takes a reference of its own; ours is dropped in drop_mux_chain. */
    gst_bin_add_many(*graph, self->queue, self->encoder, self->mux, self->sink, NULL);
    ok = gst_element_link_many(self->queue, self->encoder, self->mux, self->sink, NULL);
  }
  if (ok) {
    self->muxTap = gst_element_request_pad_simple(self->tee, "src_%u");
    GstPad *in = gst_element_get_static_pad(self->queue, "sink");
    ok = self->muxTap && gst_pad_link(self->muxTap, in) == GST_PAD_LINK_OK;
    gst_object_unref(in);
  }
  g_free(location);
  if (!ok) drop_mux_chain(self);
}

void pi_killmuxgraph(pi_handle *handle, GstBin **graph) {
  log_call("pi_killmuxgraph");
  (void)graph;
  drop_mux_chain(self_of(handle));
}
