#pragma once
// The tape health of the DV capture under way, for the camcorder window:
// counts, the last minute frame by frame, and where the damage was. Fed on
// the UI thread with copies of the checker's results. Outside a capture it
// follows the tape, starting over with each run of the graph; from Capture()
// it adds up every run (the parts of a cut) and after Hold() it keeps the
// capture's figures while the preview goes on.
#include <QObject>
#include <cstdint>
#include <optional>
#include <vector>

#include "filters/dvhealth.h"

class QTimer;

namespace vistrel::filters {
class Tvs_DvHealth;
}
namespace vistrel::sources {
class ExternalTransport;
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
  void Capture();
  void Hold();
  bool Capturing() const { return mode_ == Mode::Capturing; }

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
  enum class Mode { Following, Capturing, Holding };
  Mode mode_ = Mode::Following;
  bool waitingForRun_ = false;  // frames of the run before Capture() still queued
  filters::Tvs_DvHealth *checker_ = nullptr;
  std::uint32_t frames_ = 0, damaged_ = 0, lost_ = 0, withEvents_ = 0;
  int framesPerMinute_ = 1500;
  std::optional<DamagedFrame> first_, last_;
  std::vector<StripCell> ring_;  // kStripCapacity, written at frames_ % capacity
};

// Winds the tape back to a few seconds before a time code: rewinds, watches
// the transport's time code, pauses once there.
class TapeRewinder : public QObject {
  Q_OBJECT
 public:
  static constexpr int kLeadSeconds = 3;
  explicit TapeRewinder(QObject *parent = nullptr);
  // False when the transport refused to rewind.
  bool Start(sources::ExternalTransport *transport, const filters::DvTimecode &damaged);
  void Cancel();
  bool Running() const;

 signals:
  void arrived();

 private:
  void Poll();
  sources::ExternalTransport *transport_ = nullptr;
  long long target_ = 0;  // seconds from midnight
  QTimer *timer_;
};

}  // namespace vistrel::app
