// The Inlay panel on its own (a parameter list and two sliders) and in the
// started program with the test camera: the offset texts and editors, size,
// alignment and border rules, the "what" buttons, the time difference, the
// keys that give way to typing, the settings kept, and a typed text found in
// a grabbed still.
#include <QDateEdit>
#include <QFocusEvent>
#include <QFontComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

#include "actions/superaction.h"
#include "app/decalage.h"
#include "app/decalageframe.h"
#include "app/incrusterframe.h"
#include "filters/datetimeformat.h"
#include "filters/vs_scenedetect.h"
#include "filters/vs_superposer.h"
#include "platform/registry.h"
#include "settings/settings.h"
#include "appwindows.h"
#include "sources_fixture.h"
#include "testenv.h"

using namespace vistrel;
using namespace vistrel::test;
using filters::TincrustRec;

namespace {

constexpr double kSecond = 1.0 / 86400;

// The panel with its own parameters and sliders, recording what it asks of the window.
struct Panel {
  settings::TparameterList params{settings::SettingsSignature()};
  QSlider x{Qt::Horizontal}, y{Qt::Vertical};
  TIncrusterFrame frame;
  std::vector<TincrustRec> applied;
  std::vector<std::pair<int, int>> whens;
  std::vector<bool> switched;
  std::optional<double> dvDate;
  Panel() {
    settings::CreateSettings(params);
    x.setRange(0, 970);
    y.setRange(0, 930);
    TIncrusterFrame::Liens l;
    l.Params = &params;
    l.SetIncrust = [this](const TincrustRec &r) { applied.push_back(r); };
    l.SetWhen = [this](std::uint8_t m, int s) { whens.emplace_back(m, s); };
    l.Incruster = [this](bool on) { switched.push_back(on); };
    l.DateDV = [this] { return dvDate; };
    l.Xslider = &x;
    l.Yslider = &y;
    frame.Lier(std::move(l));
    frame.ShowRecord(Rec());
  }
  TincrustRec Rec() { return params.Incrust("IncrustRec"); }
  void Show(const TincrustRec &r) {
    params.SetIncrust("IncrustRec", r);
    frame.ShowRecord(r);
  }
};

// Grabs one still through the Grab action and reads it back.
QImage GrabStill(StartedWindow &w) {
  const QString name = w.form.NomImage;
  w.form.Action("saGrab")->ExecuteInteractive();
  EXPECT_TRUE(SpinUntil([&] { return w.form.NomImage != name; }, 5000)) << "no still was saved";
  const QImage still(name, "BMP");
  EXPECT_FALSE(still.isNull());
  return still.convertToFormat(QImage::Format_RGB888);
}

// Pixels of that colour, within the few levels a camera's YUV layout moves a
// colour by (the inlay is drawn in it; the still is BGR).
int PixelsOf(const QImage &image, const QColor &colour) {
  int n = 0;
  for (int row = 0; row < image.height(); ++row)
    for (int col = 0; col < image.width(); ++col) {
      const QColor c = image.pixelColor(col, row);
      n += std::abs(c.red() - colour.red()) <= 8 && std::abs(c.green() - colour.green()) <= 8 &&
           std::abs(c.blue() - colour.blue()) <= 8;
    }
  return n;
}

// The exact-copy preview of a native format has no inlay: free it.
void FreePreview(StartedWindow &w) {
  if (auto *lock = w.form.Action("taLock"); lock->Checked()) lock->ExecuteInteractive();
  ASSERT_TRUE(SpinUntil([&] { return w.form.Action("taIncruster")->isEnabled(); }));
}

void ForgetSavedSettings() { platform::Registry::User().DeleteKey(settings::SettingsKeyPath()); }

}  // namespace

TEST(InlayOffset, TextsOfWholeHoursAndOfEverythingElse) {
  EXPECT_EQ(TexteDecalage(2.0 / 24), "2 hours");
  EXPECT_EQ(TexteDecalage(1 + 2 * kSecond), "1 days 00h 00m 02s");
  EXPECT_EQ(TexteDecalage(90 * 60 * kSecond), "0 days 01h 30m 00s");
  EXPECT_EQ(TexteDecalage(25.0 / 24), "1 days 01h 00m 00s") << "a day and an hour is not whole hours under a day";
  EXPECT_EQ(TexteDecalage(-2.0 / 24), "-2 hours");
  EXPECT_EQ(TexteDecalage(-(90 * 60 + 5) * kSecond), "0 days -01h -30m -05s");
  EXPECT_EQ(TexteDecalage(-(2 + 3.0 / 24)), "-2 days -03h 00m 00s");
  EXPECT_EQ(TexteDecalage(2 * kSecond - 1e-9), "0 days 00h 00m 02s") << "rounded to whole seconds";
}

TEST(InlayOffset, DatesSplitIntoEditorsAndBack) {
  // 9 December 2026 14:05:09.7 is cut to 14:05:09.
  const double when = QDate(1899, 12, 30).daysTo(QDate(2026, 12, 9)) + (14 * 3600 + 5 * 60 + 9.7) * kSecond;
  const double cut = SecondesEntieres(when);
  const JourEtHeure parts = Decomposer(cut);
  EXPECT_EQ(parts.Jour, QDate(2026, 12, 9));
  EXPECT_EQ(parts.Heure, 14);
  EXPECT_EQ(parts.Minute, 5);
  EXPECT_EQ(parts.Seconde, 9);
  EXPECT_NEAR(Composer(parts.Jour, parts.Heure, parts.Minute, parts.Seconde), cut, 1e-9);
  EXPECT_EQ(Decomposer(SecondesEntieres(3 + 59 * kSecond)).Seconde, 59) << "an exact second is not cut below itself";
}

TEST(InlayPanel, SizeAutoNumbersAndText) {
  Panel p;
  TincrustRec r = p.Rec();
  r.Autofontsize = true;
  r.FontRec.Size = 21;
  p.Show(r);
  EXPECT_EQ(p.frame.cbSize->currentText(), "auto");
  p.frame.cbSize->setEditText("36");
  EXPECT_FALSE(p.Rec().Autofontsize);
  EXPECT_EQ(p.Rec().FontRec.Size, 36);
  EXPECT_EQ(p.applied.back(), p.Rec()) << "each edit reaches the superposer";
  p.frame.cbSize->setCurrentIndex(0);
  EXPECT_TRUE(p.Rec().Autofontsize);
  p.frame.cbSize->setEditText("abc");
  EXPECT_FALSE(p.Rec().Autofontsize) << "typed text turns auto size off";
  EXPECT_EQ(p.Rec().FontRec.Size, 36) << "and keeps the size";
  p.frame.cbSize->setEditText("0");
  EXPECT_EQ(p.Rec().FontRec.Size, 36);
  p.Show(p.Rec());
  EXPECT_EQ(p.frame.cbSize->currentText(), "36");
}

TEST(InlayPanel, SlidersAndAlignment) {
  Panel p;
  p.frame.tbSousTitre->click();
  EXPECT_EQ(p.Rec().Alignment, 3);
  EXPECT_EQ(p.x.value(), 500);
  EXPECT_EQ(p.Rec().Alignment, 3) << "placing the slider for a subtitle does not undo it";
  p.x.setValue(640);
  EXPECT_EQ(p.Rec().Alignment, 1) << "moved by hand, the text centres on the slider";
  EXPECT_EQ(p.Rec().Xpos, 640);
  EXPECT_TRUE(p.frame.tbCenter->isChecked());
  p.frame.tbLeftAlign->click();
  p.x.setValue(100);
  EXPECT_EQ(p.Rec().Alignment, 0) << "only the subtitle gives way to the slider";
  p.y.setValue(30);
  EXPECT_EQ(p.Rec().Ypos, 900) << "the slider's top is the picture's top";

  // Showing a record moves the sliders without editing anything.
  TincrustRec r = p.Rec();
  r.Alignment = 3;
  r.Xpos = 700;
  r.Ypos = 100;
  const size_t before = p.applied.size();
  p.Show(r);
  EXPECT_EQ(p.x.value(), 700);
  EXPECT_EQ(p.y.value(), 830);
  EXPECT_EQ(p.Rec().Alignment, 3);
  EXPECT_EQ(p.applied.size(), before);
  EXPECT_TRUE(p.frame.tbSousTitre->isChecked());
  EXPECT_FALSE(p.frame.tbCenter->isChecked());
}

TEST(InlayPanel, BorderStylesColourTemplatesAndWhen) {
  Panel p;
  const auto items = p.frame.pmBorder->actions();
  ASSERT_EQ(items.size(), 6);
  EXPECT_EQ(items[0]->text(), "No border");
  EXPECT_EQ(items[1]->text(), "1 pixel");
  EXPECT_EQ(items[5]->text(), "5 pixels");
  items[3]->trigger();
  EXPECT_EQ(p.Rec().BorderSize, 3);
  EXPECT_EQ(p.frame.tbBorder->text(), "3");
  items[0]->trigger();
  EXPECT_EQ(p.Rec().BorderSize, 0);
  EXPECT_EQ(p.frame.tbBorder->text(), "");

  p.frame.tbBold->click();
  p.frame.tbUnderline->click();
  EXPECT_TRUE(p.Rec().FontRec.Bold);
  EXPECT_FALSE(p.Rec().FontRec.Italic);
  EXPECT_TRUE(p.Rec().FontRec.Underline);
  p.frame.ColorButtonChange(QColor(0x12, 0x34, 0x56));
  EXPECT_EQ(p.Rec().FontRec.Color, 0x563412u) << "kept as 0x00BBGGRR";

  p.frame.edPerso1->setText("Line %D");
  p.frame.cbDatecode2->setEditText("yyyy");
  EXPECT_EQ(p.Rec().Incrust1, "Line %D");
  EXPECT_EQ(p.Rec().FormatDate2, "yyyy");

  p.frame.rbScene->click();
  EXPECT_EQ(p.params.Byte("When Incrust"), 2);
  p.frame.edDuree->setText("12");
  EXPECT_EQ(p.params.Int(QString::fromUtf8("Durée Incruster")), 12);
  ASSERT_GE(p.whens.size(), 2u);
  EXPECT_EQ(p.whens.back(), std::make_pair(2, 12));
  p.frame.edDuree->setText("");
  EXPECT_EQ(p.params.Int(QString::fromUtf8("Durée Incruster")), 12) << "a cleared box keeps the duration";
}

TEST(InlayPanel, WhatButtonsSwitchTheInlayAndNoneKeepsTheChoice) {
  Panel p;
  p.frame.JvImgBtn5->click();
  EXPECT_EQ(p.Rec().WhatIncrust, 3);
  EXPECT_EQ(p.switched, std::vector<bool>{true});
  EXPECT_TRUE(p.frame.tbDecalage->isEnabled());
  p.frame.JvImgBtn2->click();
  EXPECT_EQ(p.Rec().WhatIncrust, 1);
  EXPECT_FALSE(p.frame.tbDecalage->isEnabled()) << "a time code has no date to correct";
  p.frame.JvImgBtn4->click();
  EXPECT_EQ(p.Rec().WhatIncrust, 1) << "None leaves the choice";
  EXPECT_EQ(p.switched.back(), false);
  p.frame.JvImgBtn3->click();
  EXPECT_EQ(p.Rec().WhatIncrust, 2);
}

TEST(InlayPanel, TimeDifferenceFromTheClockAndFromTheDvDate) {
  Panel p;
  // The DV date without a DV frame: nothing opens.
  p.frame.JvImgBtn1->click();
  p.frame.tbDecalageClick();
  EXPECT_FALSE(p.frame.DecalageVisible());
  EXPECT_FALSE(p.frame.tbDecalage->isChecked());

  // With one, the old date is that frame's, cut to whole seconds.
  const double dv = QDate(1899, 12, 30).daysTo(QDate(2004, 7, 1)) + (10 * 3600 + 0.4) * kSecond;
  p.dvDate = dv;
  p.frame.tbDecalageClick();
  ASSERT_TRUE(p.frame.DecalageVisible());
  EXPECT_TRUE(p.frame.tbDecalage->isChecked());
  auto *sub = p.frame.PanelDecalage;
  EXPECT_EQ(sub->labOldDate->text(), "Old date: " + filters::FormatDateTime("ddddd tt", SecondesEntieres(dv)));
  EXPECT_EQ(sub->DateEdit2->date(), QDate(2004, 7, 1));
  EXPECT_EQ(sub->seHeure->value(), 10);
  EXPECT_EQ(sub->seSeconde->value(), 0);
  EXPECT_EQ(p.Rec().DecalageHoraire, 0) << "opening changes nothing";

  sub->seHeure->setValue(12);
  EXPECT_EQ(p.frame.labDecalage->text(), "2 hours");
  EXPECT_NEAR(p.Rec().DecalageHoraire, 2.0 / 24, 1e-9);
  sub->DateEdit2->setDate(QDate(2004, 6, 30));
  EXPECT_EQ(p.frame.labDecalage->text(), "-22 hours");

  // Closed and opened again, the offset stays and the editors show the corrected date.
  p.frame.tbDecalageClick();
  EXPECT_FALSE(p.frame.DecalageVisible());
  EXPECT_NEAR(p.Rec().DecalageHoraire, -22.0 / 24, 1e-9);
  p.frame.tbDecalageClick();
  EXPECT_EQ(sub->DateEdit2->date(), QDate(2004, 6, 30));
  EXPECT_EQ(sub->seHeure->value(), 12);
  sub->resetBtn->click();
  EXPECT_EQ(p.Rec().DecalageHoraire, 0.0) << "Reset gives exactly no offset";
  EXPECT_EQ(p.frame.labDecalage->text(), "");

  // The clock: one second and a day.
  p.frame.FermerDecalage();
  p.frame.JvImgBtn5->click();
  p.frame.tbDecalageClick();
  ASSERT_TRUE(p.frame.DecalageVisible());
  EXPECT_NEAR(sub->AncienneDate(), SecondesEntieres(filters::NowAsDateTime()), 2 * kSecond);
  sub->DateEdit2->setDate(sub->DateEdit2->date().addDays(1));
  const int sec = sub->seSeconde->value();
  sub->seSeconde->setValue(sec <= 57 ? sec + 2 : sec - 2);
  EXPECT_EQ(p.frame.labDecalage->text(), sec <= 57 ? "1 days 00h 00m 02s" : "0 days 23h 59m 58s");
}

TEST(InlayProgram, WhatButtonsDriveTheInlayToggleAndThePreview) {
  StartedWindow w;
  ASSERT_EQ(w.CurrentVideo(), kCamera);
  FreePreview(w);
  auto *inlay = w.form.Action("taIncruster");
  if (inlay->Checked()) inlay->ExecuteInteractive();
  auto *superposer = w.dm.Superposer();
  auto *f = w.form.IncrusterFrame;
  f->JvImgBtn5->click();
  EXPECT_TRUE(inlay->Checked()) << "Real switches the inlay on";
  EXPECT_TRUE(w.form.Parameters().Bool("Want Incrust"));
  EXPECT_TRUE(SpinUntil([&] { return !superposer->LastLine(1).isEmpty(); }));
  EXPECT_EQ(superposer->LastLine(1).size(), filters::FormatDateTime("tt", filters::NowAsDateTime()).size());
  f->JvImgBtn4->click();
  EXPECT_FALSE(inlay->Checked());
  EXPECT_EQ(w.form.Parameters().Incrust("IncrustRec").WhatIncrust, 3);
  f->JvImgBtn1->click();
  EXPECT_TRUE(inlay->Checked());
  EXPECT_TRUE(SpinUntil([&] { return superposer->LastLine(0) == "N/A"; })) << "the camera has no DV date";

  // The time difference through its action: no DV source, nothing opens.
  auto *decalage = w.form.Action("taDecalage");
  decalage->ExecuteInteractive();
  EXPECT_FALSE(f->DecalageVisible());
  f->JvImgBtn5->click();
  f->tbDecalage->click();
  EXPECT_TRUE(f->DecalageVisible());
  EXPECT_TRUE(decalage->Checked());
  EXPECT_EQ(decalage->text(), "Hide the time difference");
  decalage->ExecuteInteractive();
  EXPECT_FALSE(f->DecalageVisible());
  EXPECT_EQ(decalage->text(), "Add a time difference");
}

TEST(InlayProgram, VolumeAndFreezeKeysGiveWayWhileATemplateIsTyped) {
  Windows w;
  auto *inc = w.form.Action("acIncVolume");
  auto *freeze = w.form.Action("taFreezeCapture");
  const QKeySequence plus = inc->shortcut(), space = freeze->shortcut();
  ASSERT_FALSE(plus.isEmpty());
  QFocusEvent in(QEvent::FocusIn), out(QEvent::FocusOut);
  QApplication::sendEvent(w.form.IncrusterFrame->edPerso1, &in);
  QApplication::sendEvent(w.form.IncrusterFrame->cbDatecode1->lineEdit(), &in);
  EXPECT_TRUE(inc->shortcut().isEmpty());
  EXPECT_TRUE(w.form.Action("acDecVolume")->shortcut().isEmpty());
  EXPECT_TRUE(freeze->shortcut().isEmpty());
  QApplication::sendEvent(w.form.IncrusterFrame->edPerso1, &out);
  EXPECT_EQ(inc->shortcut(), plus);
  EXPECT_EQ(freeze->shortcut(), space);
  EXPECT_EQ(freeze->shortcut(), QKeySequence(Qt::Key_Space));
}

TEST(FoldersPanel, ProgramAndPluginFolderFields) {
  Windows w;
  w.form.show();
  auto &dialogs = platform::DialogService::Instance();
  dialogs.ClearHistory();
  auto &p = w.form.Parameters();
  EXPECT_EQ(w.form.lePluginsDir->text(), p.Str("Plugins Dir"));
  EXPECT_EQ(w.form.leQuorrel->text(), p.Str("Quorrel"));

  w.form.PluginsDirChange(p.Str("Plugins Dir") + "/");
  EXPECT_TRUE(dialogs.History().isEmpty()) << "the same folder is no change";
  const QString dir = freshDir("plugins-elsewhere");
  w.form.PluginsDirChange(dir);
  EXPECT_EQ(p.Str("Plugins Dir"), dir);
  ASSERT_EQ(dialogs.History().size(), 1);
  EXPECT_TRUE(dialogs.History()[0].contains("The plug-ins found in the folder " + dir + "\n" +
                                            "will only be activated on next start of Vistrel\n\nYou should "
                                            "restart it now."))
      << dialogs.History()[0].toStdString();
  w.form.lePluginsDir->setText("");
  emit w.form.lePluginsDir->editingFinished();
  EXPECT_EQ(w.form.lePluginsDir->text(), dir) << "a cleared field keeps the folder";

  w.form.leQuorrel->setText("/usr/bin/quorrel");
  emit w.form.leQuorrel->editingFinished();
  EXPECT_EQ(p.Str("Quorrel"), "/usr/bin/quorrel");
}

TEST(InlayProgram, TextTypedInThePanelIsInTheGrabbedStillAndComesBackNextRun) {
  ForgetSavedSettings();
  const QColor colour(0x12, 0xC8, 0x64);  // a colour the test pattern never has
  const QString dir = freshDir("inlay-grabs");
  {
    StartedWindow w;
    w.form.Preferences().ChooseMode = [] { return settings::TSavePreferences::spRegistre; };
    ASSERT_EQ(w.CurrentVideo(), kCamera);
    FreePreview(w);
    auto *f = w.form.IncrusterFrame;
    f->edPerso1->setText("VISTREL");
    f->edPerso2->setText("%R");
    f->cbDatecode2->setEditText("yyyy");
    f->cbSize->setEditText("40");
    f->tbBold->click();
    f->pmBorder->actions()[0]->trigger();
    f->ColorButtonChange(colour);
    f->tbSousTitre->click();
    w.form.findChild<QSlider *>("sbIncrustY")->setValue(430);  // the middle of the picture
    f->rbUnique->click();
    f->edDuree->setText("7");
    f->rbPermanent->click();
    f->JvImgBtn3->click();
    ASSERT_TRUE(w.form.Action("taIncruster")->Checked());
    auto *superposer = w.dm.Superposer();
    ASSERT_TRUE(SpinUntil([&] { return superposer->LastLine(0) == "VISTREL"; }));
    EXPECT_EQ(superposer->LastLine(1), QString::number(QDate::currentDate().year()));

    w.form.ChoisirDossierImage(dir);
    EXPECT_GT(PixelsOf(GrabStill(w), colour), 200) << "the text is drawn in its colour";
    f->JvImgBtn4->click();
    EXPECT_EQ(PixelsOf(GrabStill(w), colour), 0) << "and only the text has that colour";
    f->JvImgBtn3->click();
  }
  {
    StartedWindow w;
    auto *f = w.form.IncrusterFrame;
    EXPECT_EQ(f->edPerso1->text(), "VISTREL");
    EXPECT_EQ(f->edPerso2->text(), "%R");
    EXPECT_EQ(f->cbDatecode2->currentText(), "yyyy");
    EXPECT_EQ(f->cbSize->currentText(), "40");
    EXPECT_TRUE(f->tbBold->isChecked());
    EXPECT_TRUE(f->tbSousTitre->isChecked());
    EXPECT_EQ(f->tbBorder->text(), "");
    EXPECT_EQ(w.form.findChild<QSlider *>("sbIncrustY")->value(), 430);
    EXPECT_EQ(w.form.findChild<QSlider *>("sbIncrustX")->value(), 500);
    EXPECT_TRUE(f->rbPermanent->isChecked());
    EXPECT_EQ(f->edDuree->text(), "7");
    EXPECT_EQ(w.form.Parameters().Incrust("IncrustRec").FontRec.Color, 0x64C812u);
    EXPECT_TRUE(w.form.Action("taIncruster")->Checked());
  }
  ForgetSavedSettings();
}

TEST(InlayProgram, TimeDifferenceOpensOnTheDvFramesDateAndCorrectsTheInlay) {
  StartedWindow w;
  w.Choose(w.VideoBox(), "DV Source - Video");
  ASSERT_EQ(w.CurrentVideo(), "DV Source - Video");
  FreePreview(w);
  auto *f = w.form.IncrusterFrame;
  f->cbDatecode1->setEditText("yyyy-mm-dd hh:nn:ss");
  f->JvImgBtn1->click();
  auto *superposer = w.dm.Superposer();
  ASSERT_TRUE(SpinUntil([&] { return superposer->LastLine(0).startsWith("20"); }, 5000)) << "a dated DV frame";
  w.form.Action("taDecalage")->ExecuteInteractive();
  ASSERT_TRUE(f->DecalageVisible());
  auto *sub = f->PanelDecalage;
  EXPECT_TRUE(sub->labOldDate->text().startsWith("Old date: "));
  // A day later: the inlaid DV date moves with the offset.
  sub->DateEdit2->setDate(sub->DateEdit2->date().addDays(1));
  EXPECT_EQ(f->labDecalage->text(), "1 days 00h 00m 00s");
  const auto *detector = w.dm.CurrentVideoDevice()->SceneDetector;
  ASSERT_TRUE(detector);
  EXPECT_TRUE(SpinUntil([&] {
    const QString expected = filters::FormatDateTime("yyyy-mm-dd", detector->Current().DateTime + 1);
    return superposer->LastLine(0).startsWith(expected);
  })) << superposer->LastLine(0).toStdString();
}
