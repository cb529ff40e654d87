#include "filters/vs_controlunit.h"

namespace vistrel::filters {

media::HRESULT Tvs_ControlFilter::Transform(media::SampleView &sample) {
  // exchange: an opening is consumed by exactly one sample.
  if (!Gate.exchange(false)) return media::S_FALSE;
  if (stampMediaTime_) {
    const std::int64_t step = MediaStep;
    const std::int64_t start = mediaCounter_.fetch_add(step);
    sample.SetMediaTime(start, start + step);
  }
  if (MarkSyncPoint) sample.SetSyncPoint(true);
  if (MarkDiscontinuity) sample.SetDiscontinuity(true);
  return media::S_OK;
}

media::HRESULT Tvs_ControlFilter::Stop() {
  Gate = true;
  std::function<void()> handler;
  {
    std::lock_guard<std::mutex> lock(stopMutex_);
    handler = onStop_;
  }
  if (handler) handler();
  return media::S_OK;
}

void Tvs_ControlFilter::SetOnStop(std::function<void()> handler) {
  std::lock_guard<std::mutex> lock(stopMutex_);
  onStop_ = std::move(handler);
}

}  // namespace vistrel::filters
