// The journal of recordings under way and the recovery at start-up: what a
// run that ended without finishing its files leaves is repaired once and
// reported; files of a live run, files that are gone and damaged journals
// are handled without harm.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QThread>

#include "app/recording_journal.h"
#include "app/recovery.h"
#include "filters/vs_wavedest.h"
#include "media/repairfile.h"
#include "platform/filesync.h"
#include "testenv.h"

using namespace vistrel;

namespace {

// A WAV as our writer leaves it when killed: its own header with the sizes
// still 0, then one second of sound.
QString CutWav(const QString &path) {
  media::CapsRef caps = media::CapsRef::Adopt(
      gst_caps_from_string("audio/x-raw,format=S16LE,layout=interleaved,rate=48000,channels=2"));
  std::vector<std::uint8_t> bytes = filters::WaveHeader(filters::WaveFormatFor(caps.get()), 0);
  EXPECT_FALSE(bytes.empty());
  bytes.resize(bytes.size() + 192000, 0);
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size()));
  return path;
}

}  // namespace

TEST(RecordingJournal, EntriesComeAndGoAndSurviveDamage) {
  const QString dir = test::freshDir("journal");
  RecordingJournal j(dir + "/settings/recordings.journal");
  const QDateTime start = QDateTime::currentDateTime();
  EXPECT_TRUE(j.Begin(dir + "/a.avi", 5, start));
  EXPECT_TRUE(j.Begin(dir + "/b\twith\ntabs.wav", 11, start));
  EXPECT_TRUE(j.Begin(dir + "/a.avi", 5, start));  // once only, as the latest
  std::vector<JournalEntry> e = j.Entries();
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].file, dir + "/b\twith\ntabs.wav");
  EXPECT_EQ(e[0].format, 11);
  EXPECT_EQ(e[1].file, dir + "/a.avi");
  EXPECT_EQ(e[1].start.toMSecsSinceEpoch(), start.toMSecsSinceEpoch());
  EXPECT_TRUE(j.End(dir + "/a.avi"));
  ASSERT_EQ(j.Entries().size(), 1u);
  EXPECT_TRUE(j.End(dir + "/b\twith\ntabs.wav"));
  EXPECT_FALSE(QFile::exists(j.Path()));  // no recording, no journal

  // Not ours, or cut: read as empty, and the next entry starts it afresh.
  QFile f(j.Path());
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray(2 << 20, 'x'));
  f.close();
  EXPECT_TRUE(j.Entries().empty());
  EXPECT_TRUE(j.Begin(dir + "/c.avi", 5, start));
  EXPECT_EQ(j.Entries().size(), 1u);
}

// A file being written by a Vistrel that still runs is not touched; one
// whose writer is gone (its process, another program's now) is.
TEST(RecordingJournal, OnlyRunsThatAreOverLeaveUnfinishedRecordings) {
  JournalEntry e;
  e.boot = "another boot";
  e.pid = qint64(::getppid());
  EXPECT_FALSE(WriterAlive(e));
  QProcess other;
  other.start("sleep", {"30"});
  ASSERT_TRUE(other.waitForStarted());
  RecordingJournal j(test::freshDir("journal") + "/recordings.journal");
  ASSERT_TRUE(j.Begin("/nowhere/x.avi", 5, QDateTime::currentDateTime()));
  e = j.Entries().at(0);
  e.pid = other.processId();  // same boot, a live process of another program
  EXPECT_FALSE(WriterAlive(e));
  other.kill();
  other.waitForFinished();
  EXPECT_FALSE(WriterAlive(e));
}

TEST(Recovery, RepairsOnceTellsAndForgets) {
  const QString dir = test::freshDir("recovery");
  RecordingJournal j(dir + "/recordings.journal");
  const QString wav = CutWav(dir + "/cut.wav");
  ASSERT_TRUE(j.Begin(wav, 11, QDateTime::currentDateTime()));
  ASSERT_TRUE(j.Begin(dir + "/gone.avi", 5, QDateTime::currentDateTime()));
  const std::vector<RecoveredRecording> r = RecoverUnfinishedRecordings(j);
  ASSERT_EQ(r.size(), 1u);  // the file that is gone is only taken out
  EXPECT_EQ(r[0].result.outcome, media::RepairOutcome::Repaired);
  const QString text = RecoveryMessage(r);
  EXPECT_TRUE(text.contains(wav + ": repaired, 0:00:01")) << text.toStdString();
  EXPECT_TRUE(j.Entries().empty());
  EXPECT_TRUE(RecoverUnfinishedRecordings(j).empty());
  EXPECT_TRUE(RecoveryMessage({}).isEmpty());
}

// --repair prints a line a file and fails when one could not be repaired.
TEST(Recovery, RepairSwitchReportsEachFile) {
  const QString dir = test::freshDir("recovery");
  const QString wav = CutWav(dir + "/cut.wav");
  std::FILE *out = std::tmpfile();
  EXPECT_EQ(RepairFiles({wav}, out), 0);
  EXPECT_EQ(RepairFiles({wav, dir + "/none.avi"}, out), 1);
  std::rewind(out);
  char buf[4096] = {};
  const QString printed = QString::fromLocal8Bit(buf, qsizetype(std::fread(buf, 1, sizeof buf - 1, out)));
  std::fclose(out);
  EXPECT_TRUE(printed.contains(wav + ": repaired, 0:00:01\n")) << printed.toStdString();
  EXPECT_TRUE(printed.contains(wav + ": whole, nothing to repair")) << printed.toStdString();
  EXPECT_TRUE(printed.contains(dir + "/none.avi: could not be repaired: it does not exist"));
}

// Files being recorded are synced to the disk by the sync thread, the
// program's own threads never wait for it.
TEST(FileSync, WatchedFilesAreSyncedEveryInterval) {
  const QString file = test::freshDir("sync") + "/rec.avi";
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("data");
  f.flush();
  auto &sync = platform::FileSync::Instance();
  const long before = sync.Syncs();
  sync.Watch(file);
  EXPECT_TRUE(test::SpinUntil([&] { return sync.Syncs() >= before + 2; }, 5000));
  sync.Unwatch(file);
  const long after = sync.Syncs();
  QThread::msleep(1500);
  EXPECT_LE(sync.Syncs(), after + 1);  // at most the round under way
}
