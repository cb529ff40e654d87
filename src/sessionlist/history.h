#pragma once
// The recordings of earlier sessions: every file the session list showed,
// kept in a JSON file of the user's data folder
// ($XDG_DATA_HOME/vistrel/recordings.history), newest last, at most
// kMaxEntries. Each change rewrites the whole file atomically, so a program
// killed while saving leaves the previous history. A file that is not a
// history is never written over: it is set aside beside itself (".bak") and
// Problem() says where.
#include <QDateTime>
#include <QString>
#include <vector>

namespace vistrel::sessionlist {

class TDataFichier;

struct HistoryEntry {
  QString file;
  qint64 size = 0;
  QDateTime modified;  // the file's, when it was listed
  qint32 dropped = -1, captured = -1;
  QString videoSource, audioSource, audioEntry, captureFormat;

  static HistoryEntry From(const TDataFichier &listed);
  // The list's entry for it; the file's figures are read again when it is
  // still there, those of the history kept when it is not.
  void FillIn(TDataFichier &entry) const;
};

class RecordingHistory {
 public:
  static constexpr int kMaxEntries = 500;
  static QString DefaultPath();

  explicit RecordingHistory(QString path = DefaultPath());

  // Reads the file. True when it was read or is not there yet; false when it
  // could not be read (nothing is written to it afterwards) or was not a
  // history (it is set aside first and a new one starts).
  bool Load();
  const std::vector<HistoryEntry> &Entries() const { return entries_; }
  // The entry goes last, replacing an older one of the same file; the oldest
  // go past kMaxEntries. False when the file could not be written.
  bool Add(const HistoryEntry &entry);
  // Forgets every entry and removes the file.
  bool Clear();
  QString Path() const { return path_; }
  // Why the file was not read or written, in words for the user; empty when all went well.
  QString Problem() const { return problem_; }

 private:
  bool Save();
  void SetAside();

  QString path_;
  std::vector<HistoryEntry> entries_;
  QString problem_;
  bool writable_ = true;
};

}  // namespace vistrel::sessionlist
