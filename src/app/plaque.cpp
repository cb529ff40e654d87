#include "app/plaque.h"

#include <QPainter>
#include <QResizeEvent>

namespace vistrel {

Tplaque::Tplaque(QWidget *parent) : QWidget(parent) {
  setObjectName("plaque");
  setWindowTitle("Vistrel");
  // The surface paints nothing: the backdrop and its frame show through around the video.
  surface_ = new QWidget(this);
  surface_->setObjectName("plaqueSurface");
}

Tplaque::~Tplaque() { ReturnVideo(); }

void Tplaque::SetFrameColour(const QColor &c) {
  frameColour_ = c;
  update();
}

void Tplaque::SetFrameBrush(Qt::BrushStyle style) {
  frameBrush_ = style;
  update();
}

void Tplaque::SetBackdropColour(const QColor &c) {
  backdrop_ = c;
  update();
}

void Tplaque::TakeVideo(QWidget *video) {
  if (!video || video == video_) return;
  ReturnVideo();
  home_ = video->parentWidget();
  video_ = video;
  video->setParent(surface_);
  video->show();
}

void Tplaque::ReturnVideo() {
  if (!video_) return;
  QWidget *video = video_;
  video_ = nullptr;
  if (home_) {
    video->setParent(home_);
    video->show();
  }
  home_ = nullptr;
}

void Tplaque::SetVideoRect(const QRect &r) {
  videoRect_ = r;
  if (video_) video_->setGeometry(r);
  update();
}

void Tplaque::resizeEvent(QResizeEvent *e) {
  QWidget::resizeEvent(e);
  surface_->setGeometry(rect());
  emit resized();
}

void Tplaque::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.fillRect(rect(), backdrop_);
  if (videoRect_.isEmpty()) return;
  const QRect outer = videoRect_.adjusted(-12, -12, 12, 12);
  const QRegion frame = QRegion(outer).subtracted(QRegion(videoRect_));
  const QBrush brush(frameColour_, frameBrush_);
  for (const QRect &r : frame) painter.fillRect(r, brush);
}

}  // namespace vistrel
