// Killed recordings of every AVI kind the program writes, with holes written
// over them as a power cut leaves them (a block of zeros, or of other bytes,
// over a chunk header): the repair keeps every whole chunk after each hole,
// not only those before the first. And WAV headers hit by a hole.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "media/dvavimux.h"
#include "media/repair.h"
#include "media/repairfile.h"
#include "mediaprobe.h"
#include "mediatest.h"
#include "testenv.h"

using namespace vistrel;

namespace {

constexpr char kSound[] =
    "audiotestsrc num-buffers=%1 samplesperbuffer=1920 ! audio/x-raw,format=S16LE,rate=48000,channels=2 ! ";

struct Recording {
  const char *name;
  QString launch;  // %1: the file
};

std::vector<Recording> Recordings() {
  const QString sound = QString(kSound).arg(25);
  return {
      {"avi native",
       "videotestsrc num-buffers=25 ! video/x-raw,format=YUY2,width=160,height=120,framerate=25/1 ! avimux name=m ! "
       "filesink name=out location=\"%1\" " +
           sound + "m."},
      {"divx",
       "videotestsrc num-buffers=25 pattern=snow ! video/x-raw,width=320,height=240,framerate=25/1 ! "
       "avenc_mpeg4 bitrate=8000000 ! "
       "video/x-divx,divxversion=5 ! avimux name=m ! filesink name=out location=\"%1\" audiotestsrc num-buffers=50 "
       "samplesperbuffer=960 ! audio/x-raw,rate=48000,channels=2 ! lamemp3enc target=bitrate cbr=true bitrate=128 ! "
       "mpegaudioparse ! m."},
      {"dv type 2",
       "videotestsrc num-buffers=25 ! video/x-raw,width=720,height=576,framerate=25/1 ! avenc_dvvideo ! avimux name=m "
       "! "
       "filesink name=out location=\"%1\" " +
           sound + "m."},
      {"dv type 1",
       "videotestsrc num-buffers=25 ! video/x-raw,width=720,height=576,framerate=25/1 ! avenc_dvvideo ! avmux_dv "
       "name=d "
       "! vistreldvavimux ! filesink name=out location=\"%1\" " +
           sound + "d."},
  };
}

struct Holes {
  const char *name;
  std::vector<double> at;  // where in the file each hole hits a chunk header
  char pattern;
};

// Spans of 64 KB that start 1000 bytes before the first frame or sound
// chunk past each place.
std::vector<std::pair<qint64, qint64>> SpansOver(const QString &reference, const std::vector<double> &at) {
  const test::RiffFile riff = test::ReadRiff(reference);
  std::vector<std::pair<qint64, qint64>> spans;
  for (double place : at)
    for (const test::RiffChunk &c : riff.chunks) {
      const QByteArray kind = c.id.mid(2);
      if (c.id.size() == 4 && (kind == "dc" || kind == "db" || kind == "wb") &&
          c.offset >= qint64(place * riff.fileSize)) {
        spans.emplace_back(c.offset - 1000, std::min<qint64>(64 * 1024, riff.fileSize - c.offset));
        break;
      }
    }
  EXPECT_EQ(spans.size(), at.size());
  return spans;
}

}  // namespace

TEST(RepairHoles, EveryAviKindKeepsTheChunksAfterEachHole) {
  ASSERT_TRUE(media::RegisterDvAviMux());
  const QString dir = test::freshDir("holes");
  const Holes holes[] = {{"one hole of zeros", {0.4}, 0}, {"three holes of other bytes", {0.2, 0.5, 0.8}, 0x5A}};
  for (const Recording &rec : Recordings()) {
    SCOPED_TRACE(rec.name);
    const QString cut = dir + "/" + QString(rec.name).replace(' ', '_') + ".avi";
    test::RunCut(rec.launch.arg(cut));
    const QString reference = cut + ".whole.avi";
    ASSERT_TRUE(QFile::copy(cut, reference));
    ASSERT_EQ(media::RepairRecordingFile(reference).outcome, media::RepairOutcome::Repaired);
    for (const Holes &h : holes) {
      SCOPED_TRACE(h.name);
      const QString holed = cut + "." + QString::number(h.at.size()) + ".avi";
      ASSERT_TRUE(QFile::copy(cut, holed));
      const test::HoleDamage damage = test::WriteHoles(reference, holed, SpansOver(reference, h.at), h.pattern);
      EXPECT_GT(damage.lostVideo + damage.lostSound, 0);
      const QByteArray raw = test::Contents(holed);
      test::ExpectHolesSkipped(reference, holed, damage);
      // A repair killed at any write over the holes is finished by the next.
      if (h.at.size() > 1) test::ExpectEveryKilledRepairFinished({raw.begin(), raw.end()}, media::RepairAvi);
    }
  }
}

namespace {

// A WAV as a writer of sound leaves it, with a LIST chunk before the data.
std::vector<std::uint8_t> WavWithList(std::uint32_t seconds) {
  std::vector<std::uint8_t> bytes = test::WavHeader(0, 0);
  const std::uint8_t list[34] = {'L', 'I', 'S', 'T', 26, 0, 0, 0, 'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T'};
  bytes.insert(bytes.begin() + 36, list, list + sizeof list);
  for (std::uint32_t i = 0; i < seconds * 192000 + 3; ++i) bytes.push_back(std::uint8_t(i * 7));
  return bytes;
}

}  // namespace

// A hole over the LIST before the data, or over the data header itself:
// the header walks again (JUNK, or the data header written anew) and the
// data is what the file holds in whole sample frames. A hole inside the
// sound is silence and needs nothing. Without its format nothing is done.
TEST(RepairHoles, WavHeaderHitByAHoleIsMadeAgain) {
  const std::vector<std::uint8_t> wav = WavWithList(1);
  struct Case {
    const char *name;
    std::size_t at, n;
    std::uint32_t dataAt;  // where the sound is taken to start
  } cases[] = {{"over the LIST", 36, 20, 78}, {"over the data header", 70, 8, 78}, {"over LIST and data", 40, 38, 44}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> holed = wav;
    std::fill(holed.begin() + c.at, holed.begin() + c.at + c.n, 0);
    media::MemoryBytes file(holed);
    const media::RepairResult r = media::RepairWav(file);
    ASSERT_EQ(r.outcome, media::RepairOutcome::Repaired) << r.detail;
    const std::uint32_t length = file.U32At(c.dataAt - 4);
    EXPECT_EQ(file.Tag(c.dataAt - 8), "data");
    EXPECT_EQ(length % 4, 0u);
    EXPECT_EQ(length, (wav.size() - c.dataAt) / 4 * 4);
    EXPECT_NEAR(r.seconds, 1.0, 0.001);
    const QString path = test::freshDir("holes") + "/sound.wav";
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(reinterpret_cast<const char *>(file.Bytes().data()), qint64(file.Size()));
    out.close();
    EXPECT_EQ(test::DecodeErrors(path), "");
    EXPECT_NEAR(test::FfProbe(path).duration, 1.0, 0.01);
    EXPECT_EQ(test::ExpectEveryKilledRepairFinished(holed, media::RepairWav) > 0, true);
  }
  std::vector<std::uint8_t> noFormat = wav;
  std::fill(noFormat.begin() + 12, noFormat.begin() + 40, 0);
  media::MemoryBytes lost(noFormat);
  EXPECT_EQ(media::RepairWav(lost).outcome, media::RepairOutcome::Failed);
  EXPECT_EQ(lost.Bytes(), noFormat);
}
