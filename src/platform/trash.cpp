// The freedesktop trash, written here rather than taken from QFile::moveToTrash:
// when Qt 6.4 cannot set up a trash folder it still renames the file to
// "files/<name>" relative to the current directory, which loses it or
// overwrites another file of that name. Here every step either succeeds or
// leaves the file where it was.
#include "platform/shell.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel::platform {
namespace {

struct Trash {
  QString folder;   // holds files/ and info/
  QString topdir;   // Path= is written relative to it; empty: absolute
};

QByteArray Native(const QString &path) { return QFile::encodeName(path); }

bool LStat(const QString &path, struct stat *st) { return ::lstat(Native(path).constData(), st) == 0; }

// A real folder (not a link to one) on the given device, created if missing.
bool PrivateFolder(const QString &path, dev_t device) {
  if (::mkdir(Native(path).constData(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  return LStat(path, &st) && S_ISDIR(st.st_mode) && st.st_dev == device;
}

bool Prepare(const Trash &trash, dev_t device) {
  return PrivateFolder(trash.folder, device) && PrivateFolder(trash.folder + "/files", device) &&
         PrivateFolder(trash.folder + "/info", device);
}

// The device of path, or of its nearest existing ancestor.
bool DeviceOfNearest(QString path, dev_t *device) {
  struct stat st {};
  while (!path.isEmpty()) {
    if (::stat(Native(path).constData(), &st) == 0) {
      *device = st.st_dev;
      return true;
    }
    const QString parent = QFileInfo(path).path();
    if (parent == path) break;
    path = parent;
  }
  return false;
}

bool FindTrash(const QString &source, dev_t device, Trash *out) {
  const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  dev_t homeDevice{};
  if (!dataHome.isEmpty() && DeviceOfNearest(dataHome, &homeDevice) && homeDevice == device) {
    QDir().mkpath(dataHome);
    *out = {dataHome + "/Trash", {}};
    return Prepare(*out, device);
  }
  // Another volume: its own trash at the top, so the move stays a rename.
  const QString topdir = QStorageInfo(QFileInfo(source).absolutePath()).rootPath();
  if (topdir.isEmpty()) return false;
  const QString top = topdir == "/" ? QString() : topdir;
  const QString uid = QString::number(::getuid());
  struct stat st {};
  if (LStat(top + "/.Trash", &st) && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
    *out = {top + "/.Trash/" + uid, topdir};
    if (Prepare(*out, device)) return true;
  }
  *out = {top + "/.Trash-" + uid, topdir};
  if (!Prepare(*out, device)) return false;
  return LStat(out->folder, &st) && st.st_uid == ::getuid();
}

QString CandidateName(const QFileInfo &file, int n) {
  if (n == 1) return file.fileName();
  const QString suffix = file.suffix();
  const QString stem = suffix.isEmpty() ? file.fileName() : file.completeBaseName();
  return stem + "." + QString::number(n) + (suffix.isEmpty() ? QString() : "." + suffix);
}

// Moves without ever replacing an existing target.
int MoveNoReplace(const QString &from, const QString &to) {
  if (::renameat2(AT_FDCWD, Native(from).constData(), AT_FDCWD, Native(to).constData(), RENAME_NOREPLACE) == 0)
    return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // File systems without RENAME_NOREPLACE: link refuses an existing target.
  if (::link(Native(from).constData(), Native(to).constData()) != 0) return errno;
  if (::unlink(Native(from).constData()) != 0) {
    const int err = errno;
    ::unlink(Native(to).constData());
    return err;
  }
  return 0;
}

bool WriteAll(int fd, const QByteArray &bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

}  // namespace

bool Recycle(const QString &path) {
  if (path.isEmpty()) return false;
  const QFileInfo file(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
  const QString source = file.filePath();
  struct stat st {};
  if (file.fileName().isEmpty() || !LStat(source, &st)) return false;

  Trash trash;
  if (!FindTrash(source, st.st_dev, &trash)) return false;
  QString recorded = source;
  if (!trash.topdir.isEmpty()) recorded = QDir(trash.topdir).relativeFilePath(source);
  const QByteArray info = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(recorded, "/") + "\nDeletionDate=" +
                          QDateTime::currentDateTime().toString("yyyy-MM-ddThh:mm:ss").toLatin1() + "\n";

  for (int n = 1; n < 10000; ++n) {
    const QString name = CandidateName(file, n);
    const QString infoPath = trash.folder + "/info/" + name + ".trashinfo";
    // The info file is claimed first and exclusively: it reserves the name.
    const int fd = ::open(Native(infoPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    const bool written = WriteAll(fd, info);
    ::close(fd);
    if (!written) {
      ::unlink(Native(infoPath).constData());
      return false;
    }
    const int err = MoveNoReplace(source, trash.folder + "/files/" + name);
    if (err == 0) return true;
    ::unlink(Native(infoPath).constData());
    if (err != EEXIST) return false;
  }
  return false;
}

}  // namespace vistrel::platform
