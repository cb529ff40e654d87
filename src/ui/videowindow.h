#pragma once
// The preview's video window. Frames arrive on a streaming thread and are left
// in a one-frame mailbox; the window paints whatever is newest when the UI
// thread gets to it, so a busy UI drops frames instead of falling behind.
#include <QImage>
#include <QWidget>

#include <atomic>
#include <memory>
#include <mutex>

namespace vistrel::ui {

// Shared between the window and the sink feeding it, so a frame offered while
// the window is being destroyed goes nowhere instead of to a dead object.
class FrameMailbox {
 public:
  // Any thread. Replaces the waiting frame (the older one is dropped) and asks
  // the window for one repaint unless a request is already on its way.
  void Offer(QImage frame);
  // UI thread: the waiting frame, or a null image.
  QImage Take();
  int Offered() const { return offered_; }
  int Dropped() const { return dropped_; }

 private:
  friend class VideoWindow;
  void Attach(QObject *target);
  void Detach();

  std::mutex lock_;
  QImage waiting_;
  QObject *target_ = nullptr;
  bool requested_ = false;
  std::atomic<int> offered_{0}, dropped_{0};
};

class VideoWindow : public QWidget {
  Q_OBJECT
 public:
  explicit VideoWindow(QWidget *parent = nullptr);
  ~VideoWindow() override;

  std::shared_ptr<FrameMailbox> Mailbox() const { return mailbox_; }

  // The largest rectangle of the frame's proportions centred in `area`.
  static QRect FittedRect(QSize frame, QRect area);

  // Frames painted since creation (or the last reset), for tests and the
  // status display.
  int FramesShown() const { return framesShown_; }
  void ResetCounters() { framesShown_ = 0; }
  QImage CurrentFrame() const { return current_; }
  // Fill the whole window with the picture, for a window already sized to the
  // ratio the user chose; otherwise the frame keeps its own proportions.
  bool StretchToWindow = false;
  // Forgets the picture, leaving the backdrop (when the source goes away).
  void Clear();
  // A text shown instead of the picture ("no picture from …") while the
  // source sends nothing; an empty text gives the picture back. Frames that
  // arrive meanwhile are kept, not shown, so the last one is there at once.
  void ShowMessage(const QString &text);
  QString Message() const { return message_; }

 signals:
  void FramePainted();
  void DoubleClicked();

 protected:
  bool event(QEvent *e) override;
  void paintEvent(QPaintEvent *e) override;
  void mouseDoubleClickEvent(QMouseEvent *e) override;

 private:
  std::shared_ptr<FrameMailbox> mailbox_;
  QImage current_;
  QString message_;
  bool fresh_ = false;
  int framesShown_ = 0;
};

}  // namespace vistrel::ui
