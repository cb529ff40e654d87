#include "platform/disk.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <sys/statvfs.h>

#include <algorithm>
#include <limits>

namespace vistrel::platform {
namespace {

// The path itself when it exists, else its nearest existing ancestor; empty
// when there is none (an empty or relative path whose parents vanished).
QString NearestExisting(const QString &path) {
  if (path.isEmpty()) return {};
  QString probe = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  for (;;) {
    if (QFileInfo::exists(probe)) return probe;
    const QString parent = QFileInfo(probe).path();
    if (parent == probe || parent.isEmpty()) return {};
    probe = parent;
  }
}

quint32 ToMB(qint64 bytes) {
  if (bytes <= 0) return 0;
  const qint64 mb = bytes / (1024 * 1024);
  return static_cast<quint32>(std::min<qint64>(mb, std::numeric_limits<quint32>::max()));
}

}  // namespace

DiskFigures DiskFiguresOf(const QString &path) {
  const QString existing = NearestExisting(path);
  if (existing.isEmpty()) return {};
  const QStorageInfo info(existing);
  if (!info.isValid() || !info.isReady()) return {};
  DiskFigures f;
  f.totalMB = ToMB(info.bytesTotal());
  // Free is what this user may still write; blocks reserved for root count
  // as used, so used + free = total.
  f.freeMB = ToMB(info.bytesAvailable());
  f.usedMB = ToMB(info.bytesTotal() - info.bytesAvailable());
  return f;
}

qint64 FreeBytesOf(const QString &path) {
  const QString existing = NearestExisting(path);
  struct statvfs st {};
  if (existing.isEmpty() || ::statvfs(QFile::encodeName(existing).constData(), &st) != 0) return -1;
  return qint64(st.f_bavail) * qint64(st.f_frsize);
}

QString DriveOfPath(const QString &path) {
  const QString existing = NearestExisting(path);
  if (existing.isEmpty()) return {};
  const QStorageInfo info(existing);
  if (!info.isValid()) return {};
  return info.rootPath();
}

}  // namespace vistrel::platform
