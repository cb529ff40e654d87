#pragma once
// Size figures of the volume holding a path, for the disk gauges and the
// free-space checks before recording.
#include <QString>
#include <QtGlobal>

namespace vistrel::platform {

struct DiskFigures {
  quint32 totalMB = 0, usedMB = 0, freeMB = 0;
};

// Figures in megabytes (1 MB = 1048576 bytes) of the volume holding path.
// A path that does not exist yet (a file about to be written) is measured at
// its nearest existing parent folder. All zeros when nothing can be queried.
DiskFigures DiskFiguresOf(const QString &path);

// The bytes this user may still write on the volume holding path (measured
// like DiskFiguresOf, with one statvfs: cheap enough to ask while
// recording); -1 when nothing can be queried.
qint64 FreeBytesOf(const QString &path);

// The mount point of the volume holding path; empty for an empty path.
QString DriveOfPath(const QString &path);

}  // namespace vistrel::platform
