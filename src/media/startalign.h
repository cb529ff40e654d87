#pragma once
// Starts a recording's picture and sound at the same instant.
//
// Most writers (the AVI muxer above all) lay each stream out from its first
// buffer, whatever that buffer's time: a recording whose sound came 80 ms
// after its first picture played 80 ms out of step for its whole length. The
// aligner watches the two capture taps of a chain: the picture waits for the
// sound to have begun and starts at its first frame from then on; the sound
// is then cut (or, when its first buffers had already gone by, led in with
// silence) so that its first sample falls on that frame's time. Nothing is
// held: buffers before the start are dropped, the one across it is edited.
#include <gst/gst.h>

#include <memory>

namespace vistrel::media {

// The delay of MP3 as LAME codes it and players decode it: the coder's 576
// samples and the decoder's 529, which no AVI reader takes off.
inline constexpr guint64 kMp3CodingDelay = 576 + 529;

// How long one stream waits for the other before it records alone (a
// device that gives nothing is reported elsewhere; its partner is not lost).
inline constexpr GstClockTime kAlignWait = 2 * GST_SECOND;

// What becomes of the first sound buffer that reaches the start: samples cut
// from its front, or silence put before it.
struct SoundEdit {
  bool drop = false;        // it ends before the start
  guint64 trimSamples = 0;  // samples before the start
  guint64 padSamples = 0;   // silence from the start to its first sample
};
// The rule, for a buffer of `samples` at `rate` starting at `pts`.
SoundEdit SoundEditFor(GstClockTime pts, guint64 samples, int rate, GstClockTime start);

class StartAligner {
 public:
  StartAligner();
  // The pads are the taps' outputs (the picture and the sound each enter the
  // chain there). Either may be watched alone: then nothing is changed.
  void WatchVideo(GstPad *pad);
  void WatchAudio(GstPad *pad);
  // Sound that a coder will delay by `samples` (MP3 in an AVI, which has no
  // field for it: a decoder plays the coder's lead-in first) starts that much
  // later, so that it plays in step.
  void LeadSound(guint64 samples);
  // The running time both streams start at, NONE until known.
  GstClockTime Start() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace vistrel::media
