#include "mediatest.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QtEndian>

#include "media/repair.h"
#include "media/repairfile.h"

namespace vistrel::test {

bool WaitFor(const std::function<bool()> &done, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return true;
}

void Spin(int milliseconds) {
  WaitFor([] { return false; }, milliseconds);
}

bool RiffFile::Has(const QByteArray &id) const {
  for (const RiffChunk &c : chunks)
    if (c.id == id) return true;
  return false;
}

namespace {

quint32 U32(const QByteArray &data, qint64 at) {
  return qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(data.constData() + at));
}

// Walks the chunks in [begin, end); false when a chunk overruns its parent.
bool Walk(const QByteArray &data, qint64 begin, qint64 end, RiffFile &out) {
  qint64 at = begin;
  while (at + 8 <= end) {
    RiffChunk chunk;
    chunk.id = data.mid(at, 4);
    chunk.offset = at;
    chunk.size = U32(data, at + 4);
    const qint64 bodyEnd = at + 8 + qint64(chunk.size);
    if (bodyEnd > end) return false;
    if ((chunk.id == "LIST" || chunk.id == "RIFF") && chunk.size >= 4) {
      chunk.id += ':' + data.mid(at + 8, 4);
      out.chunks.push_back(chunk);
      if (!Walk(data, at + 12, bodyEnd, out)) return false;
    } else {
      out.chunks.push_back(chunk);
      if (chunk.id == "avih" && chunk.size >= 20) out.totalFrames = U32(data, at + 8 + 16);
      if (chunk.id == "idx1") out.idx1Entries = int(chunk.size / 16);
    }
    at = bodyEnd + (chunk.size & 1);
  }
  return true;
}

}  // namespace

RiffFile ReadRiff(const QString &path) {
  RiffFile out;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return out;
  const QByteArray data = file.readAll();
  out.fileSize = data.size();
  if (data.size() < 12 || !data.startsWith("RIFF")) return out;
  out.riffSize = U32(data, 4);
  out.form = data.mid(8, 4);
  out.valid = Walk(data, 0, data.size(), out);
  return out;
}

namespace {

class KilledBytes : public media::MemoryBytes {
 public:
  KilledBytes(std::vector<std::uint8_t> bytes, int writes) : MemoryBytes(std::move(bytes)), left_(writes) {}
  bool Write(std::uint64_t at, const void *data, std::size_t n) override {
    return Done() || MemoryBytes::Write(at, data, n);
  }
  bool Truncate(std::uint64_t size) override { return Done() || MemoryBytes::Truncate(size); }
  bool Killed() const { return left_ < 0; }

 private:
  bool Done() { return left_-- <= 0; }
  int left_;
};

}  // namespace

int ExpectEveryKilledRepairFinished(const std::vector<std::uint8_t> &cut,
                                    const std::function<media::RepairResult(media::RepairBytes &)> &repair) {
  media::MemoryBytes whole(cut);
  EXPECT_EQ(repair(whole).outcome, media::RepairOutcome::Repaired);
  const std::vector<std::uint8_t> &expected = whole.Bytes();
  int kills = 0;
  for (int writes = 0;; ++writes) {
    KilledBytes killed(cut, writes);
    repair(killed);
    if (!killed.Killed()) break;  // this many writes finish the repair
    ++kills;
    SCOPED_TRACE("killed after " + std::to_string(writes) + " writes");
    media::MemoryBytes next(killed.Bytes());
    const media::RepairResult r = repair(next);
    EXPECT_EQ(r.outcome, media::RepairOutcome::Repaired) << r.detail;
    // A cut-off tail the kill left before it was dropped lies past the
    // file's forms, where readers never go.
    if (next.Bytes().size() < expected.size()) {
      ADD_FAILURE() << "the finished file is shorter than one repaired at once";
      continue;
    }
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), next.Bytes().begin()));
    EXPECT_EQ(repair(next).outcome, media::RepairOutcome::Whole);
  }
  return kills;
}

}  // namespace vistrel::test
