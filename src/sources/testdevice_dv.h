#pragma once
// The test DV camcorder's tape: a position that the transport commands move
// at their speeds, and the DV frames read at that position.
#include "sources/transport.h"

#include <QDateTime>

#include <cstdint>
#include <mutex>
#include <vector>

namespace vistrel::sources {

class TestDvTape : public ExternalTransport {
 public:
  // Speeds in multiples of normal play.
  static constexpr double kWindSpeed = 10.0;
  static constexpr double kMaxShuttle = kFastestSpeed;
  static constexpr int kFramesPerScene = 250;  // a new recording every 10 s of tape

  bool Play() override;
  bool Pause() override;
  bool Stop() override;
  bool FastForward() override;
  bool Rewind() override;
  bool Shuttle(double speed) override;
  TransportMode Mode() const override;
  // Multiples of normal play the tape moves by (negative: backwards).
  double Speed() const;
  std::optional<TimeCode> ReadTimeCode() const override;

  // 16:9 flag written in the frames' source-control packs.
  void SetWide(bool wide);
  // The tape position in frames (a winding tape moves in fractions).
  double Position() const;
  void SetPosition(double frames);

  // The next frame the camcorder sends, and the tape moving on by the
  // current speed: bars while the tape runs or stands in pause, blue frames
  // without time code or date when stopped. Streaming thread.
  std::vector<std::uint8_t> NextFrame();

  static TimeCode TimeCodeAt(std::int64_t frame);
  static QDateTime RecordingDateAt(std::int64_t frame);

 private:
  bool SetMode(TransportMode mode, double speed);
  mutable std::mutex mutex_;
  TransportMode mode_ = TransportMode::Play;  // a camcorder in VCR mode starts playing here
  double speed_ = 1.0;
  double position_ = 0.0;
  bool wide_ = false;
};

}  // namespace vistrel::sources
