#pragma once
// Times for frames that come without any: each is placed on the line of the
// camera's frame period rather than at the instant it arrived.
//
// A camera published by another program through PipeWire hands frames over
// with no time, and a loaded machine hands them on late by up to a period:
// stamped as they arrived, such a frame took the next frame's place in the
// file, so a flash a few frames long began a frame late. On the line, a
// frame that comes less than a period late keeps its place; one a period
// or more late is taken for a frame after one that was lost; and a frame
// that comes earlier than the line says draws the line again from it, so no
// frame is ever stamped after it arrived and the line follows a camera whose
// clock runs a little fast.
#include <gst/gst.h>

namespace vistrel::media {

class FrameLine {
 public:
  // `period` is the camera's frame duration; 0 (not known) stamps each
  // frame as it arrives.
  void SetPeriod(GstClockTime period) {
    period_ = period;
    Reset();
  }
  // Forgets the line (a new segment: times start again).
  void Reset() { last_ = GST_CLOCK_TIME_NONE; }

  // The time for a frame arriving at `now`.
  GstClockTime Place(GstClockTime now);

 private:
  GstClockTime period_ = 0;
  GstClockTime last_ = GST_CLOCK_TIME_NONE;
};

}  // namespace vistrel::media
