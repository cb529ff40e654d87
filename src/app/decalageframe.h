#pragma once
// The time-offset sub-panel of the Inlay panel: the old date (what is being
// inlaid) and the editors of the new date the user wants to see instead.
#include <QFrame>

class QDateEdit;
class QLabel;
class QPushButton;
class QSpinBox;

namespace vistrel {

class TDecalageFrame : public QFrame {
  Q_OBJECT
 public:
  explicit TDecalageFrame(QWidget *parent = nullptr);

  // Shows `oldDate` and puts the editors on `newDate`, without announcing a change.
  void Ouvrir(double oldDate, double newDate);
  double AncienneDate() const { return oldDate_; }
  double NouvelleDate() const;
  // The editors back on the old date, announced as a change.
  void resetBtnClick();

  QLabel *labOldDate;
  QDateEdit *DateEdit2;
  QSpinBox *seHeure, *seMinute, *seSeconde;
  QPushButton *resetBtn;

 signals:
  // The user changed the new date.
  void changed();

 private:
  void PlacerEditeurs(double dateTime);
  double oldDate_ = 0;
  bool placing_ = false;
};

}  // namespace vistrel
