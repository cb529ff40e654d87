#include "media/soundplayer.h"

#include <atomic>
#include <mutex>

#include "media/gstref.h"
#include "platform/sounds.h"

namespace vistrel::media {
namespace {

std::atomic<int> g_playing{0};

bool IsFakeSink(GstElement *e) {
  GstElementFactory *factory = gst_element_get_factory(e);
  return factory && g_str_equal(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "fakesink");
}

// Probed once: a machine without a sound server plays into a clocked
// fakesink, so sounds still end when they should and nothing is reported.
bool HasAudioOutput() {
  static std::once_flag once;
  static bool usable = false;
  std::call_once(once, [] {
    ElementRef sink = ElementRef::Adopt(gst_element_factory_make("autoaudiosink", nullptr));
    if (!sink) return;
    usable = gst_element_set_state(sink.get(), GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
    if (usable && GST_IS_BIN(sink.get())) {
      // autoaudiosink puts in a fake sink of its own when no real one opens.
      IteratorPtr it(gst_bin_iterate_sinks(GST_BIN(sink.get())));
      GValue item = G_VALUE_INIT;
      while (gst_iterator_next(it.get(), &item) == GST_ITERATOR_OK) {
        if (IsFakeSink(GST_ELEMENT(g_value_get_object(&item)))) usable = false;
        g_value_reset(&item);
      }
      g_value_unset(&item);
    }
    gst_element_set_state(sink.get(), GST_STATE_NULL);
  });
  return usable;
}

// Lives as long as the pipeline's bus (its sync handler's data); holds the
// pipeline until the end of the sound, when Dispose takes it.
struct Playback {
  ElementRef pipeline;
  std::atomic<bool> ending{false};
};

// Runs on a GStreamer helper thread, never on the pipeline's own streaming
// thread, so going to NULL cannot wait on itself.
void Dispose(GstElement *, gpointer data) {
  auto *play = static_cast<Playback *>(data);
  ElementRef pipeline = std::move(play->pipeline);
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  g_playing.fetch_sub(1);
  // Dropping the last reference frees the bus, and `play` with it.
}

GstBusSyncReply OnBusMessage(GstBus *, GstMessage *message, gpointer data) {
  auto *play = static_cast<Playback *>(data);
  const GstMessageType type = GST_MESSAGE_TYPE(message);
  if ((type == GST_MESSAGE_EOS || type == GST_MESSAGE_ERROR) && !play->ending.exchange(true))
    gst_element_call_async(play->pipeline.get(), Dispose, play, nullptr);
  return GST_BUS_DROP;
}

void DeletePlayback(gpointer data) { delete static_cast<Playback *>(data); }

}  // namespace

void PlayWave(const QByteArray &wave) {
  if (wave.isEmpty() || !gst_is_initialized()) return;

  const char *description =
      HasAudioOutput()
          ? "appsrc name=src caps=audio/x-wav format=bytes ! wavparse ! audioconvert ! audioresample ! autoaudiosink"
          : "appsrc name=src caps=audio/x-wav format=bytes ! wavparse ! fakesink sync=true";
  GError *raw = nullptr;
  // Parse results are floating in some GStreamer versions and not in
  // others; adopting sinks a floating one.
  ElementRef pipeline = ElementRef::Adopt(gst_parse_launch(description, &raw));
  ErrorPtr error(raw);
  if (!pipeline) return;

  ElementRef src = ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "src"));
  if (!src) return;
  BufferRef buffer = BufferRef::Adopt(gst_buffer_new_memdup(wave.constData(), static_cast<gsize>(wave.size())));
  GstFlowReturn flow = GST_FLOW_OK;
  g_signal_emit_by_name(src.get(), "push-buffer", buffer.get(), &flow);
  g_signal_emit_by_name(src.get(), "end-of-stream", &flow);

  auto *play = new Playback;
  play->pipeline = pipeline;
  BusRef bus = BusRef::Adopt(gst_element_get_bus(pipeline.get()));
  gst_bus_set_sync_handler(bus.get(), OnBusMessage, play, DeletePlayback);

  g_playing.fetch_add(1);
  if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    // Nothing will ever end this playback on its own: take it down here,
    // unless an error message already did.
    if (!play->ending.exchange(true)) {
      play->pipeline.reset();
      gst_element_set_state(pipeline.get(), GST_STATE_NULL);
      g_playing.fetch_sub(1);
    }
  }
  // From here the playback holds the pipeline until the sound ends.
}

void PlayBeep(int which) { PlayWave(platform::BeepWave(which)); }

int SoundsPlaying() { return g_playing.load(); }

}  // namespace vistrel::media
