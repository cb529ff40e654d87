#pragma once
// Steps the stream capture builders share, on top of the AVI chains' parts
// (taps, audio format, chain removal): the file writers they end in and the
// program's own filters they place by graph name.
#include "graph/avgraph.h"

namespace vistrel::capture {

// Points a stock file writer at `file`. It must not hold a live graph up
// waiting to preroll; false when the element is missing.
bool AimFileWriter(GstElement *fileSink, const QString &file);

// The own filter of that graph name, added to the graph; null if missing.
GstElement *AddOwn(Tdm &dm, const QString &graphName);
// A stock component added under its graph name; false if missing.
bool AddComponent(Tdm &dm, const media::ElementRef &element, const QString &graphName);
// Output of `from` (its first free one) to the first free input of `to`.
bool Join(Tdm &dm, GstElement *from, GstElement *to);

// The audio capture tap: infdecaudio pin 2 (through its queue) → acmcap.
// The tap's output, or null.
media::PadRef TapAudio(Tdm &dm);
// The converted sound (acmcap, or the format it was given) → "AudioCap
// Tamponer"; the tamponer, or null.
GstElement *AddAudioTamponer(Tdm &dm);

}  // namespace vistrel::capture
