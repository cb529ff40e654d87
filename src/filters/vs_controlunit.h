#pragma once
// A gate for single frames: each opening lets exactly one sample through.
#include "media/ownfilter.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace vistrel::filters {

class Tvs_ControlFilter : public media::OwnFilter {
 public:
  const char *ObjectName() const override { return "Brenvik vs_ControlFilter"; }
  bool InPlace() const override { return true; }
  media::HRESULT CheckInputType(const GstCaps *) override { return media::S_OK; }
  media::HRESULT Transform(media::SampleView &sample) override;
  media::HRESULT Stop() override;

  void SetStampMediaTime(bool on) { stampMediaTime_ = on; }
  void SetOnStop(std::function<void()> handler);

  // Set directly by their users.
  std::atomic<bool> Gate{true};
  std::atomic<std::int64_t> MediaStep{1};
  std::atomic<bool> MarkSyncPoint{false};
  std::atomic<bool> MarkDiscontinuity{false};

  // Media-time start of the next passed sample; counts across runs.
  std::int64_t MediaCounter() const { return mediaCounter_; }

 private:
  std::atomic<bool> stampMediaTime_{false};
  std::atomic<std::int64_t> mediaCounter_{0};
  std::mutex stopMutex_;
  std::function<void()> onStop_;
};

}  // namespace vistrel::filters
