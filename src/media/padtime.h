#pragma once
// What the time guards on a pad share: the running time a buffer arrives at,
// the pad's segment and sound format as its events give them.
#include <gst/audio/audio.h>
#include <gst/gst.h>

namespace vistrel::media {

// The pad's segment position the element's clock shows now, or NONE while
// the element has no clock (not playing yet).
GstClockTime PositionNow(GstPad *pad, const GstSegment &segment);

// Keeps the pad's time segment; true when the event was one.
bool KeepSegment(GstEvent *event, GstSegment &kept);

// The probed buffer, made writable in place.
GstBuffer *WritableBuffer(GstPadProbeInfo *info);

// Keeps the sound format a caps event gives; true when the event was one.
// `have` says whether samples can be counted in it.
bool KeepSoundFormat(GstEvent *event, GstAudioInfo &info, bool &have);

}  // namespace vistrel::media
