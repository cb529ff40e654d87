// Repair of a WAV file whose header still says what it said before the
// first sample: the data chunk's size and the RIFF size are set from what is
// on disk, whole sample frames only. A data size that already fits is kept
// (chunks may follow it), so a finished file is left as it is.
//
// A WAV holds one data chunk, so a hole a power cut left inside the sound is
// only a moment of silence. One in the chunks before it ("LIST", "fact", the
// data header itself) would leave the file unreadable: the bytes up to the
// data chunk become JUNK, and when the data header itself was lost it is
// written again where the bad bytes start, the sound taken to go on from
// there (those bytes were sound or header; either way a click at most).
#include <algorithm>
#include <vector>

#include "media/repair.h"
#include "media/repairfile.h"

namespace vistrel::media {

namespace {

constexpr std::uint64_t kHeaderScan = 1 << 16;  // far more than any header before the sound

bool Printable(const std::string &id) {
  return id.size() == 4 && std::all_of(id.begin(), id.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

// The data chunk's header after bad bytes at `from`, 0 when none is near.
std::uint64_t FindData(RepairBytes &f, std::uint64_t from) {
  const std::uint64_t end = std::min(f.Size(), from + kHeaderScan);
  for (std::uint64_t at = from + 2; at + 8 <= end; at += 2)
    if (f.Tag(at) == "data") return at;
  return 0;
}

// The header's mending when a hole hit it: the bad bytes from `from` on
// become JUNK up to the data chunk at `data`, or, when the data header
// itself was lost, a data header is written at `from`. A run too short
// for a JUNK header stays as it is. The size goes first: a repair killed
// between the two writes leaves bad bytes the next one mends the same way.
struct Mend {
  std::uint64_t from = 0, data = 0;
  bool Write(RepairBytes &f, bool &changed) const {
    if (data == from) {
      if (f.Tag(from) == "data") return true;
      changed = true;
      return f.Put32(from + 4, 0) && f.Write(from, "data", 4);
    }
    if (data - from < 8) return true;
    const std::uint32_t size = std::uint32_t(data - from - 8);
    if (f.Tag(from) == "JUNK" && f.U32At(from + 4) == size) return true;
    changed = true;
    return f.Put32(from + 4, size) && f.Write(from, "JUNK", 4);
  }
};

}  // namespace

RepairResult RepairWav(RepairBytes &f) {
  RepairResult r;
  if (f.Tag(0) != "RIFF" || f.Tag(8) != "WAVE") {
    r.detail = "not a WAV file";
    return r;
  }
  std::uint32_t blockAlign = 0, avgBytes = 0;
  bool haveFormat = false;
  std::vector<Mend> mends;
  std::uint64_t skipped = 0;
  // The chunks before "data" are small and whole unless a hole hit them:
  // they were written first.
  for (std::uint64_t at = 12; at + 8 <= f.Size();) {
    // Where a lost data header is to be written again, the sound starts.
    const bool lostHeader = !mends.empty() && mends.back().from == at && mends.back().data == at;
    const std::string id = lostHeader ? "data" : f.Tag(at);
    const std::uint32_t size = lostHeader ? 0 : f.U32At(at + 4);
    const std::uint64_t dataAt = at + 8;
    if (id == "fmt " && size >= 16 && dataAt + 16 <= f.Size()) {
      avgBytes = f.U32At(dataAt + 8);
      blockAlign = f.U16At(dataAt + 12);
      haveFormat = true;
    } else if (id != "data" && (!Printable(id) || dataAt + size > f.Size() || (id == "LIST" && size < 4))) {
      // (A list without its type is a size the hole zeroed.)
      if (!haveFormat) break;  // the sound's format was lost: nothing tells how to read it
      const std::uint64_t data = FindData(f, at);
      mends.push_back(Mend{at, data ? data : at});
      skipped += (data ? data : at) - at;
      at = mends.back().data;
      continue;
    }
    if (id == "data") {
      const std::uint64_t onDisk = f.Size() - dataAt;
      std::uint64_t length = size;
      if (length == 0 || length > onDisk) length = std::min<std::uint64_t>(onDisk, 0xFFFFFFFFu - dataAt);
      // Only whole sample frames: a writer cut off by a full disk counted a part of one.
      if (blockAlign) length -= length % blockAlign;
      if (length == 0 || length < blockAlign) {
        r.outcome = RepairOutcome::Empty;
        r.detail = "no whole sample frame";
        return r;
      }
      bool changed = false;
      for (const Mend &m : mends)
        if (!m.Write(f, changed)) {
          r.detail = "the header could not be written";
          return r;
        }
      const std::uint64_t end = dataAt + length + (length & 1);
      // A RIFF size covers the data and keeps the chunks after it (a writer's
      // trailer), but never claims bytes past the file's end: a writer that
      // counted what a full disk refused wrote such a size.
      const std::uint64_t held = std::max<std::uint64_t>(f.Size(), end) - 8;
      const std::uint64_t riff = std::min<std::uint64_t>(
          std::max<std::uint64_t>(std::min<std::uint64_t>(f.U32At(4), held), end - 8), 0xFFFFFFFFu);
      const bool sizes = length != f.U32At(at + 4) || riff != f.U32At(4);
      if ((sizes && (!f.Put32(at + 4, std::uint32_t(length)) || !f.Put32(4, std::uint32_t(riff)))) ||
          ((sizes || changed) && !f.Sync())) {
        r.detail = "the header could not be written";
        return r;
      }
      r.outcome = sizes || changed ? RepairOutcome::Repaired : RepairOutcome::Whole;
      r.seconds = avgBytes ? double(length) / avgBytes : -1;
      r.detail = std::to_string(length) + " bytes of sound";
      if (!mends.empty())
        r.detail += skipped ? ", skipped " + std::to_string(skipped) + " damaged bytes before them"
                            : ", their lost data header written again";
      return r;
    }
    at = dataAt + size + (size & 1);
  }
  r.detail = haveFormat ? "no data chunk" : "no sound format before the data";
  return r;
}

}  // namespace vistrel::media
