#pragma once
// The message box behind DialogService, kept apart so its buttons and the
// answer each one gives can be checked without showing it.
#include "platform/dialogs.h"

#include <QMessageBox>

#include <memory>

namespace vistrel::platform {

// A box with the icon of kind, the already rendered text and the buttons
// asked for ("All" beside Yes and No for YesNoAll). Escape means No.
std::unique_ptr<QMessageBox> MakeMessageBox(DlgKind kind, const QString &shownText, bool richText,
                                            DlgButtons buttons, QWidget *parent);

// The answer of the button that closed the box; None when none did.
DlgAnswer AnswerOfBox(const QMessageBox &box);

}  // namespace vistrel::platform
