#pragma once
// The intervalometer's value and unit turned into the superposer's interval,
// in tenths of a millisecond of stream time.
#include <QString>

#include <cstdint>
#include <variant>

namespace vistrel {

// Unit indices of the unit box.
enum IntervalUnit { kSeconds = 0, kFrames = 1, kMinutes = 2, kHours = 3 };

// The superposer counts its interval in 32 bits; anything from here on is refused.
inline constexpr std::int64_t kIntervalLimit = std::int64_t(1) << 32;

// Tenths of a millisecond per unit; for frames round(10000 / fps), 0 when the
// frame rate is unknown.
std::int64_t IntervalFactor(int unit, double fps);

// The interval for `value` units, or the message that says why it cannot be used
// (frames with no known frame rate, an interval of 2^32 tenths of a millisecond or more).
std::variant<std::int64_t, QString> IntervalFor(int value, int unit, double fps);

// The sound before a shot, by whole seconds left: the last four seconds one
// sound, the moment of the shot another.
enum class Beep { None, Beep0, Beep1 };
Beep BeepFor(int secondsLeft);

}  // namespace vistrel
