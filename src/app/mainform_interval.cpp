// The intervalometer of the Grab panel: value and unit into the superposer's
// interval, the switch, the countdown and its beeps.
#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <variant>

#include "actions/superaction.h"
#include "app/cockpit_state.h"
#include "app/interval_rules.h"
#include "app/status_texts.h"
#include "filters/vs_superposer.h"
#include "graph/avgraph.h"
#include "graph/dsfunctions.h"
#include "platform/dialogs.h"
#include "settings/settings.h"

namespace vistrel {

void TCaptureForm::ConstruireIntervallo() {
  auto &c = Cockpit();
  c.gbIntervallo = new QGroupBox("Intervalometer", ExtraireFrame);
  c.gbIntervallo->setObjectName("gbIntervallo");
  auto *form = new QFormLayout(c.gbIntervallo);
  auto *every = new QHBoxLayout;
  c.RxSpinEdit7 = new QSpinBox(c.gbIntervallo);
  c.RxSpinEdit7->setObjectName("RxSpinEdit7");
  c.RxSpinEdit7->setRange(0, 999999);
  c.cbUnites = new QComboBox(c.gbIntervallo);
  c.cbUnites->setObjectName("cbUnites");
  for (int unit = kSeconds; unit <= kHours; ++unit) c.cbUnites->addItem(status::UniteIntervalle(unit));
  every->addWidget(c.RxSpinEdit7, 1);
  every->addWidget(c.cbUnites, 1);
  form->addRow("Every", every);
  auto *onRow = new QHBoxLayout;
  c.RxSwitch1 = new QCheckBox("On", c.gbIntervallo);
  c.RxSwitch1->setObjectName("RxSwitch1");
  c.cbBeeps = new QCheckBox("Beeps", c.gbIntervallo);
  c.cbBeeps->setObjectName("cbBeeps");
  c.chronoLab = new QLabel(c.gbIntervallo);
  c.chronoLab->setObjectName("chronoLab");
  c.chronoLab->hide();
  onRow->addWidget(c.RxSwitch1);
  onRow->addWidget(c.cbBeeps);
  onRow->addWidget(c.chronoLab, 1, Qt::AlignRight);
  form->addRow(onRow);
  auto *body = ExtraireFrame->Body();
  body->insertWidget(body->count() - 1, c.gbIntervallo);
  // Interval grabs need a picture, as the action does.
  c.RxSwitch1->setEnabled(false);

  connect(c.RxSwitch1, &QCheckBox::clicked, this, [this] { ExtraireFrame1RxSwitch1Click(); });
  connect(c.cbBeeps, &QCheckBox::clicked, this, [this](bool on) { params_->SetBool("Beeps", on); });
}

bool TCaptureForm::IntervalloActif() const { return cockpit_ && cockpit_->RxSwitch1->isChecked(); }

void TCaptureForm::ExtraireFrame1RxSwitch1Click() {
  auto &c = Cockpit();
  filters::Tvs_Superposer *superposer = dm_ ? dm_->Superposer() : nullptr;
  c.chronoLab->hide();
  if (c.RxSwitch1->isChecked()) {
    const auto interval = IntervalFor(c.RxSpinEdit7->value(), c.cbUnites->currentIndex(), dm_ ? dm_->SourceFps() : 0);
    if (const auto *why = std::get_if<QString>(&interval)) {
      // A refused interval leaves the intervalometer off rather than shooting at a wrong pace.
      c.RxSwitch1->setChecked(false);
      if (superposer) superposer->StopInterval();
      platform::DialogService::Instance().Warning(*why, this);
    } else {
      if (superposer) superposer->SetGrabInterval(std::get<std::int64_t>(interval));
      c.chronoLab->clear();
      c.chronoLab->show();
    }
  } else if (superposer) {
    superposer->StopInterval();
  }
  const bool on = c.RxSwitch1->isChecked();
  c.RxSpinEdit7->setEnabled(!on);
  c.cbUnites->setEnabled(!on);
  MajStatusBar();
}

void TCaptureForm::saIntervalloexecute() {
  auto *sw = Cockpit().RxSwitch1;
  sw->setChecked(!sw->isChecked());
  ExtraireFrame1RxSwitch1Click();
}

void TCaptureForm::OnCountdown(int seconds) {
  auto &c = Cockpit();
  if (!c.RxSwitch1->isChecked()) return;
  c.chronoLab->setText(QString::number(seconds));
  if (!c.cbBeeps->isChecked()) return;
  switch (BeepFor(seconds)) {
    case Beep::Beep0: Bip0(); break;
    case Beep::Beep1: Bip1(); break;
    case Beep::None: break;
  }
}

void TCaptureForm::IntervalloSansVideo(bool noVideo) {
  if (!cockpit_) return;
  auto &c = Cockpit();
  // The next source's stream time starts again: the next shot is its first frame.
  if (noVideo && c.RxSwitch1->isChecked()) ExtraireFrame1RxSwitch1Click();
  c.RxSwitch1->setEnabled(!noVideo);
}

}  // namespace vistrel
