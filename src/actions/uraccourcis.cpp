#include "actions/uraccourcis.h"

#include <QHeaderView>
#include <QVBoxLayout>

namespace vistrel {

TRaccourcisForm::TRaccourcisForm(QWidget *parent) : QWidget(parent, Qt::Window) {
  setObjectName("RaccourcisForm");
  setWindowTitle("Shortcuts");
  auto *layout = new QVBoxLayout(this);
  grid_ = new QTableWidget(0, 5, this);
  grid_->setHorizontalHeaderLabels({"Action", "Shortcut", "Other shortcut", "Switch", "Token"});
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  layout->addWidget(grid_);
  resize(560, 480);
}

}  // namespace vistrel
