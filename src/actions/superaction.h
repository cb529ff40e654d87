#pragma once
// Named actions: every command of the main window (menu, button, key, command-line
// switch, command-file line, row of the shortcuts window) reaches one of these.
#include <QAction>
#include <QString>
#include <QStringList>

#include <functional>

namespace vistrel {

class TCustomSuperAction;
using ActionHandler = std::function<void(TCustomSuperAction *)>;

// The parameter of the action being executed is entry 0; shared by all actions.
QStringList &ActionParameters();
QString ActionParameter();  // entry 0, or empty
// A prepare handler clears it to veto the execution it prepares.
bool &ActionGo();
// A handler whose parameter names what is not there (a source, a format) says so
// here rather than picking something else. A command runner running the action
// puts its own teller in place, which adds where the command was written; outside
// a run the user is warned.
using ProblemTeller = std::function<void(const QString &)>;
ProblemTeller &ParameterProblemTeller();
void TellParameterProblem(const QString &problem);

class TCustomSuperAction : public QAction {
  Q_OBJECT
 public:
  explicit TCustomSuperAction(QObject *parent = nullptr);

  QString Switch() const { return switch_; }
  void SetSwitch(const QString &s) { switch_ = s.toLower(); }
  QString Token() const { return token_; }
  void SetToken(const QString &t) { token_ = t.toLower(); }
  QString Category() const { return category_; }
  void SetCategory(const QString &c) { category_ = c; }
  // Extra key combinations written as text ("CTRL+G"); they become shortcuts too.
  QStringList SecondaryShortcuts() const { return secondary_; }
  void SetSecondaryShortcuts(const QStringList &keys);

  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int index);
  std::function<void(int)> OnImageChanged;

  bool AutoCheck = false;
  ActionHandler OnExecute;
  ActionHandler Onprepare;

  bool Checked() const;
  // The overridable checked setter: a toggle re-applies its state's caption and handler.
  virtual void SetChecked(bool value);
  // The plain state alone, as the inversion of an auto-check action changes it.
  void SetPlainChecked(bool value);

  // Menu, button, key or shortcuts window: prepare, veto, auto-check inversion, handler.
  virtual void ExecuteInteractive();

 protected:
  void RunPlatformExecution();

 private:
  QString switch_, token_, category_;
  QStringList secondary_;
  int imageIndex_ = -1;
  bool plainChecked_ = false;  // for actions that never show a check mark
};

class TSuperAction : public TCustomSuperAction {
  Q_OBJECT
 public:
  using TCustomSuperAction::TCustomSuperAction;
};

class TtoggleAction : public TSuperAction {
  Q_OBJECT
 public:
  explicit TtoggleAction(QObject *parent = nullptr);

  QString TrueCaption, FalseCaption, TrueHint, FalseHint;
  int TrueImageIndex = -1, FalseImageIndex = -1;
  ActionHandler OnTrueExecute, OnfalseExecute;

  // Applies the state's caption, hint and image and binds the state's handler.
  void SetChecked(bool value) override;
  void ExecuteInteractive() override;
};

}  // namespace vistrel
