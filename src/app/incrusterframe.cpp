// The Inlay panel's controls, their captions and hints, and what each one is
// connected to; the edits themselves are in incrusterframe_record.cpp.
#include "app/incrusterframe.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFontComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QToolButton>

#include "app/decalageframe.h"

namespace vistrel {

using filters::TincrustRec;

namespace {

QToolButton *Bouton(QWidget *parent, const char *name, const QString &text, const QString &hint = {}) {
  auto *b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(text);
  b->setToolTip(hint);
  b->setCheckable(true);
  return b;
}

QComboBox *Liste(QWidget *parent, const char *name, const QStringList &items) {
  auto *box = new QComboBox(parent);
  box->setObjectName(name);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);  // typed text is a value, not a new entry
  box->addItems(items);
  return box;
}

}  // namespace

TIncrusterFrame::TIncrusterFrame(QWidget *parent) : TPanelFrame("IncrusterFrame", "Inlay", parent) {
  BuildStyleRow();
  BuildTextRows();
  BuildWhatRow();
  BuildWhen();
  BuildDecalage();
  body_->addStretch();
}

void TIncrusterFrame::BuildStyleRow() {
  auto *row = new QHBoxLayout;
  tbBold = Bouton(this, "tbBold", "B", "Inlay in Bold");
  tbItalic = Bouton(this, "tbItalic", "I", "Inlay in Italic");
  tbUnderline = Bouton(this, "tbUnderline", "U", "Inlay in Underlined");
  ColorButton = Bouton(this, "ColorButton", QString(), "Choose the color of inlay");
  ColorButton->setCheckable(false);
  for (QToolButton *b : {tbBold, tbItalic, tbUnderline, ColorButton}) row->addWidget(b);
  connect(tbBold, &QToolButton::clicked, this, [this](bool on) { Edit([on](TincrustRec &r) { r.FontRec.Bold = on; }); });
  connect(tbItalic, &QToolButton::clicked, this,
          [this](bool on) { Edit([on](TincrustRec &r) { r.FontRec.Italic = on; }); });
  connect(tbUnderline, &QToolButton::clicked, this,
          [this](bool on) { Edit([on](TincrustRec &r) { r.FontRec.Underline = on; }); });
  connect(ColorButton, &QToolButton::clicked, this, &TIncrusterFrame::ColorButtonClick);

  row->addSpacing(8);
  tbBorder = Bouton(this, "tbBorder", QString(), "Border around the inlay");
  tbBorder->setCheckable(false);
  tbBorder->setPopupMode(QToolButton::InstantPopup);
  tbBorder->setMinimumWidth(28);
  pmBorder = new QMenu(tbBorder);
  pmBorder->setObjectName("pmBorder");
  for (int size = 0; size <= 5; ++size) {
    const QString text = size == 0 ? "No border" : size == 1 ? "1 pixel" : QString("%1 pixels").arg(size);
    pmBorder->addAction(text, this, [this, size] { BorderChange(size); });
  }
  tbBorder->setMenu(pmBorder);
  row->addWidget(tbBorder);
  row->addStretch();
  body_->addLayout(row);

  // The alignment has a row of its own: four captions do not fit beside the styles.
  row = new QHBoxLayout;
  gbAlignment = new QButtonGroup(this);
  tbLeftAlign = Bouton(this, "tbLeftAlign", "Left", "Text beginning at the position");
  tbCenter = Bouton(this, "tbCenter", "Centre", "Text centred on the position");
  tbRightAlign = Bouton(this, "tbRightAlign", "Right", "Text ending at the position");
  tbSousTitre = Bouton(this, "tbSousTitre", "Subtitle", "Text centred in the picture, like a subtitle");
  int id = 0;
  for (QToolButton *b : {tbLeftAlign, tbCenter, tbRightAlign, tbSousTitre}) {
    gbAlignment->addButton(b, id++);
    row->addWidget(b);
  }
  connect(gbAlignment, &QButtonGroup::idClicked, this, &TIncrusterFrame::AlignmentClick);

  row->addStretch();
  body_->addLayout(row);
}

void TIncrusterFrame::BuildTextRows() {
  auto *grid = new QGridLayout;
  FontComboBox = new QFontComboBox(this);
  FontComboBox->setObjectName("FontComboBox");
  FontComboBox->setToolTip("Font of inlay");
  cbSize = Liste(this, "cbSize",
                 {"auto", "8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26", "28", "36", "48", "72"});
  cbSize->setToolTip("Size of the inlay's characters; auto follows the picture");
  cbDatecode1 = Liste(this, "cbDatecode1", {"ddddd", "tt", "dddddd", "ddddd tt", "dddddd tt", "d mmm yyyy"});
  cbDatecode2 = Liste(this, "cbDatecode2", {"tt", "ddddd", "dddddd", "ddddd t", "dddddd tt", "d mmm yyyy"});
  for (QComboBox *b : {cbDatecode1, cbDatecode2})
    b->setToolTip("Pattern of the date and time: ddddd date, dddddd long date, t time, tt time with seconds");
  edPerso1 = new QLineEdit(this);
  edPerso1->setObjectName("edPerso1");
  edPerso2 = new QLineEdit(this);
  edPerso2->setObjectName("edPerso2");
  for (QLineEdit *e : {edPerso1, edPerso2})
    e->setToolTip("Text of the line: %D the DV date, %T the time code, %R the computer's date and time");
  grid->addWidget(FontComboBox, 0, 0, 1, 2);
  grid->addWidget(cbSize, 0, 2);
  grid->addWidget(new QLabel("Line 1", this), 1, 0);
  grid->addWidget(cbDatecode1, 1, 1, 1, 2);
  grid->addWidget(edPerso1, 2, 0, 1, 3);
  grid->addWidget(new QLabel("Line 2", this), 3, 0);
  grid->addWidget(cbDatecode2, 3, 1, 1, 2);
  grid->addWidget(edPerso2, 4, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  body_->addLayout(grid);

  connect(FontComboBox, &QFontComboBox::currentFontChanged, this, [this](const QFont &f) {
    Edit([name = f.family()](TincrustRec &r) { r.FontRec.Name = name; });
  });
  connect(cbSize, &QComboBox::currentTextChanged, this, &TIncrusterFrame::cbSizeChange);
  connect(cbDatecode1, &QComboBox::currentTextChanged, this,
          [this](const QString &t) { Edit([t](TincrustRec &r) { r.FormatDate1 = t; }); });
  connect(cbDatecode2, &QComboBox::currentTextChanged, this,
          [this](const QString &t) { Edit([t](TincrustRec &r) { r.FormatDate2 = t; }); });
  connect(edPerso1, &QLineEdit::textChanged, this,
          [this](const QString &t) { Edit([t](TincrustRec &r) { r.Incrust1 = t; }); });
  connect(edPerso2, &QLineEdit::textChanged, this,
          [this](const QString &t) { Edit([t](TincrustRec &r) { r.Incrust2 = t; }); });
  for (QWidget *w : {static_cast<QWidget *>(cbDatecode1), static_cast<QWidget *>(cbDatecode2),
                     static_cast<QWidget *>(edPerso1), static_cast<QWidget *>(edPerso2)})
    w->installEventFilter(this);
  for (QComboBox *b : {cbDatecode1, cbDatecode2}) b->lineEdit()->installEventFilter(this);
}

void TIncrusterFrame::BuildWhatRow() {
  auto *grid = new QGridLayout;
  auto add = [&](QPushButton *&b, const char *name, const QString &text, int row, int col) {
    b = new QPushButton(text, this);
    b->setObjectName(name);
    grid->addWidget(b, row, col);
  };
  add(JvImgBtn1, "JvImgBtn1", "Datecode", 0, 0);
  add(JvImgBtn2, "JvImgBtn2", "Timecode", 0, 1);
  add(JvImgBtn3, "JvImgBtn3", "Perso", 0, 2);
  add(JvImgBtn5, "JvImgBtn5", "Real", 1, 0);
  add(JvImgBtn4, "JvImgBtn4", "None", 1, 1);
  JvImgBtn1->setToolTip("Inlay the recording date of the DV tape");
  JvImgBtn2->setToolTip("Inlay the time code of the DV tape");
  JvImgBtn3->setToolTip("Inlay the two lines of text");
  JvImgBtn5->setToolTip("Inlay the computer's date and time");
  JvImgBtn4->setToolTip("No inlay");
  connect(JvImgBtn1, &QPushButton::clicked, this, [this] { WhatClick(0); });
  connect(JvImgBtn2, &QPushButton::clicked, this, [this] { WhatClick(1); });
  connect(JvImgBtn3, &QPushButton::clicked, this, [this] { WhatClick(2); });
  connect(JvImgBtn5, &QPushButton::clicked, this, [this] { WhatClick(3); });
  connect(JvImgBtn4, &QPushButton::clicked, this, &TIncrusterFrame::NoneClick);
  body_->addLayout(grid);
}

void TIncrusterFrame::BuildWhen() {
  gbWhen = new QGroupBox("When to inlay?", this);
  gbWhen->setObjectName("gbWhen");
  auto *grid = new QGridLayout(gbWhen);
  rgWhen = new QButtonGroup(this);
  rbPermanent = new QRadioButton("permanently", gbWhen);
  rbUnique = new QRadioButton("once", gbWhen);
  rbScene = new QRadioButton("on each new scene", gbWhen);
  rbJour = new QRadioButton("on each new day", gbWhen);
  int id = 0;
  for (QRadioButton *r : {rbPermanent, rbUnique, rbScene, rbJour}) {
    r->setObjectName(QStringList{"rbPermanent", "rbUnique", "rbScene", "rbJour"}[id]);
    rgWhen->addButton(r, id);
    grid->addWidget(r, id, 0, 1, 2);
    ++id;
  }
  edDuree = new QLineEdit("5", gbWhen);
  edDuree->setObjectName("edDuree");
  edDuree->setToolTip("Duration in seconds of each sequence of inlay");
  edDuree->setValidator(new QIntValidator(0, 86400, edDuree));
  grid->addWidget(new QLabel("Duration (s)", gbWhen), 4, 0);
  grid->addWidget(edDuree, 4, 1);
  body_->addWidget(gbWhen);

  connect(rgWhen, &QButtonGroup::idClicked, this, &TIncrusterFrame::rgWhenClick);
  connect(edDuree, &QLineEdit::textChanged, this, &TIncrusterFrame::edDureeChange);
}

void TIncrusterFrame::BuildDecalage() {
  auto *row = new QHBoxLayout;
  tbDecalage = Bouton(this, "tbDecalage", "Hide the time difference", "Click to fix a time difference");
  labDecalage = new QLabel(this);
  labDecalage->setObjectName("labDecalage");
  row->addWidget(tbDecalage);
  row->addWidget(labDecalage, 1);
  body_->addLayout(row);
  PanelDecalage = new TDecalageFrame(this);
  PanelDecalage->hide();
  body_->addWidget(PanelDecalage);
  connect(tbDecalage, &QToolButton::clicked, this, [this] {
    tbDecalage->setChecked(DecalageVisible());  // the state follows the sub-panel, not the click
    emit decalageClicked();
  });
  connect(PanelDecalage, &TDecalageFrame::changed, this, &TIncrusterFrame::DecalageChange);
}

bool TIncrusterFrame::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::FocusIn) emit templateFocus(true);
  else if (event->type() == QEvent::FocusOut) emit templateFocus(false);
  return TPanelFrame::eventFilter(watched, event);
}

}  // namespace vistrel
