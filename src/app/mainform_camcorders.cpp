// The main window's share of camcorder control: the two windows created at
// show, the camera actions for the active window, the Sources panel's
// camcorder buttons, the 300 ms time-code refresh and the sibling program.
#include <QBoxLayout>
#include <QCheckBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include "actions/superaction.h"
#include "app/camcorders.h"
#include "app/camform.h"
#include "app/mainform.h"
#include "app/nav_captureframe.h"
#include "app/window_placement.h"
#include "graph/avgraph.h"
#include "platform/dialogs.h"
#include "platform/shell.h"
#include "sessionlist/fichierlistbox.h"
#include "sessionlist/srfichier.h"
#include "settings/settings.h"
#include "sources/avsources.h"

namespace vistrel {

namespace {

QPushButton *AjouterBouton(QWidget *panel, QBoxLayout *layout, int at, const char *name, const QString &caption,
                           const QString &hint) {
  auto *b = new QPushButton(caption, panel);
  b->setObjectName(name);
  b->setToolTip(hint);
  if (layout) layout->insertWidget(at < 0 ? layout->count() - 1 : at, b);
  return b;
}

// Just after `anchor` in the panel's layout, or at the end when it is not there.
int Apres(QBoxLayout *layout, QWidget *anchor) {
  const int at = layout && anchor ? layout->indexOf(anchor) : -1;
  return at < 0 ? -1 : at + 1;
}

// The source groups' own buttons come with the source lists, after the
// camcorder buttons were made: each camcorder button goes under its group's.
void PlacerApres(QWidget *button, QWidget *anchor) {
  auto *layout = button ? qobject_cast<QBoxLayout *>(button->parentWidget()->layout()) : nullptr;
  const int at = Apres(layout, anchor);
  if (at < 0 || layout->indexOf(button) == at) return;
  layout->removeWidget(button);
  layout->insertWidget(Apres(layout, anchor), button);
}

}  // namespace

void TCaptureForm::BindCamcorderActions() {
  BindAction("cam_Play", &TCaptureForm::cam_Playexecute);
  BindAction("cam_Pause", &TCaptureForm::cam_Pauseexecute);
  BindAction("cam_Stop", &TCaptureForm::cam_Stopexecute);
  BindAction("cam_AvanceLent", &TCaptureForm::cam_AvanceLentexecute);
  BindAction("cam_AvanceRapide", &TCaptureForm::cam_AvanceRapideexecute);
  BindAction("cam_ReculeLent", &TCaptureForm::cam_ReculeLentexecute);
  BindAction("cam_ReculeRapide", &TCaptureForm::cam_ReculeRapideexecute);
  // Both states of the toggle do the same: the camcorder's own mode decides.
  BindAction("cam_PlayPause", &TCaptureForm::cam_PlayPauseexecute, &TCaptureForm::cam_PlayPauseexecute);
  BindAction("cam_Toggle", &TCaptureForm::cam_Toggleexecute);
  BindAction("acShowVideoPilotDV", &TCaptureForm::acShowVideoPilotDVexecute);
  BindAction("acShowAudioPilotDV", &TCaptureForm::acShowAudioPilotDVexecute);
  BindAction("acQuorrel", &TCaptureForm::acQuorrelexecute);
}

void TCaptureForm::ConstruireCamescopes() {
  if (camescopes_) return;
  camescopes_ = new TCamescopes(this);
  if (dm_) dm_->SetCamcorderBinding(camescopes_);
  // Below the main window, at its left; the saved rectangles are not applied at start.
  camescopes_->RectangleParDefaut = [this] { return RectangleCamescopeParDefaut(); };

  auto *sources = SourcesFrame;
  auto *layout = qobject_cast<QBoxLayout *>(sources->layout());
  btnCamVideo = AjouterBouton(sources, layout, -1, "btnCamVideo", "Camcorder", "Show or hide the control window of this camcorder");
  btnCamAudio = AjouterBouton(sources, layout, -1, "btnCamAudio", "Camcorder", "Show or hide the control window of this camcorder");
  connect(btnCamVideo, &QPushButton::clicked, this, [this] { Action("acShowVideoPilotDV")->ExecuteInteractive(); });
  connect(btnCamAudio, &QPushButton::clicked, this, [this] { Action("acShowAudioPilotDV")->ExecuteInteractive(); });
  btnCamVideo->hide();
  btnCamAudio->hide();
  const QString hint = "Open the clips of this session in Quorrel (F8)";
  auto *quorrelSources = AjouterBouton(sources, layout, Apres(layout, sources->btnDossierVideos),
                                       "btnQuorrelSources", "Quorrel", hint);
  QBoxLayout *about = AproposFrame->Body();
  auto *quorrelAbout = AjouterBouton(AproposFrame, about, -1, "btnQuorrelApropos", "Quorrel", hint);
  for (QPushButton *b : {quorrelSources, quorrelAbout})
    connect(b, &QPushButton::clicked, this, [this] { Action("acQuorrel")->ExecuteInteractive(); });
  connect(this, &TCaptureForm::sourcesChanged, this, &TCaptureForm::MajBoutonsCamescopes);
}

void TCaptureForm::ChargerPrefsCamescopes() {
  if (!camescopes_) return;
  auto &p = *params_;
  TcamForm *one = camescopes_->Fenetre(1), *two = camescopes_->Fenetre(2);
  one->cbStopQuittant->setChecked(p.Bool("Stopper camera DV 1 en quittant"));
  two->cbStopQuittant->setChecked(p.Bool("Stopper camera DV 2 en quittant"));
  one->WantedVisible = p.Bool("Show Video Pilot DV");
  two->WantedVisible = p.Bool("Show Audio Pilot DV");
}

void TCaptureForm::SauverPrefsCamescopes() {
  if (!camescopes_) return;
  auto &p = *params_;
  TcamForm *one = camescopes_->Fenetre(1), *two = camescopes_->Fenetre(2);
  p.SetBool("Stopper camera DV 1 en quittant", one->cbStopQuittant->isChecked());
  p.SetBool("Stopper camera DV 2 en quittant", two->cbStopQuittant->isChecked());
  p.SetBool("Show Video Pilot DV", one->WantedVisible);
  p.SetBool("Show Audio Pilot DV", two->WantedVisible);
}

QRect TCaptureForm::RectangleCamescope(int number) const {
  if (!camescopes_) return QRect();
  // Where the frame is, as move() places it, and the window's own size.
  const TcamForm *form = camescopes_->Fenetre(number);
  return QRect(form->frameGeometry().topLeft(), form->size());
}

void TCaptureForm::PlacerCamescope(int number, const QRect &r) {
  if (camescopes_) camescopes_->Placer(number, r);
}

QRect TCaptureForm::RectangleCamescopeParDefaut() const {
  const QRect available = screen() ? screen()->availableGeometry() : QRect();
  return PlaceToolWindow(QSize(TcamForm::kWidth, TcamForm::kHeight), frameGeometry(), available,
                         ControlsToKeepClear(this));
}

void TCaptureForm::FermerCamescopes() {
  if (!camescopes_) return;
  camescopes_->Fermer();
  if (dm_) dm_->SetCamcorderBinding(nullptr);
}

void TCaptureForm::MajBoutonsCamescopes() {
  if (!camescopes_ || !dm_) return;
  const std::pair<QPushButton *, sources::TavStrel *> sides[] = {{btnCamVideo, dm_->CurrentVideoDevice()},
                                                                 {btnCamAudio, dm_->CurrentAudioDevice()}};
  PlacerApres(btnCamVideo, btnVideoSettings ? static_cast<QWidget *>(btnVideoSettings) : lbVideo);
  PlacerApres(btnCamAudio, btnAudioSettings ? static_cast<QWidget *>(btnAudioSettings) : lbAudio);
  for (const auto &[button, source] : sides) {
    button->setVisible(source && source->HasTransport && TCamescopes::FenetreDe(source));
    camescopes_->AppliquerVisibilite(source);
  }
}

TCamescopes *TCaptureForm::Camescopes() const { return camescopes_; }

void TCaptureForm::RafraichirCamescopes() {
  if (camescopes_ && dm_) camescopes_->Rafraichir(dm_->CurrentVideoDevice(), dm_->CurrentAudioDevice());
}

void TCaptureForm::CommandeCamescope(CamCommande commande) {
  if (camescopes_) camescopes_->Commande(commande);
}

void TCaptureForm::cam_Playexecute() { CommandeCamescope(CamCommande::Play); }
void TCaptureForm::cam_Pauseexecute() { CommandeCamescope(CamCommande::Pause); }
void TCaptureForm::cam_Stopexecute() { CommandeCamescope(CamCommande::Stop); }
void TCaptureForm::cam_AvanceLentexecute() { CommandeCamescope(CamCommande::AvanceLent); }
void TCaptureForm::cam_AvanceRapideexecute() { CommandeCamescope(CamCommande::AvanceRapide); }
void TCaptureForm::cam_ReculeLentexecute() { CommandeCamescope(CamCommande::ReculeLent); }
void TCaptureForm::cam_ReculeRapideexecute() { CommandeCamescope(CamCommande::ReculeRapide); }
void TCaptureForm::cam_PlayPauseexecute() { CommandeCamescope(CamCommande::PlayPause); }

void TCaptureForm::cam_Toggleexecute() {
  if (camescopes_) camescopes_->Basculer();
}

void TCaptureForm::acShowVideoPilotDVexecute() {
  if (camescopes_ && dm_) camescopes_->InverserVisibilite(dm_->CurrentVideoDevice());
}

void TCaptureForm::acShowAudioPilotDVexecute() {
  if (camescopes_ && dm_) camescopes_->InverserVisibilite(dm_->CurrentAudioDevice());
}

void TCaptureForm::acQuorrelexecute() {
  const QString program = params_->Str("Quorrel");
  if (program.isEmpty() || !QFileInfo(program).isFile()) {
    platform::DialogService::Instance().Information(
        "Quorrel by Brenvik has not been found on this computer.\nIf it is present, please indicate its name and "
        "path in the Folders panel (ALT+D).",
        this);
    return;
  }
  // Every file of the session that is still there, in list order. Each name
  // is one argument of its own, so blanks or quotes in a name cannot split it.
  QStringList files;
  const sessionlist::TFichierListbox *list = FichierListbox();
  for (int row = 0; list && row < list->Count(); ++row)
    if (const auto *entry = list->Entry(row); entry && QFileInfo::exists(entry->FullName)) files << entry->FullName;
  if (!files.isEmpty()) platform::RunProgram(program, files);
}

}  // namespace vistrel
