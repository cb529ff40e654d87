#include "ui/levelmeter.h"

#include <QElapsedTimer>
#include <QPainter>
#include <algorithm>

namespace vistrel::ui {

namespace {
qint64 SteadyMs() {
  static QElapsedTimer since = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return since.elapsed();
}
}  // namespace

LevelMeter::LevelMeter(QWidget *parent, std::function<qint64()> clock)
    : QWidget(parent), clock_(clock ? std::move(clock) : std::function<qint64()>(SteadyMs)) {
  setObjectName("LevelMeter");
  setToolTip(tr("Sound level recorded (peak and RMS, dBFS); red: full scale reached"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  frame_.setInterval(kFrameMs);
  connect(&frame_, &QTimer::timeout, this, &LevelMeter::Tick);
}

void LevelMeter::SetLevels(const std::vector<double> &peakDb, const std::vector<double> &rmsDb) {
  const qint64 now = clock_();
  const size_t n = std::min(peakDb.size(), rmsDb.size());
  channels_.resize(n);
  for (size_t i = 0; i < n; ++i) {
    channels_[i].peakDb = peakDb[i];
    channels_[i].rmsDb = rmsDb[i];
    if (peakDb[i] >= kClipDb) channels_[i].clipAt = now;
  }
  lastFigures_ = now;
  dirty_ = true;
  if (!frame_.isActive()) frame_.start();
}

bool LevelMeter::Stale() const { return lastFigures_ < 0 || clock_() - lastFigures_ > kStaleMs; }

double LevelMeter::Fill(double db) { return std::clamp((db - kFloorDb) / -kFloorDb, 0.0, 1.0); }

double LevelMeter::RmsFill(int channel) const {
  if (channel < 0 || channel >= Channels() || Stale()) return 0.0;
  return Fill(channels_[channel].rmsDb);
}

double LevelMeter::PeakFill(int channel) const {
  if (channel < 0 || channel >= Channels() || Stale()) return 0.0;
  return Fill(channels_[channel].peakDb);
}

bool LevelMeter::ClipShown(int channel) const {
  if (channel < 0 || channel >= Channels()) return false;
  const qint64 at = channels_[channel].clipAt;
  return at >= 0 && clock_() - at < kClipHoldMs;
}

void LevelMeter::Tick() {
  // Repaints while something may change on screen: new figures, a clip
  // marker still lit or going out, bars falling to the floor.
  bool lit = false;
  for (int i = 0; i < Channels(); ++i) lit = lit || channels_[i].clipAt >= 0;
  if (dirty_ || lit || !Stale()) update();
  dirty_ = false;
  if (Stale() && !lit) frame_.stop();
  for (auto &c : channels_)
    if (c.clipAt >= 0 && clock_() - c.clipAt >= kClipHoldMs) c.clipAt = -1;
}

namespace {
constexpr int kBarHeight = 6, kGap = 1, kClipWidth = 10;
}

QSize LevelMeter::sizeHint() const { return {240, 2 * kBarHeight + 3 * kGap}; }
QSize LevelMeter::minimumSizeHint() const { return {60, 2 * kBarHeight + 3 * kGap}; }

void LevelMeter::paintEvent(QPaintEvent *) {
  QPainter p(this);
  p.fillRect(rect(), QColor(24, 24, 24));
  const int n = std::max(1, Channels());
  const int barH = std::max(1, (height() - kGap * (n + 1)) / n);
  const int left = kGap, span = std::max(1, width() - kClipWidth - 3 * kGap);
  // Marks every 10 dB, so a level can be read off the bar.
  p.setPen(QColor(70, 70, 70));
  for (double db = kFloorDb + 10; db < 0; db += 10) {
    const int x = left + int(Fill(db) * span);
    p.drawLine(x, 0, x, height());
  }
  QLinearGradient g(left, 0, left + span, 0);
  g.setColorAt(0.0, QColor(40, 170, 60));
  g.setColorAt(Fill(-18), QColor(60, 200, 70));
  g.setColorAt(Fill(-6), QColor(230, 200, 40));
  g.setColorAt(1.0, QColor(230, 60, 40));
  for (int i = 0; i < Channels(); ++i) {
    const int y = kGap + i * (barH + kGap);
    p.fillRect(left, y, int(RmsFill(i) * span), barH, g);
    if (PeakFill(i) > 0) p.fillRect(left + int(PeakFill(i) * span) - 2, y, 2, barH, QColor(240, 240, 240));
    p.fillRect(left + span + kGap, y, kClipWidth, barH, ClipShown(i) ? QColor(240, 30, 30) : QColor(60, 20, 20));
  }
}

}  // namespace vistrel::ui
