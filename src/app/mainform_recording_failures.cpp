// A capture that cannot go on: a lost device, a failed stop, a disk that
// fills. The capture ends the normal way, so every muxer writes its index and
// header, and the user is told what happened and which file holds what; an
// unattended run logs the same words. A file that came out empty is not left
// behind.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

#include "app/mainform.h"
#include "graph/avgraph.h"
#include "media/diskwatch.h"
#include "platform/dialogs.h"
#include "platform/disk.h"
#include "settings/settings.h"

namespace vistrel {

using platform::DialogService;
using platform::DlgAnswer;
using platform::DlgButtons;
using platform::DlgKind;

namespace {

qint64 Megabytes(qint64 bytes) { return bytes >> 20; }

}  // namespace

QString TCaptureForm::CeQueGarde(const QString &file) const {
  if (file.isEmpty()) return QStringLiteral("Nothing was recorded.");
  if (!QFileInfo(file).isFile()) return "Nothing was recorded in " + file + ".";
  const QString until = file == dernierFichier_ && finDernierFichier_.isValid()
                            ? finDernierFichier_.time().toString("HH:mm:ss")
                            : QStringLiteral("the stop");
  return "The file " + file + " keeps what was recorded until " + until + ".";
}

void TCaptureForm::FinirCaptureSurEchec(const QString &why, const QString &caveat) {
  if (!capture_.Chaine() || closed_) return;
  const QString file = capture_.Fichier();
  const bool restarted = ArreterCapture();
  if (restarted) SetInterfacePreview();
  else EchecArret(false);
  QString text = why + "\n" + CeQueGarde(file);
  if (!caveat.isEmpty() && QFileInfo(file).isFile()) text += "\n" + caveat;
  if (!restarted) text += "\nThe preview did not start again: choose the sources again in the Sources panel.";
  DialogService::Instance().Error(text, this);
}

void TCaptureForm::EchecDisque(const QString &file, qint64 freeBytes) {
  if (!capture_.Chaine() || file != capture_.Fichier()) return;
  FinirCaptureSurEchec(QString("The capture stopped because the disk holding %1 has only %2 MB left.")
                           .arg(QFileInfo(file).absolutePath())
                           .arg(Megabytes(freeBytes)));
}

bool TCaptureForm::EspaceSuffisant(const QString &file) {
  const qint64 free = platform::FreeBytesOf(file);
  if (free < 0 || !dm_) return true;  // nothing to measure: the write itself will tell
  const QString folder = QFileInfo(file).absolutePath();
  const qint64 reserve = dm_->fg().DiskReserve();
  auto &dlg = DialogService::Instance();
  // Under the reserve the capture would stop at once: refused rather than
  // leaving an empty file at every try.
  if (free < reserve) {
    dlg.Error(QString("The disk holding %1 has only %2 MB free; a capture needs more than %3 MB.\n"
                      "The capture does not start.")
                  .arg(folder)
                  .arg(Megabytes(free))
                  .arg(Megabytes(reserve)),
              this);
    return false;
  }
  const qint64 threshold = qint64(std::max(0, params_->Int("Low Disk Space"))) << 20;
  if (free >= threshold || etat_ != esPreview) return true;
  return dlg.Ask(DlgKind::Warning,
                 QString("Only %1 MB are free on the disk holding %2.\n"
                         "The capture stops by itself when %3 MB are left. Do you want to start it?")
                     .arg(Megabytes(free))
                     .arg(folder)
                     .arg(Megabytes(reserve)),
                 DlgButtons::YesNo, this) == DlgAnswer::Yes;
}

bool TCaptureForm::RetirerFichierVide(const QString &file) {
  const QFileInfo info(file);
  if (!info.isFile() || info.size() != 0) return false;
  QFile::remove(file);
  DialogService::Instance().Warning("Nothing was written to " + file + ".\nThe empty file was removed.", this);
  return true;
}

}  // namespace vistrel
