// The Inlay panel's behaviour: each control's edit of the inlay record, the
// record shown in the controls, the sliders, "when to inlay" and the time
// difference. The controls themselves are built in incrusterframe.cpp.
#include <QButtonGroup>
#include <QColorDialog>
#include <QFontComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>

#include <cmath>

#include "app/decalage.h"
#include "app/decalageframe.h"
#include "app/incrusterframe.h"
#include "filters/datetimeformat.h"
#include "platform/dialogs.h"
#include "settings/parameters.h"

namespace vistrel {

using filters::TincrustRec;

namespace {

const char kRecKey[] = "IncrustRec";
const char kWhenKey[] = "When Incrust";
const QString kDureeKey = QString::fromUtf8("Durée Incruster");

QColor DepuisBgr(std::uint32_t c) { return QColor(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)); }
std::uint32_t VersBgr(const QColor &c) {
  return std::uint32_t(c.red()) | std::uint32_t(c.green()) << 8 | std::uint32_t(c.blue()) << 16;
}

}  // namespace

void TIncrusterFrame::Lier(Liens liens) {
  liens_ = std::move(liens);
  if (liens_.Xslider) connect(liens_.Xslider, &QSlider::valueChanged, this, &TIncrusterFrame::XsliderChange);
  if (liens_.Yslider) connect(liens_.Yslider, &QSlider::valueChanged, this, &TIncrusterFrame::YsliderChange);
}

TincrustRec TIncrusterFrame::Record() const {
  return liens_.Params ? liens_.Params->Incrust(kRecKey) : TincrustRec{};
}

void TIncrusterFrame::Edit(const std::function<void(TincrustRec &)> &change) {
  if (showing_ || !liens_.Params) return;
  TincrustRec rec = Record();
  change(rec);
  liens_.Params->SetIncrust(kRecKey, rec);
  Apply();
}

void TIncrusterFrame::Apply() {
  const TincrustRec rec = Record();
  if (liens_.SetIncrust) liens_.SetIncrust(rec);
  // The offset corrects a date: only the DV date and the clock have one.
  tbDecalage->setEnabled(rec.WhatIncrust == 0 || rec.WhatIncrust == 3);
}

void TIncrusterFrame::ShowRecord(const TincrustRec &rec) {
  showing_ = true;
  // No button of the group may stay down when the record names none of them.
  gbAlignment->setExclusive(false);
  for (auto *b : gbAlignment->buttons()) b->setChecked(false);
  gbAlignment->setExclusive(true);
  if (auto *b = gbAlignment->button(rec.Alignment)) b->setChecked(true);
  edPerso1->setText(rec.Incrust1);
  edPerso2->setText(rec.Incrust2);
  cbDatecode1->setEditText(rec.FormatDate1);
  cbDatecode2->setEditText(rec.FormatDate2);
  // A family the list lacks may still be installed under the name fontconfig gives it.
  int font = FontComboBox->findText(rec.FontRec.Name);
  if (font < 0) font = FontComboBox->findText(QFontInfo(QFont(rec.FontRec.Name)).family());
  FontComboBox->setCurrentIndex(font < 0 ? 0 : font);
  cbSize->setEditText(rec.Autofontsize ? QStringLiteral("auto") : QString::number(rec.FontRec.Size));
  tbBold->setChecked(rec.FontRec.Bold);
  tbItalic->setChecked(rec.FontRec.Italic);
  tbUnderline->setChecked(rec.FontRec.Underline);
  ShowColour(rec.FontRec.Color);
  ShowBorder(rec.BorderSize);
  // Placing the sliders must not count as moving them (that would undo a centred text).
  if (liens_.Xslider) {
    const QSignalBlocker quiet(liens_.Xslider);
    liens_.Xslider->setValue(rec.Xpos);
  }
  if (liens_.Yslider) {
    const QSignalBlocker quiet(liens_.Yslider);
    liens_.Yslider->setValue(liens_.Yslider->maximum() - rec.Ypos);
  }
  labDecalage->setText(rec.DecalageHoraire != 0 ? TexteDecalage(rec.DecalageHoraire) : QString());
  tbDecalage->setEnabled(rec.WhatIncrust == 0 || rec.WhatIncrust == 3);
  showing_ = false;
}

void TIncrusterFrame::ShowWhen(std::uint8_t when, int seconds) {
  showing_ = true;
  if (auto *b = rgWhen->button(when)) b->setChecked(true);
  edDuree->setText(QString::number(seconds));
  showing_ = false;
}

void TIncrusterFrame::ShowBorder(int size) { tbBorder->setText(size == 0 ? QString() : QString::number(size)); }

void TIncrusterFrame::ShowColour(std::uint32_t bgr) {
  ColorButton->setStyleSheet(QString("background-color: %1;").arg(DepuisBgr(bgr).name()));
}

void TIncrusterFrame::XsliderChange(int value) {
  Edit([value](TincrustRec &r) {
    if (r.Alignment == 3) r.Alignment = 1;  // moved by hand: centred on the slider instead
    r.Xpos = value;
  });
  if (Record().Alignment == 1) tbCenter->setChecked(true);
}

void TIncrusterFrame::YsliderChange(int value) {
  const int top = liens_.Yslider ? liens_.Yslider->maximum() : 930;
  Edit([value, top](TincrustRec &r) { r.Ypos = top - value; });  // the slider's top is the picture's top
}

void TIncrusterFrame::ColorButtonChange(const QColor &colour) {
  ShowColour(VersBgr(colour));
  Edit([c = VersBgr(colour)](TincrustRec &r) { r.FontRec.Color = c; });
}

void TIncrusterFrame::BorderChange(int size) {
  ShowBorder(size);
  Edit([size](TincrustRec &r) { r.BorderSize = size; });
}

void TIncrusterFrame::cbSizeChange(const QString &text) {
  Edit([&text](TincrustRec &r) {
    if (text == u"auto") {
      r.Autofontsize = true;
      return;
    }
    r.Autofontsize = false;
    bool ok = false;
    const int size = text.trimmed().toInt(&ok);
    if (ok && size > 0) r.FontRec.Size = size;  // anything else keeps the size in force
  });
}

void TIncrusterFrame::WhatClick(std::uint8_t what) {
  Edit([what](TincrustRec &r) { r.WhatIncrust = what; });
  if (liens_.Incruster) liens_.Incruster(true);
}

void TIncrusterFrame::NoneClick() {
  if (liens_.Incruster) liens_.Incruster(false);
}

bool TIncrusterFrame::DecalageVisible() const { return PanelDecalage->isVisibleTo(const_cast<TIncrusterFrame *>(this)); }

void TIncrusterFrame::tbDecalageClick() {
  if (DecalageVisible()) FermerDecalage();
  else OuvrirDecalage();
}

void TIncrusterFrame::OuvrirDecalage() {
  const TincrustRec rec = Record();
  std::optional<double> old;
  if (rec.WhatIncrust == 0) {
    if (liens_.DateDV) old = liens_.DateDV();
  } else if (rec.WhatIncrust == 3) {
    old = filters::NowAsDateTime();
  }
  if (!old) return;  // nothing is being dated
  const double oldDate = SecondesEntieres(*old);
  // The editors show the date as it is inlaid now, so opening keeps the offset in force.
  PanelDecalage->Ouvrir(oldDate, oldDate + rec.DecalageHoraire);
  tbDecalage->setChecked(true);
  PanelDecalage->show();
  PanelDecalage->raise();
}

void TIncrusterFrame::FermerDecalage() {
  tbDecalage->setChecked(false);
  PanelDecalage->hide();
}

void TIncrusterFrame::DecalageChange() {
  // Both dates are whole seconds: the offset is too, so that "Reset" gives exactly 0.
  const double seconds = std::round((PanelDecalage->NouvelleDate() - PanelDecalage->AncienneDate()) * 86400.0);
  const double difference = seconds / 86400.0;
  labDecalage->setText(seconds != 0 ? TexteDecalage(difference) : QString());
  Edit([difference](TincrustRec &r) { r.DecalageHoraire = difference; });
}

void TIncrusterFrame::AlignmentClick(int align) {
  if (showing_) return;
  if (align == 3 && liens_.Xslider) {
    // Centred in the picture: the slider moves to the middle, which says so.
    const QSignalBlocker quiet(liens_.Xslider);
    liens_.Xslider->setValue(500);
  }
  Edit([align](TincrustRec &r) {
    r.Alignment = std::uint8_t(align);
    if (align == 3) r.Xpos = 500;
  });
}

void TIncrusterFrame::ColorButtonClick() {
  if (!platform::DialogService::Instance().ShowsBoxes()) return;
  const QColor c = QColorDialog::getColor(DepuisBgr(Record().FontRec.Color), this, "Color of inlay");
  if (c.isValid()) ColorButtonChange(c);
}

void TIncrusterFrame::rgWhenClick(int when) {
  if (showing_ || !liens_.Params) return;
  liens_.Params->SetByte(kWhenKey, quint8(when));
  if (liens_.SetWhen) liens_.SetWhen(std::uint8_t(when), liens_.Params->Int(kDureeKey));
}

void TIncrusterFrame::edDureeChange(const QString &text) {
  bool ok = false;
  const int seconds = text.toInt(&ok);
  // Half-typed or empty: the duration in force stays.
  if (showing_ || !ok || !liens_.Params) return;
  liens_.Params->SetInt(kDureeKey, seconds);
  if (liens_.SetWhen) liens_.SetWhen(liens_.Params->Byte(kWhenKey), seconds);
}

}  // namespace vistrel
