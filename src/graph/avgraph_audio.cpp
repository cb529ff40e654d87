// The audio preview chain: source → "Control_Preview_Audio" → infdecaudio
// (pin 2: audio capture tap) → infsupaudio → "Tamponer Audio" → renderer;
// infsupaudio pin 2 feeds the sound meter ("Sound Level").
#include "graph/avgraph.h"
#include "media/debug.h"
#include "media/pins.h"
#include "sources/avsources.h"
#include "sources/mediatypes.h"

#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::Graph)

namespace vistrel {

bool Tdm::ConnecterAudio(sources::TAudioSource *device) {
  fg_.Stop();
  if (currentAudio_) DeconnecterAudio(currentAudio_, true);
  if (!device || !device->Device) return false;
  fg_.ClearFailure();
  if (BuildAudioChain(*device)) {
    GST_INFO("audio chain of \"%s\" built", device->Name.toUtf8().constData());
    currentAudio_ = device;
    device->Active = true;
    audioConnected_ = true;
    LierCamescope(*device, currentVideo_);
    return true;
  }
  // As on the video side: nothing half-built stays behind.
  GST_WARNING("audio chain of \"%s\" could not be built: %s", device->Name.toUtf8().constData(),
              fg_.LastFailure().isEmpty() ? "no step said why" : fg_.LastFailure().toUtf8().constData());
  RemoveAudioChain(*device);
  return false;
}

bool Tdm::BuildAudioChain(sources::TAudioSource &source) {
  sources::TCaptureDevice &dev = *source.Device;
  if (!dev.SetSourceGraph()) return false;
  media::PadRef pin = dev.SetAudioGraph(source.StreamNumber);
  if (!pin) return false;
  // The device hands out a pin of its native tee. That branch runs in the
  // source's own thread: all it does before infdecaudio's queues is the
  // preview gate, so a queue there would only add a thread.

  GstElement *tamponer = OwnElement("Tamponer Audio");
  GstElement *gate = OwnElement("Control_Preview_Audio");
  if (!tamponer || !gate || !fg_.AddFilter(tamponer, "Tamponer Audio") ||
      !fg_.AddFilter(infdecaudio.get(), "infdecaudio") || !fg_.AddFilter(infsupaudio.get(), "infsupaudio") ||
      !fg_.AddFilter(gate, "Control_Preview_Audio"))
    return false;
  if (!fg_.Connect(pin.get(), media::Pin(gate, 0).get()) ||
      !fg_.Connect(media::FirstUnconnectedPin(gate, GST_PAD_SRC).get(), media::Pin(infdecaudio.get(), 0).get()))
    return false;
  ++audioGeneration_;
  ReadAudioFacts(pin.get());
  const int generation = audioGeneration_;
  OnFirstCaps(media::Pin(gate, 0).get(), [this, generation, pin] {
    if (audioGeneration_ != generation || !currentAudio_) return;
    ReadAudioFacts(pin.get());
    emit AudioFactsChanged();
  });

  media::PadRef decBranch = TeeOutput(infdecaudio.get(), 1);
  if (!decBranch || !fg_.Connect(decBranch.get(), media::Pin(infsupaudio.get(), 0).get())) return false;
  // Both ways out of infsupaudio run in infdecaudio's queue thread: the
  // renderer blocks only as the sound plays, and the meter never does.
  media::PadRef supBranch = TeeDirect(infsupaudio.get(), 1);
  if (!supBranch || !fg_.Connect(supBranch.get(), media::FirstUnconnectedPin(tamponer, GST_PAD_SINK).get()))
    return false;
  if (!AudioRenderer() || !fg_.AddFilter(AudioRenderer(), "audiorender") ||
      !fg_.Connect(media::FirstUnconnectedPin(tamponer, GST_PAD_SRC).get(), media::Pin(AudioRenderer(), 0).get()))
    return false;
  JoinSoundLevel();
  return true;
}

void Tdm::JoinSoundLevel() {
  if (!soundLevel_) return;
  // On infsupaudio rather than infdecaudio: capture chains take pin 2 of
  // infdecaudio. Both carry the same sound, ahead of the renderer's volume.
  media::PadRef branch = TeeDirect(infsupaudio.get(), 2);
  if (branch && fg_.AddFilter(soundLevel_.get(), "Sound Level") &&
      fg_.Connect(branch.get(), media::Pin(soundLevel_.get(), 0).get()))
    return;
  GST_WARNING("the sound meter could not join the audio chain: %s", fg_.LastFailure().toUtf8().constData());
  if (branch) gst_element_release_request_pad(infsupaudio.get(), branch.get());
  fg_.RemoveFilter(soundLevel_.get());
}

void Tdm::ReadAudioFacts(GstPad *audioPin) {
  media::CapsRef caps = media::CurrentCaps(audioPin);
  if (!caps) {
    // Before the first buffer: what the pin is able to give, fixed. Nothing
    // definite (a demuxer's pad): the facts wait for the first frames.
    caps = media::CapsRef::Adopt(gst_pad_query_caps(audioPin, nullptr));
    if (!caps || gst_caps_is_empty(caps.get()) || gst_caps_is_any(caps.get())) return;
    caps = media::CapsRef::Adopt(gst_caps_fixate(caps.release()));
  }
  const sources::AudioStreamDescription d = sources::DescribeAudioStream(caps.get());
  audioRate_ = d.AudioRate;
  audioBits_ = d.AudioBits;
  audioChannels_ = d.AudioChannels;
}

bool Tdm::DeconnecterAudio(sources::TAudioSource *device, bool full) {
  if (!device || device != currentAudio_) return false;
  audioConnected_ = false;
  device->Active = false;
  fg_.Stop();
  DelierCamescope(*device, full, currentVideo_);
  RemoveAudioChain(*device);
  currentAudio_ = nullptr;
  return true;
}

void Tdm::RemoveAudioChain(sources::TAudioSource &source) {
  sources::TAudioSource *device = &source;
  ++audioGeneration_;
  RetirerChaine(NativeAudioTee.get(), AudioRenderer());
  // What RetirerChaine could not take (a fork left by a capture tap) goes
  // piece by piece.
  if (soundLevel_) fg_.RemoveFilter(soundLevel_.get());
  TakeOutTee(infdecaudio);
  TakeOutTee(infsupaudio);
  fg_.RemoveFilter(QStringLiteral("Tamponer Audio"));
  fg_.RemoveFilter(QStringLiteral("Control_Preview_Audio"));
  if (AudioRenderer()) fg_.RemoveFilter(AudioRenderer());

  if (sources::TCaptureDevice *dev = device->Device) {
    dev->KillAudioGraph();
    if (!SharesDevice(device, currentVideo_)) dev->KillSourceGraph();
  }
}

}  // namespace vistrel
