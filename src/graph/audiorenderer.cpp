#include "graph/audiorenderer.h"

#include "media/debug.h"
#include "media/requirements.h"
#include "media/restamp.h"

#include <chrono>
#include <future>
#include <memory>
#include <thread>

#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::Graph)

namespace vistrel {

namespace {

// A sound server or a sound card answers when one of these sinks opens.
// autoaudiosink itself is no judge: when nothing opens it falls back quietly
// to an unclocked fakesink of its own, and on the way it tries every sink
// there is, some of which print to stderr. PipeWire desktops answer through
// their PulseAudio server; pipewiresink is never chosen by autoaudiosink
// (rank none), and opening and closing it corrupts the heap of a process
// whose PipeWire device provider runs (PipeWire 0.3.65), so it is not asked.
bool ProbeSoundOutput() {
  for (const char *factory : {"pulsesink", "alsasink"}) {
    media::ElementRef sink = media::ElementRef::Adopt(gst_element_factory_make(factory, nullptr));
    if (!sink) continue;
    const bool opens = gst_element_set_state(sink.get(), GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
    gst_element_set_state(sink.get(), GST_STATE_NULL);
    if (opens) return true;
  }
  return false;
}

}  // namespace

bool SoundOutputAvailable() {
  // A sound server that does not answer (a stale socket, a server stuck
  // starting) must not hold the window up: after a second the preview goes
  // on with the null output. The probe keeps nothing of ours, so a late one
  // may finish on its own.
  static const bool available = [] {
    auto probe = std::make_shared<std::promise<bool>>();
    std::future<bool> answer = probe->get_future();
    std::thread([probe] { probe->set_value(ProbeSoundOutput()); }).detach();
    if (answer.wait_for(std::chrono::seconds(1)) == std::future_status::ready) return answer.get();
    GST_WARNING("the sound output did not answer within a second: sound is not played");
    return false;
  }();
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
  // The preview stamper strips times; a real sound sink needs them back
  // (checked right at its input, after the volume flags muted sound a gap).
  // The null stand-in plays untimed buffers as they come, as it always has.
  if (sound) {
    media::PadRef sinkIn = media::PadRef::Adopt(gst_element_get_static_pad(sink.get(), "sink"));
    media::AttachAudioRestamper(sinkIn.get());
  }
  media::PadRef target = media::PadRef::Adopt(gst_element_get_static_pad(volume.get(), "sink"));
  GstPad *ghost = gst_ghost_pad_new("sink", target.get());
  if (!ghost || !gst_element_add_pad(bin.get(), ghost)) return parts;
  parts.bin = bin;
  parts.volume = volume;
  parts.soundOutput = sound;
  return parts;
}

}  // namespace vistrel
