// A fragmented MP4 as the MP4 format writes it (x264, AAC, mp4mux with
// fragments of a second), cut off at the places a kill can leave it, then
// repaired and read back with ffprobe, gst-discoverer and a full ffmpeg decode.
#include <gtest/gtest.h>

#include <QFile>

#include "media/gstref.h"
#include "media/repair.h"
#include "mediaprobe.h"
#include "mediatest.h"
#include "testenv.h"

using namespace vistrel;

namespace {

// Five seconds at 25 frames/s: five fragments of each stream, then the
// index; a key frame every two seconds, as the MP4 format writes them.
QByteArray FinishedMp4(const QString &dir) {
  const QString file = dir + "/whole.mp4";
  test::RunToEnd(QString("videotestsrc num-buffers=125 ! video/x-raw,width=160,height=120,framerate=25/1 ! "
                         "x264enc speed-preset=ultrafast key-int-max=50 ! h264parse ! "
                         "mp4mux name=m fragment-duration=1000 ! filesink name=out location=\"%1\" "
                         "audiotestsrc num-buffers=235 ! audio/x-raw,rate=48000,channels=2 ! avenc_aac ! m.")
                     .arg(file));
  return test::Contents(file);
}

QString Write(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(bytes);
  return path;
}

}  // namespace

TEST(RepairMp4, AKilledFileKeepsEveryWholeFragmentAndDecodesToItsEnd) {
  const QString dir = test::freshDir("repair-mp4");
  const QByteArray whole = FinishedMp4(dir);
  const qsizetype lastMoof = whole.lastIndexOf("moof") - 4, mfra = whole.lastIndexOf("mfra") - 4;
  ASSERT_GT(lastMoof, 0);
  ASSERT_GT(mfra, lastMoof);
  const qsizetype lastMdat = whole.indexOf("mdat", lastMoof) - 4;
  using O = media::RepairOutcome;
  struct Cut {
    const char *where;
    qsizetype size;
    O outcome;
    double leastSeconds;  // what must still play
  } cuts[] = {
      {"finished", whole.size(), O::Whole, 4.9},
      {"in the index", mfra + 20, O::Repaired, 4.9},
      {"before the index", mfra, O::Repaired, 4.9},
      {"in the last fragment's data", lastMdat + 100, O::Repaired, 3.9},
      {"after the last fragment's header", lastMdat, O::Repaired, 3.9},
      {"in the last fragment's header", lastMoof + 30, O::Repaired, 3.9},
  };
  for (const Cut &c : cuts) {
    SCOPED_TRACE(c.where);
    const QString file = Write(dir + "/cut.mp4", whole.left(c.size));
    const media::RepairResult r = media::RepairRecordingFile(file);
    ASSERT_EQ(r.outcome, c.outcome) << r.detail;
    const test::Probe p = test::FfProbe(file);
    ASSERT_TRUE(p.ok);
    EXPECT_GT(p.duration, c.leastSeconds);
    // The time the repair tells is what a player shows (to a frame or so).
    EXPECT_NEAR(r.seconds, p.duration, 0.1);
    EXPECT_EQ(test::DecodeErrors(file), "");
    // GStreamer's reader takes the length from the index the repair wrote.
    QString report;
    EXPECT_NEAR(test::DiscovererDuration(file, &report), p.duration, 0.1) << report.toStdString();
    test::ExpectWholeAndUntouched(file);
  }
  // The repair killed at any of its writes is finished by the next.
  const QByteArray torn = whole.left(lastMdat + 100);
  EXPECT_GE(test::ExpectEveryKilledRepairFinished({torn.begin(), torn.end()}, media::RepairMp4), 2);
}

TEST(RepairMp4, AHeaderWithoutAWholeFragmentHoldsNothingAndSamplesWithoutAHeaderAreLeft) {
  const QString dir = test::freshDir("repair-mp4");
  const QByteArray whole = FinishedMp4(dir);
  const qsizetype firstMoof = whole.indexOf("moof") - 4;
  ASSERT_GT(firstMoof, 0);
  // Empty files are removed by the start-up recovery: only these may be.
  EXPECT_EQ(media::RepairRecordingFile(Write(dir + "/head.mp4", whole.left(firstMoof + 40))).outcome,
            media::RepairOutcome::Empty);
  EXPECT_EQ(media::RepairRecordingFile(Write(dir + "/torn.mp4", whole.left(200))).outcome, media::RepairOutcome::Empty);
  // An MP4 of another writer, killed before its header: not ours to delete.
  QByteArray plain = whole.left(whole.indexOf("moov") - 4);
  plain += QByteArray::fromHex("00000010") + "mdat" + QByteArray(8, '\x01');
  const QString other = Write(dir + "/other.mp4", plain);
  EXPECT_EQ(media::RepairRecordingFile(other).outcome, media::RepairOutcome::Failed);
  EXPECT_EQ(test::Contents(other), plain);
}
