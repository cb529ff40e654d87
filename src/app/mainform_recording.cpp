// Recording, the window's side: the Capture button and Cut ask the user what
// only the user can answer (replace a file, create a folder, start on a low
// disk), hand the answers to the recorder, and show what it tells back.
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>

#include "app/camcorders.h"
#include "app/camform.h"
#include "app/desktop_notices.h"
#include "app/mainform.h"
#include "app/recorder.h"
#include "app/recording_names.h"
#include "graph/avgraph.h"
#include "platform/dialogs.h"
#include "platform/disk.h"
#include "platform/shell.h"
#include "settings/captureformats.h"
#include "settings/optionsframe.h"
#include "settings/settings.h"

namespace vistrel {

using platform::DialogService;
using platform::DlgAnswer;
using platform::DlgButtons;
using platform::DlgKind;

namespace {

bool EnCapture(EtatCapture e) { return e == esCapture || e == esCaptureProgrammee; }

qint64 Megabytes(qint64 bytes) { return bytes >> 20; }

}  // namespace

void TCaptureForm::ConnectRecorder() {
  Recorder *r = recorder_.get();
  // First: its notice goes out before a message box below waits for the user.
  notices_ = new DesktopNotices(
      *r, [this] { return params_->Bool("Desktop Notifications"); }, this);
  connect(r, &Recorder::started, this, [this] {
    // During a capture a lost device ends it here, whatever the notification setting.
    params_->SetBool("Notifier", false);
    AppliquerNotifier(false);
  });
  connect(r, &Recorder::chainRemoved, this, [this] {
    // Notifications are the user's choice again once no capture runs.
    params_->SetBool("Notifier", OptionsFrame->options->cbNotifier->isChecked());
    AppliquerNotifier(params_->Bool("Notifier"));
  });
  // The camcorder windows' tape health adds up the capture from its start, across its cuts.
  auto eachHealth = [this](void (app::TapeHealth::*call)()) {
    for (int n : {1, 2})
      if (camescopes_ && camescopes_->Fenetre(n)) (camescopes_->Fenetre(n)->Health().*call)();
  };
  connect(r, &Recorder::started, this, [this, eachHealth] {
    if (camescopes_ && camescopes_->Fenetre(1) && !camescopes_->Fenetre(1)->Health().Capturing())
      eachHealth(&app::TapeHealth::Capture);
  });
  connect(r, &Recorder::chainRemoved, this, [eachHealth] { eachHealth(&app::TapeHealth::Hold); });
  connect(r, &Recorder::finished, this, [this](const QString &file, bool kept, int dropped, int notDropped) {
    ShowVideoName();
    if (!kept) return;
    AjouterSession(file, dropped, notDropped);
    emit captureRecorded(file, dropped, notDropped);
  });
  connect(r, &Recorder::notice, this, [this](const QString &text) { DialogService::Instance().Warning(text, this); });
  connect(r, &Recorder::endedOnFault, this, [this](const QString &text, bool previewBack) {
    if (closed_) return;
    if (previewBack)
      SetInterfacePreview();
    else
      EchecArret(false);
    DialogService::Instance().Error(text, this);
  });
  connect(r, &Recorder::sceneFileDoubtful, this, [this](const QString &name, int dropped) {
    const QString text = QString(
                             "%1 frames have been lost during capture.\nThe .scn file created in real time is "
                             "probably not correct.\nIt is recommended to delete it and recreate one with "
                             "Quorrel\n\nDo you want to delete the file %2?")
                             .arg(dropped)
                             .arg(name);
    if (DialogService::Instance().Ask(DlgKind::Warning, text, DlgButtons::YesNo, this) == DlgAnswer::Yes)
      platform::Recycle(name);
  });
}

void TCaptureForm::saCapturerBasculeexecute() {
  switch (etat_) {
    case esPreview:
      if (DemarrerCapture()) EtatCaptureManuelle();
      break;
    case esCapture:
      if (ArreterCapture())
        SetInterfacePreview();
      else
        EchecArret();
      break;
    case esAttente:
      if (DemarrerCapture()) {
        // The end is armed first, so that the state's status shows its time.
        ProgrammerFin();
        EtatCaptureProgrammee();
      } else {
        SetInterfacePreview();
        AnnulerAlarme();
      }
      break;
    case esCaptureProgrammee:
      if (ArreterCapture()) {
        SetInterfacePreview();
        AnnulerAlarme();
      } else {
        EchecArret();
      }
      break;
  }
}

bool TCaptureForm::DemarrerCapture() {
  auto &dlg = DialogService::Instance();
  if (!dm_ || (!VideoConnectee() && !AudioConnectee())) return false;
  const RecordingOptions options = RecordingOptionsFrom(*params_);
  if (!settings::CaptureFormat(options.format).records) {
    // These formats build no capture graph: entering the capture state would
    // record nothing and list a file that never existed.
    dlg.Warning(QString("The capture format \"%1\" records nothing.\nChoose a capture format in the Sources panel.")
                    .arg(settings::CaptureFormat(options.format).name),
                this);
    return false;
  }
  // The questions are asked of the name the recorder will write.
  recorder_->Names().SetFormat(settings::ToByte(options.format));
  recorder_->PassNamesInUse();
  const QString file = NomVideo();
  const QFileInfo target(file);
  if (target.isDir()) {
    dlg.Error(QString("%1 is a folder, not a file.\nChange the video folder or root in the Folders panel.").arg(file),
              this);
    return false;
  }
  const QString folder = target.absolutePath();
  if (etat_ == esPreview) {
    if (params_->Bool("Confirmer Video") && target.exists()) {
      const DlgAnswer a = dlg.Ask(DlgKind::Warning,
                                  "The file " + file + " exists already. Do you want to crush it?\n" +
                                      "If you click on \"All\", then you will no more be prompted for confirmation",
                                  DlgButtons::YesNoAll, this);
      if (a != DlgAnswer::Yes && a != DlgAnswer::All) return false;
      if (a == DlgAnswer::All) {
        OptionsFrame->options->cbConfirmerVideo->setChecked(false);
        params_->SetBool("Confirmer Video", false);
      }
    }
    if (params_->Bool("Confirmer Video") && !QDir(folder).exists()) {
      const DlgAnswer a =
          dlg.Ask(DlgKind::Warning, "The folder " + folder + " does not exist.\nDo you want to create it?",
                  DlgButtons::YesNo, this);
      if (a != DlgAnswer::Yes) return false;
    }
  }
  // Without confirmation (or for a scheduled start) the folder is made
  // silently: a capture into a missing folder would fail with no word.
  if (!QDir(folder).exists() && !QDir().mkpath(folder)) {
    dlg.Error("The folder " + folder + " could not be created.\nThe capture does not start.", this);
    return false;
  }
  if (!QFileInfo(folder).isWritable()) {
    dlg.Error("The folder " + folder + " cannot be written to.\nThe capture does not start.", this);
    return false;
  }
  if (!EspaceSuffisant(file)) return false;
  if ((target.exists() || target.isSymLink()) && !platform::Recycle(file)) {
    dlg.Error(
        "The file " + file + " could not be moved to the trash, so it is not replaced.\nThe capture does not start.",
        this);
    return false;
  }
  AppliquerVolume();
  if (!recorder_->Start(options)) {
    dlg.Error(recorder_->Failure(), this);
    return false;
  }
  if (options.freezeCapture)
    dlg.Information("The capture starts frozen: nothing is written to " + file +
                        " until the capture is resumed (\"Resume the capture\").\nA file that receives nothing is "
                        "not kept.",
                    this);
  return true;
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

bool TCaptureForm::ArreterCapture() {
  if (!dm_) return false;
  const bool ok = recorder_->Stop();
  if (ok) AppliquerVolume();
  return ok;
}

void TCaptureForm::ArreterGraphe() { recorder_->StopGraph(); }

void TCaptureForm::EchecArret(bool dire) {
  recorder_->StopGraph();
  AnnulerAlarme();
  AfficherNoVideo(true);
  MajCaptureAction();
  if (dire)
    DialogService::Instance().Error("The capture stopped, but the sources did not start again.\n" +
                                        recorder_->WhatIsKept(recorder_->LastFile()) +
                                        "\nChoose the sources again in the Sources panel.",
                                    this);
}

void TCaptureForm::acCouperexecute() {
  if (!EnCapture(etat_) || !recorder_->Recording() || !dm_) return;
  if (recorder_->Cut()) {
    AppliquerVolume();
    return;
  }
  const QString why = recorder_->Failure();
  if (ArreterCapture())
    SetInterfacePreview();
  else
    EchecArret();
  DialogService::Instance().Error(why + "\nThe capture stopped; what was recorded before the cut is kept.", this);
}

}  // namespace vistrel
