#include "media/padtime.h"

#include "media/gstref.h"

namespace vistrel::media {

GstClockTime PositionNow(GstPad *pad, const GstSegment &segment) {
  GstElement *element = GST_PAD_PARENT(pad) ? GST_ELEMENT(GST_PAD_PARENT(pad)) : nullptr;
  if (!element) return GST_CLOCK_TIME_NONE;
  // A live source's first buffer can come while the sink prerolls, before
  // the base time is given out: no running time exists yet.
  GST_OBJECT_LOCK(element);
  const bool playing = GST_STATE(element) == GST_STATE_PLAYING;
  GST_OBJECT_UNLOCK(element);
  if (!playing) return GST_CLOCK_TIME_NONE;
  // The pipeline's own clock and base time: the running time every element
  // downstream counts in, whatever the source element was handed.
  GstElement *top = element;
  while (GST_OBJECT_PARENT(top) && GST_IS_ELEMENT(GST_OBJECT_PARENT(top))) top = GST_ELEMENT(GST_OBJECT_PARENT(top));
  const ClockRef clock = ClockRef::Adopt(gst_element_get_clock(top));
  if (!clock) return GST_CLOCK_TIME_NONE;
  const GstClockTime absolute = gst_clock_get_time(clock.get());
  const GstClockTime base = gst_element_get_base_time(top);
  if (absolute < base) return GST_CLOCK_TIME_NONE;
  return gst_segment_position_from_running_time(&segment, GST_FORMAT_TIME, absolute - base);
}

bool KeepSegment(GstEvent *event, GstSegment &kept) {
  if (GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT) return false;
  const GstSegment *segment = nullptr;
  gst_event_parse_segment(event, &segment);
  if (segment && segment->format == GST_FORMAT_TIME) gst_segment_copy_into(segment, &kept);
  return true;
}

GstBuffer *WritableBuffer(GstPadProbeInfo *info) {
  GstBuffer *buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
  GST_PAD_PROBE_INFO_DATA(info) = buffer;
  return buffer;
}

bool KeepSoundFormat(GstEvent *event, GstAudioInfo &info, bool &have) {
  if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) return false;
  GstCaps *caps = nullptr;
  gst_event_parse_caps(event, &caps);
  have =
      caps && gst_audio_info_from_caps(&info, caps) && GST_AUDIO_INFO_BPF(&info) > 0 && GST_AUDIO_INFO_RATE(&info) > 0;
  return true;
}

}  // namespace vistrel::media
