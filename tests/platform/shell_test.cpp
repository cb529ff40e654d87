#include "platform/shell.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <QCoreApplication>
#include <QStorageInfo>

#include <unistd.h>

using namespace vistrel::platform;

TEST(Shell, DeuxChiffresKeepsTheLastTwoDigits) {
  EXPECT_EQ(DeuxChiffres(0), "00");
  EXPECT_EQ(DeuxChiffres(5), "05");
  EXPECT_EQ(DeuxChiffres(10), "10");
  EXPECT_EQ(DeuxChiffres(99), "99");
  EXPECT_EQ(DeuxChiffres(2024), "24");
  EXPECT_EQ(DeuxChiffres(-5), "-5");
}

namespace {
QString WriteFile(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return {};
  f.write(bytes);
  return path;
}

// Files in the user's trash whose contents equal bytes.
int TrashedCopies(const QByteArray &bytes) {
  const QString files = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files";
  int n = 0;
  for (QDirIterator it(files, QDir::Files); it.hasNext();) {
    QFile f(it.next());
    if (f.open(QIODevice::ReadOnly) && f.readAll() == bytes) ++n;
  }
  return n;
}
}  // namespace

TEST(Shell, RecycleMovesIntoTheSandboxTrash) {
  const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
  ASSERT_TRUE(dataHome.startsWith(vistrel::test::sandboxRoot()));
  const QString dir = vistrel::test::freshDir("recycle");
  const QByteArray first = "first recording", second = "second recording";

  // Two files of the same name both survive in the trash.
  ASSERT_FALSE(WriteFile(dir + "/video 0001.avi", first).isEmpty());
  ASSERT_TRUE(Recycle(dir + "/video 0001.avi"));
  EXPECT_FALSE(QFile::exists(dir + "/video 0001.avi"));
  ASSERT_FALSE(WriteFile(dir + "/video 0001.avi", second).isEmpty());
  ASSERT_TRUE(Recycle(dir + "/video 0001.avi"));

  EXPECT_EQ(TrashedCopies(first), 1);
  EXPECT_EQ(TrashedCopies(second), 1);
  const QStringList infos = QDir(dataHome + "/Trash/info").entryList({"video 0001*.trashinfo"}, QDir::Files);
  ASSERT_EQ(infos.size(), 2);
  // The info file names where the file came from, so it can be put back.
  QFile info(dataHome + "/Trash/info/" + infos.first());
  ASSERT_TRUE(info.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(info.readAll());
  EXPECT_TRUE(text.startsWith("[Trash Info]\n"));
  EXPECT_TRUE(text.contains("Path=" + QUrl::toPercentEncoding(dir + "/video 0001.avi", "/") + "\n")) << text.toStdString();
  EXPECT_TRUE(text.contains("DeletionDate=")) << text.toStdString();
}

TEST(Shell, RecycleFailureLeavesTheFileAlone) {
  EXPECT_FALSE(Recycle(QString()));
  const QString dir = vistrel::test::freshDir("recycle-missing");
  EXPECT_FALSE(Recycle(dir + "/never written.avi"));

  // A trash that cannot be created: the data home is a plain file.
  const QString blocked = vistrel::test::freshDir("blocked") + "/data";
  ASSERT_FALSE(WriteFile(blocked, "not a folder").isEmpty());
  const QByteArray saved = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", blocked.toUtf8());
  const QString victim = WriteFile(dir + "/keep.avi", "precious");
  const bool trashed = Recycle(victim);
  qputenv("XDG_DATA_HOME", saved);
  EXPECT_FALSE(trashed);
  QFile f(victim);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("precious"));
}

TEST(Shell, NothingToOpenIsReportedNotLaunched) {
  const QString dir = vistrel::test::freshDir("open");
  EXPECT_FALSE(OpenWithShell(QString()));
  EXPECT_FALSE(OpenWithShell("   "));
  EXPECT_FALSE(OpenWithShell(dir + "/missing.avi"));
  EXPECT_FALSE(ShowInFileManager(QString()));
  EXPECT_FALSE(ShowInFileManager(dir + "/no such folder/missing.avi"));
  EXPECT_FALSE(RunProgram(QString(), {}));
  EXPECT_FALSE(RunProgram(dir + "/no-such-program", {"x"}));
}

TEST(Shell, RunProgramStartsARealProgram) {
  const QString marker = vistrel::test::freshDir("run") + "/ran";
  ASSERT_TRUE(RunProgram("/bin/sh", {"-c", "echo ok > \"$0\"", marker}));
  for (int i = 0; i < 200 && !QFile::exists(marker); ++i) QThread::msleep(10);
  EXPECT_TRUE(QFile::exists(marker));
}

TEST(Shell, RecycleOnAnotherVolumeUsesThatVolumesTrash) {
  // /dev/shm is a separate tmpfs on Linux; skip where it is not.
  const QString dir = "/dev/shm/vistrel-trash-test-" + QString::number(QCoreApplication::applicationPid());
  if (!QDir().mkpath(dir) || QStorageInfo(dir).rootPath() != "/dev/shm") GTEST_SKIP() << "no separate volume";
  const QString victim = WriteFile(dir + "/clip.wav", "other volume");
  ASSERT_FALSE(victim.isEmpty());
  const bool trashed = Recycle(victim);
  const QString trash = "/dev/shm/.Trash-" + QString::number(getuid());
  const bool landed = QFile::exists(trash + "/files/clip.wav") || !QDir(trash + "/files").isEmpty();
  QDir(dir).removeRecursively();
  // Only what this test put there is removed.
  for (const QString &name : QDir(trash + "/info").entryList({"clip*.trashinfo"}, QDir::Files)) {
    QFile::remove(trash + "/info/" + name);
    QFile::remove(trash + "/files/" + name.chopped(10));
  }
  for (const char *sub : {"/files", "/info", ""}) QDir().rmdir(trash + sub);  // only when empty
  EXPECT_TRUE(trashed);
  EXPECT_TRUE(landed);
  EXPECT_FALSE(QFile::exists(victim));
}
