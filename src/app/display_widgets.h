#pragma once
// Small widgets of the preview area: the frame shape around the video and the
// non-modal panel that shows what went wrong at start-up.
#include <QFrame>
#include <QEvent>
#include <QLabel>

#include <functional>

namespace vistrel::display {

// A 12-pixel border in the colour of the controller state, taken from the
// parent's window colour so that it follows the state without being told.
class FrameShape : public QWidget {
  Q_OBJECT
 public:
  explicit FrameShape(QWidget *parent);
  void SetBrushStyle(Qt::BrushStyle style);
  Qt::BrushStyle BrushStyle() const { return style_; }

 protected:
  void paintEvent(QPaintEvent *e) override;

 private:
  Qt::BrushStyle style_ = Qt::SolidPattern;
};

// Shown over the video area; never blocks, closed by its button.
class TErreurFrame : public QFrame {
  Q_OBJECT
 public:
  explicit TErreurFrame(QWidget *parent);
  void Afficher(const QString &text);
  QString Texte() const { return text_->text(); }

 private:
  QLabel *text_;
};

}  // namespace vistrel::display

namespace vistrel::display {

// Calls back when the watched widget changes size.
class ResizeWatcher : public QObject {
 public:
  ResizeWatcher(QObject *parent, std::function<void()> onResize) : QObject(parent), onResize_(std::move(onResize)) {}

 protected:
  bool eventFilter(QObject *, QEvent *e) override {
    if (e->type() == QEvent::Resize && onResize_) onResize_();
    return false;
  }

 private:
  std::function<void()> onResize_;
};

}  // namespace vistrel::display
