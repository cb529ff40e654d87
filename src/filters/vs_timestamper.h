#pragma once
// Pass-through filter that passes samples, strips their times, or drops them
// all (freeze).
#include "media/ownfilter.h"

#include <atomic>

namespace vistrel::filters {

class Tvs_TimeStamper : public media::OwnFilter {
 public:
  const char *ObjectName() const override { return "Brenvik vs_Timestamper"; }
  bool InPlace() const override { return true; }
  media::HRESULT CheckInputType(const GstCaps *) override { return media::S_OK; }
  media::HRESULT Transform(media::SampleView &sample) override;

  void SetFrozen(bool value) { Frozen = value; }
  void ClearTimes() { StripTimes = true; }
  void PassTimes() { StripTimes = false; }
  bool IsFrozen() const { return Frozen; }
  bool StripsTimes() const { return StripTimes; }

 private:
  std::atomic<bool> Frozen{false};
  std::atomic<bool> StripTimes{false};
};

}  // namespace vistrel::filters
