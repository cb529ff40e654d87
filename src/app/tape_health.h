#pragma once
// The tape health of the DV capture under way, for the camcorder window and
// the status bar: counts, the last minute frame by frame, and where the
// damage was. Fed on the UI thread with copies of the checker's results;
// starts over with each run of the graph (a capture, each part of a cut).
#include <QObject>
#include <cstdint>
#include <optional>
#include <vector>

#include "filters/dvhealth.h"

namespace vistrel::filters {
class Tvs_DvHealth;
}

namespace vistrel::app {

enum class StripCell : std::uint8_t { None, Clean, Concealed, Lost };

struct DamagedFrame {
  std::uint32_t Frame = 0;
  filters::DvTimecode Timecode;
};

class TapeHealth : public QObject {
  Q_OBJECT
 public:
  static constexpr int kStripCapacity = 1800;  // a minute of 525/60

  explicit TapeHealth(QObject *parent = nullptr);
  ~TapeHealth() override;

  // Frames checked by checker reach this object through queued calls; nullptr detaches.
  void Attach(filters::Tvs_DvHealth *checker);
  void AddFrame(std::uint32_t frame, const filters::DvFrameReport &report);
  void Reset();

  std::uint32_t Frames() const { return frames_; }
  std::uint32_t DamagedFrames() const { return damaged_; }
  std::uint32_t LostFrames() const { return lost_; }
  std::uint32_t FramesWithEvents() const { return withEvents_; }
  std::optional<DamagedFrame> FirstDamaged() const { return first_; }
  std::optional<DamagedFrame> LastDamaged() const { return last_; }
  // The last minute in buckets cells, oldest first, each the worst of its
  // frames; None where the capture has not run that long yet.
  std::vector<StripCell> Strip(int buckets) const;

 signals:
  void changed();

 private:
  filters::Tvs_DvHealth *checker_ = nullptr;
  std::uint32_t frames_ = 0, damaged_ = 0, lost_ = 0, withEvents_ = 0;
  int framesPerMinute_ = 1500;
  std::optional<DamagedFrame> first_, last_;
  std::vector<StripCell> ring_;  // kStripCapacity, written at frames_ % capacity
};

}  // namespace vistrel::app
