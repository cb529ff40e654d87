#pragma once
// Short sounds played beside the capture graph, in pipelines of their own: a
// beep must never wait for, or hold up, the graph or the main thread.
#include <QByteArray>

namespace vistrel::media {

// Starts playing a RIFF WAVE held in memory and returns at once; the sound
// plays on GStreamer's threads and its pipeline removes itself when done.
// Silent (but harmless) without a sound server, or before GStreamer is set up.
void PlayWave(const QByteArray &wave);

// Beep 0 or 1 of the interval grab's countdown (platform::BeepWave); other
// values of which are ignored.
void PlayBeep(int which);

// How many sounds are still playing, so tests can see them end.
int SoundsPlaying();

}  // namespace vistrel::media
