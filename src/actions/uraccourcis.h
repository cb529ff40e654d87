#pragma once
// The shortcuts window: every action with a caption, its key, switch and token, in a
// grid sorted by the column last clicked; a double click runs the row's action.
#include <QLabel>
#include <QTableWidget>
#include <QWidget>

#include <functional>
#include <vector>

namespace vistrel {

class TCustomSuperAction;

class TRaccourcisForm : public QWidget {
  Q_OBJECT
 public:
  explicit TRaccourcisForm(QWidget *parent = nullptr);
  QTableWidget *Grid() const { return grid_; }
  QLabel *Header() const { return header_; }

  void SetActions(const std::vector<TCustomSuperAction *> &actions);
  // 0 caption, 1 key, 2 switch, 3 token; each then by caption and object name.
  int SortColumn() const { return sortColumn_; }
  void SetSortColumn(int column);
  std::function<void(int)> OnSortChanged;
  // Run when the window is closed, so the action that shows it follows its state.
  TCustomSuperAction *CloseAction = nullptr;

  void Rebuild();
  TCustomSuperAction *RowAction(int row) const;
  void RunRow(int row);

 protected:
  void closeEvent(QCloseEvent *e) override;

 private:
  QTableWidget *grid_;
  QLabel *header_;
  std::vector<TCustomSuperAction *> actions_;
  int sortColumn_ = 0;
};

}  // namespace vistrel
