#include "actions/uraccourcis.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

#include "actions/superaction.h"

namespace vistrel {

namespace {

QString KeyText(const TCustomSuperAction *a) { return a->shortcut().toString(QKeySequence::PortableText); }

QString SortKey(const TCustomSuperAction *a, int column) {
  switch (column) {
    case 1: return KeyText(a);
    case 2: return a->Switch();
    case 3: return a->Token();
    default: return QString();
  }
}

}  // namespace

TRaccourcisForm::TRaccourcisForm(QWidget *parent) : QWidget(parent, Qt::Window) {
  setObjectName("RaccourcisForm");
  setWindowTitle(QString("The commands of %1").arg(QApplication::applicationName()));
  setAccessibleName("Shortcuts and switches ");
  auto *layout = new QVBoxLayout(this);
  header_ = new QLabel(
      "Click on the header of a column to sort according to it. "
      "You may also double-click on a line containing a command to launch it.",
      this);
  header_->setWordWrap(true);
  header_->hide();
  layout->addWidget(header_);
  grid_ = new QTableWidget(0, 4, this);
  grid_->setHorizontalHeaderLabels({"Functions", "Keys", "Switches", "Script"});
  const int widths[] = {238, 80, 60, 100};
  for (int c = 0; c < 4; ++c) grid_->setColumnWidth(c, widths[c]);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->verticalHeader()->hide();
  connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) {
    SetSortColumn(c);
    if (OnSortChanged) OnSortChanged(sortColumn_);
  });
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { RunRow(row); });
  layout->addWidget(grid_);
  resize(520, 480);
}

void TRaccourcisForm::SetActions(const std::vector<TCustomSuperAction *> &actions) {
  actions_ = actions;
  Rebuild();
}

void TRaccourcisForm::SetSortColumn(int column) {
  sortColumn_ = column >= 0 && column < 4 ? column : 0;
  Rebuild();
}

void TRaccourcisForm::Rebuild() {
  std::vector<TCustomSuperAction *> rows;
  for (auto *a : actions_)
    if (a && !a->text().isEmpty()) rows.push_back(a);
  const int column = sortColumn_;
  std::stable_sort(rows.begin(), rows.end(), [column](const TCustomSuperAction *x, const TCustomSuperAction *y) {
    const auto kx = std::make_tuple(SortKey(x, column), x->text(), x->objectName());
    const auto ky = std::make_tuple(SortKey(y, column), y->text(), y->objectName());
    return kx < ky;
  });
  grid_->setRowCount(0);
  grid_->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    auto *a = rows[r];
    const QString cells[] = {a->text(), KeyText(a), a->Switch(), a->Token()};
    for (int c = 0; c < 4; ++c) {
      auto *item = new QTableWidgetItem(cells[c]);
      if (c == 0) item->setData(Qt::UserRole, QVariant::fromValue<QObject *>(a));
      grid_->setItem(r, c, item);
    }
  }
}

TCustomSuperAction *TRaccourcisForm::RowAction(int row) const {
  auto *item = grid_->item(row, 0);
  return item ? qobject_cast<TCustomSuperAction *>(item->data(Qt::UserRole).value<QObject *>()) : nullptr;
}

void TRaccourcisForm::RunRow(int row) {
  if (auto *a = RowAction(row)) a->ExecuteInteractive();
}

void TRaccourcisForm::closeEvent(QCloseEvent *e) {
  QWidget::closeEvent(e);
  if (CloseAction && isVisible()) CloseAction->ExecuteInteractive();
}

}  // namespace vistrel
