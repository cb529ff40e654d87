#pragma once
// Actions that keep a value of their own in the preference store: the main window's
// bounds, the camcorder windows' rectangles, the media-type choice, the checked pages.
#include <QAction>
#include <QString>

#include <functional>
#include <vector>

#include "settings/prefsman.h"

namespace vistrel::settings { class TBrenvikPreferences; }

namespace vistrel {

class TCustomAbstractAction : public QAction {
  Q_OBJECT
 public:
  explicit TCustomAbstractAction(QObject *parent = nullptr) : QAction(parent) {}
  QString ScriptName;
  QString InternalId;
  bool ApplyWhenLoad = false;
  bool IncludePrefs = true;

  virtual bool Load(settings::TBrenvikPreferences &prefs) = 0;
  virtual bool Save(settings::TBrenvikPreferences &prefs) = 0;
  virtual void Apply() = 0;
};

class TNopeAction : public TCustomAbstractAction {
  Q_OBJECT
 public:
  using TCustomAbstractAction::TCustomAbstractAction;
  std::function<void()> OnApply;
  bool Load(settings::TBrenvikPreferences &) override {
    if (ApplyWhenLoad) Apply();
    return true;
  }
  bool Save(settings::TBrenvikPreferences &) override { return true; }
  void Apply() override {
    if (OnApply) OnApply();
  }
};

// A value of type T with the hooks of every valued kind; the internal hooks (those of
// actions the application manager makes itself) run after the public ones.
template <typename T>
class TValuedAction : public TCustomAbstractAction {
 public:
  using Hook = std::function<void(T &)>;
  using TCustomAbstractAction::TCustomAbstractAction;
  T DefaultValue{};
  Hook OnDefault, BeforeSave, OnBeforeApply, OnAfterApply;
  Hook InternalDefault, InternalSave, InternalApply;

  T Value() const { return value_; }
  // From outside (a script, a command): stored and applied.
  void SetValue(const T &v) {
    value_ = v;
    Apply();
  }

  bool Load(settings::TBrenvikPreferences &prefs) override {
    T def = DefaultValue;
    if (OnDefault) OnDefault(def);
    if (InternalDefault) InternalDefault(def);
    value_ = Read(prefs, def);
    if (ApplyWhenLoad) Apply();
    return true;
  }
  bool Save(settings::TBrenvikPreferences &prefs) override {
    if (BeforeSave) BeforeSave(value_);
    if (InternalSave) InternalSave(value_);
    return Write(prefs, value_);
  }
  void Apply() override {
    if (OnBeforeApply) OnBeforeApply(value_);
    if (InternalApply) InternalApply(value_);
    if (OnAfterApply) OnAfterApply(value_);
  }

 protected:
  virtual T Read(settings::TBrenvikPreferences &prefs, const T &def) = 0;
  virtual bool Write(settings::TBrenvikPreferences &prefs, const T &value) = 0;
  T value_{};
};

class TWidestringAction : public TValuedAction<QString> {
  Q_OBJECT
 public:
  using TValuedAction::TValuedAction;

 protected:
  QString Read(settings::TBrenvikPreferences &prefs, const QString &def) override;
  bool Write(settings::TBrenvikPreferences &prefs, const QString &value) override;
};

class TIntegerAction : public TValuedAction<qint32> {
  Q_OBJECT
 public:
  using TValuedAction::TValuedAction;

 protected:
  qint32 Read(settings::TBrenvikPreferences &prefs, const qint32 &def) override;
  bool Write(settings::TBrenvikPreferences &prefs, const qint32 &value) override;
};

class TBooleanAction : public TValuedAction<bool> {
  Q_OBJECT
 public:
  using TValuedAction::TValuedAction;

 protected:
  bool Read(settings::TBrenvikPreferences &prefs, const bool &def) override;
  bool Write(settings::TBrenvikPreferences &prefs, const bool &value) override;
};

class TRectAction : public TValuedAction<settings::PrefRect> {
  Q_OBJECT
 public:
  using TValuedAction::TValuedAction;

 protected:
  settings::PrefRect Read(settings::TBrenvikPreferences &prefs, const settings::PrefRect &def) override;
  bool Write(settings::TBrenvikPreferences &prefs, const settings::PrefRect &value) override;
};

class TCheckAction : public TCustomAbstractAction {
  Q_OBJECT
 public:
  explicit TCheckAction(QObject *parent = nullptr);
  bool DefaultValue = false;
  QString TrueCaption, FalseCaption, TrueHint, FalseHint;
  int TrueImageIndex = -1, FalseImageIndex = -1;
  int ImageIndex = -1;
  std::function<void()> OnBeforeTrueApply, OnAfterTrueApply, OnBeforeFalseApply, OnAfterFalseApply;
  std::function<void()> InternalTrueApply, InternalFalseApply;

  bool Load(settings::TBrenvikPreferences &prefs) override;
  bool Save(settings::TBrenvikPreferences &prefs) override;
  void Apply() override;
  void SetValue(bool checked);

 private:
  void ShowState();
};

// A list that loads and saves its persistent actions in list order.
class TBKActionList {
 public:
  std::function<bool(settings::TBrenvikPreferences &)> OnLoadFromPrefs, OnSaveToPrefs;
  void Add(QAction *a) { actions_.push_back(a); }
  const std::vector<QAction *> &Actions() const { return actions_; }

 private:
  std::vector<QAction *> actions_;
};

// False when any step returned false; failures of one action never stop the others.
bool LoadAll(TBKActionList &list, settings::TBrenvikPreferences &prefs);
bool SaveAll(TBKActionList &list, settings::TBrenvikPreferences &prefs);

}  // namespace vistrel
