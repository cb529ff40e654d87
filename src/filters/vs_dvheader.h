#pragma once
// Writes metadata back into DV frames on their way to the file: the source
// header areas from the scene detector's ring, and optionally the 16:9 flag.
#include "media/ownfilter.h"

#include <atomic>
#include <cstdint>

namespace vistrel::filters {

class Tvs_SceneDetect;

class Tvs_DVheader : public media::OwnFilter {
 public:
  const char *ObjectName() const override { return "Brenvik vs_DVHeader"; }
  bool InPlace() const override { return true; }
  bool ModifiesData() const override { return true; }
  media::CapsRef AcceptedCaps() const override;
  media::HRESULT CheckInputType(const GstCaps *caps) override;
  media::HRESULT Transform(media::SampleView &sample) override;

  // 1 forces the 16:9 flag on every frame; any other value forces nothing.
  void SetMode(std::uint8_t value) { mode_ = value; }
  std::uint8_t Mode() const { return mode_; }
  std::atomic<Tvs_SceneDetect *> DVSource{nullptr};

  // The per-frame work on a mapped frame, usable without an element.
  void ProcessFrame(std::uint8_t *frame, std::size_t size);

 private:
  std::atomic<std::uint8_t> mode_{0};
};

}  // namespace vistrel::filters
