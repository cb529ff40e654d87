// Recordings cut off before their writers finished them, made by the real
// muxers, repaired, and checked with ffprobe; WAV headers as our writer
// leaves them; and the repair's answers on files that are not recordings.
#include "media/repair.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <csignal>
#include <cstring>

#include "media/gstref.h"
#include "media/repairfile.h"
#include "mediaprobe.h"
#include "mediatest.h"
#include "testenv.h"

using namespace vistrel;

using test::Contents;
using test::DecodeErrors;
using test::ExpectWholeAndUntouched;
using test::RunCut;

// MPEG-4 and MP3 from avimux: no index, no totals, and a sound header whose
// rate is 0, so a reader put the sound at some 2,500 s. After the repair the
// sound lasts as long as the picture and every frame decodes.
TEST(RepairAvi, AvimuxMpeg4WithMp3CutOffPlaysInStep) {
  const QString file = test::freshDir("repair") + "/divx.avi";
  RunCut(QString("videotestsrc num-buffers=50 ! video/x-raw,width=160,height=120,framerate=25/1 ! avenc_mpeg4 ! "
                 "video/x-divx,divxversion=5 ! avimux name=m ! filesink name=out location=\"%1\" "
                 "audiotestsrc num-buffers=100 samplesperbuffer=960 ! audio/x-raw,rate=48000,channels=2 ! "
                 "lamemp3enc target=bitrate cbr=true bitrate=128 ! mpegaudioparse ! m.")
             .arg(file));
  const media::RepairResult r = media::RepairRecordingFile(file);
  ASSERT_EQ(r.outcome, media::RepairOutcome::Repaired) << r.detail;
  const test::Probe p = test::FfProbe(file, true);
  ASSERT_TRUE(p.ok);
  const int frames = p.Field("video", "nb_read_packets").toInt();
  EXPECT_EQ(frames, 50);
  EXPECT_NEAR(r.seconds, frames / 25.0, 0.01);
  EXPECT_EQ(p.Field("audio", "codec_name"), "mp3");
  EXPECT_NEAR(p.Field("audio", "duration").toDouble(), 2.0, 0.3);
  EXPECT_NEAR(p.duration, 2.0, 0.3);
  EXPECT_EQ(DecodeErrors(file), "");
  QString report;
  EXPECT_NEAR(test::DiscovererDuration(file, &report), 2.0, 0.3);
  EXPECT_TRUE(report.contains("audio")) << report.toStdString();
  ExpectWholeAndUntouched(file);
}

// The same cut-off file with its repair killed at each of its writes.
TEST(RepairAvi, AvimuxRepairKilledAtAnyWriteIsFinishedByTheNext) {
  const QString file = test::freshDir("repair") + "/killed.avi";
  RunCut(QString("videotestsrc num-buffers=25 ! video/x-raw,width=160,height=120,framerate=25/1 ! avenc_mpeg4 ! "
                 "video/x-divx,divxversion=5 ! avimux name=m ! filesink name=out location=\"%1\" "
                 "audiotestsrc num-buffers=50 samplesperbuffer=960 ! audio/x-raw,rate=48000,channels=2 ! "
                 "lamemp3enc target=bitrate cbr=true bitrate=128 ! mpegaudioparse ! m.")
             .arg(file));
  const QByteArray raw = Contents(file);
  EXPECT_GT(test::ExpectEveryKilledRepairFinished({raw.begin(), raw.end()}, media::RepairAvi), 5);
}

// A disk that filled while avimux wrote its index leaves part of it: the
// entries left ("01wb", flags 0x10, offset, size) must not pass for chunks.
// Cut at any byte, the file is repaired as if no index had been begun.
TEST(RepairAvi, AvimuxIndexCutOffByAFullDiskIsReplaced) {
  const QString dir = test::freshDir("repair");
  const QString file = dir + "/full.avi";
  RunCut(QString("videotestsrc num-buffers=10 ! video/x-raw,width=160,height=120,framerate=25/1 ! avenc_mpeg4 ! "
                 "video/x-divx,divxversion=5 ! avimux name=m ! filesink name=out location=\"%1\" "
                 "audiotestsrc num-buffers=20 samplesperbuffer=960 ! audio/x-raw,rate=48000,channels=2 ! "
                 "lamemp3enc target=bitrate cbr=true bitrate=128 ! mpegaudioparse ! m.")
             .arg(file));
  const QByteArray cut = Contents(file);
  const qsizetype movi = cut.indexOf("movi");
  ASSERT_GT(movi, 0);
  QByteArray index = "idx1" + QByteArray(4, 0);
  for (qsizetype at = movi + 4; at + 8 <= cut.size();) {
    const quint32 size = qFromLittleEndian<quint32>(cut.constData() + at + 4);
    const quint32 entry[3] = {qToLittleEndian<quint32>(0x10), qToLittleEndian<quint32>(quint32(at - movi)),
                              qToLittleEndian<quint32>(size)};
    index += cut.mid(at, 4) + QByteArray(reinterpret_cast<const char *>(entry), sizeof entry);
    at += 8 + size + (size & 1);
  }
  qToLittleEndian<quint32>(quint32(index.size() - 8), index.data() + 4);
  ASSERT_GT(index.size(), 200);
  ASSERT_EQ(media::RepairRecordingFile(file).outcome, media::RepairOutcome::Repaired);
  const QByteArray expected = Contents(file);
  for (qsizetype left = 8; left < 120; ++left) {
    const QString partial = QString("%1/cut%2.avi").arg(dir).arg(left);
    QFile out(partial);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(cut + index.left(left));
    out.close();
    ASSERT_EQ(media::RepairRecordingFile(partial).outcome, media::RepairOutcome::Repaired) << left;
    EXPECT_TRUE(Contents(partial) == expected) << left << " bytes of the index left";
  }
  EXPECT_EQ(DecodeErrors(dir + "/cut40.avi"), "");

  // A disk still full refuses the new index: the repair says the disk
  // refused it, so the file is left to a repair with room, which finishes it.
  const QString full = dir + "/stillfull.avi";
  {
    QFile out(full);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(cut + index.left(40));
  }
  rlimit was{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &was), 0);
  rlimit limit = was;
  limit.rlim_cur = rlim_t(QFileInfo(full).size());
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const media::RepairResult refused = media::RepairRecordingFile(full);
  setrlimit(RLIMIT_FSIZE, &was);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(refused.outcome, media::RepairOutcome::Failed) << refused.detail;
  EXPECT_TRUE(refused.writeRefused);
  EXPECT_FALSE(media::RepairRecordingFile(dir + "/notthere.avi").writeRefused);
  EXPECT_EQ(media::RepairRecordingFile(full).outcome, media::RepairOutcome::Repaired);
  EXPECT_TRUE(Contents(full) == expected);
}

// Raw picture and PCM, the cut through the last chunk.
TEST(RepairAvi, AvimuxRawCutThroughAChunk) {
  const QString file = test::freshDir("repair") + "/raw.avi";
  RunCut(QString("videotestsrc num-buffers=20 ! video/x-raw,format=I420,width=160,height=120,framerate=25/1 ! "
                 "avimux name=m ! filesink name=out location=\"%1\" "
                 "audiotestsrc num-buffers=40 samplesperbuffer=960 ! audio/x-raw,format=S16LE,rate=48000,channels=2 ! m.")
             .arg(file));
  ASSERT_TRUE(QFile::resize(file, QFileInfo(file).size() - 1000));
  ASSERT_EQ(media::RepairRecordingFile(file).outcome, media::RepairOutcome::Repaired);
  const test::Probe p = test::FfProbe(file, true);
  EXPECT_EQ(p.Field("video", "nb_read_packets").toInt(), 19);
  EXPECT_EQ(p.Count("audio"), 1);
  EXPECT_EQ(DecodeErrors(file), "");
}

using test::WavHeader;

// Our WAV writer's header before its end says 0 data bytes; the sizes come
// from the file, whole sample frames only, and a finished file stays.
TEST(RepairWav, SizesFromTheDataOnDisk) {
  std::vector<std::uint8_t> bytes = WavHeader(36, 0);
  bytes.resize(44 + 192000 + 3, 0x11);  // one second and part of a sample frame
  media::MemoryBytes cut(bytes);
  const media::RepairResult r = media::RepairWav(cut);
  EXPECT_EQ(r.outcome, media::RepairOutcome::Repaired);
  EXPECT_DOUBLE_EQ(r.seconds, 1.0);
  EXPECT_EQ(cut.U32At(40), 192000u);
  EXPECT_EQ(cut.U32At(4), 36u + 192000u);
  EXPECT_EQ(cut.Size(), bytes.size());  // nothing dropped
  EXPECT_EQ(media::RepairWav(cut).outcome, media::RepairOutcome::Whole);

  std::vector<std::uint8_t> done = WavHeader(36 + 4000 + 26, 4000);
  done.resize(44 + 4000, 0);
  const std::vector<std::uint8_t> trailer = {'L', 'I', 'S', 'T', 18, 0, 0, 0};
  done.insert(done.end(), trailer.begin(), trailer.end());
  done.resize(done.size() + 18, 0);
  media::MemoryBytes finished(done);
  EXPECT_EQ(media::RepairWav(finished).outcome, media::RepairOutcome::Whole);
  EXPECT_EQ(finished.Bytes(), done);

  // Sizes a writer counted from what it sent, when a full disk kept the last
  // of it: neither size may claim bytes the file does not hold.
  std::vector<std::uint8_t> refused = WavHeader(36 + 96000, 96000);
  refused.resize(44 + 48000, 0x22);
  media::MemoryBytes short_(refused);
  EXPECT_EQ(media::RepairWav(short_).outcome, media::RepairOutcome::Repaired);
  EXPECT_EQ(short_.U32At(40), 48000u);
  EXPECT_EQ(short_.U32At(4), 36u + 48000u);
  // A claimed size inside the file that ends in part of a sample frame.
  std::vector<std::uint8_t> partial = WavHeader(36 + 4002, 4002);
  partial.resize(44 + 4002, 0x22);
  media::MemoryBytes part(partial);
  EXPECT_EQ(media::RepairWav(part).outcome, media::RepairOutcome::Repaired);
  EXPECT_EQ(part.U32At(40), 4000u);
}

// Files that are not recordings, or hold nothing yet, are refused and left
// as they are.
TEST(Repair, RefusesWhatItCannotRepair) {
  const QString dir = test::freshDir("repair");
  EXPECT_EQ(media::RepairRecordingFile(dir + "/missing.avi").outcome, media::RepairOutcome::Failed);
  QFile empty(dir + "/empty.avi");
  ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
  empty.close();
  EXPECT_EQ(media::RepairRecordingFile(dir + "/empty.avi").outcome, media::RepairOutcome::Empty);
  QFile text(dir + "/notes.avi");
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  // A header list whose size runs far past the file: refused by its size.
  const char liar[] = "RIFF\0\0\0\0AVI LIST\xff\xff\xff\x7fhdrl";
  text.write(liar, sizeof liar - 1);
  text.close();
  const QByteArray before = Contents(dir + "/notes.avi");
  const media::RepairResult liarResult = media::RepairRecordingFile(dir + "/notes.avi");
  EXPECT_EQ(liarResult.outcome, media::RepairOutcome::Failed);
  EXPECT_EQ(liarResult.detail, "the header list is cut off");
  EXPECT_EQ(Contents(dir + "/notes.avi"), before);
  EXPECT_EQ(media::RepairRecordingFile(dir).outcome, media::RepairOutcome::Failed);  // a folder
}
