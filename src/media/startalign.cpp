#include "media/startalign.h"

#include <gst/audio/audio.h>

#include <algorithm>
#include <mutex>
#include <utility>

#include "media/debug.h"
#include "media/gstref.h"

#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::Media)

namespace vistrel::media {

struct StartAligner::State {
  std::mutex lock;
  bool videoWatched = false, audioWatched = false;
  GstClockTime firstVideo = GST_CLOCK_TIME_NONE, firstAudio = GST_CLOCK_TIME_NONE;
  GstClockTime start = GST_CLOCK_TIME_NONE;
  // Set once a stream goes its own way: it started in step, or the other
  // never came and it records alone.
  bool videoDone = false, audioDone = false;
  GstAudioInfo info;
  bool haveInfo = false;
  guint64 leadSamples = 0;
  // In step after the start: where the next sound sample belongs, and the
  // end of the last frame.
  bool fillSound = false;
  GstClockTime soundNext = GST_CLOCK_TIME_NONE, videoNext = GST_CLOCK_TIME_NONE;
  // Gaps in running time; one stall comes back as a run of jumps (sources
  // catching up), told as one once the streams have gone on past it.
  struct Span {
    GstClockTime from, to, missing;
    bool filled, told;
  };
  std::vector<Span> gaps;
  GstClockTime latestVideo = 0, latestSound = 0;  // the latest time each stream reached
  // A running time and the wall clock at once, to tell when a gap began.
  GstClockTime basePts = GST_CLOCK_TIME_NONE;
  gint64 baseRealUs = 0;
};

namespace {

using State = StartAligner::State;

// Each probe keeps the state alive as long as its pad lives.
struct Holder {
  std::shared_ptr<State> state;
};

void FreeHolder(gpointer data) { delete static_cast<Holder *>(data); }

bool WaitedTooLong(GstClockTime first, GstClockTime now) {
  return GST_CLOCK_TIME_IS_VALID(first) && GST_CLOCK_TIME_IS_VALID(now) && now >= first && now - first >= kAlignWait;
}

// Both streams see a stall of the program, often as several jumps.
void NoteGap(State &s, GstClockTime from, GstClockTime to, bool filled) {
  GST_DEBUG("nothing from %" GST_TIME_FORMAT " to %" GST_TIME_FORMAT "%s", GST_TIME_ARGS(from), GST_TIME_ARGS(to),
            filled ? "" : " (left out)");
  constexpr GstClockTime kOneStall = 250 * GST_MSECOND;  // between the jumps of sources catching up
  if (!s.gaps.empty() && !s.gaps.back().told && from <= s.gaps.back().to + kOneStall) {
    StartAligner::State::Span &last = s.gaps.back();
    if (to > last.to) last.missing += to - std::max(from, last.to);
    last.to = std::max(last.to, to);
    last.filled = last.filled && filled;
    return;
  }
  // Short gaps already behind (a source's jitter) are forgotten.
  std::erase_if(s.gaps, [&](const StartAligner::State::Span &g) { return g.told || g.to + kOneStall < from; });
  s.gaps.push_back({from, to, to - from, filled, false});
}

// Every buffer in step moves the clock of the gaps on. A time far before
// the latest of its own stream is a graph started again (a Cut that renames
// the file): its running time begins anew, and so does keeping step. (The
// two streams of a stalled program catch up at their own pace, so one is
// never judged by the other's time.)
void NoteTime(State &s, bool video, GstClockTime pts) {
  GstClockTime &latest = video ? s.latestVideo : s.latestSound;
  if (pts + kToldGap < latest) {
    latest = 0;
    (video ? s.videoNext : s.soundNext) = GST_CLOCK_TIME_NONE;
    s.basePts = GST_CLOCK_TIME_NONE;
  }
  if (!GST_CLOCK_TIME_IS_VALID(s.basePts)) {
    s.basePts = pts;
    s.baseRealUs = g_get_real_time();
  }
  latest = std::max(latest, pts);
}

GstClockTime EndOf(GstBuffer *buffer) {
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  return GST_BUFFER_DURATION_IS_VALID(buffer) ? pts + GST_BUFFER_DURATION(buffer) : pts;
}

void KeepVideoStep(State &s, GstBuffer *buffer) {
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  NoteTime(s, true, pts);
  if (GST_CLOCK_TIME_IS_VALID(s.videoNext) && pts > s.videoNext + kStepTolerance)
    NoteGap(s, s.videoNext, pts, pts - s.videoNext <= kMaxFilledGap);
  s.videoNext = EndOf(buffer);
}

GstPadProbeReturn OnVideo(GstPad *pad, GstPadProbeInfo *info, gpointer data) {
  State &s = *static_cast<Holder *>(data)->state;
  GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  std::lock_guard<std::mutex> guard(s.lock);
  if (!GST_CLOCK_TIME_IS_VALID(pts)) return GST_PAD_PROBE_OK;
  if (s.videoDone || !s.audioWatched) {
    KeepVideoStep(s, buffer);
    return GST_PAD_PROBE_OK;
  }
  if (!GST_CLOCK_TIME_IS_VALID(s.firstVideo)) s.firstVideo = pts;
  if (s.audioDone) {  // the sound went on alone: the picture follows as it comes
    s.videoDone = true;
    return GST_PAD_PROBE_OK;
  }
  if (!GST_CLOCK_TIME_IS_VALID(s.firstAudio)) {
    if (!WaitedTooLong(s.firstVideo, pts)) return GST_PAD_PROBE_DROP;
    GST_INFO_OBJECT(pad, "no sound after %" GST_TIME_FORMAT ": the picture records alone", GST_TIME_ARGS(kAlignWait));
    s.videoDone = true;
    return GST_PAD_PROBE_OK;
  }
  // The first frame that shows more of the sound's time than of before it.
  const GstClockTime half = GST_BUFFER_DURATION_IS_VALID(buffer) ? GST_BUFFER_DURATION(buffer) / 2 : 0;
  if (pts + half < s.firstAudio) return GST_PAD_PROBE_DROP;
  s.start = pts;
  s.videoDone = true;
  s.videoNext = EndOf(buffer);
  GST_INFO_OBJECT(pad, "picture and sound start at %" GST_TIME_FORMAT " (first sound %" GST_TIME_FORMAT ")",
                  GST_TIME_ARGS(pts), GST_TIME_ARGS(s.firstAudio));
  return GST_PAD_PROBE_OK;
}

// `buffer` edited to begin exactly at `start`.
GstBuffer *EditedSound(GstBuffer *buffer, const SoundEdit &edit, const GstAudioInfo &info, GstClockTime start) {
  const gsize bpf = gsize(GST_AUDIO_INFO_BPF(&info));
  const gsize size = gst_buffer_get_size(buffer);
  GstBuffer *out = nullptr;
  if (edit.trimSamples > 0) {
    const gsize cut = gsize(edit.trimSamples) * bpf;
    out = gst_buffer_copy_region(buffer, GST_BUFFER_COPY_ALL, cut, size - cut);
    gst_buffer_unref(buffer);
  } else {
    const gsize lead = gsize(edit.padSamples) * bpf;
    GstBuffer *silence = gst_buffer_new_allocate(nullptr, lead, nullptr);
    GstMapInfo map;
    if (gst_buffer_map(silence, &map, GST_MAP_WRITE)) {
      gst_audio_format_info_fill_silence(info.finfo, map.data, map.size);
      gst_buffer_unmap(silence, &map);
    }
    out = gst_buffer_append(silence, buffer);  // takes both
  }
  out = gst_buffer_make_writable(out);
  const guint64 samples = gst_buffer_get_size(out) / bpf;
  GST_BUFFER_PTS(out) = start;
  GST_BUFFER_DTS(out) = GST_CLOCK_TIME_NONE;
  GST_BUFFER_DURATION(out) = gst_util_uint64_scale_int(samples, GST_SECOND, GST_AUDIO_INFO_RATE(&info));
  GST_BUFFER_OFFSET(out) = GST_BUFFER_OFFSET_NONE;
  GST_BUFFER_OFFSET_END(out) = GST_BUFFER_OFFSET_NONE;
  GST_BUFFER_FLAG_SET(out, GST_BUFFER_FLAG_DISCONT);
  return out;
}

void KeepSoundFormat(State &s, GstCaps *caps) {
  s.haveInfo = caps && gst_audio_info_from_caps(&s.info, caps) && GST_AUDIO_INFO_BPF(&s.info) > 0 &&
               GST_AUDIO_INFO_RATE(&s.info) > 0;
}

// Sound after the start: a buffer later than where the last one ended is
// led in with silence over the gap, one earlier is cut to follow on; coded
// sound, or sound whose picture is not filled, goes as it comes.
GstPadProbeReturn KeepSoundStep(State &s, GstPadProbeInfo *info, GstBuffer *buffer) {
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  NoteTime(s, false, pts);
  const GstClockTime next = s.soundNext;
  s.soundNext = EndOf(buffer);
  if (!GST_CLOCK_TIME_IS_VALID(next) || !s.haveInfo || !GST_BUFFER_DURATION_IS_VALID(buffer)) return GST_PAD_PROBE_OK;
  const bool late = pts > next + kStepTolerance, early = pts + kStepTolerance < next;
  if (late) NoteGap(s, next, pts, s.fillSound && pts - next <= kMaxFilledGap);
  if (!s.fillSound || (!late && !early) || (late && pts - next > kMaxFilledGap)) return GST_PAD_PROBE_OK;
  const int rate = GST_AUDIO_INFO_RATE(&s.info);
  const guint64 samples = gst_buffer_get_size(buffer) / guint(GST_AUDIO_INFO_BPF(&s.info));
  const SoundEdit edit = SoundEditFor(pts, samples, rate, next);
  if (edit.drop) {
    s.soundNext = next;
    return GST_PAD_PROBE_DROP;
  }
  GstBuffer *edited = EditedSound(buffer, edit, s.info, next);
  GST_PAD_PROBE_INFO_DATA(info) = edited;
  s.soundNext = EndOf(edited);
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn OnAudio(GstPad *pad, GstPadProbeInfo *info, gpointer data) {
  State &s = *static_cast<Holder *>(data)->state;
  if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
    GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
      GstCaps *caps = nullptr;
      gst_event_parse_caps(event, &caps);
      std::lock_guard<std::mutex> guard(s.lock);
      KeepSoundFormat(s, caps);
    }
    return GST_PAD_PROBE_OK;
  }
  GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.haveInfo) {  // caps set before the watch began
    const CapsRef caps = CapsRef::Adopt(gst_pad_get_current_caps(pad));
    KeepSoundFormat(s, caps.get());
  }
  if (!GST_CLOCK_TIME_IS_VALID(pts)) return GST_PAD_PROBE_OK;
  if (s.audioDone || !s.videoWatched) return GST_PAD_PROBE_OK;
  if (!GST_CLOCK_TIME_IS_VALID(s.firstAudio)) s.firstAudio = pts;
  if (s.videoDone && !GST_CLOCK_TIME_IS_VALID(s.start)) {  // the picture went on alone
    s.audioDone = true;
    return GST_PAD_PROBE_OK;
  }
  if (!GST_CLOCK_TIME_IS_VALID(s.start)) {
    if (!WaitedTooLong(s.firstAudio, pts)) return GST_PAD_PROBE_DROP;
    GST_INFO_OBJECT(pad, "no picture after %" GST_TIME_FORMAT ": the sound records alone", GST_TIME_ARGS(kAlignWait));
    s.audioDone = true;
    return GST_PAD_PROBE_OK;
  }
  if (!s.haveInfo) {  // coded sound cannot be cut inside a buffer
    if (GST_BUFFER_DURATION_IS_VALID(buffer) && pts + GST_BUFFER_DURATION(buffer) <= s.start) return GST_PAD_PROBE_DROP;
    s.audioDone = true;
    return GST_PAD_PROBE_OK;
  }
  const int rate = GST_AUDIO_INFO_RATE(&s.info);
  const guint64 samples = gst_buffer_get_size(buffer) / guint(GST_AUDIO_INFO_BPF(&s.info));
  const GstClockTime start = s.start + gst_util_uint64_scale_int(s.leadSamples, GST_SECOND, rate);
  const SoundEdit edit = SoundEditFor(pts, samples, rate, start);
  if (edit.drop) return GST_PAD_PROBE_DROP;
  s.audioDone = true;
  if (edit.trimSamples == 0 && edit.padSamples == 0) return GST_PAD_PROBE_OK;
  GST_INFO_OBJECT(pad, "sound starts at %" GST_TIME_FORMAT " (the picture's %" GST_TIME_FORMAT "): %" G_GUINT64_FORMAT
                  " samples cut, %" G_GUINT64_FORMAT " of silence put before",
                  GST_TIME_ARGS(start), GST_TIME_ARGS(s.start), edit.trimSamples, edit.padSamples);
  GST_PAD_PROBE_INFO_DATA(info) = EditedSound(buffer, edit, s.info, start);
  return GST_PAD_PROBE_OK;
}

// Past the tap's queue, which drops the oldest sound when the writer is held
// up: what it dropped is filled too.
GstPadProbeReturn OnQueuedAudio(GstPad *, GstPadProbeInfo *info, gpointer data) {
  State &s = *static_cast<Holder *>(data)->state;
  GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  if (!GST_CLOCK_TIME_IS_VALID(GST_BUFFER_PTS(buffer))) return GST_PAD_PROBE_OK;
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.videoWatched) s.fillSound = true;  // sound alone follows the clock
  return KeepSoundStep(s, info, buffer);
}

}  // namespace

SoundEdit SoundEditFor(GstClockTime pts, guint64 samples, int rate, GstClockTime start) {
  SoundEdit edit;
  if (rate <= 0 || samples == 0) return edit;
  const guint64 end = pts + gst_util_uint64_scale_int(samples, GST_SECOND, rate);
  if (end <= start) {
    edit.drop = true;
  } else if (pts < start) {
    edit.trimSamples = std::min<guint64>(gst_util_uint64_scale_int_round(start - pts, rate, GST_SECOND), samples - 1);
  } else if (pts > start) {
    edit.padSamples = gst_util_uint64_scale_int_round(pts - start, rate, GST_SECOND);
  }
  return edit;
}

StartAligner::StartAligner() : state_(std::make_shared<State>()) { gst_audio_info_init(&state_->info); }

void StartAligner::WatchVideo(GstPad *pad) {
  if (!pad) return;
  {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->videoWatched = true;
  }
  gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &OnVideo, new Holder{state_}, &FreeHolder);
}

void StartAligner::WatchAudio(GstPad *pad, GstPad *queued) {
  if (!pad) return;
  {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->audioWatched = true;
  }
  gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM), &OnAudio,
                    new Holder{state_}, &FreeHolder);
  if (queued) gst_pad_add_probe(queued, GST_PAD_PROBE_TYPE_BUFFER, &OnQueuedAudio, new Holder{state_}, &FreeHolder);
}

void StartAligner::LeadSound(guint64 samples) {
  std::lock_guard<std::mutex> guard(state_->lock);
  state_->leadSamples = samples;
}

void StartAligner::FillSoundGaps() {
  std::lock_guard<std::mutex> guard(state_->lock);
  state_->fillSound = true;
}

std::vector<CaptureGap> StartAligner::TakeGaps(bool ended) {
  std::lock_guard<std::mutex> guard(state_->lock);
  std::vector<CaptureGap> out;
  for (State::Span &gap : state_->gaps) {
    if (gap.told || gap.missing < kToldGap || (!ended && std::max(state_->latestVideo, state_->latestSound) < gap.to + kToldGap)) continue;
    gap.told = true;
    const qint64 startMs =
        state_->baseRealUs / 1000 + (qint64(gap.from) - qint64(state_->basePts)) / qint64(GST_MSECOND);
    out.push_back(CaptureGap{startMs, qint64(gap.missing / GST_MSECOND), gap.filled});
  }
  return out;
}

GstClockTime StartAligner::Start() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->start;
}

}  // namespace vistrel::media
