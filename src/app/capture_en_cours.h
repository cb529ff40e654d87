#pragma once
// The capture under way as the graph writes it: its file, its format, whether
// its chain is in the graph and when it started. A finished file is handed
// out once, so a second stop of the same capture records nothing.
#include <QDateTime>
#include <QString>

#include "settings/captureformats.h"

namespace vistrel {

class TCaptureEnCours {
 public:
  // A chain was built for `format`; it writes `file` from `debut`.
  void Commencer(const QString &file, settings::CaptureFormatCode format, const QDateTime &debut);
  // Cut: the same chain goes on in `file`; the start stays the first part's.
  void Continuer(const QString &file) { fichier_ = file; }
  // The file being written, once; empty when none is (or it was already taken).
  QString PrendreFichierTermine();
  // The chain came out of the graph (a stop, a failed start).
  void ChaineRetiree();

  bool Chaine() const { return chaine_; }
  QString Fichier() const { return fichier_; }
  settings::CaptureFormatCode Format() const { return format_; }
  QDateTime Debut() const { return debut_; }
  // Time since the start; 0 before any capture.
  qint64 DureeMs(const QDateTime &now) const;

 private:
  QString fichier_;
  settings::CaptureFormatCode format_ = settings::CaptureFormatCode::None;
  bool chaine_ = false;
  QDateTime debut_;
};

}  // namespace vistrel
