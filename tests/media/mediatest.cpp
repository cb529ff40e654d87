#include "mediatest.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QtEndian>
#include <cstring>

#include "media/gstref.h"
#include "media/repair.h"
#include "media/repairfile.h"
#include "mediaprobe.h"

namespace vistrel::test {

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

void PlayToEnd(GstElement *pipeline) {
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  media::GstRef<GstBus> bus = media::GstRef<GstBus>::Adopt(gst_element_get_bus(pipeline));
  media::MessageRef done = media::MessageRef::Adopt(
      gst_bus_timed_pop_filtered(bus.get(), 30 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
  EXPECT_TRUE(done && GST_MESSAGE_TYPE(done.get()) == GST_MESSAGE_EOS);
  gst_element_set_state(pipeline, GST_STATE_NULL);
}

void RunToEnd(const QString &launch) {
  GError *error = nullptr;
  media::ElementRef pipeline = media::ElementRef::Adopt(gst_parse_launch(launch.toUtf8().constData(), &error));
  if (error) g_error_free(error);
  ASSERT_TRUE(pipeline);
  PlayToEnd(pipeline.get());
}

// Runs `launch` (sources with num-buffers into a muxer, a filesink named
// "out") to its end, but nothing the muxer writes once it starts its index
// reaches the file: the file is what a program killed at that moment leaves.
void RunCut(const QString &launch) {
  GError *error = nullptr;
  media::ElementRef pipeline = media::ElementRef::Adopt(gst_parse_launch(launch.toUtf8().constData(), &error));
  if (error) g_error_free(error);
  ASSERT_TRUE(pipeline);
  media::ElementRef sink = media::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
  media::PadRef in = media::PadRef::Adopt(gst_element_get_static_pad(sink.get(), "sink"));
  static bool cut;
  cut = false;
  gst_pad_add_probe(
      in.get(), GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
      [](GstPad *, GstPadProbeInfo *info, gpointer) {
        if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
          GstBuffer *b = GST_PAD_PROBE_INFO_BUFFER(info);
          char head[4] = {};
          gst_buffer_extract(b, 0, head, 4);
          if (std::memcmp(head, "idx1", 4) == 0 || std::memcmp(head, "ix", 2) == 0) cut = true;
          return cut ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
        }
        GstEvent *e = GST_PAD_PROBE_INFO_EVENT(info);
        return cut && GST_EVENT_TYPE(e) == GST_EVENT_SEGMENT ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
      },
      nullptr, nullptr);
  PlayToEnd(pipeline.get());
  EXPECT_TRUE(cut);
}

QByteArray Contents(const QString &file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::vector<std::uint8_t> WavHeader(std::uint32_t riff, std::uint32_t data) {
  media::MemoryBytes b(std::vector<std::uint8_t>(44, 0));
  b.Write(0, "RIFF", 4);
  b.Put32(4, riff);
  b.Write(8, "WAVEfmt ", 8);
  b.Put32(16, 16);
  b.Put16(20, 1);
  b.Put16(22, 2);
  b.Put32(24, 48000);
  b.Put32(28, 192000);
  b.Put16(32, 4);
  b.Put16(34, 16);
  b.Write(36, "data", 4);
  b.Put32(40, data);
  return b.Bytes();
}

HoleDamage WriteHoles(const QString &reference, const QString &copy,
                      const std::vector<std::pair<qint64, qint64>> &spans, char pattern) {
  HoleDamage d;
  const RiffFile riff = ReadRiff(reference);
  EXPECT_TRUE(riff.valid) << "the reference is not a whole RIFF file";
  const auto hits = [&spans](qint64 from, qint64 to) {
    for (const auto &[at, n] : spans)
      if (from < at + n && at < to) return true;
    return false;
  };
  for (const RiffChunk &c : riff.chunks) {
    const QByteArray kind = c.id.mid(2);
    if (c.id.size() != 4 || !(kind == "dc" || kind == "db" || kind == "wb")) continue;
    if (hits(c.offset, c.offset + 8 + c.size)) ++d.touched;
    if (hits(c.offset, c.offset + 8)) ++(kind == "wb" ? d.lostSound : d.lostVideo);
  }
  QFile f(copy);
  EXPECT_TRUE(f.open(QIODevice::ReadWrite));
  for (const auto &[at, n] : spans) {
    EXPECT_TRUE(f.seek(at));
    EXPECT_EQ(f.write(QByteArray(n, pattern)), n);
  }
  return d;
}

void ExpectHolesSkipped(const QString &reference, const QString &holed, const HoleDamage &damage) {
  const media::RepairResult r = media::RepairRecordingFile(holed);
  ASSERT_EQ(r.outcome, media::RepairOutcome::Repaired) << r.detail;
  EXPECT_TRUE(media::DescribeRepair(r).contains(", skipped ")) << "the user is told what was passed over";
  EXPECT_NE(r.detail.find("skipped"), std::string::npos) << r.detail;
  const Probe before = FfProbe(reference, true), after = FfProbe(holed, true);
  ASSERT_TRUE(before.ok && after.ok);
  EXPECT_EQ(after.Field("video", "nb_read_packets").toInt(),
            before.Field("video", "nb_read_packets").toInt() - damage.lostVideo);
  // Sound packets are what ffmpeg cuts them into; the index counts chunks
  // (that of the first form only, past 1 GB).
  const RiffFile whole = ReadRiff(reference), mended = ReadRiff(holed);
  EXPECT_TRUE(mended.valid) << "the holes did not become chunks a reader steps over";
  if (!whole.Has("RIFF:AVIX")) {
    EXPECT_EQ(mended.idx1Entries, whole.idx1Entries - damage.lostVideo - damage.lostSound);
  }
  const QString errors = DecodeErrors(holed);
  EXPECT_FALSE(errors.contains("ffmpeg")) << errors.toStdString();
  EXPECT_LE(errors.count('\n'), damage.touched) << errors.toStdString();
  ExpectWholeAndUntouched(holed);
}

void ExpectWholeAndUntouched(const QString &file) {
  const QByteArray before = Contents(file);
  EXPECT_EQ(media::RepairRecordingFile(file).outcome, media::RepairOutcome::Whole);
  EXPECT_EQ(Contents(file), before);
}

}  // namespace vistrel::test
