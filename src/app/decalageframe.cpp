#include "app/decalageframe.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "app/decalage.h"
#include "filters/datetimeformat.h"

namespace vistrel {

TDecalageFrame::TDecalageFrame(QWidget *parent) : QFrame(parent) {
  setObjectName("PanelDecalage");
  setFrameShape(QFrame::StyledPanel);
  setAutoFillBackground(true);  // it lies over the panel's other controls
  auto *grid = new QGridLayout(this);
  labOldDate = new QLabel(this);
  labOldDate->setObjectName("labOldDate");
  DateEdit2 = new QDateEdit(this);
  DateEdit2->setObjectName("DateEdit2");
  DateEdit2->setCalendarPopup(true);
  DateEdit2->setDisplayFormat("dd/MM/yyyy");
  auto spin = [this](const char *name, int max) {
    auto *s = new QSpinBox(this);
    s->setObjectName(name);
    s->setRange(0, max);
    return s;
  };
  seHeure = spin("seHeure", 23);
  seMinute = spin("seMinute", 59);
  seSeconde = spin("seSeconde", 59);
  resetBtn = new QPushButton("Reset", this);
  resetBtn->setObjectName("resetBtn");
  grid->addWidget(labOldDate, 0, 0, 1, 4);
  grid->addWidget(new QLabel("New date:", this), 1, 0, 1, 4);
  grid->addWidget(DateEdit2, 2, 0, 1, 4);
  grid->addWidget(seHeure, 3, 0);
  grid->addWidget(seMinute, 3, 1);
  grid->addWidget(seSeconde, 3, 2);
  grid->addWidget(resetBtn, 3, 3);

  auto announce = [this] {
    if (!placing_) emit changed();
  };
  connect(DateEdit2, &QDateEdit::dateChanged, this, announce);
  for (QSpinBox *s : {seHeure, seMinute, seSeconde}) connect(s, &QSpinBox::valueChanged, this, announce);
  connect(resetBtn, &QPushButton::clicked, this, &TDecalageFrame::resetBtnClick);
}

void TDecalageFrame::Ouvrir(double oldDate, double newDate) {
  oldDate_ = oldDate;
  labOldDate->setText("Old date: " + filters::FormatDateTime("ddddd tt", oldDate));
  PlacerEditeurs(newDate);
}

void TDecalageFrame::PlacerEditeurs(double dateTime) {
  // One change for the whole date, not one for each editor set on the way.
  placing_ = true;
  const JourEtHeure parts = Decomposer(dateTime);
  DateEdit2->setDate(parts.Jour);
  seHeure->setValue(parts.Heure);
  seMinute->setValue(parts.Minute);
  seSeconde->setValue(parts.Seconde);
  placing_ = false;
}

double TDecalageFrame::NouvelleDate() const {
  return Composer(DateEdit2->date(), seHeure->value(), seMinute->value(), seSeconde->value());
}

void TDecalageFrame::resetBtnClick() {
  PlacerEditeurs(oldDate_);
  emit changed();
}

}  // namespace vistrel
