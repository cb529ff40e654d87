#include "filters/vs_dvhealth.h"

#include "filters/mediacaps.h"

namespace vistrel::filters {

void DvHealthLog::Add(std::uint32_t frame, const DvFrameReport &report) {
  Frames = frame + 1;
  if (System == 2) System = report.Health.System;
  if (report.Damaged()) ++DamagedFrames;
  if (report.EventCount == 0) return;
  if (Listed.size() >= kMaxListed) {
    Truncated = true;
    return;
  }
  Listed.push_back(DvLoggedFrame{frame, report});
}

media::CapsRef Tvs_DvHealth::AcceptedCaps() const { return DvCaps(); }

media::HRESULT Tvs_DvHealth::CheckInputType(const GstCaps *caps) {
  return IsDvCaps(caps) ? media::S_OK : media::VFW_E_TYPE_NOT_ACCEPTED;
}

void Tvs_DvHealth::SetOnFrame(FrameCallback callback) {
  auto p = callback ? std::make_shared<const FrameCallback>(std::move(callback)) : nullptr;
  std::lock_guard lock(mutex_);
  onFrame_ = std::move(p);
}

media::HRESULT Tvs_DvHealth::Transform(media::SampleView &sample) {
  media::MappedBuffer map(sample.buffer(), GST_MAP_READ);
  if (map.ok()) ProcessFrame(map.data(), map.size());
  return media::S_OK;
}

void Tvs_DvHealth::ProcessFrame(const std::uint8_t *frame, std::size_t size) {
  std::shared_ptr<const FrameCallback> callback;
  std::uint32_t number = 0;
  DvFrameReport report;
  {
    std::lock_guard lock(mutex_);
    if (fresh_) {
      tracker_.Reset();
      log_ = DvHealthLog{};
      log_.Listed.reserve(1024);
      next_ = 0;
      fresh_ = false;
    }
    report = tracker_.Check(frame, size);
    number = next_++;
    log_.Add(number, report);
    callback = onFrame_;
  }
  if (callback) (*callback)(number, report);
}

media::HRESULT Tvs_DvHealth::Stop() {
  std::lock_guard lock(mutex_);
  fresh_ = true;
  return media::S_OK;
}

DvHealthLog Tvs_DvHealth::TakeLog() {
  std::lock_guard lock(mutex_);
  DvHealthLog taken = std::move(log_);
  log_ = DvHealthLog{};
  return taken;
}

}  // namespace vistrel::filters
