#pragma once
// One file of the session list: what the directory says about it, the sort keys
// the list orders it by, and for captures the record of how the capture went.
#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace vistrel::sessionlist {

// The five orders of the list. The identifiers are what menus and settings name.
enum class TSortIndex { alpha, size, modify, extension, path };
inline constexpr int kSortModes = 5;

QString SortIdentifier(TSortIndex mode);
// The words the List panel's count label ends with ("in alphabetical order").
QString SortCaption(TSortIndex mode);
std::optional<TSortIndex> SortFromIdentifier(const QString &identifier);

class TSRFichier {
 public:
  TSRFichier() = default;
  // Reads the directory record of path; a file that cannot be read keeps size 0
  // and invalid times but still has its names.
  explicit TSRFichier(const QString &path);
  virtual ~TSRFichier() = default;

  // Sets every name from a path (used by the constructor and by tests that
  // give the figures themselves).
  void SetPath(const QString &path);

  QString FullName, FileName, Folder, Extension, BareName;
  quint64 Size = 0;
  QDateTime Created, Modified, Accessed;  // local time
  quint32 Attributes = 0;                 // bit 0: read-only

  quint32 SizeHigh() const { return quint32(Size >> 32); }
  quint32 SizeLow() const { return quint32(Size & 0xFFFFFFFFu); }
  bool ReadOnly() const { return (Attributes & 1u) != 0; }

  // The text the list compares in that mode.
  QString Key(TSortIndex mode) const;
};

// A written capture or still image, with the sources it came from.
class TDataFichier : public TSRFichier {
 public:
  TDataFichier() = default;
  explicit TDataFichier(const QString &path) : TSRFichier(path) {}

  qint32 Dropped = -1;   // -1: the counter was not available
  qint32 Captured = -1;  // frames not dropped; -1: not available
  qint32 TapeErrorFrames = -1;  // DV recordings: frames the tape report counts as damaged; -1: no report
  QString VideoSource, AudioSource, AudioEntry, CaptureFormat;
};

// A recording of an earlier session, listed from the history.
class TEarlierFichier : public TDataFichier {
 public:
  bool Missing = false;  // no longer on disk when it was listed
};

// The "Properties" message of an entry, lines separated by "\n".
QString ProprietesTexte(const TDataFichier &entry);
// "n frames with tape errors", or nothing without a tape report.
QString TapeErrorsText(const TDataFichier &entry);

}  // namespace vistrel::sessionlist
