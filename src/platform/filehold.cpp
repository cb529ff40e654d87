#include "platform/filehold.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <vector>

namespace vistrel::platform {

FileHold::~FileHold() { Close(); }

void FileHold::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  file_.clear();
}

bool FileHold::Open(const QString &file) {
  Close();
  file_ = file;
  fd_ = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
  return fd_ >= 0;
}

bool FileHold::Unlinked() const {
  struct stat st {};
  return fd_ >= 0 && ::fstat(fd_, &st) == 0 && st.st_nlink == 0;
}

bool FileHold::CopyTo(const QString &target) const {
  if (fd_ < 0) return false;
  const int out = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (out < 0) return false;
  std::vector<char> chunk(1 << 20);
  off_t at = 0;
  bool ok = true;
  for (;;) {
    const ssize_t n = ::pread(fd_, chunk.data(), chunk.size(), at);
    if (n < 0) ok = false;
    if (n <= 0) break;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, chunk.data() + done, size_t(n - done));
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
    at += n;
  }
  ok = ::fsync(out) == 0 && ok;
  ::close(out);
  if (!ok) QFile::remove(target);
  return ok;
}

QString RescueName(const QString &folder, const QString &file) {
  const QFileInfo info(file);
  const QString suffix = info.suffix().isEmpty() ? QString() : "." + info.suffix();
  for (int n = 1;; ++n) {
    const QString tag = n == 1 ? QStringLiteral(" (rescued)") : QString(" (rescued %1)").arg(n);
    const QString name = QDir(folder).filePath(info.completeBaseName() + tag + suffix);
    if (!QFileInfo::exists(name) && !QFileInfo(name).isSymLink()) return name;
  }
}

}  // namespace vistrel::platform
