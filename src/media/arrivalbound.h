#pragma once
// Keeps a sound server's capture from being stamped after it arrived.
//
// The audio base source (pulsesrc, alsasrc) stamps its first block at the
// start of the segment of its ring buffer that the clock shows when it first
// reads, rounded to its block length, and counts samples from there. So every
// block of the capture ended 10 to 35 ms after the running time it arrived
// at, by an amount that changed with each start and grew with the machine's
// load: the whole recording's sound came late by it against a picture
// stamped when it was taken. No sample can have been captured after it
// arrived; the line is moved back until no block after the first ends in
// the future.
#include <gst/gst.h>

namespace vistrel::media {

// The rule, for blocks [pts, pts + duration) arriving at the running time
// `now` (as a position in the pad's segment).
class ArrivalBound {
 public:
  // The time to take off this block's start. `discont` says the source drew
  // its line again, which starts the measure afresh.
  GstClockTime Shift(GstClockTime pts, GstClockTime duration, GstClockTime now, bool discont);

 private:
  GstClockTime shift_ = 0;
  bool measuring_ = false;  // a line's first block was seen
  bool measured_ = false;   // and a block after it
};

// Installs the bound on the output of `source` when it is an audio base
// source (a sound server's or a sound card's capture); other elements stamp
// their own way and are left alone. True when it was installed.
bool BoundSoundToArrival(GstElement *source);

}  // namespace vistrel::media
