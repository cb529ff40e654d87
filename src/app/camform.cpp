#include "app/camform.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "app/nav_captureframe.h"
#include "app/timecode_text.h"
#include "filters/vs_scenedetect.h"
#include "sources/avsources.h"
#include "sources/transport.h"
#include "ui/tapehealthstrip.h"

namespace vistrel {

namespace {

// A small keyboard: this window takes the shortcuts.
QPixmap MarkerPixmap() {
  QPixmap pm(28, 20);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.2));
  p.setBrush(QColor(0xF0, 0xC0, 0x30));
  p.drawRoundedRect(QRectF(1, 3, 26, 15), 3, 3);
  p.setBrush(QColor(0x20, 0x20, 0x20));
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 5; ++col) p.drawRect(QRectF(4 + col * 4.4, 6 + row * 4, 2.4, 2.2));
  p.drawRect(QRectF(8, 14, 12, 2));
  return pm;
}

}  // namespace

TcamForm::TcamForm(int number, QWidget *owner) : QWidget(owner, Qt::Dialog), number_(number) {
  setObjectName(QString("camForm%1").arg(number));
  setWindowTitle("Camcorder");
  setFixedSize(kWidth, kHeight);  // a dialog border: not resizable

  Timecode = new QLabel("0:00:00:00", this);
  Timecode->setObjectName("Timecode");
  Timecode->setToolTip("Current timestamp of the video being played\nIn hours:minutes:seconds:frames");
  Timecode->setFrameShape(QFrame::Panel);
  Timecode->setFrameShadow(QFrame::Sunken);
  Timecode->setAlignment(Qt::AlignCenter);
  Timecode->setMinimumWidth(170);
  QFont tf = Timecode->font();
  tf.setPointSize(20);
  tf.setBold(true);
  Timecode->setFont(tf);

  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  QFont df = Label1->font();
  df.setBold(true);
  df.setItalic(true);
  Label1->setFont(df);
  QPalette dp = Label1->palette();
  dp.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00));  // maroon
  Label1->setPalette(dp);

  image1 = new QLabel(this);
  image1->setObjectName("image1");
  image1->setPixmap(MarkerPixmap());
  image1->setToolTip(
      "This sign shows that this camcorder will receive the keyboard shortcuts\nlike CTRL+Ins or CTRL+Del");

  cbStopQuittant = new QCheckBox("Stop when quit", this);
  cbStopQuittant->setObjectName("cbStopQuittant");
  cbStopQuittant->setChecked(true);

  nav_captureframe1 = new Tnav_captureframe(this);

  HealthStrip = new ui::TapeHealthStrip(this);
  HealthStrip->setObjectName("HealthStrip");
  HealthText = new QLabel(this);
  HealthText->setObjectName("HealthText");
  btnRetour = new QPushButton("Back to first error", this);
  btnRetour->setObjectName("btnRetour");
  btnRetour->setToolTip(QString("Rewind the tape to %1 s before the first damaged frame of the capture and pause there")
                            .arg(app::TapeRewinder::kLeadSeconds));
  btnRetour->setEnabled(false);
  connect(btnRetour, &QPushButton::clicked, this, &TcamForm::RetourPremiereErreur);
  connect(&health_, &app::TapeHealth::changed, this, [this] {
    // A frame at a time is too often to repaint: a second's worth is one cell.
    if (health_.Frames() % 25 == 0 || health_.Frames() < 2) AfficherSante();
  });
  AfficherSante();

  auto *grid = new QGridLayout(this);
  grid->setContentsMargins(8, 6, 8, 6);
  grid->addWidget(Timecode, 0, 0, 2, 1);
  grid->addWidget(Label1, 0, 1, 1, 2);
  grid->addWidget(cbStopQuittant, 1, 1);
  grid->addWidget(image1, 1, 2, Qt::AlignRight);
  grid->addWidget(nav_captureframe1, 2, 0, 1, 3);
  grid->addWidget(HealthStrip, 3, 0, 1, 3);
  grid->addWidget(HealthText, 4, 0, 1, 2);
  grid->addWidget(btnRetour, 4, 2, Qt::AlignRight);
  grid->setColumnStretch(1, 1);
  SetActive(false);
}

TcamForm::~TcamForm() { FormDestroy(); }

void TcamForm::SetActive(bool active) { image1->setVisible(active); }
bool TcamForm::IsActive() const { return !image1->isHidden(); }

void TcamForm::AfficherSante() {
  HealthStrip->SetCells([this] {
    std::vector<std::uint8_t> cells;
    for (app::StripCell c : health_.Strip(ui::TapeHealthStrip::kCells)) cells.push_back(static_cast<std::uint8_t>(c));
    return cells;
  }());
  const auto last = health_.LastDamaged();
  QString text =
      QString("Tape errors: %1 frame%2").arg(health_.DamagedFrames()).arg(health_.DamagedFrames() == 1 ? "" : "s");
  if (last && last->Timecode.Hours != 0xFF) {
    const sources::TimeCode tc{last->Timecode.Hours, last->Timecode.Minutes, last->Timecode.Seconds,
                               last->Timecode.Frames};
    text += ", the last at " + TexteTimecode(TimecodeBcd(tc));
  }
  HealthText->setText(text);
  btnRetour->setEnabled(health_.FirstDamaged() && nav_captureframe1->Transport() && !rewinder_.Running());
}

void TcamForm::RetourPremiereErreur() {
  const auto first = health_.FirstDamaged();
  if (first) rewinder_.Start(nav_captureframe1->Transport(), first->Timecode);
  AfficherSante();
}

void TcamForm::AfficherTimecode(const sources::TavStrel &source) {
  if (source.HealthChecker != checker_) {
    checker_ = source.HealthChecker;
    health_.Attach(checker_);
  }
  AfficherSante();
  if (!nav_captureframe1->HasTimecodeReader()) return;
  ++Rafraichissements;
  const auto tc = nav_captureframe1->Transport()->ReadTimeCode();
  Timecode->setText(tc ? TexteTimecode(TimecodeBcd(*tc)) : QString());
  Label1->setText(source.SceneDetector ? TexteDateDV(source.SceneDetector->Current()) : QString());
}

void TcamForm::StopperSiDemande() {
  if (cbStopQuittant->isChecked()) nav_captureframe1->Commande(CamCommande::Stop);
}

void TcamForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  StopperSiDemande();
  rewinder_.Cancel();
  health_.Attach(checker_ = nullptr);
  nav_captureframe1->SetTransport(nullptr);
}

void TcamForm::Liberer(bool arreter) {
  if (arreter) StopperSiDemande();
  rewinder_.Cancel();
  health_.Attach(checker_ = nullptr);
  nav_captureframe1->SetTransport(nullptr);
  Timecode->setText("0:00:00:00");
  Label1->clear();
  hide();
}

void TcamForm::closeEvent(QCloseEvent *e) {
  // The user closing the window no longer wants it; the program's own
  // closing keeps the wish as it was.
  if (e->spontaneous()) WantedVisible = false;
  QWidget::closeEvent(e);
}

}  // namespace vistrel
