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
//
// After the start it keeps them in step. A program held still (stopped, a
// machine deep in swap) misses the sources' time; they come back later in
// time, the picture's filler makes up the frames, and the sound, which the
// writers lay end to end, is filled with silence over the same time (or cut
// where it overlaps). Such gaps are noted for the user.
#include <gst/gst.h>

#include <QtGlobal>
#include <memory>
#include <vector>

namespace vistrel::media {

// The delay of MP3 as LAME codes it and players decode it: the coder's 576
// samples and the decoder's 529, which no AVI reader takes off.
inline constexpr guint64 kMp3CodingDelay = 576 + 529;
// The priming samples FFmpeg's AAC encoder puts before the sound. A fragmented
// MP4 is written before its first sample, so it carries no edit to take them
// off: measured, the sound played 11 to 22 ms late without the lead.
inline constexpr guint64 kAacCodingDelay = 1024;

// How long one stream waits for the other before it records alone (a
// device that gives nothing is reported elsewhere; its partner is not lost).
inline constexpr GstClockTime kAlignWait = 2 * GST_SECOND;

// The longest stretch the picture's frame filler makes up and the sound is
// filled over; past it neither is (a source that jumped in time), so both
// leave the same time out.
inline constexpr GstClockTime kMaxFilledGap = 30 * GST_SECOND;
// Sound further than this from where it should be is put back in step.
inline constexpr GstClockTime kStepTolerance = 60 * GST_MSECOND;
// A gap at least this long is told.
inline constexpr GstClockTime kToldGap = GST_SECOND;

// A stretch of the recording in which the sources sent nothing.
struct CaptureGap {
  qint64 startMs = 0;  // when it began, ms since the epoch
  qint64 lengthMs = 0;
  bool filled = true;  // made up (a still picture, silence), not left out
};

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
  // `queued`, when given, is where the sound leaves the tap's queue: it is
  // kept in step there, after whatever the queue dropped.
  void WatchAudio(GstPad *pad, GstPad *queued = nullptr);
  // Sound that a coder will delay by `samples` (MP3 in an AVI, which has no
  // field for it: a decoder plays the coder's lead-in first) starts that much
  // later, so that it plays in step.
  void LeadSound(guint64 samples);
  // The chain makes up missing frames (a frame filler): sound is filled over
  // the same gaps. Without a filler the sound is left as it comes, so both
  // streams leave the same time out. Sound recorded alone is always filled.
  void FillSoundGaps();
  // The running time both streams start at, NONE until known.
  GstClockTime Start() const;
  // The gaps noted since the last call, once the streams have gone on past
  // them (a stall comes back as several jumps); every one when `ended`.
  std::vector<CaptureGap> TakeGaps(bool ended = false);

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace vistrel::media
