// The history of earlier recordings: what a later program reads back, the
// cap on its length, and a file that is not a history set aside and never
// written over.
#include "sessionlist/history.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <tuple>

#include "testenv.h"

using namespace vistrel::sessionlist;
using vistrel::test::freshDir;

namespace {

HistoryEntry Recorded(const QString &file, qint64 size = 100) {
  HistoryEntry e;
  e.file = file;
  e.size = size;
  e.modified = QDateTime(QDate(2026, 12, 8), QTime(3, 29, 5, 120));
  e.dropped = 2;
  e.captured = 500;
  e.videoSource = "Vistrel Test Camera";
  e.audioSource = "Vistrel Test Microphone";
  e.audioEntry = "Line In";
  e.captureFormat = "avi native";
  return e;
}

QByteArray Bytes(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString &path, const QByteArray &bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

}  // namespace

TEST(History, ALaterProgramReadsBackWhatWasAddedNewestLast) {
  const QString path = freshDir("history") + "/vistrel/recordings.history";
  {
    RecordingHistory h(path);
    ASSERT_TRUE(h.Load()) << "no file yet is an empty history";
    ASSERT_TRUE(h.Add(Recorded("/v/a.avi")));
    ASSERT_TRUE(h.Add(Recorded("/v/b.avi", 7)));
    ASSERT_TRUE(h.Add(Recorded("/v/a.avi", 9)));  // recorded again: it moves last
  }
  RecordingHistory again(path);
  ASSERT_TRUE(again.Load()) << again.Problem().toStdString();
  ASSERT_EQ(again.Entries().size(), 2u);
  const HistoryEntry &last = again.Entries()[1];
  EXPECT_EQ(again.Entries()[0].file, "/v/b.avi");
  EXPECT_EQ(last.file, "/v/a.avi");
  EXPECT_EQ(last.size, 9);
  const HistoryEntry want = Recorded("/v/a.avi", 9);
  EXPECT_EQ(std::tie(last.modified, last.dropped, last.captured, last.videoSource, last.audioSource, last.audioEntry,
                     last.captureFormat),
            std::tie(want.modified, want.dropped, want.captured, want.videoSource, want.audioSource, want.audioEntry,
                     want.captureFormat));
  EXPECT_FALSE(QFileInfo::exists(path + ".bak"));
}

TEST(History, KeepsTheNewestFiveHundred) {
  const QString path = freshDir("history") + "/recordings.history";
  RecordingHistory h(path);
  for (int i = 0; i < RecordingHistory::kMaxEntries + 20; ++i)
    ASSERT_TRUE(h.Add(Recorded(QString("/v/%1.avi").arg(i))));
  EXPECT_EQ(h.Entries().size(), std::size_t(RecordingHistory::kMaxEntries));
  EXPECT_EQ(Bytes(path).count("\"file\""), RecordingHistory::kMaxEntries) << "the file holds no more";
  RecordingHistory again(path);
  ASSERT_TRUE(again.Load());
  ASSERT_EQ(again.Entries().size(), std::size_t(RecordingHistory::kMaxEntries));
  EXPECT_EQ(again.Entries().front().file, "/v/20.avi");
  EXPECT_EQ(again.Entries().back().file, "/v/519.avi");
}

TEST(History, AFileThatIsNotAHistoryIsSetAsideNeverWrittenOver) {
  struct Case {
    const char *what;
    QByteArray bytes;
  } const cases[] = {
      {"cut off", R"({"version":1,"recordings":[{"file":"/v/a.avi","si)"},
      {"not JSON", QByteArray("\x00\x01garbage", 9)},
      {"another version", R"({"version":7,"recordings":[]})"},
      {"no list", R"({"version":1,"recordings":{"file":"/v/a.avi"}})"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const QString dir = freshDir("corrupt");
    const QString path = dir + "/recordings.history";
    Write(path, c.bytes);
    Write(path + ".bak", "an earlier one");
    RecordingHistory h(path);
    EXPECT_FALSE(h.Load());
    EXPECT_TRUE(h.Entries().empty());
    EXPECT_TRUE(h.Problem().contains(path + ".bak2")) << h.Problem().toStdString();
    EXPECT_EQ(Bytes(path + ".bak2"), c.bytes) << "what it held is kept";
    EXPECT_EQ(Bytes(path + ".bak"), "an earlier one");
    ASSERT_TRUE(h.Add(Recorded("/v/new.avi")));
    RecordingHistory again(path);
    ASSERT_TRUE(again.Load());
    ASSERT_EQ(again.Entries().size(), 1u);
    EXPECT_EQ(again.Entries()[0].file, "/v/new.avi");
  }
}
