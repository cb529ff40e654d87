#pragma once
// Helpers shared by the media tests: spinning the Qt event loop until a
// condition holds, and reading the chunk layout of RIFF files.
#include <gst/gst.h>

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "media/repair.h"
#include "media/repairfile.h"
#include "mediaprobe.h"
#include "testenv.h"

namespace vistrel::test {

// One chunk of a RIFF file: its four-character id (or list type for LIST
// and RIFF chunks, written "LIST:hdrl"), offset of its header and declared size.
struct RiffChunk {
  QByteArray id;
  qint64 offset = 0;
  quint32 size = 0;
};

struct RiffFile {
  bool valid = false;        // starts with RIFF and every chunk fits the file
  QByteArray form;           // "AVI ", "WAVE"
  quint32 riffSize = 0;      // size field of the first RIFF chunk
  qint64 fileSize = 0;
  std::vector<RiffChunk> chunks;  // every chunk, depth first
  quint32 totalFrames = 0;   // avih dwTotalFrames, for AVI files
  int idx1Entries = 0;       // entries of the legacy index

  bool Has(const QByteArray &id) const;
};

RiffFile ReadRiff(const QString &path);

// Runs `repair` on the cut-off file `cut` killed after each of its writes in
// turn (the writes after never reach the file), then once more whole, and
// expects the second run to finish the file as one uninterrupted repair
// does, and a third to find it whole. Returns how many kills were tried.
int ExpectEveryKilledRepairFinished(const std::vector<std::uint8_t> &cut,
                                    const std::function<media::RepairResult(media::RepairBytes &)> &repair);

// Plays `pipeline` until its end of stream (30 s at most) and stops it.
void PlayToEnd(GstElement *pipeline);
// Parses `launch` and plays it to its end.
void RunToEnd(const QString &launch);

// Runs `launch` (sources with num-buffers into a muxer, a filesink named
// "out") to its end, but nothing the muxer writes once it starts its index
// reaches the file: the file is what a program killed at that moment leaves.
void RunCut(const QString &launch);

QByteArray Contents(const QString &file);
// A whole file: the repair says so and changes not a byte of it (run after
// a repair, it shows that repair finished its work).
void ExpectWholeAndUntouched(const QString &file);

// A 48 kHz 16-bit stereo PCM WAV header (44 bytes) with these sizes.
std::vector<std::uint8_t> WavHeader(std::uint32_t riff, std::uint32_t data);

// Holes of `pattern` bytes written over spans of a copy of a cut-off AVI,
// as a power cut leaves blocks that never reached the disk. What they hit is
// counted on `reference`, the same file repaired whole (the repair moves no
// chunk): a chunk whose header is hit is lost, one whose bytes are hit is
// damaged (its frame may not decode).
struct HoleDamage {
  int lostVideo = 0, lostSound = 0, touched = 0;
};
HoleDamage WriteHoles(const QString &reference, const QString &copy,
                      const std::vector<std::pair<qint64, qint64>> &spans, char pattern);

// The repaired copy keeps every chunk the holes did not take (ffprobe's
// packet counts against the reference's), decodes with at most one error
// line a damaged frame, and a second repair leaves it as it is.
void ExpectHolesSkipped(const QString &reference, const QString &holed, const HoleDamage &damage);

}  // namespace vistrel::test
