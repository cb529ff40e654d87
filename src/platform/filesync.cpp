#include "platform/filesync.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <vector>

namespace vistrel::platform {

FileSync &FileSync::Instance() {
  static FileSync instance;
  return instance;
}

FileSync::FileSync() : thread_([this] { Run(); }) {}

FileSync::~FileSync() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
  for (auto &[path, fd] : files_)
    if (fd >= 0) ::close(fd);
  for (auto &[path, fd] : closing_)
    if (fd >= 0) ::close(fd);
}

void FileSync::Watch(const QString &file) {
  std::lock_guard lock(mutex_);
  files_.emplace(file, -1);
}

void FileSync::Unwatch(const QString &file) {
  {
    std::lock_guard lock(mutex_);
    const auto it = files_.find(file);
    if (it == files_.end()) return;
    if (it->second >= 0) closing_[file + QChar(0) + QString::number(it->second)] = it->second;
    files_.erase(it);
  }
  wake_.notify_all();
}

long FileSync::Syncs() const {
  std::lock_guard lock(mutex_);
  return syncs_;
}

void FileSync::Run() {
  std::unique_lock lock(mutex_);
  while (!stop_) {
    wake_.wait_for(lock, Interval(), [this] { return stop_ || !closing_.empty(); });
    // Opening and syncing happen without the lock: a slow disk must not hold
    // up a recording's start or end.
    struct Item {
      QString path;
      int fd;
      bool fresh;  // opened in this round, not yet in files_
    };
    std::vector<Item> todo;
    for (const auto &[path, fd] : files_) todo.push_back(Item{path, fd, false});
    std::map<QString, int> done;
    done.swap(closing_);
    lock.unlock();
    for (Item &t : todo) {
      if (t.fd < 0) {
        t.fd = ::open(QFile::encodeName(t.path).constData(), O_RDONLY | O_CLOEXEC);
        t.fresh = t.fd >= 0;
      }
      if (t.fd >= 0) ::fdatasync(t.fd);
    }
    for (auto &[key, fd] : done) {
      ::fdatasync(fd);
      ::close(fd);
    }
    lock.lock();
    for (const Item &t : todo) {
      if (t.fd >= 0) ++syncs_;
      if (!t.fresh) continue;
      const auto it = files_.find(t.path);
      if (it != files_.end() && it->second < 0) it->second = t.fd;
      else ::close(t.fd);  // unwatched meanwhile
    }
  }
}

}  // namespace vistrel::platform
