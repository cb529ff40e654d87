#include "app/camform.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>

#include "app/nav_captureframe.h"
#include "app/timecode_text.h"
#include "filters/vs_scenedetect.h"
#include "sources/avsources.h"

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
  setFixedSize(568, 132);  // a dialog border: not resizable

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

  auto *grid = new QGridLayout(this);
  grid->setContentsMargins(8, 6, 8, 6);
  grid->addWidget(Timecode, 0, 0, 2, 1);
  grid->addWidget(Label1, 0, 1, 1, 2);
  grid->addWidget(cbStopQuittant, 1, 1);
  grid->addWidget(image1, 1, 2, Qt::AlignRight);
  grid->addWidget(nav_captureframe1, 2, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  SetActive(false);
}

TcamForm::~TcamForm() { FormDestroy(); }

void TcamForm::SetActive(bool active) { image1->setVisible(active); }
bool TcamForm::IsActive() const { return !image1->isHidden(); }

void TcamForm::AfficherTimecode(const sources::TavStrel &source) {
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
  nav_captureframe1->SetTransport(nullptr);
}

void TcamForm::Liberer(bool arreter) {
  if (arreter) StopperSiDemande();
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
