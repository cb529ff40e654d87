#pragma once
// Ini text files as lists of lines: decoding whatever encoding an older tool or
// a text editor left behind, and writing them back the one way we always write
// (UTF-16LE with a byte-order mark, CR LF), replaced atomically.
#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

namespace vistrel::platform {

// Splits raw file bytes into lines. A UTF-16 (either order) or UTF-8 byte-order
// mark selects the encoding; without one the bytes are read in the locale's
// 8-bit encoding. CR LF, lone LF and lone CR all end a line; a final line
// terminator does not add an empty line. Never fails: undecodable bytes become
// replacement characters.
QStringList DecodeIniLines(const QByteArray &bytes);

// UTF-16LE with BOM, every line followed by CR LF.
QByteArray EncodeIniLines(const QStringList &lines);

// Reads a file's lines; false (lines left empty) when it cannot be opened.
bool ReadIniLines(const QString &path, QStringList &lines);

// Writes the lines atomically (temporary file, flush to disk, rename).
bool WriteIniLines(const QString &path, const QStringList &lines);

// True when the line, trimmed of blanks, is "[...]" (at least the brackets).
bool IsIniSectionHeader(const QString &line);

// Replaces, in `onDisk`, the sections named in `owned` (trimmed header texts,
// compared exactly) by their content in `mine`; sections of `owned` missing
// from `onDisk` are appended; an owned section absent from `mine` is removed
// from the result. Everything else in `onDisk` is kept as it is. This lets two
// writers of one file each write only what they own without losing the other's.
QStringList MergeIniSections(const QStringList &onDisk, const QStringList &mine,
                             const QSet<QString> &owned);

// Reads the file again and writes it back with the owned sections of `mine`
// merged in (see MergeIniSections). A missing file counts as empty; one that
// exists but cannot be read makes the write fail.
bool MergeIntoIniFile(const QString &path, const QStringList &mine, const QSet<QString> &owned);

}  // namespace vistrel::platform
