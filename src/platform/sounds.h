#pragma once
// The two countdown beeps of the interval grab, as compiled-in sounds;
// media::PlayBeep plays them.
#include <QByteArray>

namespace vistrel::platform {

// The RIFF WAVE file of beep 0 or 1 (PCM, mono, 11025 Hz, 8 bits; 649 and
// 635 data bytes); empty for any other value.
QByteArray BeepWave(int which);

}  // namespace vistrel::platform
