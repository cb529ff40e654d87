// The Inlay panel's links to the rest of the window: the superposer, the
// inlay toggle, the two sliders of the video area, the DV date of the current
// source, the time-difference toggle, and the keys that give way to typing.
#include "actions/superaction.h"
#include "app/display_state.h"
#include "app/mainform.h"
#include "filters/vs_scenedetect.h"
#include "filters/vs_superposer.h"
#include "graph/avgraph.h"
#include "settings/settings.h"
#include "sources/avsources.h"

namespace vistrel {

void TCaptureForm::ConstruireIncrust() {
  auto &d = Disp();
  TIncrusterFrame::Liens liens;
  liens.Params = params_.get();
  liens.SetIncrust = [this](const filters::TincrustRec &rec) {
    if (dm_ && dm_->Superposer()) dm_->Superposer()->SetIncrust(rec);
  };
  liens.SetWhen = [this](std::uint8_t mode, int seconds) {
    if (dm_ && dm_->Superposer()) dm_->Superposer()->SetWhen(mode, seconds);
  };
  liens.Incruster = [this](bool on) {
    if (auto *a = Action("taIncruster"); a && a->Checked() != on) a->ExecuteInteractive();
  };
  liens.DateDV = [this]() -> std::optional<double> {
    const auto *video = dm_ ? dm_->CurrentVideoDevice() : nullptr;
    const filters::Tvs_SceneDetect *detector = video ? video->SceneDetector : nullptr;
    if (!detector) return std::nullopt;
    const filters::DVInfo info = detector->Current();
    if (!info.DateValid) return std::nullopt;
    return info.DateTime;
  };
  liens.Xslider = d.sliderX;
  liens.Yslider = d.sliderY;
  IncrusterFrame->Lier(std::move(liens));
  connect(IncrusterFrame, &TIncrusterFrame::decalageClicked, this, [this] {
    if (auto *a = Action("taDecalage")) a->ExecuteInteractive();
  });
  connect(IncrusterFrame, &TIncrusterFrame::templateFocus, this, &TCaptureForm::RaccourcisTexte);
  BindAction("taDecalage", &TCaptureForm::taDecalageTrueExecute, &TCaptureForm::taDecalagefalseExecute,
             &TCaptureForm::taDecalageprepare);
}

void TCaptureForm::ChargerPrefsIncrust() {
  auto &p = *params_;
  const filters::TincrustRec rec = p.Incrust("IncrustRec");
  IncrusterFrame->ShowRecord(rec);
  const std::uint8_t when = p.Byte("When Incrust");
  const int seconds = p.Int(QString::fromUtf8("Durée Incruster"));
  IncrusterFrame->ShowWhen(when, seconds);
  if (auto *superposer = dm_ ? dm_->Superposer() : nullptr) {
    superposer->SetIncrust(rec);
    superposer->SetWhen(when, seconds);
  }
}

void TCaptureForm::taDecalageprepare() {
  // The handler that runs is the one of the sub-panel's real state.
  Action("taDecalage")->SetChecked(IncrusterFrame->DecalageVisible());
}

void TCaptureForm::taDecalagefalseExecute() {
  IncrusterFrame->OuvrirDecalage();
  Action("taDecalage")->SetChecked(IncrusterFrame->DecalageVisible());
}

void TCaptureForm::taDecalageTrueExecute() {
  IncrusterFrame->FermerDecalage();
  Action("taDecalage")->SetChecked(false);
}

void TCaptureForm::RaccourcisTexte(bool typing) {
  if (typing) {
    if (!raccourcisSuspendus_.isEmpty()) return;  // the combo and its line edit both report
    for (const char *name : {"acIncVolume", "acDecVolume", "taFreezeCapture"})
      if (QAction *a = Action(name)) {
        raccourcisSuspendus_.append({a, a->shortcut()});
        a->setShortcut(QKeySequence());
      }
    return;
  }
  for (const auto &[action, keys] : raccourcisSuspendus_) action->setShortcut(keys);
  raccourcisSuspendus_.clear();
}

}  // namespace vistrel
