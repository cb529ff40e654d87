// Scheduled recording: the Schedule panel, arming the start or the end on the
// schedule clock, the alarm's two targets and editing an armed time.
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QVBoxLayout>

#include "actions/superaction.h"
#include "app/cockpit_state.h"
#include "app/desktop_notices.h"
#include "app/recorder.h"
#include "app/status_texts.h"
#include "platform/dialogs.h"
#include "settings/settings.h"

namespace vistrel {

using platform::DialogService;
using platform::DlgAnswer;
using platform::DlgButtons;
using platform::DlgKind;

namespace {

// A date and its hour, minute and second fields as one moment.
struct Champs {
  QDateEdit *date;
  QSpinBox *h, *m, *s;
  QDateTime Moment() const { return QDateTime(date->date(), QTime(h->value(), m->value(), s->value())); }
  void Mettre(const QDateTime &t) const {
    date->setDate(t.date());
    h->setValue(t.time().hour());
    m->setValue(t.time().minute());
    s->setValue(0);
  }
};

QGroupBox *Groupe(QWidget *parent, const char *name, const QString &title, QDateEdit *&date,
                  std::array<QSpinBox *, 3> &fields, const std::array<const char *, 4> &names) {
  auto *g = new QGroupBox(title, parent);
  g->setObjectName(name);
  auto *grid = new QGridLayout(g);
  date = new QDateEdit(g);
  date->setObjectName(names[0]);
  date->setCalendarPopup(true);
  date->setDisplayFormat("dd/MM/yyyy");
  grid->addWidget(date, 0, 0, 1, 3);
  const int maxima[3] = {23, 59, 59};
  const char *const captions[3] = {"hour", "min", "sec"};
  for (int i = 0; i < 3; ++i) {
    fields[i] = new QSpinBox(g);
    fields[i]->setObjectName(names[i + 1]);
    fields[i]->setRange(0, maxima[i]);
    fields[i]->setWrapping(true);
    grid->addWidget(new QLabel(captions[i], g), 1, i);
    grid->addWidget(fields[i], 2, i);
  }
  return g;
}

Champs Debut(const TCaptureForm::CockpitState &c) { return {c.DateEdit1, c.RxSpinEdit1, c.RxSpinEdit2, c.RxSpinEdit3}; }
Champs Fin(const TCaptureForm::CockpitState &c) { return {c.DateEdit2, c.RxSpinEdit4, c.RxSpinEdit5, c.RxSpinEdit6}; }

}  // namespace

TScheduleClock &TCaptureForm::Horloge() { return Cockpit().horloge; }

void TCaptureForm::ConstruireProgrammation() {
  auto &c = Cockpit();
  auto *body = ProgrammerFrame->Body();
  c.RxClock2 = new QLabel(ProgrammerFrame);
  c.RxClock2->setObjectName("RxClock2");
  c.RxClock2->setToolTip("real time from computer");
  c.RxClock2->setAlignment(Qt::AlignCenter);
  QFont big = c.RxClock2->font();
  big.setPointSize(big.pointSize() * 2);
  big.setBold(true);
  c.RxClock2->setFont(big);
  std::array<QSpinBox *, 3> start{}, end{};
  c.gbDebut = Groupe(ProgrammerFrame, "gbDebut", "Start", c.DateEdit1, start,
                     {"DateEdit1", "RxSpinEdit1", "RxSpinEdit2", "RxSpinEdit3"});
  c.gbFin = Groupe(ProgrammerFrame, "gbFin", "End", c.DateEdit2, end,
                   {"DateEdit2", "RxSpinEdit4", "RxSpinEdit5", "RxSpinEdit6"});
  c.RxSpinEdit1 = start[0], c.RxSpinEdit2 = start[1], c.RxSpinEdit3 = start[2];
  c.RxSpinEdit4 = end[0], c.RxSpinEdit5 = end[1], c.RxSpinEdit6 = end[2];
  c.NowBtn = new QPushButton("now", ProgrammerFrame);
  c.NowBtn->setObjectName("NowBtn");
  c.NowBtn->setToolTip("Puts the end datetime equal to start datetime.\nThen you may add easily some hours...");
  int at = 1;
  for (QWidget *w : {static_cast<QWidget *>(c.RxClock2), static_cast<QWidget *>(c.gbDebut),
                     static_cast<QWidget *>(c.NowBtn), static_cast<QWidget *>(c.gbFin)})
    body->insertWidget(at++, w);

  for (QSpinBox *f : start) connect(f, &QSpinBox::valueChanged, this, [this] { RXDebutClic(); });
  for (QSpinBox *f : end) connect(f, &QSpinBox::valueChanged, this, [this] { RXFinClic(); });
  connect(c.NowBtn, &QPushButton::clicked, this, &TCaptureForm::ProgrammerFrame1NowBtnClick);
  connect(&c.horloge, &TScheduleClock::ticked, c.RxClock2,
          [label = c.RxClock2](const QDateTime &now) { label->setText(now.time().toString("hh:mm:ss")); });
  c.horloge.OnAlarm = [this](AlarmTarget target) {
    if (target == AlarmTarget::Start) lancerEnregistrement();
    else if (target == AlarmTarget::End) stopperEnregistrement();
  };
  c.RxClock2->setText(c.horloge.Now().time().toString("hh:mm:ss"));
}

void TCaptureForm::PreremplirProgrammation() {
  if (etat_ == esAttente || etat_ == esCaptureProgrammee) return;
  auto &c = Cockpit();
  const QDateTime now = c.horloge.Now();
  Debut(c).Mettre(now.addSecs(60));
  Fin(c).Mettre(now.addSecs(31 * 60));
}

void TCaptureForm::acProgrammerBasculeexecute() {
  switch (etat_) {
    case esPreview:
      if (ValiderProgrammation()) EtatAttente();
      break;
    case esCapture:
      if (ProgrammerFin()) EtatCaptureProgrammee();
      break;
    case esAttente:
      AnnulerAlarme();
      SetInterfacePreview();
      break;
    case esCaptureProgrammee:
      AnnulerAlarme();
      EtatCaptureManuelle();  // the capture goes on
      break;
  }
}

bool TCaptureForm::ValiderProgrammation() {
  auto &dlg = DialogService::Instance();
  auto &c = Cockpit();
  const bool confirmer = params_->Bool("Confirmer Video");
  if (confirmer && QFileInfo::exists(NomVideo()) &&
      dlg.Ask(DlgKind::Warning, "The file " + NomVideo() + " exists already. Do you want to crush it?",
              DlgButtons::YesNo, this) != DlgAnswer::Yes)
    return false;
  const QString folder = QFileInfo(NomVideo()).absolutePath();
  if (confirmer && !QDir(folder).exists()) {
    if (dlg.Ask(DlgKind::Error, "The folder " + folder + " does not exist.\nDo you want to create it?",
                DlgButtons::YesNo, this) != DlgAnswer::Yes)
      return false;
    QDir().mkpath(folder);
  }
  const QDateTime start = Debut(c).Moment(), end = Fin(c).Moment();
  const QDateTime now = c.horloge.Now();
  if (now > end) {
    dlg.Error("It's not possible to schedule the end of a capture to a past date and time", this);
    return false;
  }
  if (now > start) {
    if (dlg.Ask(DlgKind::Error,
                "It's not possible to schedule the start of a capture to a past date and time\nDo you want to "
                "start immediately the capture?",
                DlgButtons::YesNo, this) == DlgAnswer::Yes) {
      PasserEtat(esAttente);
      lancerEnregistrement();
    }
    return false;
  }
  c.horloge.Arm(start, AlarmTarget::Start);
  return true;
}

bool TCaptureForm::ProgrammerFin() {
  auto &c = Cockpit();
  if (c.horloge.Now().date() > c.DateEdit2->date()) return false;
  c.horloge.Arm(Fin(c).Moment(), AlarmTarget::End);
  return true;
}

void TCaptureForm::AnnulerAlarme() {
  if (cockpit_) cockpit_->horloge.Disarm();
}

void TCaptureForm::lancerEnregistrement() {
  if (etat_ != esAttente) return;
  auto &dialogs = DialogService::Instance();
  const qsizetype told = dialogs.History().size();
  notices_->ScheduledStarting();
  if (DemarrerCapture()) {
    notices_->ScheduledStartDone(true, recorder_->File(), {});
    ProgrammerFin();
    EtatCaptureProgrammee();
    return;
  }
  const QStringList shown = dialogs.History();
  notices_->ScheduledStartDone(false, {}, shown.size() > told ? shown.last() : QString());
  AnnulerAlarme();
  ArreterCapture();
  SetInterfacePreview();
}

void TCaptureForm::stopperEnregistrement() {
  if (etat_ != esCaptureProgrammee) return;
  AnnulerAlarme();
  const QString file = recorder_->File();
  const bool stopped = ArreterCapture();
  notices_->ScheduledEnded(file);
  if (stopped)
    SetInterfacePreview();
  else EchecArret();
}

void TCaptureForm::RXDebutClic() {
  auto &c = Cockpit();
  if (etat_ != esAttente || c.horloge.Target() != AlarmTarget::Start) return;
  const QDateTime armed = c.horloge.AlarmTime();
  c.horloge.SetAlarmTime(QDateTime(armed.date(), Debut(c).Moment().time()));
  MajStatusEtat();
}

void TCaptureForm::RXFinClic() {
  auto &c = Cockpit();
  if (etat_ != esCaptureProgrammee || c.horloge.Target() != AlarmTarget::End) return;
  const QDateTime armed = c.horloge.AlarmTime();
  c.horloge.SetAlarmTime(QDateTime(armed.date(), Fin(c).Moment().time()));
  MajStatusEtat();
}

void TCaptureForm::ProgrammerFrame1NowBtnClick() {
  auto &c = Cockpit();
  const QSignalBlocker b4(c.RxSpinEdit4), b5(c.RxSpinEdit5), b6(c.RxSpinEdit6);
  c.DateEdit2->setDate(c.DateEdit1->date());
  c.RxSpinEdit4->setValue(c.RxSpinEdit1->value());
  c.RxSpinEdit5->setValue(c.RxSpinEdit2->value());
  c.RxSpinEdit6->setValue(c.RxSpinEdit3->value());
  RXFinClic();
}

void TCaptureForm::EtatAttente() { PasserEtat(esAttente); }
void TCaptureForm::EtatCaptureProgrammee() { PasserEtat(esCaptureProgrammee); }

}  // namespace vistrel
