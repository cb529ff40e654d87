// The recording cockpit's buttons: Capture, Cut, Grab! and Schedule under the
// video, Grab! on the Grab panel and Schedule on the Schedule panel, each one
// standing for its action, and the pictures the actions show in each state.
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "actions/superaction.h"
#include "app/cockpit_state.h"
#include "app/display_state.h"
#include "settings/settings.h"

namespace vistrel {

namespace {

// The pictures of the image indices the cockpit's actions use.
QIcon IconeImage(int index) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  switch (index) {
    case 14:  // record picture and sound
      p.setBrush(Qt::red);
      p.setPen(Qt::darkRed);
      p.drawEllipse(2, 2, 12, 12);
      break;
    case 43:  // record sound only
      p.setBrush(Qt::red);
      p.setPen(Qt::darkRed);
      p.drawEllipse(4, 4, 8, 8);
      p.setBrush(Qt::NoBrush);
      p.drawArc(0, 0, 16, 16, 45 * 16, 90 * 16);
      break;
    case 28:  // stop
      p.setBrush(Qt::black);
      p.setPen(Qt::black);
      p.drawRect(3, 3, 10, 10);
      break;
    case 20:  // schedule
    case 30:  // schedule running
      p.setBrush(index == 30 ? QColor(Qt::magenta) : QColor(Qt::white));
      p.setPen(Qt::black);
      p.drawEllipse(1, 1, 14, 14);
      p.drawLine(8, 8, 8, 3);
      p.drawLine(8, 8, 12, 8);
      break;
    default: return QIcon();
  }
  return QIcon(pm);
}

}  // namespace

TActionButton::TActionButton(QWidget *parent) : QToolButton(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

bool TActionButton::event(QEvent *e) {
  if (e->type() == QEvent::ShortcutOverride) {
    auto *k = static_cast<QKeyEvent *>(e);
    if (k->key() == Qt::Key_Space && k->modifiers() == Qt::NoModifier) {
      e->accept();
      return true;
    }
  }
  return QToolButton::event(e);
}

void TCaptureForm::BindCockpitActions() {
  BindAction("acProgrammerBascule", &TCaptureForm::acProgrammerBasculeexecute);
  BindAction("saIntervallo", &TCaptureForm::saIntervalloexecute);
  // Intervals need a picture: source activation enables it with a video source.
  if (auto *a = Action("saIntervallo")) a->setEnabled(false);
  for (const char *name : {"saCapturerBascule", "acProgrammerBascule"})
    if (auto *a = Action(name)) a->OnImageChanged = [a](int index) { a->setIcon(IconeImage(index)); };
  if (auto *a = Action("acProgrammerBascule")) a->SetImageIndex(20);
}

void TCaptureForm::ConstruireCockpit() {
  if (cockpit_) return;
  cockpit_ = new CockpitState(this);
  auto &c = *cockpit_;
  auto make = [](QWidget *parent, TCustomSuperAction *action, const char *name) {
    auto *b = new TActionButton(parent);
    b->setObjectName(name);
    if (action) b->setDefaultAction(action);
    return b;
  };

  // The row of recording buttons between the video and the volume.
  auto &d = Disp();
  auto *row = new QWidget(d.videoColumn);
  row->setObjectName("CaptureRow");
  auto *buttons = new QHBoxLayout(row);
  buttons->setContentsMargins(0, 0, 0, 0);
  c.btnCapturer = make(row, Action("saCapturerBascule"), "btnCapturer");
  c.btnCouper = make(row, Action("acCouper"), "btnCouper");
  c.btnGrab = make(row, Action("saGrab"), "btnGrab");
  c.btnProgrammer = make(row, Action("acProgrammerBascule"), "btnProgrammer");
  for (auto *b : {c.btnCapturer, c.btnCouper, c.btnGrab, c.btnProgrammer}) buttons->addWidget(b);
  auto *column = static_cast<QVBoxLayout *>(d.videoColumn->layout());
  column->insertWidget(column->indexOf(d.buttonRow), row);

  // The Grab panel's own "Grab!" button, under the picture.
  c.GrabBtn = make(ExtraireFrame, Action("saGrab"), "GrabBtn");
  auto *grabBody = ExtraireFrame->Body();
  grabBody->insertWidget(1, c.GrabBtn);

  ConstruireProgrammation();
  c.ProgBtn = make(ProgrammerFrame, Action("acProgrammerBascule"), "ProgBtn");
  auto *progBody = ProgrammerFrame->Body();
  progBody->insertWidget(progBody->count() - 1, c.ProgBtn);

  ConstruireIntervallo();
  ConstruireStatusBar();
}

void TCaptureForm::ChargerPrefsCockpit() {
  auto &c = Cockpit();
  auto &p = *params_;
  c.RxSpinEdit7->setValue(p.Int(QString::fromUtf8("Valeur Intervallomètre")));
  c.cbUnites->setCurrentIndex(std::clamp(p.Int(QString::fromUtf8("Unités Intervallomètre")), 0, 3));
  c.cbBeeps->setChecked(p.Bool("Beeps"));
  AnnulerAlarme();
  // The Schedule panel may be the one shown at start: its fields are never left blank.
  PreremplirProgrammation();
}

void TCaptureForm::SauverPrefsCockpit() {
  auto &c = Cockpit();
  auto &p = *params_;
  p.SetInt(QString::fromUtf8("Valeur Intervallomètre"), c.RxSpinEdit7->value());
  p.SetInt(QString::fromUtf8("Unités Intervallomètre"), c.cbUnites->currentIndex());
  p.SetBool("Beeps", c.cbBeeps->isChecked());
}

void TCaptureForm::FocusCapture() {
  auto *b = Cockpit().btnCapturer;
  if (b->isEnabled()) b->setFocus(Qt::OtherFocusReason);
}

}  // namespace vistrel
