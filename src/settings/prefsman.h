#pragma once
// The preference stores behind TBrenvikPreferences: one registry-like interface
// (a tree of keys holding named values) over the registry stand-in, over an ini
// file held in memory, or over nothing.
#include <QSet>
#include <QString>
#include <QStringList>

namespace vistrel::settings {

enum class TSavePreferences : quint8 { spRegistre = 0, spPortable = 1, spNone = 2 };

// A window rectangle as it is stored: four integers.
struct PrefRect {
  qint32 Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const PrefRect &) const = default;
};

class TPreferencesMan {
 public:
  virtual ~TPreferencesMan() = default;
  virtual bool GetValueNames(QStringList &list) = 0;
  virtual bool GetKeyNames(QStringList &list) = 0;
  // Current key := current path + "\" + name (name alone at the root).
  virtual bool OpenKey(const QString &name, bool create) = 0;
  // Back to the parent key.
  virtual void CloseKey();
  virtual bool WriteString(const QString &name, const QString &value) = 0;
  virtual bool ReadString(const QString &name, QString &value) = 0;
  virtual bool DeleteValue(const QString &name) = 0;
  virtual bool WriteBool(const QString &name, bool value) = 0;
  virtual bool ReadBool(const QString &name, bool &value) = 0;
  virtual bool WriteInteger(const QString &name, qint32 value) = 0;
  virtual bool ReadInteger(const QString &name, qint32 &value) = 0;
  virtual bool WriteFloat(const QString &name, double value) = 0;
  virtual bool ReadFloat(const QString &name, double &value) = 0;
  // Writes what is held in memory; false when it could not be written.
  virtual bool Flush() { return true; }

  QString CurrentPath() const { return path_; }

 protected:
  QString Joined(const QString &name) const { return path_.isEmpty() ? name : path_ + u'\\' + name; }
  QString path_;
};

bool WriteRect(TPreferencesMan &store, const QString &name, const PrefRect &r);
bool ReadRect(TPreferencesMan &store, const QString &name, PrefRect &r);

class TNonePreferencesMan : public TPreferencesMan {
 public:
  bool GetValueNames(QStringList &) override { return false; }
  bool GetKeyNames(QStringList &) override { return false; }
  bool OpenKey(const QString &, bool) override { return true; }
  void CloseKey() override {}
  bool WriteString(const QString &, const QString &) override { return true; }
  bool ReadString(const QString &, QString &) override { return false; }
  bool DeleteValue(const QString &) override { return true; }
  bool WriteBool(const QString &, bool) override { return true; }
  bool ReadBool(const QString &, bool &) override { return false; }
  bool WriteInteger(const QString &, qint32) override { return true; }
  bool ReadInteger(const QString &, qint32 &) override { return false; }
  bool WriteFloat(const QString &, double) override { return true; }
  bool ReadFloat(const QString &, double &) override { return false; }
};

// Keys under HKEY_CURRENT_USER\root in the registry stand-in.
class TRegPreferencesMan : public TPreferencesMan {
 public:
  explicit TRegPreferencesMan(const QString &root);
  bool GetValueNames(QStringList &list) override;
  bool GetKeyNames(QStringList &list) override;
  bool OpenKey(const QString &name, bool create) override;
  bool WriteString(const QString &name, const QString &value) override;
  bool ReadString(const QString &name, QString &value) override;
  bool DeleteValue(const QString &name) override;
  bool WriteBool(const QString &name, bool value) override;
  bool ReadBool(const QString &name, bool &value) override;
  bool WriteInteger(const QString &name, qint32 value) override;
  bool ReadInteger(const QString &name, qint32 &value) override;
  bool WriteFloat(const QString &name, double value) override;
  bool ReadFloat(const QString &name, double &value) override;
  bool Flush() override;

 private:
  QString Full() const;
  QString root_;
  bool writeFailed_ = false;
};

// An ini file held in memory: key "a\b" is the section [a\b], the root is [].
// It writes back only the sections it changed, so another writer's sections
// of the same file survive.
class TIniPreferencesMan : public TPreferencesMan {
 public:
  TIniPreferencesMan(const QString &fileName, bool create);
  ~TIniPreferencesMan() override;
  bool GetValueNames(QStringList &list) override;
  bool GetKeyNames(QStringList &list) override;
  bool OpenKey(const QString &name, bool create) override;
  void CloseKey() override;
  bool WriteString(const QString &name, const QString &value) override;
  bool ReadString(const QString &name, QString &value) override;
  bool DeleteValue(const QString &name) override;
  bool WriteBool(const QString &name, bool value) override;
  bool ReadBool(const QString &name, bool &value) override;
  bool WriteInteger(const QString &name, qint32 value) override;
  bool ReadInteger(const QString &name, qint32 &value) override;
  bool WriteFloat(const QString &name, double value) override;
  bool ReadFloat(const QString &name, double &value) override;
  bool Flush() override;

  const QStringList &Lines() const { return lines_; }

 private:
  qsizetype HeaderOf(const QString &path) const;
  qsizetype SectionEnd() const;        // index of the next header (or the line count)
  qsizetype FindValue(const QString &name) const;
  void Touch();                        // marks the current section as changed
  void EnsureSection();

  QString fileName_;
  QStringList lines_;
  qsizetype section_ = -1;
  QSet<QString> dirty_;
};

}  // namespace vistrel::settings
