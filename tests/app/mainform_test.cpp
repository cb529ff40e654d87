#include <gtest/gtest.h>

#include "appwindows.h"

using namespace vistrel;
using test::SpinFor;
using test::SpinUntil;
using test::Windows;

TEST(MainForm, StartsInThreeStepsAndEndsStartup) {
  Windows w;
  EXPECT_TRUE(w.form.DemarrageEnCours());
  w.form.show();
  EXPECT_EQ(w.form.Etat(), esPreview);
  SpinUntil([&] { return w.form.StartupDone(); });
  ASSERT_TRUE(w.form.StartupDone());
  EXPECT_FALSE(w.form.DemarrageEnCours());
  // The system report names the media framework it found.
  EXPECT_TRUE(w.form.HelpFrame->report->toPlainText().contains("GStreamer version 1."));
  w.form.close();
}

TEST(MainForm, PanelsSwitchAndNextWrapsAfterTheLast) {
  Windows w;
  w.form.show();
  for (int n = 0; n < kPanelCount; ++n) {
    w.form.AfficherPanneau(n);
    EXPECT_EQ(w.form.ActivePanel(), n);
    for (int m = 0; m < kPanelCount; ++m) EXPECT_EQ(w.form.PanelAction(m)->isChecked(), m == n) << n << m;
  }
  w.form.AfficherPanneau(9);  // out of range: nothing changes
  EXPECT_EQ(w.form.ActivePanel(), 8);
  w.form.acNextPanneau->trigger();
  EXPECT_EQ(w.form.ActivePanel(), 0);
  w.form.acNextPanneau->trigger();
  EXPECT_EQ(w.form.ActivePanel(), 1);
  w.form.close();
}

TEST(MainForm, LabelsLeadToThePanelWhereTheirValueIsSet) {
  Windows w;
  w.form.show();
  emit w.form.DossiersFrame->lbNomVideo->clicked();
  EXPECT_EQ(w.form.ActivePanel(), 0);
  emit w.form.SourcesFrame->lbNomVideo->clicked();
  EXPECT_EQ(w.form.ActivePanel(), 1);
  emit w.form.DossiersFrame->lbNomImage->clicked();
  EXPECT_EQ(w.form.ActivePanel(), 3);
  emit w.form.ExtraireFrame->lbDestination->clicked();
  EXPECT_EQ(w.form.ActivePanel(), 1);

  auto *formats = w.form.SourcesFrame->cbFormatCapture;
  formats->addItems({"Wmv", "divx", "mp3", "avi native"});
  const std::pair<QString, int> cases[] = {{"Wmv", 1}, {"divx", 2}, {"mp3", 2}, {"avi native", 4}};
  for (const auto &[name, page] : cases) {
    formats->setCurrentText(name);
    w.form.SourcesFrame->btnFormatSettings->click();
    EXPECT_EQ(w.form.ActivePanel(), 5);
    EXPECT_EQ(w.form.OptionsFrame->Page(), page) << name.toStdString();
  }
  w.form.close();
}

TEST(MainForm, HelpPanelOpensAtItsFirstPage) {
  Windows w;
  w.form.show();
  w.form.HelpFrame->pages->setCurrentIndex(1);
  w.form.PanelAction(7)->trigger();
  EXPECT_EQ(w.form.ActivePanel(), 7);
  EXPECT_EQ(w.form.HelpFrame->pages->currentIndex(), 0);
  w.form.close();
}

TEST(MainForm, StateColoursTheFrames) {
  const QColor face(0xd4, 0xd0, 0xc8);
  EXPECT_EQ(CouleurEtat(esPreview, false, face), face);
  EXPECT_EQ(CouleurEtat(esPreview, true, face), QColor(Qt::black));
  EXPECT_EQ(CouleurEtat(esCapture, true, face), QColor(Qt::red));
  EXPECT_EQ(CouleurEtat(esAttente, false, face), QColor(Qt::yellow));
  EXPECT_EQ(CouleurEtat(esCaptureProgrammee, false, face), QColor(Qt::magenta));
}

TEST(MainForm, CloseBeforeTheFirstIdleStillEndsCleanly) {
  Windows w;
  w.form.show();
  w.form.close();  // the deferred start-up is still queued
  SpinFor(100);
  EXPECT_FALSE(w.form.StartupDone());
  EXPECT_FALSE(w.form.isVisible());
}

TEST(MainForm, FirstCloseAsksForTheStoreAndTheNextStartLoadsIt) {
  {
    Windows w;
    w.form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spRegistre; };
    w.form.show();
    SpinUntil([&] { return w.form.StartupDone(); });
    w.form.AfficherPanneau(3);
    w.form.close();
    EXPECT_FALSE(w.form.isVisible());
  }
  EXPECT_EQ(settings::ReadRegistryString("Software\\Brenvik\\Vistrel", "Signature"),
            QString("Vistrel 6.3.0 en by Brenvik"));
  {
    Windows w;
    w.form.show();
    EXPECT_EQ(w.form.ActivePanel(), 3);  // the saved panel comes back
    w.form.close();
  }
  settings::DeleteRegistrySettings();
}

TEST(MainForm, DecliningTheStoreQuestionKeepsTheWindowWorking) {
  Windows w;
  w.form.Preferences().ChooseMode = [] { return std::optional<settings::TSavePreferences>(); };
  w.form.show();
  SpinUntil([&] { return w.form.StartupDone(); });
  w.form.close();
  EXPECT_TRUE(w.form.isVisible());
  w.form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spNone; };
  w.form.close();
  EXPECT_FALSE(w.form.isVisible());
}
