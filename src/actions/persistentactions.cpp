#include "actions/persistentactions.h"

#include <exception>

#include "settings/brenvikprefs.h"

namespace vistrel {

QString TWidestringAction::Read(settings::TBrenvikPreferences &p, const QString &def) {
  return p.ReadString(ScriptName, def);
}
bool TWidestringAction::Write(settings::TBrenvikPreferences &p, const QString &v) { return p.WriteString(ScriptName, v); }

qint32 TIntegerAction::Read(settings::TBrenvikPreferences &p, const qint32 &def) { return p.ReadInteger(ScriptName, def); }
bool TIntegerAction::Write(settings::TBrenvikPreferences &p, const qint32 &v) { return p.WriteInteger(ScriptName, v); }

bool TBooleanAction::Read(settings::TBrenvikPreferences &p, const bool &def) { return p.ReadBool(ScriptName, def); }
bool TBooleanAction::Write(settings::TBrenvikPreferences &p, const bool &v) { return p.WriteBool(ScriptName, v); }

settings::PrefRect TRectAction::Read(settings::TBrenvikPreferences &p, const settings::PrefRect &def) {
  return p.ReadRect(ScriptName, def);
}
bool TRectAction::Write(settings::TBrenvikPreferences &p, const settings::PrefRect &v) { return p.WriteRect(ScriptName, v); }

TCheckAction::TCheckAction(QObject *parent) : TCustomAbstractAction(parent) { setCheckable(true); }

void TCheckAction::ShowState() {
  const bool on = isChecked();
  if (!(on ? TrueCaption : FalseCaption).isEmpty()) setText(on ? TrueCaption : FalseCaption);
  setToolTip(on ? TrueHint : FalseHint);
  ImageIndex = on ? TrueImageIndex : FalseImageIndex;
}

bool TCheckAction::Load(settings::TBrenvikPreferences &p) {
  setChecked(p.ReadBool(ScriptName, DefaultValue));
  ShowState();
  if (ApplyWhenLoad) Apply();
  return true;
}

bool TCheckAction::Save(settings::TBrenvikPreferences &p) { return p.WriteBool(ScriptName, isChecked()); }

void TCheckAction::Apply() {
  const auto run = [](const std::function<void()> &f) {
    if (f) f();
  };
  if (isChecked()) {
    run(OnBeforeTrueApply);
    run(InternalTrueApply);
    run(OnAfterTrueApply);
  } else {
    run(OnBeforeFalseApply);
    run(InternalFalseApply);
    run(OnAfterFalseApply);
  }
  ShowState();
}

void TCheckAction::SetValue(bool checked) {
  setChecked(checked);
  Apply();
}

namespace {

template <typename Step>
bool ForEachPersistent(TBKActionList &list, Step step) {
  bool ok = true;
  for (QAction *a : list.Actions()) {
    auto *p = qobject_cast<TCustomAbstractAction *>(a);
    if (!p || !p->IncludePrefs) continue;
    try {
      ok = step(*p) && ok;
    } catch (const std::exception &) {
      ok = false;
    }
  }
  return ok;
}

}  // namespace

bool LoadAll(TBKActionList &list, settings::TBrenvikPreferences &prefs) {
  bool ok = ForEachPersistent(list, [&](TCustomAbstractAction &a) { return a.Load(prefs); });
  if (list.OnLoadFromPrefs) ok = list.OnLoadFromPrefs(prefs) && ok;
  return ok;
}

bool SaveAll(TBKActionList &list, settings::TBrenvikPreferences &prefs) {
  bool ok = ForEachPersistent(list, [&](TCustomAbstractAction &a) { return a.Save(prefs); });
  if (list.OnSaveToPrefs) ok = list.OnSaveToPrefs(prefs) && ok;
  return ok;
}

}  // namespace vistrel
