#pragma once
// The full-screen backdrop: black (button face while the capture is frozen),
// the video window shown on it and a 12-pixel frame around the video in the
// colour of the controller state.
#include <QColor>
#include <QPointer>
#include <QWidget>

namespace vistrel {

class Tplaque : public QWidget {
  Q_OBJECT
 public:
  explicit Tplaque(QWidget *parent = nullptr);
  ~Tplaque() override;

  void SetFrameColour(const QColor &c);
  QColor FrameColour() const { return frameColour_; }
  // Solid normally, a diagonal cross while the capture is frozen.
  void SetFrameBrush(Qt::BrushStyle style);
  Qt::BrushStyle FrameBrush() const { return frameBrush_; }
  void SetBackdropColour(const QColor &c);
  QColor BackdropColour() const { return backdrop_; }

  // The surface the video window is shown on in full screen.
  QWidget *Surface() const { return surface_; }
  // Takes the video window onto the surface; ReturnVideo gives it back to the
  // parent it had, as does the backdrop's destruction, so the window is never
  // destroyed with the backdrop.
  void TakeVideo(QWidget *video);
  void ReturnVideo();
  QWidget *Video() const { return video_; }
  // Where the video is shown; the frame surrounds it by 12 pixels.
  void SetVideoRect(const QRect &r);
  QRect VideoRect() const { return videoRect_; }

 signals:
  void resized();

 protected:
  void paintEvent(QPaintEvent *e) override;
  void resizeEvent(QResizeEvent *e) override;

 private:
  QColor frameColour_ = Qt::black;
  QColor backdrop_ = Qt::black;
  Qt::BrushStyle frameBrush_ = Qt::SolidPattern;
  QWidget *surface_;
  QPointer<QWidget> video_, home_;
  QRect videoRect_;
};

}  // namespace vistrel
