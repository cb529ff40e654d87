#pragma once
// TSavePrefsForm: asks, on the first exit, where the preferences are kept.
#include "settings/prefsman.h"

#include <QDialog>

class QPushButton;

namespace vistrel::ui {
class TLinkEdit;
}

namespace vistrel::settings {

class TSavePrefsForm : public QDialog {
  Q_OBJECT
 public:
  explicit TSavePrefsForm(QWidget *parent = nullptr);

  // The text shown in the label (markup).
  static QString QuestionText();

  // True when one of the three buttons closed the dialog.
  bool Accepted() const { return accepted_; }
  TSavePreferences Choice() const { return choice_; }

  QPushButton *NormalBtn = nullptr;
  QPushButton *PortableBtn = nullptr;
  QPushButton *AucunBtn = nullptr;
  ui::TLinkEdit *Label = nullptr;

 private:
  void Choose(TSavePreferences mode);
  bool accepted_ = false;
  TSavePreferences choice_ = TSavePreferences::spNone;
};

}  // namespace vistrel::settings
