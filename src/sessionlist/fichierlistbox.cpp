#include "sessionlist/fichierlistbox.h"

#include <QDrag>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <set>

namespace vistrel::sessionlist {

TFichierListbox::TFichierListbox(QWidget *parent) : QListWidget(parent) {
  setObjectName("FichierListbox");
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
  setDefaultDropAction(Qt::CopyAction);
  setAcceptDrops(false);
  connect(this, &QListWidget::itemSelectionChanged, this, &TFichierListbox::ReportCounts);
}

TFichierListbox::~TFichierListbox() = default;

QListWidgetItem *TFichierListbox::MakeItem(const TSRFichier &entry) const {
  const auto *earlier = dynamic_cast<const TEarlierFichier *>(&entry);
  QString text = earlier && earlier->Missing ? entry.FileName + " (missing)" : entry.FileName;
  if (const auto *data = dynamic_cast<const TDataFichier *>(&entry); data && data->TapeErrorFrames >= 0)
    text += " (" + TapeErrorsText(*data) + ")";
  auto *item = new QListWidgetItem(text);
  item->setToolTip(earlier ? entry.FullName + "\n(an earlier session)" : entry.FullName);
  if (earlier) item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
  return item;
}

void TFichierListbox::AjouterAnciens(std::vector<std::unique_ptr<TEarlierFichier>> earlier) {
  const TSRFichier *last = lastAdded_, *current = CurrentEntry();
  std::set<const TSRFichier *> selected;
  for (int i = 0; i < count(); ++i)
    if (item(i)->isSelected()) selected.insert(entries_[std::size_t(i)].get());
  {
    const QSignalBlocker quiet(this);
    for (auto &e : earlier) {
      if (!e) continue;
      const bool listed = std::any_of(entries_.begin(), entries_.end(),
                                      [&](const auto &have) { return have->FullName == e->FullName; });
      if (!listed) AjouterFichier(std::move(e), false);
    }
    // Inserting moved the rows: the same entries as before are current and selected.
    for (int i = 0; i < count(); ++i) {
      const TSRFichier *e = entries_[std::size_t(i)].get();
      item(i)->setSelected(selected.count(e) != 0);
      if (e == current) setCurrentRow(i, QItemSelectionModel::NoUpdate);
    }
  }
  lastAdded_ = last;
  ReportCounts();
}

void TFichierListbox::RetirerAnciens() {
  const TSRFichier *current = CurrentEntry();
  {
    const QSignalBlocker quiet(this);
    for (int i = Count() - 1; i >= 0; --i) {
      if (!dynamic_cast<const TEarlierFichier *>(entries_[std::size_t(i)].get())) continue;
      if (current == entries_[std::size_t(i)].get()) current = nullptr;
      delete takeItem(i);
      entries_.erase(entries_.begin() + i);
      keys_.removeAt(i);
    }
    for (int i = 0; i < Count(); ++i)
      if (entries_[std::size_t(i)].get() == current) setCurrentRow(i, QItemSelectionModel::NoUpdate);
  }
  ReportCounts();
}

int TFichierListbox::EarlierCount() const {
  return int(std::count_if(entries_.begin(), entries_.end(),
                           [](const auto &e) { return dynamic_cast<const TEarlierFichier *>(e.get()) != nullptr; }));
}

int TFichierListbox::AjouterFichier(std::unique_ptr<TSRFichier> entry, bool select) {
  if (!entry) return -1;
  const bool wasEmpty = entries_.empty();
  const int oldCurrent = currentRow();
  const bool currentSelected = oldCurrent >= 0 && item(oldCurrent)->isSelected();

  {
    const QSignalBlocker quiet(this);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i]->FullName != entry->FullName) continue;
      if (lastAdded_ == entries_[i].get()) lastAdded_ = nullptr;
      delete takeItem(int(i));
      entries_.erase(entries_.begin() + std::ptrdiff_t(i));
      keys_.removeAt(int(i));
      break;
    }
  }

  const QString key = entry->Key(mode_);
  const int pos = int(std::lower_bound(keys_.begin(), keys_.end(), key) - keys_.begin());
  auto *newItem = MakeItem(*entry);
  {
    const QSignalBlocker quiet(this);
    insertItem(pos, newItem);
    keys_.insert(pos, key);
    lastAdded_ = entry.get();
    entries_.insert(entries_.begin() + pos, std::move(entry));
    newItem->setSelected(select || (pos == oldCurrent && currentSelected));
    if (wasEmpty) {
      if (select) setCurrentRow(0, QItemSelectionModel::NoUpdate);
    } else if (oldCurrent >= 0 && oldCurrent < count()) {
      setCurrentRow(oldCurrent, QItemSelectionModel::NoUpdate);
    }
  }
  ReportCounts();
  return pos;
}

void TFichierListbox::TrierPar(TSortIndex mode) {
  mode_ = mode;
  const TSRFichier *current = CurrentEntry();
  std::set<const TSRFichier *> selected;
  for (int i = 0; i < count(); ++i)
    if (item(i)->isSelected()) selected.insert(entries_[std::size_t(i)].get());

  std::vector<std::pair<QString, std::unique_ptr<TSRFichier>>> rows;
  rows.reserve(entries_.size());
  for (auto &e : entries_) rows.emplace_back(e->Key(mode), std::move(e));
  std::sort(rows.begin(), rows.end(), [](const auto &a, const auto &b) { return a.first < b.first; });

  {
    const QSignalBlocker quiet(this);
    clear();
    entries_.clear();
    keys_.clear();
    for (auto &[key, e] : rows) {
      auto *it = MakeItem(*e);
      addItem(it);
      it->setSelected(selected.count(e.get()) != 0);
      if (e.get() == current) setCurrentItem(it, QItemSelectionModel::NoUpdate);
      keys_ << key;
      entries_.push_back(std::move(e));
    }
  }
  ReportCounts();
}

int TFichierListbox::SelectedCount() const { return int(selectedItems().size()); }

const TSRFichier *TFichierListbox::Entry(int row) const {
  return row >= 0 && row < Count() ? entries_[std::size_t(row)].get() : nullptr;
}

void TFichierListbox::ReportCounts() { emit OnCountsChange(SelectedCount(), Count()); }

QStringList TFichierListbox::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

QMimeData *TFichierListbox::mimeData(const QList<QListWidgetItem *> &items) const {
  QList<QUrl> urls;
  for (auto *it : items) {
    const int r = row(it);
    if (const auto *e = Entry(r)) urls << QUrl::fromLocalFile(e->FullName);
  }
  auto *data = new QMimeData;
  data->setUrls(urls);
  return data;
}

QMimeData *TFichierListbox::SelectionMimeData() const {
  QList<QListWidgetItem *> items;
  for (int i = 0; i < count(); ++i)
    if (item(i)->isSelected()) items << item(i);
  return mimeData(items);
}

void TFichierListbox::startDrag(Qt::DropActions) {
  if (SelectedCount() == 0) return;
  auto *drag = new QDrag(this);
  drag->setMimeData(SelectionMimeData());
  drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
}

}  // namespace vistrel::sessionlist
