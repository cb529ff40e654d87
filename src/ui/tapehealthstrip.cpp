#include "ui/tapehealthstrip.h"

#include <QPainter>

namespace vistrel::ui {

namespace {
const QColor kColours[] = {QColor(0xC8, 0xC8, 0xC8), QColor(0x3C, 0xA0, 0x3C), QColor(0xE8, 0xA0, 0x20),
                           QColor(0xD0, 0x20, 0x20)};
}

TapeHealthStrip::TapeHealthStrip(QWidget *parent) : QWidget(parent), cells_(kCells, None) {
  setToolTip(
      "The last minute of tape, a second a cell: green clean, amber blocks concealed or sound marked wrong "
      "by the deck, red frames lost");
}

void TapeHealthStrip::SetCells(std::vector<std::uint8_t> cells) {
  if (cells == cells_) return;
  cells_ = std::move(cells);
  update();
}

void TapeHealthStrip::paintEvent(QPaintEvent *) {
  QPainter p(this);
  const int n = static_cast<int>(cells_.size());
  if (n == 0) return;
  for (int i = 0; i < n; ++i) {
    const int x0 = width() * i / n, x1 = width() * (i + 1) / n;
    const std::uint8_t c = cells_[static_cast<std::size_t>(i)];
    p.fillRect(QRect(x0, 0, std::max(1, x1 - x0), height()), kColours[c < 4 ? c : 0]);
  }
  p.setPen(palette().color(QPalette::Mid));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace vistrel::ui
