// Any bytes read as an AVI file: the reader must neither crash nor believe a
// size field that points past the data, and what it reports must fit in the
// bytes it was given.
#include "media/aviheader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const vistrel::media::AviFile avi = vistrel::media::ReadAviBytes(data, size);
  if (avi.valid && avi.forms.empty()) std::abort();
  // Every data chunk and index entry takes at least 8 bytes of the input.
  if (avi.TotalChunks() * 8 > size) std::abort();
  if (std::uint64_t(avi.idx1Entries) * 16 > size) std::abort();
  for (const auto &s : avi.streams)
    if (s.format.size() > size || std::uint64_t(s.superIndexEntries) * 16 > size) std::abort();
  for (const auto &form : avi.forms)
    if (form.offset + 12 > size) std::abort();
  return 0;
}
