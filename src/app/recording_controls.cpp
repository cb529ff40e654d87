// Recording, the window side: the Folders panel's video file fields, the
// images-per-second box, output names and counters, and the controls of each
// controller state.
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "actions/superaction.h"
#include "app/mainform.h"
#include "app/recorder.h"
#include "app/recording_names.h"
#include "graph/avgraph.h"
#include "platform/dialogs.h"
#include "settings/captureformats.h"
#include "settings/settings.h"

namespace vistrel {

namespace {

const char kHintCapture[] =
    "Capture the current streams on the hard disk.\nYou may also start capture with the space bar.";
const char kHintStop[] = "Stop the capture.\nYou may also stop the capture with the space bar.";

// The images-per-second text as a positive decimal number (either decimal mark).
std::optional<double> LireFramerate(const QString &text) {
  bool ok = false;
  const double v = QString(text).replace(',', '.').trimmed().toDouble(&ok);
  // Zero or less would divide the AVI rate by nothing.
  if (!ok || !(v > 0) || v > 1000) return std::nullopt;
  return v;
}

}  // namespace

void TCaptureForm::BindRecordingActions() {
  BindAction("saCapturerBascule", &TCaptureForm::saCapturerBasculeexecute);
  BindAction("acCouper", &TCaptureForm::acCouperexecute);

  // The Folders panel's video file group.
  gbFichierVideo = new QGroupBox("Video files", DossiersFrame);
  gbFichierVideo->setObjectName("gbFichierVideo");
  auto *grid = new QGridLayout(gbFichierVideo);
  leVideoDirectory = new QLineEdit(gbFichierVideo);
  leVideoDirectory->setObjectName("leVideoDirectory");
  btnVideoDirectory = new QPushButton("...", gbFichierVideo);
  btnVideoDirectory->setObjectName("btnVideoDirectory");
  leVideoRacine = new QLineEdit(gbFichierVideo);
  leVideoRacine->setObjectName("leVideoRacine");
  cbVideoDate = new QCheckBox("Include date", gbFichierVideo);
  cbVideoDate->setObjectName("cbVideoDate");
  grid->addWidget(new QLabel("Video folder", gbFichierVideo), 0, 0, 1, 2);
  grid->addWidget(leVideoDirectory, 1, 0);
  grid->addWidget(btnVideoDirectory, 1, 1);
  grid->addWidget(new QLabel("Video root", gbFichierVideo), 2, 0, 1, 2);
  grid->addWidget(leVideoRacine, 3, 0, 1, 2);
  grid->addWidget(cbVideoDate, 4, 0, 1, 2);
  DossiersFrame->Body()->insertWidget(1, gbFichierVideo);
  connect(leVideoDirectory, &QLineEdit::editingFinished, this, [this] {
    if (leVideoDirectory->isModified()) VideoDirectoryChange();
    leVideoDirectory->setModified(false);
  });
  connect(btnVideoDirectory, &QPushButton::clicked, this, [this] {
    if (!platform::DialogService::Instance().ShowsBoxes()) return;
    const QString dir = QFileDialog::getExistingDirectory(this, "Video folder", leVideoDirectory->text());
    if (dir.isEmpty()) return;
    leVideoDirectory->setText(dir);
    VideoDirectoryChange();
  });
  connect(leVideoRacine, &QLineEdit::editingFinished, this, [this] { VideoRacineExit(); });
  connect(cbVideoDate, &QCheckBox::clicked, this, [this] { cbVideoDateClick(); });

  // The Sources panel's images-per-second box, for Image by Image.
  auto *layout = SourcesFrame->Body();
  leFramerate = new QLineEdit(SourcesFrame);
  leFramerate->setObjectName("leFramerate");
  leFramerate->setToolTip("images/second");
  layout->insertWidget(layout->indexOf(SourcesFrame->lbNomVideo), leFramerate);
  connect(leFramerate, &QLineEdit::editingFinished, this, [this] { FramerateExit(); });

  connect(this, &TCaptureForm::sourcesChanged, this, [this] {
    leFramerate->setVisible(settings::FormatFromByte(SourcesFrame->cbFormatCapture->currentData().toInt()) ==
                            settings::CaptureFormatCode::ImageByImage);
    AppliquerControlesEtat();
  });
}

void TCaptureForm::ChargerPrefsRecording() {
  auto &p = *params_;
  leVideoDirectory->setText(p.Str("Video Directory"));
  leVideoRacine->setText(p.Str("Video Racine"));
  cbVideoDate->setChecked(p.Bool("Video Date"));
  leFramerate->setText(QString::number(p.Real("Framerate"), 'f', 1));
  leFramerate->setVisible(settings::FormatFromByte(p.Byte("Capture Format")) ==
                          settings::CaptureFormatCode::ImageByImage);
  VideoNames &names = recorder_->Names();
  names.SetDate(DateNoms);
  names.SetFormat(p.Byte("Capture Format"));
  NamesFromFields();
  names.Restart();
  ShowVideoName();
}

void TCaptureForm::SauverPrefsRecording() {
  auto &p = *params_;
  p.SetStr("Video Directory", leVideoDirectory->text());
  p.SetStr("Video Racine", leVideoRacine->text());
  p.SetBool("Video Date", cbVideoDate->isChecked());
  p.SetReal("Framerate", LireFramerate(leFramerate->text()).value_or(18.0));
}

QString TCaptureForm::NomVideo() const { return recorder_->Names().Current(); }

void TCaptureForm::NamesFromFields() {
  VideoNames &names = recorder_->Names();
  if (SourcesFrame->cbFormatCapture->currentIndex() >= 0)
    names.SetFormat(SourcesFrame->cbFormatCapture->currentData().toInt());
  names.SetFields(leVideoDirectory->text(), leVideoRacine->text(), cbVideoDate->isChecked());
}

void TCaptureForm::ShowVideoName() {
  const QString file = PartieFichier(NomVideo());
  SourcesFrame->lbNomVideo->setText(file);
  DossiersFrame->lbNomVideo->setText(file);
}

void TCaptureForm::VideoDirectoryChange() {
  params_->SetStr("Video Directory", leVideoDirectory->text());
  NamesFromFields();
  ShowVideoName();
}

void TCaptureForm::VideoRacineExit() {
  params_->SetStr("Video Racine", leVideoRacine->text());
  NamesFromFields();
  ShowVideoName();
}

void TCaptureForm::cbVideoDateClick() {
  params_->SetBool("Video Date", cbVideoDate->isChecked());
  NamesFromFields();
  ShowVideoName();
}

void TCaptureForm::FramerateExit() {
  if (const auto rate = LireFramerate(leFramerate->text())) {
    params_->SetReal("Framerate", *rate);
    return;
  }
  leFramerate->setText("18,0");
  params_->SetReal("Framerate", 18.0);
  platform::DialogService::Instance().Warning("The value of \"images/second\" is not correct\nEnter a decimal value",
                                              this);
}

void TCaptureForm::SetInterfacePreview() {
  // Preview means no capture chain: one still there (a source or format
  // changed under a running capture) is finished and taken down first.
  if (recorder_->Recording() && dm_) {
    const bool running = dm_->fg().State() == GST_STATE_PLAYING;
    recorder_->Finish();
    if (running && !RelanceDifferee) dm_->LancerGraphe();
  }
  PasserEtat(esPreview);
  MajBoutonsCamescopes();
}

void TCaptureForm::EtatCaptureManuelle() { PasserEtat(esCapture); }

void TCaptureForm::PasserEtat(EtatCapture etat) {
  etat_ = etat;
  PaintFrame();
  AppliquerControlesEtat();
  MajStatusEtat();
  emit etatChanged();
}

void TCaptureForm::AppliquerControlesEtat() {
  const bool capture = etat_ == esCapture || etat_ == esCaptureProgrammee;
  auto *f = SourcesFrame;
  for (QWidget *w : {static_cast<QWidget *>(f->cboxvideo), static_cast<QWidget *>(f->cboxAudio),
                     static_cast<QWidget *>(f->cbEntries), static_cast<QWidget *>(f->cbFormatCapture),
                     static_cast<QWidget *>(btnVideoSettings), static_cast<QWidget *>(btnAudioSettings),
                     static_cast<QWidget *>(leFramerate)})
    if (w) w->setEnabled(!capture);
  if (etat_ != esAttente) {
    auto *o = OptionsFrame->options;
    for (QWidget *w : {static_cast<QWidget *>(o->gbStandardProfiles), static_cast<QWidget *>(o->gbDefaultProfiles),
                       static_cast<QWidget *>(o->cbDefaultProfile), static_cast<QWidget *>(gbFichierVideo)})
      if (w) w->setEnabled(etat_ == esPreview);
  }
  // The schedule panel's "Start" group and "now" button, when that panel has them.
  for (const char *name : {"gbDebut", "NowBtn"})
    if (auto *w = ProgrammerFrame->findChild<QWidget *>(name)) w->setVisible(!capture);
  if (auto *cut = Action("acCouper")) cut->setEnabled(capture);
  if (auto *lock = Action("taLock")) lock->setEnabled(!capture);
  if (auto *a = Action("saCapturerBascule")) {
    a->setText(capture ? "Stop Capture" : "Capture");
    a->setToolTip(capture ? kHintStop : kHintCapture);
    if (capture) {
      a->SetImageIndex(28);
    } else if (etat_ == esAttente) {
      a->SetImageIndex(14);
    } else {
      const int format = f->cbFormatCapture->currentData().toInt();
      a->SetImageIndex(VideoConnectee() && !settings::CaptureFormat(format).SoundOnly() ? 14 : 43);
    }
  }
  if (auto *a = Action("acProgrammerBascule")) {
    const bool armed = etat_ == esAttente || etat_ == esCaptureProgrammee;
    a->setText(armed ? "Stop Prog" : "Schedule");
    a->setToolTip(armed ? "Stop the scheduling" : "Start scheduling");
    a->SetImageIndex(etat_ == esCaptureProgrammee ? 30 : 20);
  }
  MajCaptureAction();
}

void TCaptureForm::MajCaptureAction() {
  auto *a = Action("saCapturerBascule");
  if (!a) return;
  // Stopping needs a capture chain; starting needs something to capture.
  if (etat_ == esCapture || etat_ == esCaptureProgrammee)
    a->setEnabled(recorder_->Recording());
  else a->setEnabled(VideoConnectee() || AudioConnectee());
}

}  // namespace vistrel
