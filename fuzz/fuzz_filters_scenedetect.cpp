// The scene detector fed with arbitrary frames, as an element.
#include "filters/vs_scenedetect.h"
#include "media/ownfilter.h"

#include <gst/check/gstharness.h>

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace vistrel;
  static bool init = [] {
    gst_init(nullptr, nullptr);
    return true;
  }();
  (void)init;
  filters::Tvs_SceneDetect sd;
  int reports = 0;
  sd.SetOnScene([&](const filters::DVInfo &, const filters::DVInfo &) { ++reports; });
  media::ElementRef e = media::MakeOwnFilterElement(&sd);
  GstHarness *h = gst_harness_new_with_element(e.get(), "sink", "src");
  gst_harness_set_src_caps_str(h, "video/x-dv, systemstream=(boolean)false");
  // The input is cut into frames at a length given by its first byte.
  std::size_t chunk = size ? (static_cast<std::size_t>(data[0]) + 1) * 600 : 0;
  std::vector<std::uint8_t> frame;
  for (std::size_t at = 0; at < size; at += chunk) {
    const std::size_t n = std::min(chunk, size - at);
    frame.assign(data + at, data + at + n);
    if (data[0] & 1) frame.resize(filters::kMinDvFrameSize + 24000, data[at]);
    gst_buffer_unref(gst_harness_push_and_pull(h, gst_buffer_new_memdup(frame.data(), frame.size())));
    sd.LookupByTime(static_cast<std::int64_t>(at));
  }
  gst_harness_teardown(h);
  return 0;
}
