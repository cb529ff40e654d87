#include "app/panel_fit.h"

#include <QLineEdit>
#include <QPushButton>

#include "app/mainform.h"
#include "ui/fitting.h"

namespace vistrel {

void FitPanelFields(TCaptureForm &form) {
  auto *folders = form.DossiersFrame;
  for (QLineEdit *path : {form.leVideoDirectory, form.leQuorrel, form.lePluginsDir,
                          folders->findChild<QLineEdit *>("edImageDirectory")})
    ui::ElideMiddle(path);
  for (QPushButton *b : folders->findChildren<QPushButton *>())
    if (b->text() == "...") ui::FitToText(b);
}

}  // namespace vistrel
