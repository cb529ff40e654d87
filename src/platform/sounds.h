#pragma once
// The two countdown beeps of the interval grab.
#include <QByteArray>

namespace vistrel::platform {

// Starts playing beep 0 or 1 and returns at once; the sound plays on
// GStreamer's threads and its pipeline removes itself when done. Other
// values of which are ignored. Silent (but harmless) without a sound server.
void PlayBeep(int which);

// The RIFF WAVE file of beep 0 or 1 (PCM, mono, 11025 Hz, 8 bits; 649 and
// 635 data bytes); empty for any other value.
QByteArray BeepWave(int which);

// How many beeps are still playing, so tests can see them end.
int BeepsPlaying();

}  // namespace vistrel::platform
