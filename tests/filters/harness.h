#pragma once
// A GstHarness around one own filter, with small helpers to push and pull.
#include "media/ownfilter.h"

#include <gst/check/gstharness.h>

#include <cstdint>
#include <vector>

namespace vistrel::test {

class FilterHarness {
 public:
  FilterHarness(media::OwnFilter *filter, const char *capsIn, const char *capsOut = nullptr) {
    element_ = media::MakeOwnFilterElement(filter);
    h_ = gst_harness_new_with_element(element_.get(), "sink", "src");
    gst_harness_set_src_caps_str(h_, capsIn);
    if (capsOut) gst_harness_set_sink_caps_str(h_, capsOut);
  }
  ~FilterHarness() { gst_harness_teardown(h_); }
  FilterHarness(const FilterHarness &) = delete;
  FilterHarness &operator=(const FilterHarness &) = delete;

  // Pushes data with start time t (100 ns units, -1 none) and media times.
  GstFlowReturn Push(const std::vector<std::uint8_t> &data, std::int64_t t = -1, std::int64_t mediaStart = -1) {
    GstBuffer *b = gst_buffer_new_memdup(data.data(), data.size());
    if (t >= 0) {
      GST_BUFFER_PTS(b) = static_cast<GstClockTime>(t) * 100;
      GST_BUFFER_DURATION(b) = 400000 * 100;
    }
    if (mediaStart >= 0) {
      GST_BUFFER_OFFSET(b) = static_cast<guint64>(mediaStart);
      GST_BUFFER_OFFSET_END(b) = static_cast<guint64>(mediaStart + 1);
    }
    return gst_harness_push(h_, b);
  }
  GstFlowReturn PushBuffer(GstBuffer *b) { return gst_harness_push(h_, b); }
  // The next output buffer or nullptr (caller unrefs).
  GstBuffer *Pull() { return gst_harness_try_pull(h_); }
  std::vector<std::uint8_t> PullData() {
    std::vector<std::uint8_t> out;
    if (GstBuffer *b = Pull()) {
      out.resize(gst_buffer_get_size(b));
      gst_buffer_extract(b, 0, out.data(), out.size());
      gst_buffer_unref(b);
    }
    return out;
  }
  guint Received() const { return gst_harness_buffers_received(h_); }
  void Stop() { gst_element_set_state(element_.get(), GST_STATE_NULL); }
  void Restart() {
    gst_element_set_state(element_.get(), GST_STATE_NULL);
    gst_harness_play(h_);
  }
  GstHarness *get() const { return h_; }
  GstElement *element() const { return element_.get(); }

 private:
  media::ElementRef element_;
  GstHarness *h_ = nullptr;
};

}  // namespace vistrel::test
