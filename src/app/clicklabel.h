#pragma once
// A label that reports clicks; the side panels navigate to each other through them.
#include <QLabel>
#include <QMouseEvent>

namespace vistrel {

class ClickLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent *e) override {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
    QLabel::mouseReleaseEvent(e);
  }
};

}  // namespace vistrel
