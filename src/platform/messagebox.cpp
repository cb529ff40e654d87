#include "platform/messagebox.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>

namespace vistrel::platform {
namespace {

const char *const kAllProperty = "vistrelAllButton";

QMessageBox::Icon IconOf(DlgKind kind) {
  switch (kind) {
    case DlgKind::Warning: return QMessageBox::Warning;
    case DlgKind::Error: return QMessageBox::Critical;
    case DlgKind::Information: return QMessageBox::Information;
    case DlgKind::Confirmation: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(DlgKind kind, const QString &shownText, bool richText,
                                            DlgButtons buttons, QWidget *parent) {
  const QString title = QApplication::applicationDisplayName().isEmpty() ? QStringLiteral("Vistrel")
                                                                         : QApplication::applicationDisplayName();
  auto box = std::make_unique<QMessageBox>(IconOf(kind), title, QString(), QMessageBox::NoButton, parent);
  box->setTextFormat(richText ? Qt::RichText : Qt::PlainText);
  box->setText(shownText);
  switch (buttons) {
    case DlgButtons::Ok:
      box->setStandardButtons(QMessageBox::Ok);
      box->setEscapeButton(QMessageBox::Ok);
      break;
    case DlgButtons::YesNoAll: {
      box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      QAbstractButton *all = box->addButton(QObject::tr("All"), QMessageBox::YesRole);
      all->setProperty(kAllProperty, true);
      box->setEscapeButton(QMessageBox::No);
      break;
    }
    case DlgButtons::YesNo:
      box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box->setEscapeButton(QMessageBox::No);
      break;
  }
  return box;
}

DlgAnswer AnswerOfBox(const QMessageBox &box) {
  QAbstractButton *clicked = box.clickedButton();
  if (clicked == nullptr) return DlgAnswer::None;
  if (clicked->property(kAllProperty).toBool()) return DlgAnswer::All;
  switch (box.standardButton(clicked)) {
    case QMessageBox::Yes: return DlgAnswer::Yes;
    case QMessageBox::No: return DlgAnswer::No;
    case QMessageBox::Ok: return DlgAnswer::Ok;
    default: return DlgAnswer::None;
  }
}

}  // namespace vistrel::platform
