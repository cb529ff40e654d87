#pragma once
// Checks every DV frame going by for tape damage, without copying or holding
// it: the frame's results go to a callback (the window's live view, which
// queues its copy to the UI thread) and the damaged and notable frames of the
// run into a log taken when the recording ends. A run starts with the first
// frame after the graph stopped, so frame numbers count from the file's start.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "filters/dvhealth.h"
#include "media/ownfilter.h"

namespace vistrel::filters {

struct DvLoggedFrame {
  std::uint32_t Frame = 0;  // from the start of the run
  DvFrameReport Report;
};

struct DvHealthLog {
  static constexpr std::size_t kMaxListed = 200000;  // about 36 MB
  std::uint32_t Frames = 0;
  std::uint32_t DamagedFrames = 0;
  std::uint8_t System = 2;
  std::vector<DvLoggedFrame> Listed;  // frames with events, in order
  bool Truncated = false;             // more frames had events than are listed
  void Add(std::uint32_t frame, const DvFrameReport &report);
};

class Tvs_DvHealth : public media::OwnFilter {
 public:
  using FrameCallback = std::function<void(std::uint32_t frame, const DvFrameReport &report)>;

  const char *ObjectName() const override { return "Vistrel DV tape health"; }
  bool InPlace() const override { return true; }
  media::CapsRef AcceptedCaps() const override;
  media::HRESULT CheckInputType(const GstCaps *caps) override;
  media::HRESULT Transform(media::SampleView &sample) override;
  media::HRESULT Stop() override;

  void SetOnFrame(FrameCallback callback);
  // The run's log so far; the filter's own is emptied. Safe from any thread.
  DvHealthLog TakeLog();
  // The checks of one mapped frame, as Transform does them.
  void ProcessFrame(const std::uint8_t *frame, std::size_t size);

 private:
  std::mutex mutex_;  // log, callback, run state
  DvHealthTracker tracker_;
  DvHealthLog log_;
  bool fresh_ = true;
  std::uint32_t next_ = 0;
  std::shared_ptr<const FrameCallback> onFrame_;
};

}  // namespace vistrel::filters
