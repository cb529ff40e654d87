#include "app/display_widgets.h"

#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace vistrel::display {

FrameShape::FrameShape(QWidget *parent) : QWidget(parent) {
  setObjectName("FrameShapeBorder");
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void FrameShape::SetBrushStyle(Qt::BrushStyle style) {
  style_ = style;
  update();
}

void FrameShape::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  const QRect inner = rect().adjusted(12, 12, -12, -12);
  const QBrush brush(palette().color(QPalette::Window), style_);
  for (const QRect &r : QRegion(rect()).subtracted(QRegion(inner))) painter.fillRect(r, brush);
}

TErreurFrame::TErreurFrame(QWidget *parent) : QFrame(parent) {
  setObjectName("ErreurFrame");
  setFrameShape(QFrame::Box);
  setAutoFillBackground(true);
  auto *layout = new QVBoxLayout(this);
  text_ = new QLabel(this);
  text_->setObjectName("lbErreur");
  text_->setWordWrap(true);
  QPalette p = text_->palette();
  p.setColor(QPalette::WindowText, Qt::red);
  text_->setPalette(p);
  auto *ok = new QPushButton("OK", this);
  layout->addWidget(text_);
  layout->addWidget(ok, 0, Qt::AlignRight);
  connect(ok, &QPushButton::clicked, this, &QWidget::hide);
  hide();
}

void TErreurFrame::Afficher(const QString &text) {
  text_->setText(text.trimmed());
  adjustSize();
  show();
  raise();
}

}  // namespace vistrel::display
