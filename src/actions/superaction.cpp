#include "actions/superaction.h"

#include <QKeySequence>

#include "actions/shortcuthint.h"
#include "platform/dialogs.h"

namespace vistrel {

QStringList &ActionParameters() {
  static QStringList parameters;
  return parameters;
}

QString ActionParameter() { return ActionParameters().value(0); }

bool &ActionGo() {
  static bool go = true;
  return go;
}

ProblemTeller &ParameterProblemTeller() {
  static ProblemTeller teller;
  return teller;
}

void TellParameterProblem(const QString &problem) {
  if (const ProblemTeller &tell = ParameterProblemTeller())
    tell(problem);
  else
    platform::DialogService::Instance().Warning(problem);
}

TCustomSuperAction::TCustomSuperAction(QObject *parent) : QAction(parent) {
  ShowShortcutInToolTip(this);
  // Qt flips a checkable action before it reports the trigger; the state before the
  // trigger is put back so that the execution below decides what happens to it.
  connect(this, &QAction::triggered, this, [this](bool checked) {
    if (isCheckable()) QAction::setChecked(!checked);
    ExecuteInteractive();
  });
}

void TCustomSuperAction::SetSecondaryShortcuts(const QStringList &keys) {
  secondary_ = keys;
  QList<QKeySequence> all;
  if (!shortcut().isEmpty()) all << shortcut();
  for (const QString &k : keys) all << QKeySequence::fromString(k, QKeySequence::PortableText);
  setShortcuts(all);
}

void TCustomSuperAction::SetImageIndex(int index) {
  if (index == imageIndex_) return;
  imageIndex_ = index;
  if (OnImageChanged) OnImageChanged(index);
}

bool TCustomSuperAction::Checked() const { return isCheckable() ? isChecked() : plainChecked_; }

void TCustomSuperAction::SetChecked(bool value) { SetPlainChecked(value); }

void TCustomSuperAction::SetPlainChecked(bool value) {
  if (isCheckable()) QAction::setChecked(value);
  else plainChecked_ = value;
}

void TCustomSuperAction::ExecuteInteractive() {
  if (!isEnabled()) return;
  ActionGo() = true;
  ActionParameters().clear();
  if (Onprepare) Onprepare(this);
  if (ActionGo()) RunPlatformExecution();
}

void TCustomSuperAction::RunPlatformExecution() {
  if (AutoCheck) SetPlainChecked(!Checked());
  // A handler may rebind OnExecute (a toggle setting its own state): call a copy.
  if (ActionHandler handler = OnExecute) handler(this);
}

TtoggleAction::TtoggleAction(QObject *parent) : TSuperAction(parent) { setCheckable(true); }

void TtoggleAction::SetChecked(bool value) {
  setText(value ? TrueCaption : FalseCaption);
  setToolTip(value ? TrueHint : FalseHint);
  SetImageIndex(value ? TrueImageIndex : FalseImageIndex);
  OnExecute = value ? OnTrueExecute : OnfalseExecute;
  SetPlainChecked(value);
}

void TtoggleAction::ExecuteInteractive() {
  if (!isEnabled()) return;
  SetChecked(Checked());
  TSuperAction::ExecuteInteractive();
}

}  // namespace vistrel
