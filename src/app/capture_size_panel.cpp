#include "app/capture_size_panel.h"

#include "app/recorder.h"

namespace vistrel {

CaptureSizePanel::CaptureSizePanel(Recorder &recorder, std::function<qint64()> reserve, QWidget *parent,
                                   CaptureMeter::FreeSpace freeSpace)
    : QLabel(parent), meter_(std::move(freeSpace)), reserve_(std::move(reserve)) {
  setObjectName("CaptureSizePanel");
  setAlignment(Qt::AlignCenter);
  // The window's smallest size does not grow while a capture runs.
  setMinimumWidth(40);
  setToolTip("Size and bitrate of the file being recorded, and the recording time its disk still holds");
  hide();
  clock_.start();
  timer_.setInterval(kRefreshMs);
  connect(&timer_, &QTimer::timeout, this, &CaptureSizePanel::Refresh);
  connect(&recorder, &Recorder::started, this, [this](const QString &file) {
    meter_.Start(file);
    Refresh();
    show();
    timer_.start();
  });
  connect(&recorder, &Recorder::chainRemoved, this, [this] {
    timer_.stop();
    meter_.Stop();
    clear();
    hide();
  });
}

void CaptureSizePanel::Refresh() {
  if (!meter_.Running()) return;
  meter_.Measure(clock_.elapsed(), reserve_ ? reserve_() : 0);
  setText(meter_.Text());
}

QSize CaptureSizePanel::sizeHint() const {
  const QSize text = QLabel::sizeHint();
  const int widest = fontMetrics().horizontalAdvance(QStringLiteral("000.0 MB, 00.0 Mbit/s, 00 h 00 min left"));
  return {std::max(text.width(), widest + 2 * margin() + 8), text.height()};
}

}  // namespace vistrel
