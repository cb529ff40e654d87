// The tape-health checks on arbitrary bytes and on damaged DV frames.
#include <cstdint>
#include <vector>

#include "filters/dvhealth.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace vistrel::filters;
  std::vector<std::uint8_t> frame(data, data + size);
  // A short input becomes a plausible frame: DIF block IDs in their places
  // (so the checks get past the layout) with the input spread over the rest.
  if (size > 0 && size < 256 && data[0] & 1) {
    const bool pal = data[0] & 2;
    frame.assign((pal ? 12 : 10) * kDifSequenceSize + (data[0] & 4 ? 0 : size), 0xFF);
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = data[i % size];
    for (std::size_t seq = 0; seq * kDifSequenceSize + kDifSequenceSize <= frame.size(); ++seq) {
      for (int b = 0; b < kDifBlocksPerSequence; ++b) {
        std::uint8_t *block = frame.data() + seq * kDifSequenceSize + b * kDifBlockSize;
        const int a = (b - 6) / 16, v = (b - 6) % 16;
        const std::uint8_t sct = b == 0 ? 0 : b < 3 ? 1 : b < 6 ? 2 : v == 0 ? 3 : 4;
        block[0] = static_cast<std::uint8_t>(sct << 5 | (block[0] & 0x1F));
        block[1] = static_cast<std::uint8_t>(seq << 4 | (block[1] & 0x0F));
        block[2] = static_cast<std::uint8_t>(b == 0 ? 0 : b < 3 ? b - 1 : b < 6 ? b - 3 : v == 0 ? a : a * 15 + v - 1);
      }
      if (seq == 0) frame[3] = pal ? 0xBF : 0x3F;
    }
  }
  DvHealthTracker tracker;
  for (int i = 0; i < 3; ++i) {
    const DvFrameReport r = tracker.Check(frame.data(), frame.size());
    if (r.EventCount > kDvEventKinds) __builtin_trap();
    for (int e = 0; e < r.EventCount; ++e) EventInfo(r.Events[e].Kind);
    if (!frame.empty()) frame[frame.size() / 2] ^= static_cast<std::uint8_t>(i + 1);
  }
  return 0;
}
