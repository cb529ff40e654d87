#pragma once
// A second handle on a file being recorded. The writer's handle is its own
// and dies with it; this one lets the recorder see that the file's name was
// removed while it still writes (its folder deleted from a file manager), and
// copy what the file holds out before the last handle closes and the system
// frees it.
#include <QString>

namespace vistrel::platform {

class FileHold {
 public:
  FileHold() = default;
  explicit FileHold(const QString &file) { Open(file); }
  ~FileHold();
  FileHold(const FileHold &) = delete;
  FileHold &operator=(const FileHold &) = delete;

  // Opens `file` for reading; false when it is not there (yet).
  bool Open(const QString &file);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  QString File() const { return file_; }
  // No name leads to the file any more (removed, or its folder was).
  bool Unlinked() const;
  // Copies all the file holds to `target` (a new file), synced to disk.
  bool CopyTo(const QString &target) const;

 private:
  int fd_ = -1;
  QString file_;
};

// A name beside `file` that says what happened and is not taken:
// "Video_0 (rescued).avi", "Video_0 (rescued 2).avi"…
QString RescueName(const QString &folder, const QString &file);

}  // namespace vistrel::platform
