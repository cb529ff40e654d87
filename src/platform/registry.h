#pragma once
// The per-user registry stand-in: a typed tree of keys and values, persisted as
// one text file in the Windows Registry Editor 5.00 format under
// $XDG_CONFIG_HOME/Brenvik/, so settings can be exported to or imported from a
// Windows machine. Key and value names compare without regard to letter case,
// as the registry does. Every change is written at once: the file is re-read if
// another instance changed it, then replaced atomically (temporary file, fsync,
// rename) while an advisory lock is held, so two running instances never
// corrupt it. Lines of the file that cannot be understood are kept and written
// back where they were found.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace vistrel::platform {

enum RegType : quint32 {
  RegNone = 0,
  RegSz = 1,
  RegExpandSz = 2,
  RegBinary = 3,
  RegDword = 4,
  RegMultiSz = 7,
};

// A value as the registry holds it: a type and raw bytes (REG_SZ: UTF-16LE).
struct RegValue {
  quint32 type = RegNone;
  QByteArray data;

  static RegValue String(const QString &s);  // with its terminating zero character
  static RegValue Dword(quint32 v);
  static RegValue Binary(const QByteArray &bytes);

  // REG_SZ/REG_EXPAND_SZ text without its terminating zero; nullopt for other types.
  std::optional<QString> AsString() const;
  // REG_DWORD of 4 bytes; nullopt otherwise.
  std::optional<quint32> AsDword() const;
  bool operator==(const RegValue &o) const { return type == o.type && data == o.data; }
};

class Registry {
 public:
  // The current user's store; follows XDG_CONFIG_HOME (re-targeted when it changes).
  static Registry &User();
  // The file the current user's store lives in.
  static QString UserFilePath();

  explicit Registry(const QString &filePath);
  ~Registry();
  Registry(const Registry &) = delete;
  Registry &operator=(const Registry &) = delete;

  QString FilePath() const;

  // Paths are key names joined by backslashes, relative to HKEY_CURRENT_USER;
  // leading, trailing and doubled backslashes are ignored; "" is the root.
  bool KeyExists(const QString &path);
  bool CreateKey(const QString &path);  // with every missing parent
  bool DeleteKey(const QString &path);  // with everything under it; false if missing
  QStringList SubKeyNames(const QString &path);
  QStringList ValueNames(const QString &path);
  bool ValueExists(const QString &path, const QString &name);

  std::optional<RegValue> Value(const QString &path, const QString &name);
  // Fails when the key does not exist (keys are created explicitly).
  bool SetValue(const QString &path, const QString &name, const RegValue &value);
  bool DeleteValue(const QString &path, const QString &name);

  // Holds the lock and defers writing the file until the outermost batch ends,
  // so a save of many values writes the file once.
  class Batch {
   public:
    explicit Batch(Registry &reg);
    ~Batch();
    Batch(const Batch &) = delete;
    Batch &operator=(const Batch &) = delete;

   private:
    Registry &reg_;
  };

  // False when the last change could not be written to the file.
  bool LastWriteOk() const;

  // The whole tree in the .reg text format (UTF-16LE with BOM, CR LF).
  QByteArray ExportText();
  // Replaces the tree by the parsed text (any of the accepted encodings); lines
  // that cannot be parsed are kept. Writes the file.
  bool ImportText(const QByteArray &bytes);

  struct Impl;

 private:
  std::unique_ptr<Impl> d_;
};

// Parses .reg text into a tree and writes it back: exposed for tests and fuzzing.
// Returns the re-exported text; parsing never fails.
QByteArray NormalizeRegText(const QByteArray &bytes);

}  // namespace vistrel::platform
