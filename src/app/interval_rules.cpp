#include "app/interval_rules.h"

#include <cmath>

#include "app/status_texts.h"

namespace vistrel {

std::int64_t IntervalFactor(int unit, double fps) {
  switch (unit) {
    case kSeconds: return 10000;
    case kFrames: return fps > 0 && std::isfinite(fps) ? std::llround(10000.0 / fps) : 0;
    case kMinutes: return 600000;
    case kHours: return 36000000;
    default: return 0;
  }
}

std::variant<std::int64_t, QString> IntervalFor(int value, int unit, double fps) {
  const std::int64_t factor = IntervalFactor(unit, fps);
  if (unit == kFrames && factor <= 0)
    return QString("The frame rate of the video source is not known, so an interval in frames cannot be "
                   "used.\nChoose seconds, minutes or hours.");
  if (factor <= 0) return QString("Choose the unit of the interval.");
  const std::int64_t interval = factor * std::max(0, value);
  if (interval >= kIntervalLimit)
    return QString("The interval of %1 %2 is too long: the longest interval is 119 hours 18 minutes.")
        .arg(value)
        .arg(status::UniteIntervalle(unit));
  return interval;
}

Beep BeepFor(int secondsLeft) {
  if (secondsLeft == 0) return Beep::Beep0;
  if (secondsLeft >= 1 && secondsLeft <= 4) return Beep::Beep1;
  return Beep::None;
}

}  // namespace vistrel
