#pragma once
// Steps the stream capture builders share, on top of the AVI chains' parts
// (taps, audio format, chain removal): the file writers they end in and the
// program's own filters they place by graph name.
#include "graph/avgraph.h"

namespace vistrel::capture {

// The own filter of that graph name, added to the graph; null if missing.
GstElement *AddOwn(Tdm &dm, const QString &graphName);
// A stock file writer aimed at `file` and added under its graph name. It
// must not hold a live graph up waiting to preroll.
bool AddFileWriter(Tdm &dm, const media::ElementRef &fileSink, const QString &graphName, const QString &file);

// The audio capture tap: infdecaudio pin 2 (through its queue) → acmcap.
// The tap's output, or null.
media::PadRef TapAudio(Tdm &dm);
// The converted sound (acmcap, or the format it was given) → "AudioCap
// Tamponer"; the tamponer, or null.
GstElement *AddAudioTamponer(Tdm &dm);

}  // namespace vistrel::capture
