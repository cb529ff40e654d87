// Repair of a WAV file whose header still says what it said before the
// first sample: the data chunk's size and the RIFF size are set from what is
// on disk, whole sample frames only. A data size that already fits is kept
// (chunks may follow it), so a finished file is left as it is.
#include "media/repair.h"
#include "media/repairfile.h"

#include <algorithm>

namespace vistrel::media {

RepairResult RepairWav(RepairBytes &f) {
  RepairResult r;
  if (f.Tag(0) != "RIFF" || f.Tag(8) != "WAVE") {
    r.detail = "not a WAV file";
    return r;
  }
  std::uint32_t blockAlign = 0, avgBytes = 0;
  // The chunks before "data" are small and whole: they were written first.
  for (std::uint64_t at = 12; at + 8 <= f.Size();) {
    const std::string id = f.Tag(at);
    const std::uint32_t size = f.U32At(at + 4);
    const std::uint64_t dataAt = at + 8;
    if (id == "fmt " && size >= 16 && dataAt + 16 <= f.Size()) {
      avgBytes = f.U32At(dataAt + 8);
      blockAlign = f.U16At(dataAt + 12);
    } else if (id == "data") {
      const std::uint64_t onDisk = f.Size() - dataAt;
      std::uint64_t length = size;
      if (length == 0 || length > onDisk) {
        length = std::min<std::uint64_t>(onDisk, 0xFFFFFFFFu - dataAt);
        if (blockAlign) length -= length % blockAlign;
      }
      const std::uint64_t end = dataAt + length + (length & 1);
      // A RIFF size is only ever raised to cover the data, never cut.
      const std::uint64_t riff = std::min<std::uint64_t>(std::max<std::uint64_t>(f.U32At(4), end - 8), 0xFFFFFFFFu);
      const bool changed = length != size || riff != f.U32At(4);
      if (changed && (!f.Put32(at + 4, std::uint32_t(length)) || !f.Put32(4, std::uint32_t(riff)) || !f.Sync())) {
        r.detail = "the header could not be written";
        return r;
      }
      r.outcome = changed ? RepairOutcome::Repaired : RepairOutcome::Whole;
      r.seconds = avgBytes ? double(length) / avgBytes : -1;
      r.detail = std::to_string(length) + " bytes of sound";
      return r;
    } else if (id.empty() || dataAt + size > f.Size()) {
      break;
    }
    at = dataAt + size + (size & 1);
  }
  r.detail = "no data chunk";
  return r;
}

}  // namespace vistrel::media
