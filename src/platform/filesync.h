#pragma once
// Pushes the files being recorded to the disk at a steady pace, from a thread
// of its own, so a power cut takes at most the last interval of a recording
// and neither the user-interface thread nor a streaming thread ever waits on
// the disk for it. A file's pages are synced through a descriptor of its
// own: Linux syncs the file, whoever wrote it.
#include <QString>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace vistrel::platform {

class FileSync {
 public:
  static FileSync &Instance();
  FileSync();
  ~FileSync();
  FileSync(const FileSync &) = delete;
  FileSync &operator=(const FileSync &) = delete;

  // From now on `file` is synced every Interval(); a file not yet there is
  // opened at the next tick.
  void Watch(const QString &file);
  // Synced one last time, then left alone.
  void Unwatch(const QString &file);
  static std::chrono::milliseconds Interval() { return std::chrono::milliseconds(1000); }
  // Syncs done so far (for tests).
  long Syncs() const;

 private:
  void Run();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::map<QString, int> files_;  // path, descriptor (-1 until opened)
  std::map<QString, int> closing_;  // synced once more, then closed
  long syncs_ = 0;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace vistrel::platform
