#include "media/restamp.h"

#include <gst/audio/audio.h>

#include "media/debug.h"
#include "media/frameline.h"
#include "media/gstref.h"
#include "media/padtime.h"

#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::Media)

namespace vistrel::media {

namespace {

struct RestampState {
  GstAudioInfo info;
  bool haveInfo = false;
  GstSegment segment;
  GstClockTime next = GST_CLOCK_TIME_NONE;
};

GstPadProbeReturn OnData(GstPad *pad, GstPadProbeInfo *info, gpointer data) {
  auto *state = static_cast<RestampState *>(data);
  if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
    GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
    if (!KeepSoundFormat(event, state->info, state->haveInfo) &&
        (KeepSegment(event, state->segment) || GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP))
      state->next = GST_CLOCK_TIME_NONE;
    return GST_PAD_PROBE_OK;
  }

  GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  if (GST_BUFFER_PTS_IS_VALID(buffer)) {
    state->next = GST_BUFFER_DURATION_IS_VALID(buffer) ? GST_BUFFER_PTS(buffer) + GST_BUFFER_DURATION(buffer)
                                                        : GST_CLOCK_TIME_NONE;
    return GST_PAD_PROBE_OK;
  }
  const GstClockTime now = PositionNow(pad, state->segment);
  buffer = WritableBuffer(info);
  if (!GST_CLOCK_TIME_IS_VALID(now) || !state->haveInfo || GST_AUDIO_INFO_BPF(&state->info) <= 0 ||
      GST_AUDIO_INFO_RATE(&state->info) <= 0) {
    // Nothing to place it by yet: the sink plays an untimed buffer at once,
    // as long as it is not a gap it would have to describe by its time.
    GST_BUFFER_FLAG_UNSET(buffer, GST_BUFFER_FLAG_GAP);
    return GST_PAD_PROBE_OK;
  }
  bool resync = false;
  const GstClockTime pts = RestampTime(state->next, now, resync);
  const guint64 samples = gst_buffer_get_size(buffer) / guint(GST_AUDIO_INFO_BPF(&state->info));
  const GstClockTime duration = gst_util_uint64_scale_int(samples, GST_SECOND, GST_AUDIO_INFO_RATE(&state->info));
  GST_BUFFER_PTS(buffer) = pts;
  GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
  GST_BUFFER_DURATION(buffer) = duration;
  if (resync) {
    GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
    GST_DEBUG_OBJECT(pad, "time line drawn again at %" GST_TIME_FORMAT, GST_TIME_ARGS(pts));
  }
  state->next = pts + duration;
  return GST_PAD_PROBE_OK;
}

void FreeState(gpointer data) { delete static_cast<RestampState *>(data); }

struct GuardState {
  GstSegment segment;
  FrameLine line;
  bool warned = false;
};

// The frame period a picture's caps give; 0 for sound or a variable rate.
GstClockTime FramePeriod(GstEvent *event) {
  GstCaps *caps = nullptr;
  gst_event_parse_caps(event, &caps);
  const GstStructure *s = caps && gst_caps_get_size(caps) > 0 ? gst_caps_get_structure(caps, 0) : nullptr;
  gint num = 0, den = 0;
  if (!s || !gst_structure_get_fraction(s, "framerate", &num, &den) || num <= 0 || den <= 0) return 0;
  return gst_util_uint64_scale_int(GST_SECOND, den, num);
}

GstPadProbeReturn OnLiveData(GstPad *pad, GstPadProbeInfo *info, gpointer data) {
  auto *state = static_cast<GuardState *>(data);
  if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
    GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) state->line.SetPeriod(FramePeriod(event));
    if (KeepSegment(event, state->segment) || GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) state->line.Reset();
    return GST_PAD_PROBE_OK;
  }
  GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  const GstClockTime now = PositionNow(pad, state->segment);
  // Before the pipeline plays there is no running time to check a frame
  // against, and one let through unchecked can carry its producer's clock
  // time (hours). The first frames of a live camera can be spared.
  if (!GST_CLOCK_TIME_IS_VALID(now)) return GST_PAD_PROBE_DROP;
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  if (GST_CLOCK_TIME_IS_VALID(pts) && GST_CLOCK_DIFF(pts, now) <= GstClockTimeDiff(kLiveTimeTolerance) &&
      GST_CLOCK_DIFF(now, pts) <= GstClockTimeDiff(kLiveTimeTolerance))
    return GST_PAD_PROBE_OK;
  if (!state->warned) {
    GST_INFO_OBJECT(pad,
                    "source time %" GST_TIME_FORMAT " is not the running time %" GST_TIME_FORMAT
                    ": frames are placed by their arrival",
                    GST_TIME_ARGS(pts), GST_TIME_ARGS(now));
    state->warned = true;
  }
  buffer = WritableBuffer(info);
  GST_BUFFER_PTS(buffer) = state->line.Place(now);
  GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
  return GST_PAD_PROBE_OK;
}

void FreeGuard(gpointer data) { delete static_cast<GuardState *>(data); }

struct SampleState {
  GstAudioInfo info;
  bool haveInfo = false;
};

GstPadProbeReturn OnSamples(GstPad *, GstPadProbeInfo *info, gpointer data) {
  auto *state = static_cast<SampleState *>(data);
  if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
    KeepSoundFormat(GST_PAD_PROBE_INFO_EVENT(info), state->info, state->haveInfo);
    return GST_PAD_PROBE_OK;
  }
  if (!state->haveInfo) return GST_PAD_PROBE_OK;
  const guint64 samples =
      gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info)) / guint(GST_AUDIO_INFO_BPF(&state->info));
  const GstClockTime duration = gst_util_uint64_scale_int(samples, GST_SECOND, GST_AUDIO_INFO_RATE(&state->info));
  if (GST_BUFFER_DURATION(GST_PAD_PROBE_INFO_BUFFER(info)) != duration)
    GST_BUFFER_DURATION(WritableBuffer(info)) = duration;
  return GST_PAD_PROBE_OK;
}

void FreeSamples(gpointer data) { delete static_cast<SampleState *>(data); }

}  // namespace

GstClockTime RestampTime(GstClockTime next, GstClockTime now, bool &resync) {
  resync = !GST_CLOCK_TIME_IS_VALID(next) || GST_CLOCK_DIFF(now, next) > GstClockTimeDiff(kRestampTolerance) ||
           GST_CLOCK_DIFF(next, now) > GstClockTimeDiff(kRestampTolerance);
  return resync ? now : next;
}

void AttachLiveTimeGuard(GstPad *pad) {
  if (!pad) return;
  auto *state = new GuardState;
  gst_segment_init(&state->segment, GST_FORMAT_TIME);
  gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM), &OnLiveData,
                    state, &FreeGuard);
}

void AttachSampleDurations(GstPad *pad) {
  if (!pad) return;
  auto *state = new SampleState;
  gst_audio_info_init(&state->info);
  gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM), &OnSamples,
                    state, &FreeSamples);
}

void AttachAudioRestamper(GstPad *pad) {
  if (!pad) return;
  auto *state = new RestampState;
  gst_audio_info_init(&state->info);
  gst_segment_init(&state->segment, GST_FORMAT_TIME);
  gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM), &OnData,
                    state, &FreeState);
}

}  // namespace vistrel::media
