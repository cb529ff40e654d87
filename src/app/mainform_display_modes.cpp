// Preview display modes, what the picture and sound go through: the lock to
// the recording, inlay, flips and their sliders, volume and mute, freezes.
#include <QButtonGroup>
#include <QToolButton>

#include "actions/superaction.h"
#include "app/display_state.h"
#include "app/plaque.h"
#include "app/sourcesstate.h"
#include "filters/vs_superposer.h"
#include "filters/vs_timestamper.h"
#include "graph/avgraph.h"
#include "settings/optionsframe.h"
#include "settings/settings.h"
#include "sources/avsources.h"

namespace vistrel {

namespace {

const char *const kRatioActions[4] = {"saRatioNormal", "saRatio4x3", "saRatio16x9", "saRatioNatif"};

// What a greyed inlay or flip button says while the preview is locked to
// what is recorded.
const char *const kLockedHint =
    "Not while the preview is an exact copy of the recording: this capture format passes the picture on as "
    "it comes (\"Free preview\" lifts it)";

// A button's own tooltip, for as long as its action stays as it is: the
// action's tooltip stays what it is for the menus and the shortcuts window.
void HintButtons(QAction *a, const QString &hint) {
  for (QObject *o : a->associatedObjects())
    if (auto *b = qobject_cast<QToolButton *>(o)) b->setToolTip(hint.isEmpty() ? a->toolTip() : hint);
}

void EnableGroup(QButtonGroup *group, bool on) {
  if (!group) return;
  for (QAbstractButton *b : group->buttons()) b->setEnabled(on);
}

}  // namespace

void TCaptureForm::taLockfalseExecute() {
  params_->SetBool("Preview Locked", true);
  Action("taLock")->SetChecked(true);
  AppliquerVerrou(true);
}

void TCaptureForm::taLockTrueExecute() {
  params_->SetBool("Preview Locked", false);
  Action("taLock")->SetChecked(false);
  AppliquerVerrou(false);
}

void TCaptureForm::AppliquerVerrou(bool locked) {
  auto &d = Disp();
  if (d.inLock) return;
  d.inLock = true;
  auto *options = OptionsFrame->options;
  // Sources are never switched under a running recording: that would end it.
  const bool capturing = etat_ == esCapture || etat_ == esCaptureProgrammee;
  auto *video = dm_ ? dm_->CurrentVideoDevice() : nullptr;
  if (locked) {
    const bool dv = video && video->Device && video->Device->Kind == sources::DeviceKind::DV;
    const auto row = display::LockTable(settings::FormatFromByte(params_->Byte("Capture Format")), dv, video != nullptr,
                                        videoWindow_->size());
    if (row.traitement) TraitementPossible = *row.traitement;
    for (int i = 0; i < 4; ++i)
      if (auto *a = Action(kRatioActions[i])) a->setEnabled(!row.ratioDisabled[size_t(i)]);
    if (row.forcedAspect >= 0) ChoisirRatio(row.forcedAspect);
    if (row.divxFromAspect) {
      if (auto *b = options->rgRatioDivX->button(params_->Byte("Aspect ratio"))) b->setChecked(true);
    }
    auto *audio = dm_ ? dm_->CurrentAudioDevice() : nullptr;
    if (!capturing && row.audioFromVideoDevice && video && audio && audio->Device != video->Device && src_ &&
        src_->catalog) {
      for (const auto &candidate : src_->catalog->AudioSources)
        if (candidate->Device == video->Device) {
          ActiverAudio(candidate->Name);
          break;
        }
    }
    if (!capturing && row.dropAudio && audio) {
      d.audioDroppedByLock = audio->Name;
      ActiverAudio(sources::kNoAudioStream);
    }
    if (!capturing && row.dropVideo && video) ActiverVideo(sources::kNoVideoStream);
    EnableGroup(options->rgDVRatio, false);
    EnableGroup(options->rgRatioDivX, false);
  } else {
    TraitementPossible = video != nullptr;
    EnableGroup(options->rgDVRatio, true);
    EnableGroup(options->rgRatioDivX, true);
    for (const char *name : kRatioActions)
      if (auto *a = Action(name)) a->setEnabled(true);
    // The sound the user chose comes back; with no choice made, the one the lock took away.
    QString wanted = params_->Str("Want audio source");
    if (wanted.isEmpty()) wanted = d.audioDroppedByLock;
    const QString current =
        dm_ && dm_->CurrentAudioDevice() ? dm_->CurrentAudioDevice()->Name : sources::kNoAudioStream;
    if (!capturing && !wanted.isEmpty() && wanted != current) ActiverAudio(wanted);
    d.audioDroppedByLock.clear();
  }
  AppliquerIncrust();
  AppliquerFlips();
  const bool processing = TraitementPossible && VideoConnectee();
  for (const char *name : {"taIncruster", "acVertFlip", "acHorzFlip"})
    if (auto *a = Action(name)) {
      a->setEnabled(processing);
      HintButtons(a, locked && VideoConnectee() && !processing ? kLockedHint : QString());
    }
  // The lock's own button reads "Free preview", what a click does; its
  // tooltip says what is on now.
  if (auto *a = Action("taLock"))
    a->setToolTip(locked ? QStringLiteral("The preview is an exact copy of the recording: click to free it")
                         : QString());
  d.inLock = false;
}

void TCaptureForm::taIncrusterfalseExecute() {
  params_->SetBool("Want Incrust", true);
  Action("taIncruster")->SetChecked(true);
  AppliquerIncrust();
}

void TCaptureForm::taIncrusterTrueExecute() {
  params_->SetBool("Want Incrust", false);
  Action("taIncruster")->SetChecked(false);
  AppliquerIncrust();
}

void TCaptureForm::AppliquerIncrust() {
  auto *superposer = dm_ ? dm_->Superposer() : nullptr;
  const bool effective = params_->Bool("Want Incrust") && TraitementPossible;
  if (superposer) {
    if (effective) superposer->SetIncrust(params_->Incrust("IncrustRec"));
    superposer->SetActive(effective && VideoConnectee());
  }
  MajStatusBar();
}

void TCaptureForm::AppliquerFlips() {
  auto *superposer = dm_ ? dm_->Superposer() : nullptr;
  if (!superposer) return;
  const bool on = TraitementPossible && VideoConnectee();
  superposer->SetVertFlip(params_->Bool("Want vert Flip") && on);
  superposer->SetHorzFlip(params_->Bool("Want Horz flip") && on);
}

void TCaptureForm::acVertFlipexecute() {
  params_->SetBool("Want vert Flip", Action("acVertFlip")->Checked());
  AppliquerFlips();
  MajStatusBar();
}

void TCaptureForm::acHorzFlipexecute() {
  params_->SetBool("Want Horz flip", Action("acHorzFlip")->Checked());
  AppliquerFlips();
  MajStatusBar();
}

void TCaptureForm::acSlidersexecute() {
  auto &d = Disp();
  auto *a = Action("acSliders");
  const bool show = !d.sliderX->isVisibleTo(videoFrame_);
  a->SetPlainChecked(show);
  for (QWidget *w : {static_cast<QWidget *>(d.sliderX), static_cast<QWidget *>(d.sliderY),
                     static_cast<QWidget *>(d.corner)})
    w->setVisible(show);
  if (show) {
    for (QWidget *w : {static_cast<QWidget *>(d.sliderX), static_cast<QWidget *>(d.sliderY),
                       static_cast<QWidget *>(d.corner)})
      w->raise();
    if (auto *inlay = Action("taIncruster"); inlay && !inlay->Checked()) inlay->ExecuteInteractive();
  }
  a->setText(show ? "Hide the sliders of inlay" : "Show the sliders of inlay");
}

void TCaptureForm::AppliquerVolume() {
  auto &d = Disp();
  const int volume = params_->Int("Volume");
  if (dm_) dm_->fg().SetVolume(params_->Bool("Mute On") ? 0 : volume);
  d.gauge->setValue(volume / 100);
}

void TCaptureForm::acIncVolumeexecute() {
  auto *slider = Disp().volume;
  slider->setValue(display::StepVolume(slider->value(), display::kVolumeStep));
}

void TCaptureForm::acDecVolumeexecute() {
  auto *slider = Disp().volume;
  slider->setValue(display::StepVolume(slider->value(), -display::kVolumeStep));
}

void TCaptureForm::taMutefalseExecute() {
  if (dm_) dm_->fg().SetVolume(0);
  params_->SetBool("Mute On", true);
  Action("taMute")->SetChecked(true);
  MajStatusBar();
}

void TCaptureForm::taMuteTrueExecute() {
  if (dm_) dm_->fg().SetVolume(params_->Int("Volume"));
  params_->SetBool("Mute On", false);
  Action("taMute")->SetChecked(false);
  MajStatusBar();
}

// The freezes are auto-check toggles: the handler of the state before the
// click runs, so the unchecked one freezes and the checked one resumes.
void TCaptureForm::taFreezepreviewfalseExecute() {
  if (dm_) {
    dm_->ControlPreviewVideo()->SetFrozen(true);
    dm_->ControlPreviewAudio()->SetFrozen(true);
  }
  params_->SetBool("Freeze Preview", true);
}

void TCaptureForm::taFreezepreviewTrueExecute() {
  if (dm_) {
    dm_->ControlPreviewVideo()->SetFrozen(false);
    dm_->ControlPreviewAudio()->SetFrozen(false);
  }
  params_->SetBool("Freeze Preview", false);
}

void TCaptureForm::taFreezeCapturefalseExecute() {
  Disp().shape->SetBrushStyle(Qt::DiagCrossPattern);
  if (plaque_) {
    plaque_->SetFrameBrush(Qt::DiagCrossPattern);
    plaque_->SetBackdropColour(palette().color(QPalette::Button));
  }
  // The file goes on being written and receives nothing until the capture resumes.
  if (dm_) {
    dm_->ControlCaptureVideo()->SetFrozen(true);
    dm_->AudioCapTamponer()->SetFrozen(true);
  }
  params_->SetBool("Freeze Capture", true);
}

void TCaptureForm::taFreezeCaptureTrueExecute() {
  Disp().shape->SetBrushStyle(Qt::SolidPattern);
  if (plaque_) {
    plaque_->SetFrameBrush(Qt::SolidPattern);
    plaque_->SetBackdropColour(Qt::black);
  }
  if (dm_) {
    dm_->ControlCaptureVideo()->SetFrozen(false);
    dm_->AudioCapTamponer()->SetFrozen(false);
  }
  params_->SetBool("Freeze Capture", false);
}

}  // namespace vistrel
