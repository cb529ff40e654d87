#include "media/buffercounter.h"

namespace vistrel::media {

namespace {
using SharedCount = std::shared_ptr<std::atomic<std::uint64_t>>;

GstPadProbeReturn OnBuffer(GstPad *, GstPadProbeInfo *info, gpointer data) {
  auto &count = *static_cast<SharedCount *>(data);
  if (info->type & GST_PAD_PROBE_TYPE_BUFFER_LIST)
    count->fetch_add(gst_buffer_list_length(GST_PAD_PROBE_INFO_BUFFER_LIST(info)), std::memory_order_relaxed);
  else
    count->fetch_add(1, std::memory_order_relaxed);
  return GST_PAD_PROBE_OK;
}
}  // namespace

BufferCounter::~BufferCounter() { Unwatch(); }

void BufferCounter::Watch(GstPad *pad) {
  Unwatch();
  if (!pad) return;
  pad_ = PadRef::Borrow(pad);
  probe_ = gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST), OnBuffer,
                             new SharedCount(count_), [](gpointer data) { delete static_cast<SharedCount *>(data); });
}

void BufferCounter::Unwatch() {
  if (pad_ && probe_) gst_pad_remove_probe(pad_.get(), probe_);
  pad_.reset();
  probe_ = 0;
}

}  // namespace vistrel::media
