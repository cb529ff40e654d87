#pragma once
// Helpers shared by the media tests: spinning the Qt event loop until a
// condition holds, and reading the chunk layout of RIFF files.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "media/repair.h"
#include "media/repairfile.h"

namespace vistrel::test {

// Processes Qt events until `done` returns true or the time runs out.
bool WaitFor(const std::function<bool()> &done, int timeoutMs = 5000);
// Processes Qt events for the given time.
void Spin(int milliseconds);

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

}  // namespace vistrel::test
