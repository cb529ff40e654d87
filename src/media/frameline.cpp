#include "media/frameline.h"

namespace vistrel::media {

GstClockTime FrameLine::Place(GstClockTime now) {
  GstClockTime placed = now;
  if (period_ > 0 && GST_CLOCK_TIME_IS_VALID(last_)) {
    const GstClockTime expected = last_ + period_;
    if (now >= expected) placed = expected + (now - expected) / period_ * period_;
    // Frames of a burst after a late one come closer than a period: each is
    // still after the one before.
    if (placed <= last_) placed = last_ + 1;
  }
  last_ = placed;
  return placed;
}

}  // namespace vistrel::media
