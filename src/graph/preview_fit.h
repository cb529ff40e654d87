#pragma once
// The preview's picture converted once, at the size it is shown: when the
// video window is smaller than the picture, the converter in front of the
// window's sink scales as it converts, instead of converting every pixel and
// leaving Qt to throw most of them away when it paints.
#include <QObject>
#include <QPointer>
#include <QSize>
#include <atomic>

#include "media/gstref.h"

namespace vistrel::ui {
class VideoWindow;
}

namespace vistrel {

class PreviewVideoSink;

class PreviewFit : public QObject {
  Q_OBJECT
 public:
  explicit PreviewFit(PreviewVideoSink &sink, QObject *parent = nullptr);
  ~PreviewFit() override;

  // The size to deliver a `picture` in, for a window `area` (device pixels)
  // that shows it fitted or, with `stretch`, filling it; empty: the picture's
  // own size (the window is as large, or larger: it is never enlarged here).
  static QSize DisplaySize(QSize picture, QSize area, bool stretch);

  // Watched for its size; none (or hidden) gives the picture at its own size.
  void SetWindow(ui::VideoWindow *window);
  // The converter in front of the sink, whose input is the whole picture.
  void SetConverter(GstElement *converter);
  // UI thread: asks for the size the window needs now.
  void Refit();
  // The picture's own size, before the display's scaling, as its stream
  // last stated it (kept when the graph stops).
  QSize PictureSize() const;

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void Unhook();

  PreviewVideoSink &sink_;
  QPointer<ui::VideoWindow> window_;
  media::PadRef converterIn_;
  gulong probe_ = 0;
  std::atomic<int> pictureWidth_{-1}, pictureHeight_{-1};
};

}  // namespace vistrel
