#pragma once
// A sound level meter: one horizontal bar per channel, RMS filled and peak as
// a line, from a floor shown as empty up to 0 dBFS, with a red clip marker at
// its right end held for a while after the channel reached full scale. Lying
// under the picture, it costs the window height it has to spare, not width. Figures only mark the
// meter dirty; a timer repaints at most every kFrameMs, so a flood of figures
// costs no more paints than a steady stream. Figures that stop coming (the
// sound side disconnected) drop the bars to the floor.
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

namespace vistrel::ui {

class LevelMeter : public QWidget {
  Q_OBJECT
 public:
  static constexpr double kFloorDb = -60.0;
  static constexpr double kClipDb = -0.1;
  static constexpr qint64 kClipHoldMs = 2000;
  static constexpr qint64 kStaleMs = 500;
  static constexpr int kFrameMs = 50;

  // `clock` gives milliseconds on a steady line (tests pass their own).
  explicit LevelMeter(QWidget *parent = nullptr, std::function<qint64()> clock = {});

  // One interval's figures per channel, in dBFS.
  void SetLevels(const std::vector<double> &peakDb, const std::vector<double> &rmsDb);
  int Channels() const { return int(channels_.size()); }
  // What the meter shows now for the channel: the fill (0 empty, 1 full
  // scale) of its RMS and peak, and whether its clip marker is lit.
  double RmsFill(int channel) const;
  double PeakFill(int channel) const;
  bool ClipShown(int channel) const;
  // 0 at or below the floor, 1 at 0 dBFS, linear in dB between.
  static double Fill(double db);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent *event) override;

 private:
  struct Channel {
    double peakDb = kFloorDb, rmsDb = kFloorDb;
    qint64 clipAt = -1;  // when full scale was last reached
  };
  bool Stale() const;
  void Tick();

  std::function<qint64()> clock_;
  std::vector<Channel> channels_;
  qint64 lastFigures_ = -1;
  bool dirty_ = false;
  QTimer frame_;
};

}  // namespace vistrel::ui
