#include "ui/videowindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>

namespace vistrel::ui {

namespace {
const QEvent::Type kFrameWaiting = static_cast<QEvent::Type>(QEvent::registerEventType());
}

void FrameMailbox::Offer(QImage frame) {
  QImage old;
  std::lock_guard guard(lock_);
  ++offered_;
  if (!waiting_.isNull()) ++dropped_;
  // The replaced frame is released after the lock, outside the critical path
  // of the UI thread's Take().
  old.swap(waiting_);
  waiting_ = std::move(frame);
  if (target_ && !requested_) {
    requested_ = true;
    // Posting while holding the lock keeps the target alive: Detach() takes
    // the same lock before the window goes away, and Qt discards events
    // posted to an object that is destroyed later.
    QCoreApplication::postEvent(target_, new QEvent(kFrameWaiting));
  }
}

QImage FrameMailbox::Take() {
  QImage frame;
  std::lock_guard guard(lock_);
  requested_ = false;
  frame.swap(waiting_);
  return frame;
}

void FrameMailbox::Attach(QObject *target) {
  std::lock_guard guard(lock_);
  target_ = target;
  requested_ = false;
}

void FrameMailbox::Detach() {
  std::lock_guard guard(lock_);
  target_ = nullptr;
  waiting_ = QImage();
}

VideoWindow::VideoWindow(QWidget *parent) : QWidget(parent), mailbox_(std::make_shared<FrameMailbox>()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
  setMinimumSize(16, 16);
  mailbox_->Attach(this);
}

VideoWindow::~VideoWindow() { mailbox_->Detach(); }

QRect VideoWindow::FittedRect(QSize frame, QRect area) {
  if (frame.isEmpty() || area.isEmpty()) return area;
  QSize fitted = frame.scaled(area.size(), Qt::KeepAspectRatio);
  return QRect(area.x() + (area.width() - fitted.width()) / 2, area.y() + (area.height() - fitted.height()) / 2,
               fitted.width(), fitted.height());
}

void VideoWindow::Clear() {
  mailbox_->Take();
  current_ = QImage();
  fresh_ = false;
  update();
}

void VideoWindow::ShowMessage(const QString &text) {
  if (text == message_) return;
  message_ = text;
  update();
}

bool VideoWindow::event(QEvent *e) {
  if (e->type() == kFrameWaiting) {
    QImage frame = mailbox_->Take();
    if (!frame.isNull()) {
      current_ = std::move(frame);
      fresh_ = true;
      update();
    }
    return true;
  }
  return QWidget::event(e);
}

void VideoWindow::mouseDoubleClickEvent(QMouseEvent *e) {
  emit DoubleClicked();
  QWidget::mouseDoubleClickEvent(e);
}

void VideoWindow::paintEvent(QPaintEvent *) {
  QPainter p(this);
  const QRect area = rect();
  if (!message_.isEmpty()) {
    p.fillRect(area, Qt::black);
    p.setPen(Qt::white);
    p.drawText(area.adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, message_);
    return;
  }
  if (current_.isNull()) {
    p.fillRect(area, Qt::black);
    return;
  }
  const QRect target = StretchToWindow ? area : FittedRect(current_.size(), area);
  // Only the bands around the picture need the backdrop.
  const QRegion bands = QRegion(area).subtracted(QRegion(target));
  for (const QRect &r : bands) p.fillRect(r, Qt::black);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p.drawImage(target, current_);
  if (fresh_) {
    fresh_ = false;
    ++framesShown_;
    emit FramePainted();
  }
}

}  // namespace vistrel::ui
