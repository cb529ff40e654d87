// Recording: the Capture button, Cut, stopping and recording the finished file,
// the scene file, and what happens when the device or the disk fails.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

#include <cmath>

#include "app/mainform.h"
#include "app/recording_journal.h"
#include "app/recording_names.h"
#include "filters/vs_scenedetect.h"
#include "graph/avgraph.h"
#include "media/aviheader.h"
#include "platform/dialogs.h"
#include "platform/shell.h"
#include "settings/captureformats.h"
#include "settings/settings.h"
#include "sources/avsources.h"
#include "sources/capturedevice.h"

namespace vistrel {

using platform::DialogService;
using platform::DlgAnswer;
using platform::DlgButtons;
using platform::DlgKind;

namespace {

bool EnCapture(EtatCapture e) { return e == esCapture || e == esCaptureProgrammee; }

bool AviSansDonnees(const QString &file) {
  if (!file.endsWith(".avi", Qt::CaseInsensitive) || !QFileInfo::exists(file)) return false;
  return media::ReadAviFile(file).TotalChunks() == 0;
}

}  // namespace

TSceneFile &TCaptureForm::SceneFile() {
  if (!scn_) scn_ = std::make_unique<TSceneFile>();
  return *scn_;
}

void TCaptureForm::saCapturerBasculeexecute() {
  switch (etat_) {
    case esPreview:
      if (DemarrerCapture()) EtatCaptureManuelle();
      break;
    case esCapture:
      if (ArreterCapture()) SetInterfacePreview();
      else EchecArret();
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
  const int format = params_->Byte("Capture Format");
  if (!FormatEnregistre(format)) {
    // These formats build no capture graph: entering the capture state would
    // record nothing and list a file that never existed.
    dlg.Warning(QString("The capture format \"%1\" records nothing.\nChoose a capture format in the Sources panel.")
                    .arg(settings::CaptureFormatName(format)),
                this);
    return false;
  }
  const QFileInfo target(NomVideo);
  if (target.isDir()) {
    dlg.Error(QString("%1 is a folder, not a file.\nChange the video folder or root in the Folders panel.").arg(NomVideo),
              this);
    return false;
  }
  const QString folder = target.absolutePath();
  if (etat_ == esPreview) {
    if (params_->Bool("Confirmer Video") && target.exists()) {
      const DlgAnswer a = dlg.Ask(DlgKind::Warning,
                                  "The file " + NomVideo + " exists already. Do you want to crush it?\n" +
                                      "If you click on \"All\", then you will no more be prompted for confirmation",
                                  DlgButtons::YesNoAll, this);
      if (a != DlgAnswer::Yes && a != DlgAnswer::All) return false;
      if (a == DlgAnswer::All) {
        OptionsFrame->options->cbConfirmerVideo->setChecked(false);
        params_->SetBool("Confirmer Video", false);
      }
    }
    if (params_->Bool("Confirmer Video") && !QDir(folder).exists()) {
      const DlgAnswer a = dlg.Ask(DlgKind::Warning,
                                  "The folder " + folder + " does not exist.\nDo you want to create it?",
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
  if (!EspaceSuffisant(NomVideo)) return false;
  if ((target.exists() || target.isSymLink()) && !platform::Recycle(NomVideo)) {
    dlg.Error("The file " + NomVideo +
                  " could not be moved to the trash, so it is not replaced.\nThe capture does not start.",
              this);
    return false;
  }
  FichierCapture = NomVideo;
  ArreterGraphe();

  RemplirCaptureOptions();
  NbImages = 0;
  if (!ConstruireCapture(format, FichierCapture)) {
    AnnulerDemarrage(QString("The capture in the format \"%1\" could not be set up with the current sources.")
                         .arg(settings::CaptureFormatName(format)));
    return false;
  }
  if (format == settings::kFormatImageParImage) ImageParImage = true;

  auto *video = dm_->CurrentVideoDevice;
  if (video && video->Device && video->Device->Kind == sources::DeviceKind::DV &&
      !settings::CaptureFormat(format).SoundOnly() && params_->Bool("scn"))
    OuvrirScnPour(FichierCapture);

  AppliquerVolume();
  capture_.Commencer(FichierCapture, format, QDateTime::currentDateTime());
  RecordingStarted(FichierCapture, format, capture_.Debut());
  // During a capture a lost device ends it here, whatever the notification setting.
  params_->SetBool("Notifier", false);
  AppliquerNotifier(false);
  AccrocherErreursCapture();
  if (!dm_->LancerGraphe()) {
    AnnulerDemarrage("The capture graph refused to start.");
    return false;
  }
  if (params_->Bool("Freeze Capture"))
    DialogService::Instance().Information(
        "The capture starts frozen: nothing is written to " + FichierCapture +
            " until the capture is resumed (\"Resume the capture\").\nA file that receives nothing is not kept.",
        this);
  return true;
}

bool TCaptureForm::ConstruireCapture(int format, const QString &file) {
  switch (format) {
    case 1: return dm_->GrapheDV1Natif(file);
    case 2: return dm_->GrapheDV2Natif(file);
    case 3:
    case 4: return dm_->GrapheMpegNatif(file);
    case 5: return dm_->GrapheAviNatif(file);
    case 6: return dm_->GrapheDV2Recomp(file);
    case 7: return dm_->GrapheWmv(file);
    // The rate rewrite waits for the file to be finished, which ArreterGraphe knows.
    case 8: return dm_->GrapheImageParImage(file, [] {});
    case 9: return dm_->GrapheDivx(file);
    case 11: return dm_->GrapheWav(file);
    case 12: return dm_->GrapheMp3(file);
    default: return false;
  }
}

void TCaptureForm::RemplirCaptureOptions() {
  auto &p = *params_;
  auto *o = OptionsFrame->options;
  CaptureSettings &c = dm_->CaptureOptions;
  c.GarderFormatDV = p.Bool("Garder Format DV");
  c.FrequenceDVNative = p.Bool("Frequence DV native");
  c.FrequenceDV = p.Byte("FrequenceDV");
  c.StandardDV = p.Byte("Standard DV");
  c.RatioDV = p.Byte("RatioDV");
  c.RatioDivX = p.Byte("Ratio DivX");
  c.DvDemiSiDivX = p.Bool("DV demi si DivX");
  c.WantMp3 = p.Bool("Want Mp3");
  c.DivxFactory.clear();
  if (const auto codec = settings::DivxCodecByName(o->SelectedDivxCodec())) {
    c.DivxFactory = codec->factory;
    c.DivxFourCC = codec->fourcc;
  } else if (const auto all = settings::AvailableDivxCodecs(); !all.isEmpty()) {
    c.DivxFactory = all.front().factory;
    c.DivxFourCC = all.front().fourcc;
  }
  if (const auto mp3 = settings::ReadMp3Bitrate()) c.Mp3Bitrate = *mp3;
  c.WmvMediaIndex = o->cbDefaultProfile->isChecked() ? 0 : o->cboxMedia->currentIndex() + 1;
  c.WmvVersion = p.Int("Version wmv");
  c.WmvDefaultProfile = p.Int("Profile wmv");
}

void TCaptureForm::AnnulerDemarrage(const QString &why) {
  // The preview comes back rather than staying stopped with half a chain.
  ArreterGraphe();
  // Whatever this start already wrote is ours (an older file went to the
  // trash first) and holds no capture.
  const QString scnName = scn_ && scn_->Ouvert() ? scn_->NomScn() : QString();
  FermerScnApresArret(0);
  if (!scnName.isEmpty()) QFile::remove(scnName);
  dm_->RetirerCapture();
  if (QFileInfo(FichierCapture).isFile()) QFile::remove(FichierCapture);
  capture_.ChaineRetiree();
  ImageParImage = false;
  params_->SetBool("Notifier", OptionsFrame->options->cbNotifier->isChecked());
  AppliquerNotifier(params_->Bool("Notifier"));
  dm_->LancerGraphe();
  DialogService::Instance().Error(why + "\nNothing was recorded.", this);
}

void TCaptureForm::AccrocherErreursCapture() {
  if (erreursAccrochees_ || !dm_) return;
  erreursAccrochees_ = true;
  // A source error arrives as DeviceLost and then as ErrorOccurred; the
  // device-lost path handles those, the rest end the capture here.
  connect(&dm_->fg(), &media::Graph::DeviceLost, this, [this] { sourceErreur_ = true; });
  connect(&dm_->fg(), &media::Graph::ErrorOccurred, this, [this](const QString &message) {
    const bool fromSource = sourceErreur_;
    sourceErreur_ = false;
    if (fromSource || arretEnCours_ || !capture_.Chaine()) return;
    QMetaObject::invokeMethod(this, [this, message] { EchecEcriture(message); }, Qt::QueuedConnection);
  });
  connect(&dm_->fg(), &media::Graph::DiskLow, this, &TCaptureForm::EchecDisque, Qt::QueuedConnection);
}

void TCaptureForm::EchecEcriture(const QString &message) {
  // A write that failed (a disk filled by another program past the reserve)
  // may have cost the muxer its index, which the message must not hide.
  FinirCaptureSurEchec("The capture stopped because of an error:\n" + message,
                       "Writing failed before the stop, so the end of the file may be incomplete and some players "
                       "may not show its length.");
}

bool TCaptureForm::ArreterCapture() {
  if (!dm_) return false;
  TerminerCapture();
  const bool ok = (!dm_->CurrentVideoDevice || dm_->CurrentVideoDevice->Active) &&
                  (!dm_->CurrentAudioDevice || dm_->CurrentAudioDevice->Active) &&
                  (VideoConnectee() || AudioConnectee());
  if (ok) {
    AppliquerVolume();
    dm_->LancerGraphe();
  }
  return ok;
}

void TCaptureForm::TerminerCapture() {
  ArreterGraphe();
  if (capture_.Chaine()) dm_->RetirerCapture();
  capture_.ChaineRetiree();
  ImageParImage = false;
  // Notifications are the user's choice again once no capture runs.
  params_->SetBool("Notifier", OptionsFrame->options->cbNotifier->isChecked());
  AppliquerNotifier(params_->Bool("Notifier"));
}

void TCaptureForm::ArreterGraphe() {
  if (!dm_) return;
  arretEnCours_ = true;
  dm_->StopGraph();
  arretEnCours_ = false;
  // Only a file being written is recorded, once: a second stop of the same
  // capture (a failed stop, a source change) adds nothing.
  if (capture_.Fichier().isEmpty()) return;
  if (ImageParImage) FinImageParImage();
  const QString file = capture_.PrendreFichierTermine();
  RecordingEnded(file);
  dernierFichier_ = file;
  finDernierFichier_ = QDateTime::currentDateTime();
  const int dropped = dm_->CaptureDropped(), notDropped = dm_->CaptureNotDropped();
  // An AVI that received nothing (frozen from its start to its end) opens in
  // no player: it is removed rather than listed.
  if (!ImageParImage && params_->Bool("Freeze Capture") && AviSansDonnees(file)) {
    QFile::remove(file);
    DialogService::Instance().Warning(
        "Nothing was recorded in " + file + ": the capture was frozen the whole time.\nThe empty file was removed.",
        this);
  } else {
    RetirerFichierVide(file);
  }
  // A file that is not there (an Image-by-Image file without frames) is not listed.
  if (QFileInfo::exists(file)) {
    AjouterSession(file, dropped, notDropped);
    emit captureRecorded(file, dropped, notDropped);
  }
  NomVideo = ProchainNomVideo();
  FermerScnApresArret(dropped);
}

void TCaptureForm::EchecArret(bool dire) {
  ArreterGraphe();
  AnnulerAlarme();
  AfficherNoVideo(true);
  MajCaptureAction();
  if (dire)
    DialogService::Instance().Error("The capture stopped, but the sources did not start again.\n" +
                                        CeQueGarde(dernierFichier_) +
                                        "\nChoose the sources again in the Sources panel.",
                                    this);
}

void TCaptureForm::acCouperexecute() {
  if (!EnCapture(etat_) || !capture_.Chaine() || !dm_) return;
  const int format = capture_.Format();
  ArreterGraphe();
  // The new name is written without a question, but an existing file there
  // goes to the trash first; one that cannot must not be written over.
  const QFileInfo next(NomVideo);
  QString why;
  if (next.isDir()) why = NomVideo + " is a folder, not a file.";
  else if ((next.exists() || next.isSymLink()) && !platform::Recycle(NomVideo))
    why = "The file " + NomVideo + " could not be moved to the trash, so it is not replaced.";
  else if (!dm_->ChangerFichierCapture(format, NomVideo))
    why = "The capture could not go on in the file " + NomVideo + ".";
  if (!why.isEmpty()) {
    if (ArreterCapture()) SetInterfacePreview();
    else EchecArret();
    DialogService::Instance().Error(why + "\nThe capture stopped; what was recorded before the cut is kept.", this);
    return;
  }
  capture_.Continuer(NomVideo);
  RecordingStarted(NomVideo, format, QDateTime::currentDateTime());
  auto *video = dm_->CurrentVideoDevice;
  if (video && video->Device && video->Device->Kind == sources::DeviceKind::DV && params_->Bool("scn") &&
      !settings::CaptureFormat(format).SoundOnly())
    OuvrirScnPour(NomVideo);
  dm_->LancerGraphe();
  NbImages = 0;
  AppliquerVolume();
}

void TCaptureForm::OuvrirScnPour(const QString &videoFile) {
  auto *video = dm_->CurrentVideoDevice;
  filters::Tvs_SceneDetect *detector = video ? video->SceneDetector : nullptr;
  if (!detector) return;
  // A scene file that cannot be made leaves the capture going without one.
  if (!SceneFile().OuvrirScn(TSceneFile::NameFor(videoFile))) return;
  sceneDetector_ = detector;
  TSceneFile *scn = scn_.get();
  detector->SetOnScene([scn](const filters::DVInfo &start, const filters::DVInfo &current) {
    scn->SceneScn(start, current);
  });
}

void TCaptureForm::FermerScnApresArret(int dropped) {
  if (sceneDetector_) sceneDetector_->SetOnScene(nullptr);
  sceneDetector_ = nullptr;
  if (!scn_ || !scn_->Ouvert()) return;
  const QString name = scn_->NomScn();
  scn_->FermerScn();
  if (dropped <= 0) return;
  const QString text = QString(
                           "%1 frames have been lost during capture.\nThe .scn file created in real time is probably "
                           "not correct.\nIt is recommended to delete it and recreate one with Quorrel\n\nDo you "
                           "want to delete the file %2?")
                           .arg(dropped)
                           .arg(name);
  if (DialogService::Instance().Ask(DlgKind::Warning, text, DlgButtons::YesNo, this) == DlgAnswer::Yes)
    platform::Recycle(name);
}

void TCaptureForm::FinImageParImage() {
  const QString file = capture_.Fichier();
  if (file.isEmpty()) return;
  if (NbImages != 0) {
    double rate = params_->Real("Framerate");
    if (!(rate > 0)) rate = 18.0;
    media::RewriteAviVideoRate(file, std::uint32_t(std::lround(1000000.0 / rate)), 1000000);
  } else {
    QFile::remove(file);
  }
}

}  // namespace vistrel
