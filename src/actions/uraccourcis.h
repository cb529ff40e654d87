#pragma once
// The shortcuts window: every action with its keys, switch and token, in a grid.
#include <QTableWidget>
#include <QWidget>

namespace vistrel {

class TRaccourcisForm : public QWidget {
  Q_OBJECT
 public:
  explicit TRaccourcisForm(QWidget *parent = nullptr);
  QTableWidget *Grid() const { return grid_; }

 private:
  QTableWidget *grid_;
};

}  // namespace vistrel
