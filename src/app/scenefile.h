#pragma once
// The scene file written beside a DV recording: a fixed head naming the file,
// then one record per scene the detector reports. Reports arrive on a
// streaming thread while the file is opened and closed on the main thread.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <mutex>

#include "filters/dvcodes.h"

namespace vistrel {

class TSceneFile {
 public:
  static constexpr std::uint32_t kMaxReports = 32768;
  ~TSceneFile() { FermerScn(); }

  // Creates (or truncates) the file and writes its head. False when it
  // cannot be created or its path does not fit the one-byte length field;
  // nothing is then open.
  bool OuvrirScn(const QString &name);
  // The scene callback: the scene's first frame and the current one.
  void SceneScn(const filters::DVInfo &start, const filters::DVInfo &current);
  // Writes the report count and closes the file; nothing when none is open.
  void FermerScn();

  bool Ouvert() const;
  QString NomScn() const;
  std::uint32_t Reports() const;

  // The scene file of a recording: its name with the extension ".scn".
  static QString NameFor(const QString &videoFile);
  // The path as stored in the file: 8-bit, one byte per character.
  static QByteArray StoredPath(const QString &name);

 private:
  void CloseLocked();
  mutable std::mutex mutex_;
  QFile file_;
  QString nomScn_;
  QByteArray path_;
  std::uint32_t reports_ = 0;
  qint64 countPos_ = 0;
  bool open_ = false;
};

}  // namespace vistrel
