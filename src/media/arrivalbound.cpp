#include "media/arrivalbound.h"

#include <gst/audio/gstaudiobasesrc.h>

#include <algorithm>

#include "media/debug.h"
#include "media/gstref.h"
#include "media/padtime.h"

#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::Media)

namespace vistrel::media {

namespace {

// A step back smaller than this is the reader's scheduling, not a new line:
// a downstream element that resyncs on every discontinuity need not see it.
constexpr GstClockTime kStepTolerance = GST_MSECOND;

struct BoundState {
  ArrivalBound bound;
  GstSegment segment;
  GstClockTime told = 0;  // the shift of the block before
};

GstPadProbeReturn OnBlock(GstPad *pad, GstPadProbeInfo *info, gpointer data) {
  auto *state = static_cast<BoundState *>(data);
  if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
    KeepSegment(GST_PAD_PROBE_INFO_EVENT(info), state->segment);
    return GST_PAD_PROBE_OK;
  }
  GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  const GstClockTime now = PositionNow(pad, state->segment);
  if (!GST_CLOCK_TIME_IS_VALID(now) || !GST_BUFFER_PTS_IS_VALID(buffer) || !GST_BUFFER_DURATION_IS_VALID(buffer))
    return GST_PAD_PROBE_OK;
  GST_LOG_OBJECT(pad, "block %" GST_TIME_FORMAT " to %" GST_TIME_FORMAT " arrived at %" GST_TIME_FORMAT,
                 GST_TIME_ARGS(GST_BUFFER_PTS(buffer)),
                 GST_TIME_ARGS(GST_BUFFER_PTS(buffer) + GST_BUFFER_DURATION(buffer)), GST_TIME_ARGS(now));
  const GstClockTime shift = state->bound.Shift(GST_BUFFER_PTS(buffer), GST_BUFFER_DURATION(buffer), now,
                                                GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DISCONT));
  const bool stepped = shift > state->told + kStepTolerance;
  state->told = shift;
  if (shift == 0) return GST_PAD_PROBE_OK;
  buffer = WritableBuffer(info);
  GST_BUFFER_PTS(buffer) -= shift;
  GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
  if (stepped) {
    GST_INFO_OBJECT(pad, "sound stamped %" GST_TIME_FORMAT " after it arrived: its times are moved back",
                    GST_TIME_ARGS(shift));
    // A line that steps back overlaps what went before it; said so, an
    // encoder starts its own count again instead of drifting.
    GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
  }
  return GST_PAD_PROBE_OK;
}

void FreeBound(gpointer data) { delete static_cast<BoundState *>(data); }

}  // namespace

GstClockTime ArrivalBound::Shift(GstClockTime pts, GstClockTime duration, GstClockTime now, bool discont) {
  if (!measuring_ || discont) {
    // A line's first block comes at once, before the server paces its
    // reads (measured: 20 ms earlier than every block after it); measured
    // by it, the whole line would be moved back a block too far.
    measuring_ = true;
    measured_ = false;
    shift_ = 0;
    return 0;
  }
  const GstClockTime end = pts + duration;
  // Never before the segment's start: a line that would begin before it is
  // moved back only as far as it can go.
  const GstClockTime excess = std::min(end > now ? end - now : 0, pts);
  if (!measured_ || excess > shift_) {
    measured_ = true;
    shift_ = excess;
  }
  return std::min(shift_, pts);
}

bool BoundSoundToArrival(GstElement *source) {
  if (!source || !GST_IS_AUDIO_BASE_SRC(source)) return false;
  const PadRef out = PadRef::Adopt(gst_element_get_static_pad(source, "src"));
  if (!out) return false;
  auto *state = new BoundState;
  gst_segment_init(&state->segment, GST_FORMAT_TIME);
  gst_pad_add_probe(out.get(), GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                    &OnBlock, state, &FreeBound);
  return true;
}

}  // namespace vistrel::media
