#pragma once
// The reader and writer behind the parameter list: they hide whether settings
// live in the registry stand-in, in the ini file beside the program, or nowhere.
// Reads never fail (they give the default); writes drop their own errors.
#include "settings/incrustrec.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace vistrel::platform {
class Registry;
}

namespace vistrel::settings {

// 0 registry, 1 ini file beside the program, 2 none. Read when a reader or
// writer is created.
inline quint8 StoreMode = 2;

// Stored in place of an empty string by WriteString, turned back by ReadString.
inline const QString kEmptyMarker = QStringLiteral("#@vide\u00A7#");

// The ini file of the settings: Vistrel.ini in the program's folder.
QString SettingsIniPath();

// Locale number text as the ini file stores doubles, and back (nullopt when
// not a number, so the reader keeps its default).
QString FloatToIniText(double v);
std::optional<double> IniTextToFloat(const QString &text);
// Trimmed decimal 32-bit integer; nullopt when it is not one.
std::optional<qint32> IniTextToInt(const QString &text);

// The ini lines of one settings section, with the lookup and insertion rules
// the settings file has always had (names and headers compared exactly).
class IniSection {
 public:
  explicit IniSection(const QString &keyPath);  // header "[" + keyPath + "]"
  QStringList lines;
  QString header;
  // The text after the first "=" of the key's line in the section, or nullopt.
  std::optional<QString> Lookup(const QString &key) const;
  QString Lookup(const QString &key, const QString &def) const;
  void Set(const QString &key, const QString &value);

 private:
  qsizetype Find(const QString &key) const;
};

class TReadPreferences {
 public:
  TReadPreferences(const QString &keyPath, quint8 mode);
  ~TReadPreferences();
  // False in ini mode when the file could not be read: nothing may be loaded.
  bool IsOpen() const { return open_; }

  bool ReadBool(const QString &key, bool def);
  qint32 ReadInteger(const QString &key, qint32 def);
  double ReadFloat(const QString &key, double def);
  QString ReadString(const QString &key, const QString &def);
  TincrustRec ReadIncrustRec(const QString &key, const TincrustRec &def);

 private:
  QString keyPath_;
  quint8 mode_;
  bool open_ = true;
  IniSection ini_;
};

class TWritePreferences {
 public:
  TWritePreferences(const QString &keyPath, quint8 mode);
  // In ini mode writes this writer's section back into the file; other sections
  // (including ones another writer changed meanwhile) are kept.
  ~TWritePreferences();
  // Writes what is pending now; false when the store could not be written.
  bool Flush();

  void WriteBool(const QString &key, bool v);
  void WriteInteger(const QString &key, qint32 v);
  void WriteFloat(const QString &key, double v);
  void WriteString(const QString &key, const QString &v);
  void WriteIncrustRec(const QString &key, const TincrustRec &rec);

 private:
  QString keyPath_;
  quint8 mode_;
  IniSection ini_;
  bool flushed_ = false;
  bool ok_ = true;
  struct Batch;
  std::unique_ptr<Batch> batch_;
};

}  // namespace vistrel::settings
