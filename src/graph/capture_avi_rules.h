#pragma once
// The choices the capture chains make from the settings and the source's
// facts, kept apart from the graph so they can be checked on their own.
#include "graph/capturesettings.h"

#include <QString>
#include <QtGlobal>

namespace vistrel {

// Sample rate of the recorded PCM: the DV camcorder's own rate when the user
// keeps the DV format and asks for the native rate (and that rate is one DV
// knows), else the "FrequenceDV" choice (1 32 kHz, 2 44.1 kHz, 3 48 kHz, any
// other value 44.1 kHz).
int CaptureAudioRate(const CaptureSettings &settings, bool dvVideoDevice, int sourceRate);

// Whether the DV encoder writes NTSC: "Standard DV" (0 PAL, else NTSC), or the
// system the camcorder's stream states when the DV format is kept
// (`detectedSystem` 0 625/50, 1 525/60, anything else unknown: the setting).
bool CaptureDvNtsc(const CaptureSettings &settings, bool dvVideoDevice, int detectedSystem);

// The Sources panel's video label: "720x576 - 25 fps"; the rate, rounded to
// two decimals (ties to even) and written in its shortest form, only when
// the frame duration is known.
QString VideoLabelText(int width, int height, quint32 frameDuration, double fps);

// True for the FourCC that asks for Xvid rather than DivX 5 in the file.
bool WantsXvid(const QString &fourCC);

}  // namespace vistrel
