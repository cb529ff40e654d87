#pragma once
// The candidate searches of the native MPEG chain: multiplexers that take the
// device's MPEG video and give a system stream, and encoders that turn sound
// into MPEG-1 audio (layers I and II, what a program stream carries). Each
// list is ordered by rank and tried in turn.
#include "media/elementlookup.h"

namespace vistrel::capture {

class MpegCandidates {
 public:
  // Lists multiplexers for a video stream of these caps; false when none.
  bool ChercherMux(const GstCaps *streamCaps);
  // Binds `muxer` to the next multiplexer; false when none is left.
  bool MuxSuivant(media::FilterSlot &muxer);
  bool ChercherEncodeurAudio();
  bool EncodeurAudioSuivant(media::FilterSlot &audioenc);

  const media::FactoryList &Muxers() const { return muxers_; }
  const media::FactoryList &AudioEncoders() const { return encoders_; }

 private:
  static bool Next(const media::FactoryList &list, std::size_t &at, media::FilterSlot &slot);
  media::FactoryList muxers_, encoders_;
  std::size_t nextMux_ = 0, nextEncoder_ = 0;
};

// The system stream caps a multiplexer must give for video of that MPEG
// version: MPEG-1 video goes into an MPEG-1 system stream, MPEG-2 into a
// program stream.
media::CapsRef SystemStreamCaps(const GstCaps *streamCaps);

}  // namespace vistrel::capture
