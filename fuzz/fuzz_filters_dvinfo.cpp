// DV metadata decoding and the header filter on arbitrary bytes.
#include "filters/dvcodes.h"
#include "filters/vs_dvheader.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace vistrel::filters;
  // Short inputs are repeated to reach DV frame sizes now and then.
  std::vector<std::uint8_t> frame(data, data + size);
  if (size > 0 && size < 64 && data[0] & 1) {
    frame.resize(size % 2 ? kMinDvFrameSize : kMinDvFrameSize + 24000);
    for (std::size_t i = size; i < frame.size(); ++i) frame[i] = data[i % size];
  }
  DVInfo info;
  BuildDVInfo(frame.data(), frame.size(), info);
  for (int i = -1; i <= 11; ++i) {
    DecodeTimecode(frame.data(), frame.size(), i);
    DecodeRecDate(frame.data(), frame.size(), i);
    ForceWide(frame.data(), frame.size(), i);
  }
  Tvs_DVheader dh;
  dh.SetMode(1);
  dh.ProcessFrame(frame.data(), frame.size());
  return 0;
}
