#include "platform/disk.h"
#include "platform/folders.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStorageInfo>

using namespace vistrel::platform;

TEST(Disk, FiguresOfARealMountAreConsistent) {
  const QString dir = vistrel::test::freshDir("disk");
  const DiskFigures f = DiskFiguresOf(dir);
  const QStorageInfo info(dir);
  ASSERT_GT(f.totalMB, 0u);
  EXPECT_EQ(f.totalMB, quint32(info.bytesTotal() >> 20));
  // Other programs (the other tests recording beside this one) write between
  // the two readings: the free space agrees within what they can write meanwhile.
  EXPECT_NEAR(double(f.freeMB), double(info.bytesAvailable() >> 20), 256.0);
  // Used counts what this user can no longer write, so the parts add up.
  EXPECT_LE(f.usedMB, f.totalMB);
  EXPECT_NEAR(double(f.usedMB) + f.freeMB, double(f.totalMB), 1.0);
}

TEST(Disk, FileNotYetWrittenIsMeasuredAtItsFolder) {
  const QString dir = vistrel::test::freshDir("disk");
  const DiskFigures folder = DiskFiguresOf(dir);
  const DiskFigures future = DiskFiguresOf(dir + "/not/yet/there/capture 0001.avi");
  EXPECT_EQ(future.totalMB, folder.totalMB);
  EXPECT_GT(future.totalMB, 0u);
  EXPECT_EQ(DriveOfPath(dir + "/not/yet/there/capture.avi"), DriveOfPath(dir));
}

TEST(Disk, NothingToQueryGivesZeros) {
  for (const QString &path : {QString(), QString("")}) {
    const DiskFigures f = DiskFiguresOf(path);
    EXPECT_EQ(f.totalMB, 0u);
    EXPECT_EQ(f.usedMB, 0u);
    EXPECT_EQ(f.freeMB, 0u);
  }
}

TEST(Disk, DriveIsTheMountPoint) {
  EXPECT_EQ(DriveOfPath(QString()), QString());
  EXPECT_EQ(DriveOfPath("/"), QString("/"));
  const QString dir = vistrel::test::freshDir("drive");
  EXPECT_EQ(DriveOfPath(dir), QStorageInfo(dir).rootPath());
  // /proc is a mount of its own on every Linux system.
  EXPECT_EQ(DriveOfPath("/proc/self/status"), QString("/proc"));
}

TEST(Folders, ProgramFolderFollowsTheOverride) {
  const QByteArray saved = qgetenv("VISTREL_PROGRAM_DIR");
  const QString dir = vistrel::test::freshDir("prog");
  qputenv("VISTREL_PROGRAM_DIR", (dir + "/").toUtf8());
  EXPECT_EQ(ProgramFolder(), QDir::cleanPath(dir));
  EXPECT_EQ(ExecutablePath(), QDir::cleanPath(dir) + "/vistrel");
  qunsetenv("VISTREL_PROGRAM_DIR");
  EXPECT_FALSE(ProgramFolder().isEmpty());
  EXPECT_TRUE(QFile::exists(ExecutablePath()));
  qputenv("VISTREL_PROGRAM_DIR", saved);
}

TEST(Folders, UserFoldersFallBackToDocumentsThenHome) {
  // The sandbox has no user-dirs.dirs, so nothing is configured.
  EXPECT_EQ(DocumentsFolder(), QDir::homePath());
  EXPECT_EQ(PicturesFolder(), DocumentsFolder());
  EXPECT_EQ(VideosFolder(), DocumentsFolder());

  // Once the user's folders exist they are used.
  ASSERT_TRUE(QDir().mkpath(QDir::homePath() + "/Videos"));
  ASSERT_TRUE(QDir().mkpath(QDir::homePath() + "/Documents"));
  EXPECT_EQ(VideosFolder(), QDir::homePath() + "/Videos");
  EXPECT_EQ(PicturesFolder(), QDir::homePath() + "/Documents");
  QDir(QDir::homePath() + "/Videos").removeRecursively();
  QDir(QDir::homePath() + "/Documents").removeRecursively();
}

namespace {
// The test's own attempt, independent of the one under test.
bool TestCanCreateIn(const QString &folder) {
  QFile f(folder + "/made-by-the-test");
  const bool made = f.open(QIODevice::WriteOnly);
  if (made) f.remove();
  return made;
}
}  // namespace

TEST(Folders, WritingIsTriedNotReadFromTheModeAndLeavesNothing) {
  const QString dir = vistrel::test::freshDir("writable");
  EXPECT_TRUE(CanWriteIn(dir));
  EXPECT_TRUE(CanWriteIn(dir + "/not/yet/made"));  // it can be made
  EXPECT_FALSE(QFileInfo::exists(dir + "/not"));
  EXPECT_TRUE(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
  // Read-only by its mode: only root writes there anyway, and then it counts.
  const QString locked = vistrel::test::freshDir("locked");
  ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                                QFile::ReadOther | QFile::ExeOther));
  EXPECT_EQ(CanWriteIn(locked), TestCanCreateIn(locked));
  EXPECT_EQ(CanWriteIn(locked + "/Brenvik"), TestCanCreateIn(locked));
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  // Nobody, root included, makes files in /proc; a file is no folder.
  EXPECT_FALSE(CanWriteIn("/proc/vistrel-settings"));
  QFile file(dir + "/plain");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  EXPECT_FALSE(CanWriteIn(dir + "/plain"));
  EXPECT_FALSE(CanWriteIn(""));
}

TEST(Folders, AnInstalledProgramKeepsNothingBesideItselfAndTakesPlugInsFromTheUsersData) {
  const QByteArray saved = qgetenv("VISTREL_PROGRAM_DIR");
  const QString userPlugins = qEnvironmentVariable("XDG_DATA_HOME") + "/vistrel/plugins";
  // Run from the folder it was built or unpacked in: everything beside it, as ever.
  const QString own = vistrel::test::freshDir("build");
  qputenv("VISTREL_PROGRAM_DIR", own.toUtf8());
  EXPECT_EQ(PortableRefusal(), "");
  EXPECT_EQ(DefaultPluginsFolder(), own);
  // Installed by the package: a folder of the system, even where root could write.
  for (const char *system : {"/usr/bin", "/usr/local/bin", "/bin"}) {
    qputenv("VISTREL_PROGRAM_DIR", system);
    EXPECT_TRUE(PortableRefusal().contains(QString(system) + ", a folder of the system")) << system;
    EXPECT_EQ(DefaultPluginsFolder(), userPlugins) << system;
  }
  // Not a system prefix, but not writable either.
  qputenv("VISTREL_PROGRAM_DIR", "/proc/vistrel-unpacked");
  EXPECT_TRUE(PortableRefusal().contains("/proc/vistrel-unpacked, cannot be written"))
      << PortableRefusal().toStdString();
  EXPECT_EQ(DefaultPluginsFolder(), userPlugins);
  // Installed under a prefix of the user's own: the menu entry lies beside it.
  const QString prefix = vistrel::test::freshDir("prefix");
  QDir().mkpath(prefix + "/bin");
  QDir().mkpath(prefix + "/share/applications");
  qputenv("VISTREL_PROGRAM_DIR", (prefix + "/bin").toUtf8());
  EXPECT_EQ(PortableRefusal(), "") << "no menu entry installed yet";
  QFile entry(prefix + "/share/applications/vistrel.desktop");
  ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
  entry.close();
  EXPECT_TRUE(PortableRefusal().contains(prefix + "/bin, beside other programs")) << PortableRefusal().toStdString();
  EXPECT_EQ(DefaultPluginsFolder(), userPlugins);
  // A name that only starts like one is no system folder.
  const QString usrLike = vistrel::test::freshDir("usrlocal");
  qputenv("VISTREL_PROGRAM_DIR", usrLike.toUtf8());
  EXPECT_EQ(PortableRefusal(), "");
  qputenv("VISTREL_PROGRAM_DIR", saved);
}
