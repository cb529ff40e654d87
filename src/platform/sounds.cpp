#include "platform/sounds.h"

#include <gst/gst.h>

#include <QtEndian>

#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <numbers>

namespace vistrel::platform {
namespace {

constexpr int kRate = 11025;

struct ObjectUnref {
  void operator()(gpointer p) const { gst_object_unref(p); }
};
using ElementPtr = std::unique_ptr<GstElement, ObjectUnref>;

std::atomic<int> g_playing{0};

void PutTag(QByteArray &out, const char *tag) { out.append(tag, 4); }
void PutU32(QByteArray &out, quint32 v) {
  char b[4];
  qToLittleEndian(v, b);
  out.append(b, 4);
}
void PutU16(QByteArray &out, quint16 v) {
  char b[2];
  qToLittleEndian(v, b);
  out.append(b, 2);
}

// A short sine tone, unsigned 8-bit, faded in and out so it does not click.
QByteArray MakeWave(int dataBytes, double hertz) {
  const bool pad = dataBytes % 2 != 0;  // RIFF chunks are word aligned
  QByteArray out;
  out.reserve(44 + dataBytes + 1);
  PutTag(out, "RIFF");
  PutU32(out, static_cast<quint32>(36 + dataBytes + (pad ? 1 : 0)));
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  PutU32(out, 16);
  PutU16(out, 1);          // PCM
  PutU16(out, 1);          // mono
  PutU32(out, kRate);      // samples per second
  PutU32(out, kRate);      // bytes per second
  PutU16(out, 1);          // block align
  PutU16(out, 8);          // bits per sample
  PutTag(out, "data");
  PutU32(out, static_cast<quint32>(dataBytes));
  const int fade = kRate / 200;  // 5 ms
  for (int i = 0; i < dataBytes; ++i) {
    const double edge = std::min({1.0, double(i) / fade, double(dataBytes - 1 - i) / fade});
    const double s = std::sin(2.0 * std::numbers::pi * hertz * i / kRate) * 100.0 * edge;
    out.append(static_cast<char>(static_cast<unsigned char>(128 + std::lround(s))));
  }
  if (pad) out.append('\0');
  return out;
}

// Probed once: a machine without a sound server plays into a clocked
// fakesink, so beeps still end when they should and nothing is reported.
bool HasAudioOutput() {
  static std::once_flag once;
  static bool usable = false;
  std::call_once(once, [] {
    ElementPtr sink(gst_element_factory_make("autoaudiosink", nullptr));
    if (!sink) return;
    gst_object_ref_sink(sink.get());
    usable = gst_element_set_state(sink.get(), GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
    if (usable && GST_IS_BIN(sink.get())) {
      // autoaudiosink puts in a fake sink of its own when no real one opens.
      GstIterator *it = gst_bin_iterate_sinks(GST_BIN(sink.get()));
      GValue item = G_VALUE_INIT;
      while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto *child = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory *factory = gst_element_get_factory(child);
        if (factory && g_str_equal(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "fakesink"))
          usable = false;
        g_value_reset(&item);
      }
      g_value_unset(&item);
      gst_iterator_free(it);
    }
    gst_element_set_state(sink.get(), GST_STATE_NULL);
  });
  return usable;
}

struct Playback {
  GstElement *pipeline = nullptr;  // owned until Dispose
  std::atomic<bool> ending{false};
};

// Runs on a GStreamer helper thread, never on the pipeline's own streaming
// thread, so going to NULL cannot wait on itself.
void Dispose(GstElement *, gpointer data) {
  auto *play = static_cast<Playback *>(data);
  gst_element_set_state(play->pipeline, GST_STATE_NULL);
  gst_object_unref(play->pipeline);  // frees play through the bus handler's notify
  g_playing.fetch_sub(1);
}

GstBusSyncReply OnBusMessage(GstBus *, GstMessage *message, gpointer data) {
  auto *play = static_cast<Playback *>(data);
  const GstMessageType type = GST_MESSAGE_TYPE(message);
  if ((type == GST_MESSAGE_EOS || type == GST_MESSAGE_ERROR) && !play->ending.exchange(true))
    gst_element_call_async(play->pipeline, Dispose, play, nullptr);
  return GST_BUS_DROP;
}

void DeletePlayback(gpointer data) { delete static_cast<Playback *>(data); }

}  // namespace

QByteArray BeepWave(int which) {
  static const QByteArray beep0 = MakeWave(649, 1760.0);
  static const QByteArray beep1 = MakeWave(635, 1175.0);
  if (which == 0) return beep0;
  if (which == 1) return beep1;
  return {};
}

int BeepsPlaying() { return g_playing.load(); }

void PlayBeep(int which) {
  const QByteArray wave = BeepWave(which);
  if (wave.isEmpty() || !gst_is_initialized()) return;

  const char *description = HasAudioOutput()
      ? "appsrc name=src caps=audio/x-wav format=bytes ! wavparse ! audioconvert ! audioresample ! autoaudiosink"
      : "appsrc name=src caps=audio/x-wav format=bytes ! wavparse ! fakesink sync=true";
  GError *error = nullptr;
  ElementPtr pipeline(gst_parse_launch(description, &error));
  if (error) g_error_free(error);
  if (!pipeline) return;
  // Parse results are floating in some GStreamer versions and not in others.
  if (g_object_is_floating(pipeline.get())) gst_object_ref_sink(pipeline.get());

  ElementPtr src(gst_bin_get_by_name(GST_BIN(pipeline.get()), "src"));
  if (!src) return;
  GstBuffer *buffer = gst_buffer_new_memdup(wave.constData(), static_cast<gsize>(wave.size()));
  GstFlowReturn flow = GST_FLOW_OK;
  g_signal_emit_by_name(src.get(), "push-buffer", buffer, &flow);
  gst_buffer_unref(buffer);
  g_signal_emit_by_name(src.get(), "end-of-stream", &flow);

  auto *play = new Playback;
  play->pipeline = pipeline.get();
  GstBus *bus = gst_element_get_bus(pipeline.get());
  gst_bus_set_sync_handler(bus, OnBusMessage, play, DeletePlayback);
  gst_object_unref(bus);

  g_playing.fetch_add(1);
  if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    // Nothing will ever end this playback on its own: take it down here,
    // unless an error message already did.
    if (!play->ending.exchange(true)) {
      gst_element_set_state(pipeline.get(), GST_STATE_NULL);
      g_playing.fetch_sub(1);
      return;  // pipeline freed by ElementPtr
    }
  }
  // From here the pipeline frees itself when it ends.
  (void)pipeline.release();
}

}  // namespace vistrel::platform
