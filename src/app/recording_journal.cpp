#include "app/recording_journal.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QUrl>
#include <algorithm>
#include <cerrno>

#include "platform/filesync.h"
#include "platform/registry.h"

namespace vistrel {

namespace {

constexpr const char *kMagic = "vistrel-recordings 1";
// A journal holds a few lines; anything bigger is not ours.
constexpr qint64 kMaxJournal = 1 << 20;

QString BootId() {
  QFile f("/proc/sys/kernel/random/boot_id");
  return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.read(64)).trimmed() : QString();
}

std::vector<JournalEntry> Parse(const QByteArray &text) {
  std::vector<JournalEntry> out;
  const QList<QByteArray> lines = text.split('\n');
  if (lines.isEmpty() || lines.front() != kMagic) return out;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QList<QByteArray> f = lines[i].split('\t');
    if (f.size() != 5) continue;
    JournalEntry e;
    bool ok1 = false, ok2 = false;
    e.boot = QString::fromLatin1(f[0]);
    e.pid = f[1].toLongLong(&ok1);
    e.format = f[2].toInt(&ok2);
    e.start = QDateTime::fromString(QString::fromLatin1(f[3]), Qt::ISODateWithMs);
    e.file = QUrl::fromPercentEncoding(f[4]);
    if (ok1 && ok2 && !e.file.isEmpty()) out.push_back(std::move(e));
  }
  return out;
}

QByteArray Serialize(const std::vector<JournalEntry> &entries) {
  QByteArray text = QByteArray(kMagic) + '\n';
  for (const JournalEntry &e : entries)
    text += e.boot.toLatin1() + '\t' + QByteArray::number(e.pid) + '\t' + QByteArray::number(e.format) + '\t' +
            e.start.toString(Qt::ISODateWithMs).toLatin1() + '\t' + QUrl::toPercentEncoding(e.file) + '\n';
  return text;
}

// Written whole or not at all, and on disk before it counts.
bool WriteDurably(const QString &path, const QByteArray &text) {
  const QString temp = path + ".new";
  const int fd = ::open(QFile::encodeName(temp).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  qint64 done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
    if (n <= 0) break;
    done += n;
  }
  const bool ok = done == text.size() && ::fsync(fd) == 0;
  ::close(fd);
  if (!ok || ::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
    QFile::remove(temp);
    return false;
  }
  const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace

RecordingJournal::RecordingJournal(QString path) : path_(std::move(path)) {}

QString RecordingJournal::DefaultPath() {
  return QFileInfo(platform::Registry::UserFilePath()).absolutePath() + "/recordings.journal";
}

std::vector<JournalEntry> RecordingJournal::Entries() const {
  QFile f(path_);
  if (!f.open(QIODevice::ReadOnly) || !QFileInfo(path_).isFile() || f.size() > kMaxJournal) return {};
  return Parse(f.read(kMaxJournal));
}

template <typename Change> bool RecordingJournal::Update(Change change) {
  if (!QDir().mkpath(QFileInfo(path_).absolutePath())) return false;
  QLockFile lock(path_ + ".lock");
  lock.setStaleLockTime(10000);
  if (!lock.tryLock(2000)) return false;
  std::vector<JournalEntry> entries = Entries();
  change(entries);
  if (entries.empty()) return !QFileInfo::exists(path_) || QFile::remove(path_);
  return WriteDurably(path_, Serialize(entries));
}

bool RecordingJournal::Begin(const QString &file, int format, const QDateTime &start) {
  const QString absolute = QFileInfo(file).absoluteFilePath();
  bool taken = false;
  const bool written = Update([&](std::vector<JournalEntry> &entries) {
    taken = std::any_of(entries.begin(), entries.end(),
                        [&](const JournalEntry &e) { return e.file == absolute && WriterAlive(e); });
    if (taken) return;
    std::erase_if(entries, [&](const JournalEntry &e) { return e.file == absolute; });
    entries.push_back(JournalEntry{absolute, format, start, qint64(::getpid()), BootId()});
  });
  return written && !taken;
}

bool RecordingJournal::End(const QString &file) {
  const QString absolute = QFileInfo(file).absoluteFilePath();
  return Update([&](std::vector<JournalEntry> &entries) {
    std::erase_if(entries, [&](const JournalEntry &e) { return e.file == absolute; });
  });
}

bool WriterAlive(const JournalEntry &e) {
  if (e.boot != BootId() || e.pid <= 0 || e.pid == qint64(::getpid())) return false;
  if (::kill(pid_t(e.pid), 0) != 0 && errno == ESRCH) return false;
  // A process id of this boot taken over by another program.
  const QString mine = QFileInfo("/proc/self/exe").symLinkTarget();
  const QString theirs = QFileInfo(QString("/proc/%1/exe").arg(e.pid)).symLinkTarget();
  return theirs.isEmpty() || theirs == mine;
}

bool RecordingJournal::InUseElsewhere(const QString &file) const {
  const QString absolute = QFileInfo(file).absoluteFilePath();
  const std::vector<JournalEntry> entries = Entries();
  return std::any_of(entries.begin(), entries.end(),
                     [&](const JournalEntry &e) { return e.file == absolute && WriterAlive(e); });
}

std::vector<JournalEntry> RecordingJournal::Unfinished() const {
  std::vector<JournalEntry> out = Entries();
  std::erase_if(out, [](const JournalEntry &e) { return WriterAlive(e); });
  return out;
}

bool RecordingStarted(const QString &file, int format, const QDateTime &start) {
  RecordingJournal journal(RecordingJournal::DefaultPath());
  if (!journal.Begin(file, format, start) && journal.InUseElsewhere(file)) return false;
  platform::FileSync::Instance().Watch(file);
  return true;
}

bool RecordedElsewhere(const QString &file) {
  return RecordingJournal(RecordingJournal::DefaultPath()).InUseElsewhere(file);
}

void RecordingLeftUnfinished(const QString &file) {
  if (!file.isEmpty()) platform::FileSync::Instance().Unwatch(file);
}

void RecordingEnded(const QString &file) {
  if (file.isEmpty()) return;
  RecordingLeftUnfinished(file);
  RecordingJournal(RecordingJournal::DefaultPath()).End(file);
}

}  // namespace vistrel
