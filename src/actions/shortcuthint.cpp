#include "actions/shortcuthint.h"

#include <QAction>
#include <memory>

namespace vistrel {

namespace {

// The tooltip QAction shows when none is set: the caption without its
// mnemonic marks and ellipsis.
QString CaptionAsHint(QString caption) {
  caption.remove(QStringLiteral("..."));
  for (int i = 0; i < caption.size(); ++i)
    if (caption.at(i) == u'&') caption.remove(i, 1);
  return caption.trimmed();
}

struct HintState {
  QString hint;             // the tooltip as its owner last set it
  bool fromCaption = true;  // none was set: the caption stands for it
  QString shown;            // what this code last made of it
};

}  // namespace

QString WithShortcut(const QString &hint, const QKeySequence &key) {
  if (key.isEmpty() || hint.isEmpty()) return hint;
  return hint + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) + QLatin1Char(')');
}

void ShowShortcutInToolTip(QAction *action) {
  auto state = std::make_shared<HintState>();
  const auto follow = [action, state] {
    const QString current = action->toolTip();
    if (current != state->shown) {  // set by its owner since: a new hint, or none
      state->fromCaption = current == CaptionAsHint(action->text());
      state->hint = current;
    }
    const QString wanted =
        WithShortcut(state->fromCaption ? CaptionAsHint(action->text()) : state->hint, action->shortcut());
    state->shown = wanted;
    // Setting it signals a change again, which then finds it as shown.
    if (current != wanted) action->setToolTip(wanted);
  };
  QObject::connect(action, &QAction::changed, action, follow);
  follow();
}

}  // namespace vistrel
