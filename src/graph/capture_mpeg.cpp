// Formats 3 and 4: the MPEG encoder card's own stream goes into a program
// (or MPEG-1 system) stream as it comes, without being encoded again; the
// sound is encoded to MPEG audio beside it.
#include "graph/capture_mpeg.h"

#include "graph/capture_avi_parts.h"
#include "graph/capture_common.h"
#include "media/pins.h"
#include "sources/avsources.h"

namespace vistrel {

namespace capture {

media::CapsRef SystemStreamCaps(const GstCaps *streamCaps) {
  int version = 2;
  if (streamCaps && gst_caps_get_size(streamCaps) > 0)
    gst_structure_get_int(gst_caps_get_structure(streamCaps, 0), "mpegversion", &version);
  return media::CapsRef::Adopt(gst_caps_new_simple("video/mpeg", "systemstream", G_TYPE_BOOLEAN, TRUE, "mpegversion",
                                                   G_TYPE_INT, version == 1 ? 1 : 2, nullptr));
}

bool MpegCandidates::ChercherMux(const GstCaps *streamCaps) {
  media::CapsRef out = SystemStreamCaps(streamCaps);
  muxers_ = media::MatchingFactories(media::KlassOf(media::FilterCategory::Muxer), streamCaps, out.get());
  nextMux_ = 0;
  return !muxers_.empty();
}

bool MpegCandidates::ChercherEncodeurAudio() {
  media::CapsRef in = media::CapsRef::Adopt(gst_caps_from_string("audio/x-raw"));
  media::CapsRef out = media::CapsRef::Adopt(gst_caps_from_string("audio/mpeg,mpegversion=(int)1,layer=(int)[1,2]"));
  encoders_ = media::MatchingFactories(media::KlassOf(media::FilterCategory::AudioCompressor), in.get(), out.get());
  nextEncoder_ = 0;
  return !encoders_.empty();
}

bool MpegCandidates::Next(const media::FactoryList &list, std::size_t &at, media::FilterSlot &slot) {
  slot.TakeOutOfGraph();
  // A factory that cannot make its element is passed over.
  while (at < list.size())
    if (slot.Bind(list[at++].get())) return true;
  return false;
}

bool MpegCandidates::MuxSuivant(media::FilterSlot &muxer) { return Next(muxers_, nextMux_, muxer); }
bool MpegCandidates::EncodeurAudioSuivant(media::FilterSlot &audioenc) {
  return Next(encoders_, nextEncoder_, audioenc);
}

}  // namespace capture

namespace {

// The native stream's type: as it flows, else as the device is held to,
// else the first the tee's source offers.
media::CapsRef NativeStreamCaps(GstElement *tee, sources::TVideoSource *source) {
  media::PadRef in = media::Pin(tee, 0);
  if (media::CapsRef now = media::CurrentCaps(in.get())) return now;
  if (source && source->Device && source->Device->Format()) return source->Device->Format();
  media::CapsRef offered = media::CapsRef::Adopt(in ? gst_pad_peer_query_caps(in.get(), nullptr) : nullptr);
  if (!offered || gst_caps_is_empty(offered.get()) || gst_caps_is_any(offered.get())) return {};
  return media::CapsRef::Adopt(gst_caps_fixate(offered.release()));
}

}  // namespace

bool Tdm::GrapheMpegNatif(const QString &file) {
  BeginCaptureBuild();
  if (!NativeVideoTee) return FailCapture("the video source gives no MPEG stream of its own to record");
  if (!capture::AddFileWriter(*this, writer, QStringLiteral("writer"), file))
    return FailCapture("the MPEG file writer could not be set up");
  const media::CapsRef stream = NativeStreamCaps(NativeVideoTee.get(), currentVideo_);
  GstElement *gate = capture::AddOwn(*this, QStringLiteral("Control_Capture_Video"));
  if (!stream) return FailCapture("the type of the source's MPEG stream is not known");
  if (!gate) return FailCapture("the capture gate (Control_Capture_Video) could not be added");
  capture::MpegCandidates candidates;

  // Sound: the first MPEG audio encoder that takes it. None: no sound.
  GstElement *encoder = nullptr;
  const media::PadRef audioTap = currentAudio_ ? capture::TapAudio(*this) : media::PadRef();
  if (audioTap) {
    GstElement *tamponer = capture::AddAudioTamponer(*this);
    audioenc.TakeOutOfGraph();
    if (tamponer && candidates.ChercherEncodeurAudio()) {
      while (candidates.EncodeurAudioSuivant(audioenc)) {
        if (!fg().AddFilter(audioenc.Element(), QStringLiteral("audioenc"))) continue;
        media::PadRef in = media::FirstUnconnectedPin(audioenc.Element(), GST_PAD_SINK);
        if (in && fg().Connect(media::FirstUnconnectedPin(tamponer, GST_PAD_SRC).get(), in.get())) {
          if (!FormatAudioCapture(false)) return FailCapture("the sound format of the capture could not be set");
          encoder = audioenc.Element();
          break;
        }
        fg().RemoveFilter(audioenc.Element());
      }
    }
  }
  // Sound is left out when it cannot be tapped or no encoder takes it; why
  // is in the log, and is not the reason should the build fail later.
  fg().ClearFailure();

  muxer.TakeOutOfGraph();
  if (!candidates.ChercherMux(stream.get())) {
    media::GCharPtr caps(gst_caps_to_string(stream.get()));
    return FailCapture(
        QStringLiteral("no multiplexer takes the source's stream (%1)").arg(QString::fromUtf8(caps.get())));
  }
  // A program stream cannot lose frames out of a group of pictures: the tap
  // holds up rather than drops.
  media::PadRef tap = avicapture::VideoTap(*this, NativeVideoTee.get(), false);
  if (!tap || !fg().Connect(tap.get(), media::Pin(gate, 0).get()))
    return FailCapture("the MPEG stream could not reach the capture gate");
  media::PadRef gateOut = media::FirstUnconnectedPin(gate, GST_PAD_SRC);
  media::CapsRef audioCaps = media::CapsRef::Adopt(gst_caps_from_string("audio/mpeg"));
  while (candidates.MuxSuivant(muxer)) {
    GstElement *mux = muxer.Element();
    if (!fg().AddFilter(mux, QStringLiteral("muxer"))) continue;
    media::PadRef videoIn = media::FirstUnconnectedPin(mux, GST_PAD_SINK, stream.get());
    media::PadRef out = media::FirstUnconnectedPin(mux, GST_PAD_SRC);
    bool ok = videoIn && out && fg().Connect(gateOut.get(), videoIn.get()) &&
              fg().Connect(out.get(), media::Pin(writer.get(), 0).get());
    if (ok && encoder) {
      media::PadRef audioIn = media::FirstUnconnectedPin(mux, GST_PAD_SINK, audioCaps.get());
      ok = audioIn && fg().Connect(media::FirstUnconnectedPin(encoder, GST_PAD_SRC).get(), audioIn.get());
    }
    if (ok) {
      avicapture::CountWritten(*this, videoIn.get());
      avicapture::DeclareBranch(*this, tap.get(), writer.get());
      if (encoder) avicapture::DeclareBranch(*this, audioTap.get(), writer.get());
      return true;
    }
    // Taking it out frees the links made to it for the next candidate.
    fg().RemoveFilter(mux);
  }
  // The graph keeps why the last candidate refused.
  return FailCapture("no multiplexer could be joined to the stream and the file writer");
}

}  // namespace vistrel
