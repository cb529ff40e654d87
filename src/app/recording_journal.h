#pragma once
// The journal of recordings under way, kept beside the settings. A capture
// writes its file's entry before the first frame and takes it out once the
// file is finished; an entry still there at the next start is a recording
// that was cut off (a kill, a crash, a power cut) and is repaired then. The
// journal is the only way such files are found: the user's folders are
// never searched.
#include <QDateTime>
#include <QString>

#include <vector>

namespace vistrel {

struct JournalEntry {
  QString file;
  int format = 0;  // capture format code
  QDateTime start;
  qint64 pid = 0;   // the process writing it
  QString boot;     // the boot it was written in
};

class RecordingJournal {
 public:
  explicit RecordingJournal(QString path);
  // "recordings.journal" in the folder of the settings file.
  static QString DefaultPath();

  // False when the journal could not be written, or another Vistrel still
  // records into `file` (its entry is left as it is).
  bool Begin(const QString &file, int format, const QDateTime &start);
  bool End(const QString &file);
  // Entries of runs that are over; those of a Vistrel still running (a second
  // instance) are not theirs to take.
  std::vector<JournalEntry> Unfinished() const;
  std::vector<JournalEntry> Entries() const;
  // Another Vistrel, still running, records into `file`.
  bool InUseElsewhere(const QString &file) const;
  bool Forget(const QString &file) { return End(file); }

  QString Path() const { return path_; }

 private:
  // Reads, changes and writes the journal under its lock; the new journal
  // replaces the old in one rename, synced to disk first.
  template <typename Change> bool Update(Change change);

  QString path_;
};

// The capture's calls: the journal entry, and the periodic sync that bounds
// what a power cut can take. Started is false only when another Vistrel
// records into `file` (a journal that cannot be written does not stop a
// recording).
bool RecordingStarted(const QString &file, int format, const QDateTime &start);
void RecordingEnded(const QString &file);
// The file is left to the next start's repair: its entry stays.
void RecordingLeftUnfinished(const QString &file);
// Another Vistrel, still running, records into `file`.
bool RecordedElsewhere(const QString &file);

// Whether a process of this boot is still running this program.
bool WriterAlive(const JournalEntry &e);

}  // namespace vistrel
