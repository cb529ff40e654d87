#include "app/capture_en_cours.h"

namespace vistrel {

void TCaptureEnCours::Commencer(const QString &file, settings::CaptureFormatCode format, const QDateTime &debut) {
  fichier_ = file;
  format_ = format;
  chaine_ = true;
  debut_ = debut;
}

QString TCaptureEnCours::PrendreFichierTermine() {
  QString file;
  file.swap(fichier_);
  return file;
}

void TCaptureEnCours::ChaineRetiree() {
  chaine_ = false;
  fichier_.clear();
}

qint64 TCaptureEnCours::DureeMs(const QDateTime &now) const { return debut_.isValid() ? debut_.msecsTo(now) : 0; }

}  // namespace vistrel
