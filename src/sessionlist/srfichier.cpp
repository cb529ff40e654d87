#include "sessionlist/srfichier.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <array>

namespace vistrel::sessionlist {

namespace {

struct SortRow {
  TSortIndex mode;
  const char *identifier;
  const char *caption;
};

constexpr std::array<SortRow, kSortModes> kSortRows{{
    {TSortIndex::alpha, "alpha", "in alphabetical order"},
    {TSortIndex::size, "size", "by size of file"},
    {TSortIndex::modify, "modify", "by date of file"},
    {TSortIndex::extension, "extension", "by extension"},
    {TSortIndex::path, "path", "by path"},
}};

const SortRow &RowOf(TSortIndex mode) { return kSortRows[static_cast<std::size_t>(mode)]; }

QString Hex16(quint32 v) { return QString("%1").arg(v, 16, 16, QChar('0')).toUpper(); }

// "ddddd tt": the locale's short date and long time.
QString DateHeure(const QDateTime &t) {
  if (!t.isValid()) return QString();
  const QLocale l;
  return l.toString(t.date(), QLocale::ShortFormat) + ' ' + l.toString(t.time(), QLocale::LongFormat);
}

}  // namespace

QString SortIdentifier(TSortIndex mode) { return QString::fromLatin1(RowOf(mode).identifier); }
QString SortCaption(TSortIndex mode) { return QString::fromLatin1(RowOf(mode).caption); }

std::optional<TSortIndex> SortFromIdentifier(const QString &identifier) {
  for (const SortRow &row : kSortRows)
    if (identifier == QLatin1String(row.identifier)) return row.mode;
  return std::nullopt;
}

TSRFichier::TSRFichier(const QString &path) {
  SetPath(path);
  const QFileInfo info(FullName);
  if (!info.exists()) return;
  Size = quint64(info.size());
  Created = info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
  Modified = info.lastModified();
  Accessed = info.lastRead();
  Attributes = info.isWritable() ? 0u : 1u;
}

void TSRFichier::SetPath(const QString &path) {
  FullName = path;
  const QFileInfo info(path);
  FileName = info.fileName();
  Folder = info.path();
  if (!Folder.endsWith('/')) Folder += '/';
  const int dot = FileName.lastIndexOf('.');
  Extension = dot >= 0 ? FileName.mid(dot).toLower() : QString();
  BareName = dot >= 0 ? FileName.left(dot) : FileName;
}

QString TSRFichier::Key(TSortIndex mode) const {
  switch (mode) {
    case TSortIndex::alpha:
      return (FileName + FullName).toLower();
    case TSortIndex::size:
      // The high half first, so 5 GB sorts after 3 GB whatever the low halves.
      return Hex16(SizeHigh()) + Hex16(SizeLow()) + FullName.toLower();
    case TSortIndex::modify:
      return Modified.toString("yyyyMMddhhmmss") + FullName.toLower();
    case TSortIndex::extension:
      return (Extension + FullName).toLower();
    case TSortIndex::path:
      return FullName.toLower();
  }
  return FullName.toLower();
}

QString TapeErrorsText(const TDataFichier &e) {
  if (e.TapeErrorFrames < 0) return {};
  return QString::number(e.TapeErrorFrames) + (e.TapeErrorFrames == 1 ? " frame" : " frames") + " with tape errors";
}

QString ProprietesTexte(const TDataFichier &e) {
  QStringList lines;
  lines << "Start of Capture: " + DateHeure(e.Created);
  lines << "End of Capture: " + DateHeure(e.Modified);
  lines << "Size of File: " + QString::number(e.Size);
  lines << QString();
  if (e.Dropped < 0 && e.Captured < 0) {
    lines << "No data about dropped/captured frames";
  } else {
    if (e.Captured >= 0) lines << "Captured Frames: " + QString::number(e.Captured);
    if (e.Dropped >= 0) lines << "Dropped Frames: " + QString::number(e.Dropped);
  }
  if (e.TapeErrorFrames >= 0) lines << "Tape: " + TapeErrorsText(e);
  lines << QString();
  lines << "Video Source: " + e.VideoSource;
  lines << "Audio Source: " + e.AudioSource;
  lines << "Audio Entry: " + e.AudioEntry;
  lines << "Capture Format: " + e.CaptureFormat;
  lines << QString();
  return lines.join('\n');
}

}  // namespace vistrel::sessionlist
