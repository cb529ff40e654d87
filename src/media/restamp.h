#pragma once
// Gives sound buffers that carry no time stamp a continuous time line again.
//
// The preview stamper strips times on purpose so the preview plays each
// buffer as it comes. A real sound sink cannot take such buffers everywhere:
// one flagged GAP (the volume element flags muted buffers so) makes the audio
// base sink build a gap event from an invalid time and crash. The renderer
// therefore restamps at the sink's input: the first untimed buffer is placed at the
// running time it arrives, the next ones follow by their sample count, and the
// line is drawn again from the clock when it drifts too far from it.
#include <gst/gst.h>

namespace vistrel::media {

// How far the restamped line may drift from the clock before it is drawn
// again from the running time of arrival.
inline constexpr GstClockTime kRestampTolerance = 200 * GST_MSECOND;

// Installs the restamper on a sink pad of raw audio; it lives as long as the
// pad. Buffers that already carry a time pass unchanged. Before the element
// plays (a live source's first buffer meets a prerolling sink) there is no
// running time: such a buffer stays untimed but loses its gap flag, so the
// sink plays it at once instead of describing it by a time it has not.
void AttachAudioRestamper(GstPad *pad);

// Installs a guard on a live source's output: a buffer without a time, or
// with one more than kLiveTimeTolerance away from the running time it
// arrives at, is stamped by that running time (on its frame period's line
// for a picture, frameline.h). Devices whose producer stamps frames in a
// clock of its own (a PipeWire stream of another program stamps them all 0)
// are paced by arrival instead; good stamps pass.
inline constexpr GstClockTime kLiveTimeTolerance = GST_SECOND;
void AttachLiveTimeGuard(GstPad *pad);

// The pure rule, for a buffer arriving at running time `now` (as a stream
// position in the pad's segment) when the line expected `next` (NONE: no line
// yet). Gives the time to stamp; `resync` says the line was drawn again.
GstClockTime RestampTime(GstClockTime next, GstClockTime now, bool &resync);

// Installs on a pad of raw audio a guard that gives each buffer the
// duration of the samples it holds. The DV splitter ends each frame's sound
// on a frame grid of its own, which a live source's times are not on: every
// buffer after the first then claimed up to a frame less than it held, and
// the AVI writer, which sums the durations into its header, wrote a file
// whose sound "lasted" a tenth less than its picture.
void AttachSampleDurations(GstPad *pad);

}  // namespace vistrel::media
