#pragma once
// The pure rules behind the preview display modes: the fitted video rectangle,
// the picture ratio shown, the volume steps and what the lock does for each
// capture format. No widgets here, so every rule can be checked on its own.
#include <QRect>
#include <QSize>
#include <array>
#include <cstdint>
#include <optional>

namespace vistrel::settings {
enum class CaptureFormatCode : std::uint8_t;
}

namespace vistrel::display {

// `Aspect ratio` values.
enum Aspect { kNormal = 0, k4x3 = 1, k16x9 = 2, kNative = 3 };

// The largest rectangle of ratio a:b inside `bounds`, centred (letterbox or
// pillarbox). With a or b not positive: an empty rectangle at the top-left.
QRect FitRect(const QRect &bounds, int a, int b);

struct RatioInput {
  int aspect = kNormal;
  bool dvSource = false;
  bool dvWide = false;          // the DV frames say 16:9
  int aspectX = 0, aspectY = 0; // what the source reports, 0 when it says nothing
  int width = 0, height = 0;    // frame size
};

// The ratio the preview is shown at; a zero term gives 4:3.
QSize DisplayRatio(const RatioInput &in);

// Wide enough to be called 16:9 (the DV ratio group's entry 1).
inline bool IsWide(QSize ratio) {
  return qint64(ratio.width()) * 9 >= qint64(ratio.height()) * 14;
}

inline constexpr int kVolumeMax = 10000;
inline constexpr int kVolumeStep = 1000;
// `volume` moved by `delta`, kept within 0..10000.
int StepVolume(int volume, int delta);

// What locking the preview to the recording does for one capture format.
struct LockRow {
  std::optional<bool> traitement;          // TraitementPossible; unset: unchanged
  int forcedAspect = -1;                   // an Aspect, or -1 when the ratio is left alone
  bool divxFromAspect = false;             // the DivX ratio group follows `Aspect ratio`
  std::array<bool, 4> ratioDisabled{};     // ratio actions, indexed by Aspect
  bool audioFromVideoDevice = false;       // sound must come from the picture's device
  bool dropAudio = false;
  bool dropVideo = false;
};

// `videoWindow`: the size of the video window now (decides 4x3 or 16x9 for
// the DV recompression).
LockRow LockTable(settings::CaptureFormatCode format, bool dvSource, bool videoSource, QSize videoWindow);

}  // namespace vistrel::display
