// Any bytes repaired as an AVI, WAV, ASF or fragmented MP4 file, as a cut-off recording
// from anywhere (--repair) would be: no crash, no read or write outside the
// bytes (MemoryBytes refuses both), an index only ever appended where the
// last whole chunk ended, and a second repair that changes nothing.
#include "media/repair.h"
#include "media/repairfile.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace vistrel::media;

namespace {

using Repair = RepairResult (*)(RepairBytes &);

void Check(Repair repair, const std::vector<std::uint8_t> &input) {
  MemoryBytes once(input);
  const RepairResult first = repair(once);
  if (first.outcome != RepairOutcome::Repaired && once.Bytes() != input) std::abort();  // changed, said not
  if (first.outcome != RepairOutcome::Repaired) return;
  MemoryBytes twice(once.Bytes());
  const RepairResult second = repair(twice);
  if (second.outcome == RepairOutcome::Repaired || twice.Bytes() != once.Bytes()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::vector<std::uint8_t> input(data, data + size);
  Check(RepairAvi, input);
  Check(RepairWav, input);
  Check(RepairAsf, input);
  Check(RepairMp4, input);
  return 0;
}
