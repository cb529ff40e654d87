#include "graph/audiorenderer.h"

#include "media/requirements.h"

namespace vistrel {

namespace {

bool ProbeSoundOutput() {
  media::ElementRef probe = media::ElementRef::Adopt(gst_element_factory_make("autoaudiosink", nullptr));
  if (!probe) return false;
  if (gst_element_set_state(probe.get(), GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
    gst_element_set_state(probe.get(), GST_STATE_NULL);
    return false;
  }
  // autoaudiosink quietly falls back to a fakesink of its own when nothing
  // opens; that one does not keep the clock, so we treat it as "no output".
  bool real = false;
  GstIterator *it = gst_bin_iterate_elements(GST_BIN(probe.get()));
  GValue item = G_VALUE_INIT;
  while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
    auto *child = GST_ELEMENT(g_value_get_object(&item));
    GstElementFactory *f = gst_element_get_factory(child);
    if (f && g_strcmp0(GST_OBJECT_NAME(f), "fakesink") != 0) real = true;
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(it);
  gst_element_set_state(probe.get(), GST_STATE_NULL);
  return real;
}

}  // namespace

bool SoundOutputAvailable() {
  static const bool available = ProbeSoundOutput();
  return available;
}

AudioRendererParts MakeAudioRenderer() {
  AudioRendererParts parts;
  const bool sound = SoundOutputAvailable();
  media::ElementRef bin = media::ElementRef::Adopt(gst_bin_new("audiorender"));
  media::ElementRef volume = media::ElementRef::Adopt(media::CreateElement("volume"));
  media::ElementRef convert = media::ElementRef::Adopt(media::CreateElement("audioconvert"));
  media::ElementRef resample = media::ElementRef::Adopt(media::CreateElement("audioresample"));
  media::ElementRef sink = media::ElementRef::Adopt(gst_element_factory_make(sound ? "autoaudiosink" : "fakesink", nullptr));
  if (!bin || !volume || !convert || !resample || !sink) return parts;
  if (!sound) g_object_set(sink.get(), "sync", TRUE, nullptr);
  // The bin takes a reference of its own on each (they are no longer floating).
  gst_bin_add_many(GST_BIN(bin.get()), volume.get(), convert.get(), resample.get(), sink.get(), nullptr);
  if (!gst_element_link_many(volume.get(), convert.get(), resample.get(), sink.get(), nullptr)) return parts;
  media::PadRef target = media::PadRef::Adopt(gst_element_get_static_pad(volume.get(), "sink"));
  GstPad *ghost = gst_ghost_pad_new("sink", target.get());
  if (!ghost || !gst_element_add_pad(bin.get(), ghost)) return parts;
  parts.bin = bin;
  parts.volume = volume;
  parts.soundOutput = sound;
  return parts;
}

}  // namespace vistrel
