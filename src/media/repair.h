#pragma once
// Repairing a recording that was cut off (a kill, a power cut) before its
// writer could finish it. Each repair rebuilds what the writer would have
// written at the end from what is whole on disk, patches header fields in
// place or appends an index, and never drops a whole chunk. Running it on a
// finished or already repaired file changes nothing.
#include <QString>

#include <cstdint>
#include <string>

namespace vistrel::media {

class RepairBytes;

enum class RepairOutcome {
  Repaired,   // something was rewritten
  Whole,      // nothing needed: the file was finished (or repaired before)
  NotNeeded,  // a format whose readers need nothing from an end (MPEG, MP3)
  Empty,      // no whole frame: nothing a player could play (0 bytes, a header,
              // sound only where the header declares a picture); left as it is
  Failed,     // not a file of the expected kind, or it could not be written
};

struct RepairResult {
  RepairOutcome outcome = RepairOutcome::Failed;
  double seconds = -1;  // the playing time the file holds; below 0 when unknown
  std::string detail;   // what was done, or why nothing could be
  bool writeRefused = false;  // Failed because the disk refused a write: worth trying again with room
};

RepairResult RepairAvi(RepairBytes &file);
RepairResult RepairWav(RepairBytes &file);
RepairResult RepairAsf(RepairBytes &file);
RepairResult RepairMp4(RepairBytes &file);  // fragmented, as the MP4 format writes it

// Picks the repair by what the file starts with (RIFF AVI, RIFF WAVE, ASF, MP4),
// else by its extension; writes through to disk and syncs.
RepairResult RepairRecordingFile(const QString &path);

// "repaired, 0:05:12" / "whole" / "could not be repaired: …", for messages and logs.
QString DescribeRepair(const RepairResult &result);

}  // namespace vistrel::media
