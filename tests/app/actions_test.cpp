// The real main window driven the way a user automates it: switches on the command
// line, command files, the shortcuts window, and the persistent window bounds.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include "actions/script.h"
#include "actions/superaction.h"
#include "app/window_placement.h"
#include "appwindows.h"

using namespace vistrel;
using test::SpinUntil;
using test::Windows;

namespace {

QString WriteCommands(const QString &text) {
  const QString path = test::freshDir("commands") + "/commands.txt";
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text.toUtf8());
  return path;
}

}  // namespace

TEST(MainActions, TableOrderKeysSwitchesAndWhatIsEnabled) {
  Windows w;
  const auto &all = w.form.al->Actions();
  ASSERT_EQ(all.size(), 55u);
  EXPECT_EQ(all.front()->objectName(), "saGrab");
  EXPECT_EQ(all.back()->objectName(), "saFormatCapture");
  auto *grab = w.form.Action("saGrab");
  EXPECT_EQ(grab->shortcuts(), QList<QKeySequence>({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_G)}));
  EXPECT_FALSE(grab->isEnabled());  // no grab yet
  EXPECT_EQ(w.form.Switch1->Lookup("fc")->objectName(), "taFreezeCapture");
  EXPECT_EQ(w.form.Switch1->Lookup("FORMAT_CAPTURE")->objectName(), "saFormatCapture");
  EXPECT_EQ(w.form.acQuitter, w.form.Action("acQuitter"));
  EXPECT_EQ(w.form.PanelAction(6), w.form.Action("saListeFrame"));
  auto *decalage = qobject_cast<TtoggleAction *>(w.form.Action("taDecalage"));
  ASSERT_TRUE(decalage);
  EXPECT_TRUE(decalage->Checked());
  EXPECT_EQ(decalage->text(), "Hide the time difference");
  EXPECT_EQ(w.form.Action("taFreezepreview")->text(), "Resume the preview");
  EXPECT_TRUE(w.form.Action("taFreezepreview")->AutoCheck);
  // The shortcuts window lists every action that has a caption (the two pilots have none).
  EXPECT_EQ(w.raccourcis.Grid()->rowCount(), 53);
}

TEST(MainActions, SwitchesRunAfterStartupAndQuitClosesAtTheEnd) {
  Windows w;
  w.form.SetCommandLine({"+sf", "+nf", "/NEXT_FRAME", "+c", "movie.avi", "quit", "-nosuch"});
  w.form.show();
  SpinUntil([&] { return !w.form.isVisible(); });
  EXPECT_TRUE(w.form.StartupDone());
  EXPECT_FALSE(w.form.isVisible());
  EXPECT_EQ(w.form.ActivePanel(), 2);
}

TEST(MainActions, CommandFileShowsPanelsAndTheShortcutsWindowWaitsAndQuits) {
  Windows w;
  const QString file = WriteCommands(
      "hf\n"
      "/o\n"
      "wait 0.4\n"
      "-shortcuts\n"
      "capture\n"            // disabled until recording exists: skipped
      "no such action here\n"
      "of\n"
      "quit\n");
  w.form.SetScriptFile(file);
  bool shownDuringWait = false;
  int panelDuringWait = -1;
  QObject::connect(&w.form, &TCaptureForm::startupFinished, [&] {
    QTimer::singleShot(200, [&] {
      shownDuringWait = w.raccourcis.isVisible();
      panelDuringWait = w.form.ActivePanel();
    });
  });
  w.form.show();
  SpinUntil([&] { return !w.form.isVisible(); });
  EXPECT_FALSE(w.form.isVisible());
  EXPECT_TRUE(shownDuringWait);
  EXPECT_EQ(panelDuringWait, 7);
  EXPECT_FALSE(w.raccourcis.isVisible());
  EXPECT_FALSE(w.form.Action("taraccourcis")->Checked());
  EXPECT_EQ(w.form.ActivePanel(), 5);
}

TEST(MainActions, SourcesChosenBySwitchWithSpacesAndByQuotedCommandFileWord) {
  Windows w;
  w.form.SetCommandLine({"+sa=Vistrel Test Microphone"});
  w.form.SetScriptFile(WriteCommands("sv \"Vistrel Test Capture Card - Video\"\nwait 0.2\nquit\n"));
  w.form.show();
  SpinUntil([&] { return !w.form.isVisible(); }, 30000);
  EXPECT_FALSE(w.form.isVisible());
  EXPECT_EQ(w.form.SourcesFrame->cboxAudio->currentText(), "Vistrel Test Microphone");
  EXPECT_EQ(w.form.SourcesFrame->cboxvideo->currentText(), "Vistrel Test Capture Card - Video");
}

TEST(MainActions, ShortcutsWindowFollowsItsToggleAndKeepsItsSort) {
  Windows w;
  w.form.show();
  SpinUntil([&] { return w.form.StartupDone(); });
  auto *toggle = w.form.Action("taraccourcis");
  toggle->trigger();
  EXPECT_TRUE(w.raccourcis.isVisible());
  EXPECT_EQ(toggle->text(), "Hide the shortcuts");
  emit w.raccourcis.Grid()->horizontalHeader()->sectionClicked(2);
  EXPECT_EQ(w.form.Parameters().Byte("Raccourcis Sort"), 2);
  w.raccourcis.close();
  EXPECT_FALSE(toggle->Checked());
  EXPECT_EQ(toggle->text(), "Display the shortcuts");
  // A double click on the row of a panel action runs it.
  w.raccourcis.SetSortColumn(0);
  for (int r = 0; r < w.raccourcis.Grid()->rowCount(); ++r)
    if (w.raccourcis.Grid()->item(r, 0)->text() == "Folders panel") w.raccourcis.RunRow(r);
  EXPECT_EQ(w.form.ActivePanel(), 1);
  w.form.close();
}

TEST(MainActions, WindowCentredAtFirstStartAndBoundsKeptInTheStore) {
  QRect saved;
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  {
    Windows w;
    w.form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spRegistre; };
    w.form.show();
    // Centred on the screen, and kept on it when the screen is the smaller.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect centred((screen.width() - w.form.width()) / 2, (screen.height() - w.form.height()) / 2, w.form.width(),
                        w.form.height());
    EXPECT_EQ(w.form.geometry().topLeft(), FitInside(centred, available, w.form.minimumSize()).topLeft());
    EXPECT_EQ(w.form.NumMediatype, 0);
    SpinUntil([&] { return w.form.StartupDone(); });
    w.form.setGeometry(31, 42, 900, 600);
    saved = w.form.geometry();
    w.form.NumMediatype = 4;
    w.form.close();
  }
  {
    Windows w;
    w.form.show();
    EXPECT_EQ(w.form.geometry(), FitInside(saved, available, w.form.minimumSize()));
    EXPECT_EQ(w.form.NumMediatype, 4);
    w.form.close();
  }
  settings::DeleteRegistrySettings();
}

TEST(MainActions, RealProgramRunsSwitchesAndCommandFiles) {
  const auto run = [](const QStringList &args, int &exitCode) {
    QProcess p;
    p.start(QStringLiteral(VISTREL_BINARY), QStringList{"--answer=no"} + args);
    const bool finished = p.waitForFinished(30000);
    if (!finished) p.kill();
    exitCode = p.exitCode();
    return finished;
  };
  int rc = -1;
  EXPECT_TRUE(run({"+nf", "+nf", "quit"}, rc));
  EXPECT_EQ(rc, 0);
  QElapsedTimer t;
  t.start();
  EXPECT_TRUE(run({"--script=" + WriteCommands("sf\nwait 0.5\n+m\n+i\nquit\n")}, rc));
  EXPECT_EQ(rc, 0);
  EXPECT_GE(t.elapsed(), 500);
  EXPECT_TRUE(run({"--script=" + test::freshDir("missing") + "/none.txt"}, rc));
  EXPECT_EQ(rc, 2);
}

// What a user pointing at a button reads: the caption (or hint) and then the key,
// for every action of the started window that has one, kept true as keys change.
TEST(MainActions, TooltipsEndWithTheirShortcutAndFollowItsChanges) {
  Windows w;
  w.form.show();
  SpinUntil([&] { return w.form.StartupDone(); });
  const auto suffix = [](const QAction *a) { return " (" + a->shortcut().toString(QKeySequence::NativeText) + ")"; };
  int withKeys = 0;
  for (const TCustomSuperAction *a : w.form.al->Actions()) {
    SCOPED_TRACE(a->objectName().toStdString());
    if (a->shortcut().isEmpty()) {
      EXPECT_FALSE(a->toolTip().endsWith(")"));
      continue;
    }
    ++withKeys;
    EXPECT_TRUE(a->toolTip().endsWith(suffix(a))) << a->toolTip().toStdString();
    EXPECT_GT(a->toolTip().size(), suffix(a).size());
    EXPECT_FALSE(a->text().endsWith(suffix(a))) << "the caption keeps its words";
  }
  EXPECT_GE(withKeys, 45);

  struct Row {
    const char *action;
    std::function<void(TCustomSuperAction *)> change;  // empty: as started
    QString caption, toolTip;
  };
  const Row rows[] = {
      {"taIncruster", {}, "Inlay", "Inlay (F12)"},
      {"acReduire", {}, "Reduce", "Reduce (Alt+Backspace)"},
      {"acOuvrirDossierVideos", {}, "Open the folder of captured videos", "Open the folder of captured videos (Alt+V)"},
      {"acApropos", {}, "About panel...", "About panel (Alt+A)"},
      {"taIncruster", [](TCustomSuperAction *a) { a->setShortcut(QKeySequence("Ctrl+Shift+I")); }, "Inlay",
       "Inlay (Ctrl+Shift+I)"},
      {"taIncruster", [](TCustomSuperAction *a) { a->SetChecked(true); }, "Stop Inlay", "Stop Inlay (Ctrl+Shift+I)"},
      {"acReduire", [](TCustomSuperAction *a) { a->setShortcut(QKeySequence()); }, "Reduce", "Reduce"},
      {"acReduire", [](TCustomSuperAction *a) { a->setShortcut(QKeySequence(Qt::Key_F2)); }, "Reduce", "Reduce (F2)"},
      // Typing in an inlay template takes the freeze key away, and gives it back.
      {"taFreezeCapture", [&](TCustomSuperAction *) { w.form.RaccourcisTexte(true); }, "Freeze the capture",
       "Freeze the capture"},
      {"taFreezeCapture", [&](TCustomSuperAction *) { w.form.RaccourcisTexte(false); }, "Freeze the capture",
       "Freeze the capture (Space)"},
      // A hint of its own keeps its words, and the key follows them.
      {"acProgrammerBascule", [](TCustomSuperAction *a) { a->setToolTip("Stop the scheduling"); }, "Schedule",
       "Stop the scheduling (Ctrl+P)"},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.toolTip.toStdString());
    TCustomSuperAction *a = w.form.Action(r.action);
    ASSERT_TRUE(a);
    if (r.change) r.change(a);
    EXPECT_EQ(a->text(), r.caption);
    EXPECT_EQ(a->toolTip(), r.toolTip);
  }
  // The Capture button under the picture shows its action's tooltip.
  auto *capture = w.form.findChild<QToolButton *>("btnCapturer");
  ASSERT_TRUE(capture);
  EXPECT_EQ(capture->toolTip(), w.form.Action("saCapturerBascule")->toolTip());
  EXPECT_TRUE(capture->toolTip().endsWith(" (Ctrl+Space)")) << capture->toolTip().toStdString();
  w.form.close();
}
