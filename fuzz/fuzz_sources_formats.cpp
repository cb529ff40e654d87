// Capture-pad caps as a device or plug-in may report them, through the
// media-type list and the stream descriptions: nothing may crash, the list
// never exceeds its bound, and a described stream always has a usable rate.
#include "sources/capturedevice.h"
#include "sources/mediatypes.h"
#include "sources/pinsearch.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const bool ready = [] {
    gst_init(nullptr, nullptr);
    return true;
  }();
  (void)ready;
  const std::string text(reinterpret_cast<const char *>(data), size);
  using vistrel::media::CapsRef;
  namespace s = vistrel::sources;
  CapsRef caps = CapsRef::Adopt(gst_caps_from_string(text.c_str()));
  if (!caps) return 0;
  auto entries = s::SplitFormats(caps.get(), s::kMaxMediaTypes);
  if (entries.size() > size_t(s::kMaxMediaTypes)) std::abort();
  for (const auto &e : entries) {
    (void)s::DescribeMediaType(e.get());
    for (bool normal : {true, false}) {
      const s::VideoStreamDescription d = s::DescribeVideoStream(e.get(), normal);
      if (d.FrameDuration < 1000 || !(d.SourceFps > 0) || !std::isfinite(d.SourceFps)) std::abort();
    }
    (void)s::DescribeAudioStream(e.get());
  }
  (void)s::MajorOfCaps(caps.get());
  return 0;
}
