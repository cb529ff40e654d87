// The shortcuts window's grid and sort orders; persistent actions through both stores.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>

#include "actions/persistentactions.h"
#include "actions/superaction.h"
#include "actions/uraccourcis.h"
#include "settings/brenvikprefs.h"
#include "settings/settings.h"

using namespace vistrel;

namespace {

TSuperAction *Make(QObject *owner, const char *name, const char *caption, const char *key, const char *sw,
                   const char *token) {
  auto *a = new TSuperAction(owner);
  a->setObjectName(name);
  a->setText(caption);
  a->setShortcut(QKeySequence::fromString(key, QKeySequence::PortableText));
  a->SetSwitch(sw);
  a->SetToken(token);
  return a;
}

QStringList Column(QTableWidget *grid, int column) {
  QStringList out;
  for (int r = 0; r < grid->rowCount(); ++r) out << grid->item(r, column)->text();
  return out;
}

}  // namespace

TEST(ShortcutsWindow, SortOrdersHeaderClicksAndDoubleClick) {
  QObject owner;
  std::vector<TCustomSuperAction *> actions = {
      Make(&owner, "b2", "Same", "F2", "zz", "alpha"), Make(&owner, "b1", "Same", "F3", "aa", "alpha"),
      Make(&owner, "c", "Capture", "Ctrl+Space", "c", "capture"), Make(&owner, "hidden", "", "F9", "pv", "pilot")};
  int ran = 0;
  actions[2]->OnExecute = [&](TCustomSuperAction *) { ++ran; };
  TRaccourcisForm form;
  int stored = -1;
  form.OnSortChanged = [&](int c) { stored = c; };
  form.SetActions(actions);
  QTableWidget *grid = form.Grid();
  EXPECT_EQ(grid->columnCount(), 4);
  EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), "Functions");
  EXPECT_EQ(grid->horizontalHeaderItem(3)->text(), "Script");
  EXPECT_EQ(grid->columnWidth(0), 238);
  EXPECT_EQ(grid->rowCount(), 3);  // an action with no caption has no row
  // Caption, then object name breaks the tie.
  EXPECT_EQ(Column(grid, 0), QStringList({"Capture", "Same", "Same"}));
  EXPECT_EQ(Column(grid, 2), QStringList({"c", "aa", "zz"}));
  emit grid->horizontalHeader()->sectionClicked(1);
  EXPECT_EQ(stored, 1);
  EXPECT_EQ(Column(grid, 1), QStringList({"Ctrl+Space", "F2", "F3"}));
  emit grid->horizontalHeader()->sectionClicked(2);
  EXPECT_EQ(Column(grid, 2), QStringList({"aa", "c", "zz"}));
  form.SetSortColumn(3);
  EXPECT_EQ(Column(grid, 2), QStringList({"aa", "zz", "c"}));  // token, caption, name
  form.SetSortColumn(7);  // a stored value out of range falls back to captions
  EXPECT_EQ(form.SortColumn(), 0);
  emit grid->cellDoubleClicked(0, 2);
  EXPECT_EQ(ran, 1);
  actions[2]->setEnabled(false);
  form.RunRow(0);
  form.RunRow(99);
  EXPECT_EQ(ran, 1);
}

namespace {

struct Persistent {
  TBKActionList manager, bk;
  TCheckAction *page;
  TRectAction *form, *cam2;
  TIntegerAction *media;
  int mediaApplied = -1;
  settings::PrefRect applied;
  QObject owner;
  Persistent() {
    page = new TCheckAction(&owner);
    page->ScriptName = "Script";
    form = new TRectAction(&owner);
    form->ScriptName = "FormSave";
    form->ApplyWhenLoad = true;
    form->InternalDefault = [](settings::PrefRect &r) { r = {10, 20, 110, 220}; };
    form->InternalApply = [this](settings::PrefRect &r) { applied = r; };
    cam2 = new TRectAction(&owner);
    cam2->ScriptName = "Cam2";
    media = new TIntegerAction(&owner);
    media->ScriptName = "NumMediatype";
    media->ApplyWhenLoad = true;
    media->OnAfterApply = [this](qint32 &v) { mediaApplied = v; };
    manager.Add(page);
    manager.Add(form);
    manager.Add(cam2);
    bk.Add(media);
  }
};

}  // namespace

TEST(PersistentActions, FirstStartDefaultsAndRoundTripThroughBothStores) {
  for (auto mode : {settings::TSavePreferences::spRegistre, settings::TSavePreferences::spPortable}) {
    {
      settings::TBrenvikPreferences prefs;
      prefs.SetMode(mode);
      Persistent p;
      EXPECT_TRUE(LoadAll(p.manager, prefs));
      EXPECT_TRUE(LoadAll(p.bk, prefs));
      EXPECT_EQ(p.applied, (settings::PrefRect{10, 20, 110, 220}));  // default, applied at load
      EXPECT_EQ(p.mediaApplied, 0);
      p.page->setChecked(true);
      p.form->InternalSave = [](settings::PrefRect &r) { r = {5, 6, 705, 506}; };
      p.cam2->BeforeSave = [](settings::PrefRect &r) { r = {1, 2, 3, 4}; };
      p.media->BeforeSave = [](qint32 &v) { v = 3; };
      EXPECT_TRUE(SaveAll(p.bk, prefs));
      EXPECT_TRUE(SaveAll(p.manager, prefs));
      EXPECT_TRUE(prefs.Store().Flush());
      // Rectangles are sub-keys of four integers; the second camcorder under "Cam2".
      auto &store = prefs.Store();
      for (const char *key : {"FormSave", "Cam2"}) {
        ASSERT_TRUE(store.OpenKey(key, false)) << key;
        qint32 right = 0;
        EXPECT_TRUE(store.ReadInteger("Right", right));
        EXPECT_EQ(right, QString(key) == "Cam2" ? 3 : 705);
        store.CloseKey();
      }
    }
    {
      settings::TBrenvikPreferences prefs;
      prefs.SetMode(mode);
      Persistent p;
      bool camApplied = false;
      p.cam2->OnAfterApply = [&](settings::PrefRect &) { camApplied = true; };
      EXPECT_TRUE(LoadAll(p.manager, prefs));
      EXPECT_TRUE(LoadAll(p.bk, prefs));
      EXPECT_TRUE(p.page->isChecked());
      EXPECT_EQ(p.applied, (settings::PrefRect{5, 6, 705, 506}));
      EXPECT_EQ(p.cam2->Value(), (settings::PrefRect{1, 2, 3, 4}));
      EXPECT_FALSE(camApplied);  // camcorder rectangles are not applied at load
      EXPECT_EQ(p.mediaApplied, 3);
    }
  }
  settings::DeleteRegistrySettings();
  // Store mode "none": nothing is written, and saving says so.
  settings::TBrenvikPreferences none;
  none.SetMode(settings::TSavePreferences::spNone);
  Persistent p;
  EXPECT_FALSE(SaveAll(p.manager, none));
  EXPECT_TRUE(LoadAll(p.bk, none));
  EXPECT_EQ(p.mediaApplied, 0);
}
