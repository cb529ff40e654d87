#include "app/plaque.h"

#include <QPainter>
#include <QVBoxLayout>

namespace vistrel {

Tplaque::Tplaque(QWidget *parent) : QWidget(parent) {
  setObjectName("plaque");
  setWindowTitle("Vistrel");
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 12);
  surface_ = new QWidget(this);
  QPalette p = surface_->palette();
  p.setColor(QPalette::Window, Qt::black);
  surface_->setPalette(p);
  surface_->setAutoFillBackground(true);
  layout->addWidget(surface_);
}

void Tplaque::SetFrameColour(const QColor &c) {
  frameColour_ = c;
  update();
}

void Tplaque::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  painter.setPen(QPen(frameColour_, 12));
  painter.drawRect(rect().adjusted(6, 6, -6, -6));
}

}  // namespace vistrel
