#include "app/headlessend.h"

#include <QGuiApplication>
#include <QTimer>
#include <memory>

#include "app/mainform.h"

namespace vistrel {

bool RunsWithoutDisplay() {
  const QString platform = QGuiApplication::platformName();
  return platform == u"offscreen" || platform == u"minimal";
}

void EndWhenIdle(TCaptureForm &form) {
  auto commandsDone = std::make_shared<bool>(false);
  const auto check = [&form, commandsDone] {
    if (!*commandsDone || form.Etat() != esPreview) return;
    // Later, not inside the state change that told us: the capture that just
    // ended is still being finished up the call chain.
    QTimer::singleShot(0, &form, [&form] {
      if (form.Etat() == esPreview) form.close();
    });
  };
  QObject::connect(&form, &TCaptureForm::commandsDone, &form, [commandsDone, check] {
    *commandsDone = true;
    check();
  });
  QObject::connect(&form, &TCaptureForm::etatChanged, &form, check);
}

}  // namespace vistrel
