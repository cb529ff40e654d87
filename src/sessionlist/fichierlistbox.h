#pragma once
// The session list box: file entries kept in the order of one sort key, each
// file once, with the selection following the entries and the selected files
// draggable to other programs.
#include <QListWidget>
#include <QStringList>

#include <memory>
#include <vector>

#include "sessionlist/srfichier.h"

class QMimeData;

namespace vistrel::sessionlist {

class TFichierListbox : public QListWidget {
  Q_OBJECT
 public:
  explicit TFichierListbox(QWidget *parent = nullptr);
  ~TFichierListbox() override;

  // Inserts entry at the position of its key and returns that position. An
  // entry with the same full name is replaced. The new item is selected when
  // `select` is set, or when it lands on the current position while that was
  // selected; the current index stays (an empty list with `select` makes the
  // new item current). Null entries are refused (-1).
  int AjouterFichier(std::unique_ptr<TSRFichier> entry, bool select);
  // Lists recordings of earlier sessions beside this one's: a file already
  // listed keeps its entry, and neither the last added entry nor the
  // selection changes.
  void AjouterAnciens(std::vector<std::unique_ptr<TEarlierFichier>> earlier);
  // Takes the earlier sessions' entries out again; this session's stay.
  void RetirerAnciens();
  int EarlierCount() const;
  // Reorders the items by the keys of `mode`, keeping the current and the
  // selected entries, and reports the counts.
  void TrierPar(TSortIndex mode);
  TSortIndex SortMode() const { return mode_; }

  int Count() const { return int(entries_.size()); }
  int SelectedCount() const;
  const TSRFichier *Entry(int row) const;
  const TSRFichier *CurrentEntry() const { return Entry(currentRow()); }
  // The last entry added, or null (the "open the folder of videos" shortcut shows it).
  const TSRFichier *LastAdded() const { return lastAdded_; }
  const QStringList &Keys() const { return keys_; }
  // What dragging the selection out carries: the files as local URLs.
  QMimeData *SelectionMimeData() const;

 signals:
  void OnCountsChange(int selectedCount, int count);

 protected:
  QStringList mimeTypes() const override;
  QMimeData *mimeData(const QList<QListWidgetItem *> &items) const override;
  // Only copies and links leave the list: a "move" answered by the drop target
  // must not take the rows out of the list.
  void startDrag(Qt::DropActions supportedActions) override;

 private:
  void ReportCounts();
  QListWidgetItem *MakeItem(const TSRFichier &entry) const;

  TSortIndex mode_ = TSortIndex::alpha;
  std::vector<std::unique_ptr<TSRFichier>> entries_;  // row order
  QStringList keys_;                                  // row order, no duplicates
  const TSRFichier *lastAdded_ = nullptr;
};

}  // namespace vistrel::sessionlist
