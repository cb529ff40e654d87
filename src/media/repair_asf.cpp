#include "media/repair.h"
#include "media/repairfile.h"

namespace vistrel::media {

RepairResult RepairAsf(RepairBytes &) {
  RepairResult r;
  r.detail = "ASF repair is not available";
  return r;
}

}  // namespace vistrel::media
