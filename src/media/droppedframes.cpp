#include "media/droppedframes.h"

#include <algorithm>

namespace vistrel::media {

namespace {
// More missing numbers than this between two frames is a renumbering (a
// restarted source), not frames lost.
constexpr std::uint64_t kMaxGap = 100000;

struct ProbeData {
  std::shared_ptr<DroppedFrames::Counts> counts;
  std::atomic<std::int64_t> DroppedFrames::Counts::*counter;
  bool arrival;
};
}  // namespace

void DroppedFrames::NoteArrival(Counts &counts, GstBuffer *buffer) {
  ++counts.in;
  const std::uint64_t offset = GST_BUFFER_OFFSET(buffer), end = GST_BUFFER_OFFSET_END(buffer);
  // Only a stream that numbers its frames one by one says what is missing.
  if (offset == GST_BUFFER_OFFSET_NONE || end != offset + 1) {
    counts.nextOffset = GST_BUFFER_OFFSET_NONE;
    return;
  }
  const std::uint64_t expected = counts.nextOffset.exchange(end);
  if (expected != GST_BUFFER_OFFSET_NONE && offset > expected && offset - expected <= kMaxGap)
    counts.gaps += std::int64_t(offset - expected);
}

void DroppedFrames::Probe(GstPad *pad, std::atomic<std::int64_t> Counts::*counter, bool arrival) {
  if (!pad) return;
  const gulong id = gst_pad_add_probe(
      pad, GST_PAD_PROBE_TYPE_BUFFER,
      [](GstPad *, GstPadProbeInfo *info, gpointer data) {
        auto *d = static_cast<ProbeData *>(data);
        if (d->arrival)
          NoteArrival(*d->counts, GST_PAD_PROBE_INFO_BUFFER(info));
        else
          ++((*d->counts).*(d->counter));
        return GST_PAD_PROBE_OK;
      },
      new ProbeData{counts_, counter, arrival}, [](gpointer data) { delete static_cast<ProbeData *>(data); });
  if (id) watches_.push_back({PadRef::Borrow(pad), id});
}

void DroppedFrames::WatchQueue(GstElement *queue) {
  if (!queue) return;
  queue_ = ElementRef::Borrow(queue);
  PadRef sink = PadRef::Adopt(gst_element_get_static_pad(queue, "sink"));
  PadRef src = PadRef::Adopt(gst_element_get_static_pad(queue, "src"));
  Probe(sink.get(), &Counts::in, true);
  Probe(src.get(), &Counts::out, false);
}

void DroppedFrames::WatchOutput(GstPad *pad) { Probe(pad, &Counts::written, false); }

DroppedFrames::~DroppedFrames() {
  for (Watch &w : watches_) gst_pad_remove_probe(w.pad.get(), w.id);
}

int DroppedFrames::Dropped() const {
  std::int64_t lost = counts_->gaps;
  if (queue_) {
    guint level = 0;
    g_object_get(queue_.get(), "current-level-buffers", &level, nullptr);
    // What went in and neither came out nor waits in the queue was thrown away.
    lost += std::max<std::int64_t>(0, counts_->in - counts_->out - std::int64_t(level));
  }
  return int(std::min<std::int64_t>(lost, INT32_MAX));
}

int DroppedFrames::NotDropped() const { return int(std::min<std::int64_t>(counts_->written, INT32_MAX)); }

}  // namespace vistrel::media
