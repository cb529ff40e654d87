#pragma once
// Decodes the metadata of every DV frame, numbers the frames, keeps the last
// 100 frames' metadata and header areas for the superposer and the DV header
// filter, reports 16:9 changes and scene boundaries.
#include "filters/dvcodes.h"
#include "media/ownfilter.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace vistrel::filters {

class FilterEvents;

struct DVRingEntry {
  DVInfo Info;
  std::array<std::uint8_t, kHeaderAreaSize * kSequencesExamined> Headers{};
  std::int64_t StartTime = 0;  // 100 ns
};

class Tvs_SceneDetect : public media::OwnFilter {
 public:
  static constexpr int kRingSize = 100;
  using SceneCallback = std::function<void(const DVInfo &sceneStart, const DVInfo &current)>;

  Tvs_SceneDetect();

  const char *ObjectName() const override { return "Brenvik vs_SceneDetect"; }
  bool InPlace() const override { return true; }
  media::CapsRef AcceptedCaps() const override;
  media::HRESULT CheckInputType(const GstCaps *caps) override;
  media::HRESULT Transform(media::SampleView &sample) override;
  media::HRESULT Stop() override;

  void SetOnScene(SceneCallback callback);
  void SetEvents(FilterEvents *events) { events_ = events; }

  // The metadata of the frame being (or last) processed.
  DVInfo Current() const;
  int WriteIndex() const;
  int SearchIndex() const { return searchIndex_; }
  // Steps back from the newest entry to the first one not later than
  // startTime (at most 100 entries), remembers it as the search index and
  // returns its metadata.
  DVInfo LookupByTime(std::int64_t startTime);
  // Copies the header area of sequence seq from the entry at the search index.
  void CopySearchedHeader(int seq, std::uint8_t *dest) const;
  DVRingEntry Entry(int index) const;

  double DateJump = 2.0 / 86400.0;
  int GapFrames = 12;

 private:
  void Report(const DVInfo &start, const DVInfo &current);
  void ResetRun();

  mutable std::mutex mutex_;  // ring and current record
  DVInfo current_;
  DVInfo sceneStart_;
  bool firstFrame_ = true;
  double lastDate_ = 0;
  bool dateSeen_ = false;
  std::array<DVRingEntry, kRingSize> ring_{};
  int writeIndex_ = 0;
  std::atomic<int> searchIndex_{0};
  std::shared_ptr<const SceneCallback> onScene_;
  std::atomic<FilterEvents *> events_{nullptr};
};

}  // namespace vistrel::filters
