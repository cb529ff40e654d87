#pragma once
// The full-screen backdrop: black, with a frame in the colour of the controller state.
#include <QColor>
#include <QWidget>

namespace vistrel {

class Tplaque : public QWidget {
  Q_OBJECT
 public:
  explicit Tplaque(QWidget *parent = nullptr);
  void SetFrameColour(const QColor &c);
  QColor FrameColour() const { return frameColour_; }
  // The surface the video window is shown on in full screen, inside the frame.
  QWidget *Surface() const { return surface_; }

 protected:
  void paintEvent(QPaintEvent *e) override;

 private:
  QColor frameColour_ = Qt::black;
  QWidget *surface_;
};

}  // namespace vistrel
