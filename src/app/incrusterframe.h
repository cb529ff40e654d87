#pragma once
// The Inlay panel: every setting of the inlay record, when to inlay, and the
// time-offset sub-panel. Each edit is written into the parameter at once and
// handed to the superposer, so the preview shows it straight away.
#include <QColor>

#include <cstdint>
#include <functional>
#include <optional>

#include "app/panels.h"
#include "filters/incrustrec.h"

class QButtonGroup;
class QFontComboBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QRadioButton;
class QSlider;
class QToolButton;

namespace vistrel {

class TDecalageFrame;

class TIncrusterFrame : public TPanelFrame {
  Q_OBJECT
 public:
  explicit TIncrusterFrame(QWidget *parent = nullptr);

  // What the panel reaches outside itself; the main window provides it.
  struct Liens {
    settings::TparameterList *Params = nullptr;
    std::function<void(const filters::TincrustRec &)> SetIncrust;  // to the superposer
    std::function<void(std::uint8_t mode, int seconds)> SetWhen;
    std::function<void(bool on)> Incruster;  // the inlay switched on or off
    // The recording date of the DV frame being shown, when there is one.
    std::function<std::optional<double>()> DateDV;
    QSlider *Xslider = nullptr, *Yslider = nullptr;
  };
  void Lier(Liens liens);

  // The record in the parameter to the superposer.
  void Apply();
  // Every control from a record, without writing anything back.
  void ShowRecord(const filters::TincrustRec &rec);
  // The "When to inlay?" group and the duration, without writing anything back.
  void ShowWhen(std::uint8_t when, int seconds);

  // Handlers.
  void AlignmentClick(int align);
  void ColorButtonClick();
  void rgWhenClick(int when);
  void edDureeChange(const QString &text);
  void XsliderChange(int value);
  void YsliderChange(int value);
  void ColorButtonChange(const QColor &colour);
  void BorderChange(int size);
  void WhatClick(std::uint8_t what);  // "Datecode", "Timecode", "Perso", "Real"
  void NoneClick();
  void tbDecalageClick();
  bool DecalageVisible() const;
  void OuvrirDecalage();
  void FermerDecalage();

  QToolButton *tbBold, *tbItalic, *tbUnderline, *ColorButton;
  QToolButton *tbLeftAlign, *tbCenter, *tbRightAlign, *tbSousTitre;
  QButtonGroup *gbAlignment;
  QToolButton *tbBorder;
  QMenu *pmBorder;
  QFontComboBox *FontComboBox;
  QComboBox *cbSize, *cbDatecode1, *cbDatecode2;
  QLineEdit *edPerso1, *edPerso2;
  QPushButton *JvImgBtn1, *JvImgBtn2, *JvImgBtn3, *JvImgBtn4, *JvImgBtn5;
  QGroupBox *gbWhen;
  QRadioButton *rbPermanent, *rbUnique, *rbScene, *rbJour;
  QButtonGroup *rgWhen;
  QLineEdit *edDuree;
  QToolButton *tbDecalage;
  QLabel *labDecalage;
  TDecalageFrame *PanelDecalage;

 signals:
  // A template or date-pattern field took (true) or lost (false) the focus.
  void templateFocus(bool focused);
  void decalageClicked();

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void BuildStyleRow();
  void BuildTextRows();
  void BuildWhatRow();
  void BuildWhen();
  void BuildDecalage();
  // Changes the record in the parameter, then applies it.
  void Edit(const std::function<void(filters::TincrustRec &)> &change);
  void cbSizeChange(const QString &text);
  void DecalageChange();
  void ShowBorder(int size);
  void ShowColour(std::uint32_t bgr);
  filters::TincrustRec Record() const;

  Liens liens_;
  bool showing_ = false;  // controls being set from a record: no edits
};

}  // namespace vistrel
