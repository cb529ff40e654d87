#include "filters/vs_timestamper.h"

namespace vistrel::filters {

media::HRESULT Tvs_TimeStamper::Transform(media::SampleView &sample) {
  if (Frozen) return media::S_FALSE;
  if (StripTimes) {
    sample.ClearTime();
    sample.ClearMediaTime();
  }
  return media::S_OK;
}

}  // namespace vistrel::filters
