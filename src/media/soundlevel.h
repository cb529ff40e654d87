#pragma once
// The sound meter's measuring side: a bin of `level` that ends in a sink of
// its own, so it can hang off any tee branch of decoded sound without holding
// the others up, and the reading of its figures from a bus message. The
// element posts on the streaming thread; the bus hands the message to the main
// thread, where ReadSoundLevels copies the figures out.
#include <array>
#include <optional>

#include "media/gstref.h"

namespace vistrel::media {

// Anything quieter is the floor: silence (minus infinity from `level`) and
// the figures of a sound too quiet to matter read the same.
inline constexpr double kSoundFloorDb = -100.0;
// At or above: samples reached full scale.
inline constexpr double kClipDb = -0.1;
inline constexpr int kMaxMeteredChannels = 8;
// Figures are posted this often; the meter redraws no faster.
inline constexpr int kSoundLevelIntervalMs = 50;

// Peak and RMS of one interval, per channel, in dBFS (kSoundFloorDb..0).
struct SoundLevels {
  int channels = 0;
  std::array<double, kMaxMeteredChannels> peakDb{}, rmsDb{};
  // The loudest channel's RMS, for the silence watch.
  double LoudestRmsDb() const;
  bool Clipped(int channel) const { return channel >= 0 && channel < channels && peakDb[channel] >= kClipDb; }
};

// A new bin "audioconvert ! level ! fakesink" with one sink pad; null when an
// element is missing. The level element carries a name ReadSoundLevels knows.
ElementRef MakeSoundLevelBin();

// The figures of a level message posted by a bin of MakeSoundLevelBin;
// nothing for any other message.
std::optional<SoundLevels> ReadSoundLevels(GstMessage *message);

}  // namespace vistrel::media
