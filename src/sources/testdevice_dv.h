#pragma once
// The test DV camcorder's tape: a position that the transport commands move
// at their speeds, and the DV frames read at that position.
#include "sources/transport.h"

#include <QDateTime>

#include <cstdint>
#include <mutex>
#include <vector>

namespace vistrel::sources {

// Where the damaged tape (VISTREL_TEST_DV_DAMAGE=1) is damaged, in frames
// from the start of the tape.
struct TestTapeDamage {
  std::int64_t ConcealFirst = 40, ConcealFrames = 5;  // video blocks concealed
  int ConcealBlocks = 30, ConcealSequence = 2;
  std::int64_t AudioFirst = 60, AudioFrames = 3;  // a burst of audio error samples
  int AudioSamples = 200;
  std::int64_t TimecodeBreakAt = 80;  // the time code leaps forward here
  int TimecodeLeap = 50;
  std::int64_t RecStartAt = 100;  // a recording start point
};

class TestDvTape : public ExternalTransport {
 public:
  static constexpr TestTapeDamage kDamage{};

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
  // The damage of kDamage in the frames played from now on.
  void SetDamaged(bool damaged);
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
  bool damaged_ = false;
};

}  // namespace vistrel::sources
