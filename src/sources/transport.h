#pragma once
// Control of a camcorder's tape transport (AV/C VCR commands on a real DV
// camcorder; the test DV camcorder implements the same interface).
#include <optional>

namespace vistrel::sources {

enum class TransportMode { Stop, Play, Pause, FastForward, Rewind, Shuttle, Record };

struct TimeCode {
  int hours = 0, minutes = 0, seconds = 0, frames = 0;
  friend bool operator==(const TimeCode &, const TimeCode &) = default;
};

// The two ends of trick play that the camcorder windows ask for; a device
// gives its own slowest or fastest speed for them.
inline constexpr double kSlowestSpeed = 0.1;
inline constexpr double kFastestSpeed = 20.0;

class ExternalTransport {
 public:
  virtual ~ExternalTransport() = default;

  // Each command returns false when the device refused it or is unreachable.
  virtual bool Play() = 0;
  virtual bool Pause() = 0;
  virtual bool Stop() = 0;
  virtual bool FastForward() = 0;  // wind
  virtual bool Rewind() = 0;
  // Trick play: speed in multiples of normal play, negative runs backwards,
  // 0 is a still. Devices clamp to the speeds they support.
  virtual bool Shuttle(double speed) = 0;

  virtual TransportMode Mode() const = 0;
  // Empty when the tape has no time code or it cannot be read.
  virtual std::optional<TimeCode> ReadTimeCode() const = 0;
};

}  // namespace vistrel::sources
