#pragma once
// The last minute of tape as a strip, oldest at the left: a cell per group of
// frames, grey where nothing was seen yet, green when clean, amber when the
// deck concealed blocks or marked sound as wrong, red when frames were lost.
#include <QWidget>
#include <cstdint>
#include <vector>

namespace vistrel::ui {

class TapeHealthStrip : public QWidget {
  Q_OBJECT
 public:
  enum Cell : std::uint8_t { None, Clean, Concealed, Lost };
  static constexpr int kCells = 60;  // a second each

  explicit TapeHealthStrip(QWidget *parent = nullptr);
  void SetCells(std::vector<std::uint8_t> cells);
  const std::vector<std::uint8_t> &Cells() const { return cells_; }
  QSize sizeHint() const override { return {kCells * 6, 12}; }
  QSize minimumSizeHint() const override { return {kCells * 2, 8}; }

 protected:
  void paintEvent(QPaintEvent *) override;

 private:
  std::vector<std::uint8_t> cells_;
};

}  // namespace vistrel::ui
