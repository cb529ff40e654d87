#include "settings/saveprefsform.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/folders.h"
#include "ui/linkedit.h"

namespace vistrel::settings {

QString TSavePrefsForm::QuestionText() {
  return QStringLiteral(
      "<br><size 10><i>Do you want to save your preferences and find them again on next "
      "start?<br><br>Click on your choice:</i><br><br>* either to save them in the registry "
      "(normal mode).<br>* either to save them in an ini-file (portable mode).<br>* either not to "
      "save them. In the last case, all preferences will be lost, and the default values will be "
      "loaded on the next start.<br></size>");
}

TSavePrefsForm::TSavePrefsForm(QWidget *parent) : QDialog(parent) {
  setFixedSize(551, 364);
  auto *layout = new QVBoxLayout(this);
  Label = new ui::TLinkEdit(this);
  Label->SetRichText(QuestionText());
  layout->addWidget(Label, 1);

  auto *buttons = new QHBoxLayout;
  auto make = [&](const QString &caption, const QString &hint, TSavePreferences mode) {
    auto *b = new QPushButton(caption, this);
    b->setToolTip(hint);
    connect(b, &QPushButton::clicked, this, [this, mode] { Choose(mode); });
    buttons->addWidget(b);
    return b;
  };
  NormalBtn = make("Normal",
                   "Save the Preferences in the registry.\r\nIf an ini file existed, it will be deleted.",
                   TSavePreferences::spRegistre);
  PortableBtn = make("Portable",
                     "Saves the preferences to an ini file.\r\nDeletes the preferences from the registry.",
                     TSavePreferences::spPortable);
  PortableBtn->setEnabled(platform::PortableRefusal().isEmpty());
  AucunBtn = make("None",
                  "Exit without saving the preferences.\r\nIf they existed in an ini-file or in the "
                  "registry,\r\nthey will be deleted.",
                  TSavePreferences::spNone);
  layout->addLayout(buttons);
}

void TSavePrefsForm::Choose(TSavePreferences mode) {
  accepted_ = true;
  choice_ = mode;
  accept();
}

}  // namespace vistrel::settings
