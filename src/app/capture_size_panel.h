#pragma once
// The status bar panel of a running capture's file size, bitrate and the
// recording time left on its disk. It follows the recorder by itself: shown
// from the start of a file (and again from each part a cut begins), hidden
// once no recording runs.
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <functional>

#include "app/capture_meter.h"

namespace vistrel {

class Recorder;

class CaptureSizePanel : public QLabel {
  Q_OBJECT
 public:
  static constexpr int kRefreshMs = 1000;
  // `reserve`: the bytes the capture keeps free on its disk, asked at each look.
  CaptureSizePanel(Recorder &recorder, std::function<qint64()> reserve, QWidget *parent = nullptr,
                   CaptureMeter::FreeSpace freeSpace = {});
  const CaptureMeter &Meter() const { return meter_; }
  // One look at the file now (the timer's work).
  void Refresh();
  // As wide as long figures need whatever the current ones, so the panels
  // beside it do not move each second.
  QSize sizeHint() const override;

 private:
  CaptureMeter meter_;
  std::function<qint64()> reserve_;
  QTimer timer_;
  QElapsedTimer clock_;
};

}  // namespace vistrel
