#pragma once
// Tooltips that end with the action's key, "Capture (Ctrl+Space)", so a user
// pointing at a button learns its key.
#include <QKeySequence>
#include <QString>

class QAction;

namespace vistrel {

// The hint followed by the key in the desktop's words; a hint alone without a key.
QString WithShortcut(const QString &hint, const QKeySequence &key);

// From now on the action's tooltip is its hint (its caption when it has none)
// followed by its primary key. It follows every later change of caption, hint
// or key, whoever makes it: a toggle changing state, keys given way while text
// is typed, a key the user gives.
void ShowShortcutInToolTip(QAction *action);

}  // namespace vistrel
