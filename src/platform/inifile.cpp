#include "platform/inifile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>

namespace vistrel::platform {

namespace {

QString DecodeUtf16(const QByteArray &bytes, int offset, bool littleEndian) {
  QString text;
  const qsizetype count = (bytes.size() - offset) / 2;  // an odd last byte is dropped
  text.reserve(count);
  const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData()) + offset;
  for (qsizetype i = 0; i < count; ++i) {
    const char16_t c = littleEndian ? char16_t(p[2 * i] | (p[2 * i + 1] << 8))
                                    : char16_t((p[2 * i] << 8) | p[2 * i + 1]);
    text.append(QChar(c));
  }
  return text;
}

// Without a byte-order mark: UTF-8 when the bytes are valid UTF-8 (the usual
// Linux locale), otherwise the Windows 8-bit page when Qt knows it, else Latin-1.
QString DecodeEightBit(const QByteArray &bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (!utf8.hasError()) return text;
  QStringDecoder ansi("windows-1252");
  if (ansi.isValid()) {
    text = ansi.decode(bytes);
    if (!ansi.hasError()) return text;
  }
  return QString::fromLatin1(bytes);
}

// Splits the body of a section (the lines between its header and the next one)
// into: header index -> [header, next header).
struct Block {
  QString name;  // trimmed header text, empty for lines before the first header
  qsizetype begin = 0, end = 0;
};

QList<Block> SplitBlocks(const QStringList &lines) {
  QList<Block> blocks;
  Block current;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (IsIniSectionHeader(lines[i])) {
      current.end = i;
      if (current.end > current.begin || !current.name.isEmpty()) blocks.append(current);
      current = Block{lines[i].trimmed(), i, i};
    }
  }
  current.end = lines.size();
  if (current.end > current.begin || !current.name.isEmpty()) blocks.append(current);
  return blocks;
}

}  // namespace

QStringList DecodeIniLines(const QByteArray &bytes) {
  QString text;
  const auto b = [&](int i) { return static_cast<unsigned char>(bytes.at(i)); };
  if (bytes.size() >= 2 && b(0) == 0xFF && b(1) == 0xFE) {
    text = DecodeUtf16(bytes, 2, true);
  } else if (bytes.size() >= 2 && b(0) == 0xFE && b(1) == 0xFF) {
    text = DecodeUtf16(bytes, 2, false);
  } else if (bytes.size() >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) {
    text = QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
  } else {
    text = DecodeEightBit(bytes);
  }
  QStringList lines;
  QString line;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c == u'\r' || c == u'\n') {
      lines.append(line);
      line.clear();
      if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') ++i;
    } else {
      line.append(c);
    }
  }
  if (!line.isEmpty()) lines.append(line);
  return lines;
}

QByteArray EncodeIniLines(const QStringList &lines) {
  QByteArray out;
  out.append(char(0xFF)).append(char(0xFE));
  for (const QString &line : lines) {
    for (const QChar c : line) out.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    out.append("\r\0\n\0", 4);
  }
  return out;
}

bool ReadIniLines(const QString &path, QStringList &lines) {
  lines.clear();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  lines = DecodeIniLines(file.readAll());
  return true;
}

bool WriteIniLines(const QString &path, const QStringList &lines) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QByteArray bytes = EncodeIniLines(lines);
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();  // QSaveFile flushes to disk before renaming
}

bool IsIniSectionHeader(const QString &line) {
  const QString t = line.trimmed();
  return t.size() >= 2 && t.startsWith(u'[') && t.endsWith(u']');
}

QStringList MergeIniSections(const QStringList &onDisk, const QStringList &mine,
                             const QSet<QString> &owned) {
  QStringList order;                  // owned sections of `mine`, in their order
  QHash<QString, QStringList> blocks;  // their lines, repeated headers joined
  for (const Block &blk : SplitBlocks(mine)) {
    if (!owned.contains(blk.name)) continue;
    if (!blocks.contains(blk.name)) order.append(blk.name);
    blocks[blk.name] += mine.mid(blk.begin, blk.end - blk.begin);
  }
  QStringList out;
  QSet<QString> placed;
  for (const Block &blk : SplitBlocks(onDisk)) {
    if (!owned.contains(blk.name)) {
      out += onDisk.mid(blk.begin, blk.end - blk.begin);
    } else if (!placed.contains(blk.name)) {
      out += blocks.value(blk.name);  // where the section was; gone when not in `mine`
      placed.insert(blk.name);
    }
  }
  for (const QString &name : order)
    if (!placed.contains(name)) out += blocks.value(name);
  return out;
}

bool MergeIntoIniFile(const QString &path, const QStringList &mine, const QSet<QString> &owned) {
  QStringList disk;
  // A file that exists but cannot be read is left alone rather than replaced
  // by our sections only.
  if (QFileInfo::exists(path) && !ReadIniLines(path, disk)) return false;
  return WriteIniLines(path, MergeIniSections(disk, mine, owned));
}

}  // namespace vistrel::platform
