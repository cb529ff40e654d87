// The journal of recordings under way and the recovery at start-up: what a
// run that ended without finishing its files leaves is repaired once and
// reported; files of a live run, files that are gone and damaged journals
// are handled without harm.
#include "app/recovery.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QThread>
#include <QtEndian>

#include "app/recording_journal.h"
#include "app/recording_names.h"
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

// What a kill during a Cut can leave as the new part of a divx recording:
// the real header avimux writes (a picture and an MP3 stream) and the first
// few MP3 chunks, no picture.
QString SoundOnlyPart(const QString &path, int soundChunks) {
  const QString whole = path + ".whole.avi";
  const QString launch =
      QString(
          "videotestsrc num-buffers=10 ! video/x-raw,width=160,height=120,framerate=25/1 ! avenc_mpeg4 ! "
          "avimux name=m ! filesink location=\"%1\" audiotestsrc num-buffers=20 samplesperbuffer=960 ! "
          "audio/x-raw,rate=48000,channels=2 ! lamemp3enc ! mpegaudioparse ! m.")
          .arg(whole);
  media::ElementRef pipeline = media::ElementRef::Adopt(gst_parse_launch(launch.toUtf8().constData(), nullptr));
  EXPECT_TRUE(pipeline);
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  media::GstRef<GstBus> bus = media::GstRef<GstBus>::Adopt(gst_element_get_bus(pipeline.get()));
  media::MessageRef done = media::MessageRef::Adopt(
      gst_bus_timed_pop_filtered(bus.get(), 30 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  QFile in(whole);
  EXPECT_TRUE(in.open(QIODevice::ReadOnly));
  const QByteArray bytes = in.readAll();
  const qsizetype movi = bytes.indexOf("movi");
  EXPECT_GT(movi, 0);
  QByteArray part = bytes.left(movi + 4);
  for (qsizetype at = movi + 4; at + 8 <= bytes.size() && soundChunks > 0;) {
    const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
    if (bytes.mid(at, 4) == "01wb") {
      part += bytes.mid(at, 8 + size + (size & 1));
      --soundChunks;
    }
    at += 8 + size + (size & 1);
  }
  QFile out(path);
  EXPECT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(part);
  return path;
}

// A second run of this very program (same executable, same boot) that
// records nothing and lives until it is ended. A child of a process with
// threads may only make async-signal-safe calls: it only waits.
class OtherRun {
 public:
  OtherRun() : pid_(::fork()) {
    if (pid_ == 0)
      for (;;) ::pause();
  }
  ~OtherRun() { End(); }
  OtherRun(const OtherRun &) = delete;
  OtherRun &operator=(const OtherRun &) = delete;
  // Reaped too: a zombie still answers kill(pid, 0).
  void End() {
    if (pid_ > 0 && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  qint64 Pid() const { return pid_; }

 private:
  pid_t pid_;
};

// The journal's entries, as another process wrote them: ours, with its pid.
void HandEntriesTo(const QString &journal, qint64 pid) {
  QFile f(journal);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QByteArray text = f.readAll();
  f.close();
  const QByteArray mine = '\t' + QByteArray::number(qint64(::getpid())) + '\t';
  ASSERT_TRUE(text.contains(mine));
  text.replace(mine, '\t' + QByteArray::number(pid) + '\t');
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(text);
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
  OtherRun same;
  ASSERT_GT(same.Pid(), 0);
  e.pid = same.Pid();
  EXPECT_TRUE(WriterAlive(e));
  e.boot = "another boot";  // the same number after a reboot is someone else
  EXPECT_FALSE(WriterAlive(e));
  e.boot = j.Entries().at(0).boot;
  same.End();
  EXPECT_FALSE(WriterAlive(e));
}

// Two programs, one journal: a file another Vistrel still records into is
// neither taken over, nor repaired, nor given out again as a name; once that
// program is gone, its file is a recording cut off like any other.
TEST(RecordingJournal, AFileAnotherVistrelRecordsIsLeftToIt) {
  const QString dir = test::freshDir("journal");
  RecordingJournal j(dir + "/recordings.journal");
  VideoNames names;
  names.SetFields(dir, "Video", false);
  names.SetFormat(5);
  const QString f = names.Current();
  const QDateTime started = QDateTime::currentDateTime().addSecs(-60);
  OtherRun other;
  ASSERT_GT(other.Pid(), 0);
  ASSERT_TRUE(j.Begin(f, 5, started));
  HandEntriesTo(j.Path(), other.Pid());

  EXPECT_FALSE(j.Begin(f, 11, QDateTime::currentDateTime()));
  std::vector<JournalEntry> e = j.Entries();
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].pid, other.Pid());
  EXPECT_EQ(e[0].format, 5);
  EXPECT_EQ(e[0].start.toMSecsSinceEpoch(), started.toMSecsSinceEpoch());
  EXPECT_TRUE(j.InUseElsewhere(f));
  EXPECT_TRUE(j.Unfinished().empty());
  EXPECT_TRUE(RecoverUnfinishedRecordings(j).empty());
  EXPECT_EQ(j.Entries().size(), 1u) << "the live run's entry is not taken out";
  names.PassOver([&](const QString &name) { return j.InUseElsewhere(name); });
  EXPECT_NE(names.Current(), f);
  EXPECT_EQ(names.Counter(), 2);
  EXPECT_FALSE(j.InUseElsewhere(names.Current()));
  EXPECT_TRUE(j.Begin(names.Current(), 5, QDateTime::currentDateTime()));
  EXPECT_TRUE(j.End(names.Current()));

  other.End();
  EXPECT_FALSE(j.InUseElsewhere(f));
  e = j.Unfinished();
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].file, f);
  EXPECT_TRUE(j.Begin(f, 11, QDateTime::currentDateTime()));
  e = j.Entries();
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].pid, qint64(::getpid()));
  EXPECT_EQ(e[0].format, 11);
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

// The parts a kill during a Cut leaves with nothing to play (0 bytes, or a
// header and a few sound chunks where a picture is declared) are deleted at
// the next start and the user is told, with the part that is left; --repair
// by hand only reports such a file and keeps it.
TEST(Recovery, PartsThatHoldNothingAreRemovedAndTold) {
  const QString dir = test::freshDir("recovery");
  RecordingJournal j(dir + "/recordings.journal");
  const QString wav = CutWav(dir + "/first.wav");
  const QString empty = dir + "/second.avi";
  QFile(empty).open(QIODevice::WriteOnly);
  const QString sound = SoundOnlyPart(dir + "/third.avi", 3);
  for (const QString &f : {wav, empty, sound}) ASSERT_TRUE(j.Begin(f, 9, QDateTime::currentDateTime()));

  std::FILE *out = std::tmpfile();
  EXPECT_EQ(RepairFiles({sound, empty}, out), 1);
  std::fclose(out);
  EXPECT_TRUE(QFile::exists(sound) && QFile::exists(empty)) << "--repair deletes nothing";

  const std::vector<RecoveredRecording> r = RecoverUnfinishedRecordings(j);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_FALSE(r[0].removed);
  EXPECT_TRUE(r[1].removed);
  EXPECT_TRUE(r[2].removed);
  EXPECT_EQ(r[2].result.detail, "only 3 sound chunks and no picture");
  EXPECT_TRUE(QFile::exists(wav));
  EXPECT_FALSE(QFile::exists(empty));
  EXPECT_FALSE(QFile::exists(sound));
  const QString text = RecoveryMessage(r);
  EXPECT_TRUE(text.contains(empty + ": held nothing and was removed (it is empty)")) << text.toStdString();
  EXPECT_TRUE(text.contains(sound + ": held nothing and was removed")) << text.toStdString();
  EXPECT_TRUE(text.contains("What is left of them: " + wav)) << text.toStdString();
  EXPECT_TRUE(j.Entries().empty());
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
