#include "app/panel_fit.h"

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "actions/superaction.h"
#include "app/mainform.h"
#include "app/panels.h"
#include "ui/fitting.h"

namespace vistrel {

void FitPanelFields(TCaptureForm &form) {
  auto *folders = form.DossiersFrame;
  for (QLineEdit *path : {form.leVideoDirectory, form.leQuorrel, form.lePluginsDir,
                          folders->findChild<QLineEdit *>("edImageDirectory")})
    ui::ElideMiddle(path);
  for (QPushButton *b : folders->findChildren<QPushButton *>())
    if (b->text() == "...") ui::FitToText(b);
  // The Help panel leads to the list of every command and its keys.
  if (auto *shortcuts = form.Action("taraccourcis")) {
    auto *button = new QToolButton(form.HelpFrame);
    button->setObjectName("btnRaccourcis");
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setDefaultAction(shortcuts);
    form.HelpFrame->Body()->addWidget(button);
  }
}

}  // namespace vistrel
