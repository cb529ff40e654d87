// The Capture button in the main window: names and counters, the questions
// before overwriting, refused starts, and what a start leaves behind.
#include <QStandardPaths>

#include "recording_fixture.h"

using namespace vistrel;
using namespace vistrel::test;
using platform::DlgAnswer;

namespace {

bool AnyContains(const QStringList &list, const QString &part) {
  for (const QString &s : list)
    if (s.contains(part)) return true;
  return false;
}

}  // namespace

TEST(RecordingLifecycle, NameOfTheExample) {
  const QDateTime start(QDate(2026, 12, 8), QTime(3, 29, 5));
  EXPECT_EQ(ComposerNomVideo("/Videos", "Video", true, start, 0, 9), "/Videos/Video_081226_032905_0.avi");
  EXPECT_EQ(ComposerNomVideo("/v/", "V", false, start, 1, 3), "/v/V_1.mpg");
  // A dot in the root does not swallow the counter.
  EXPECT_EQ(ComposerNomVideo("/v", "my.clip", false, start, 2, 12), "/v/my.clip_2.mp3");
}

TEST(RecordingLifecycle, NamesAdvanceOnlyWhenAFileIsTaken) {
  RecordingWindow w(true);
  const QDateTime d = w.form.DateNoms;
  const QString stamp = d.toString("ddMMyy_hhmmss");
  EXPECT_EQ(w.form.NomVideo(), w.folder + "/Video_" + stamp + "_0" + ExtensionOfCurrent(w));
  // Handlers that only recompute the name keep the counter.
  w.form.cbVideoDateClick();
  w.form.VideoRacineExit();
  EXPECT_TRUE(w.form.NomVideo().endsWith("_0" + ExtensionOfCurrent(w)));
  EXPECT_EQ(w.form.Recording().Names().Counter(), 1);
  w.form.cbVideoDate->setChecked(false);
  w.form.cbVideoDateClick();
  EXPECT_EQ(w.form.NomVideo(), w.folder + "/Video_0" + ExtensionOfCurrent(w));
  EXPECT_EQ(w.form.SourcesFrame->lbNomVideo->text(), "Video_0" + ExtensionOfCurrent(w));
  EXPECT_EQ(w.form.DossiersFrame->lbNomVideo->text(), "Video_0" + ExtensionOfCurrent(w));
}

TEST(RecordingLifecycle, FormatsThatRecordNothingAreRefused) {
  RecordingWindow w;
  ASSERT_TRUE(w.Capture()->isEnabled());
  for (int format : {0, 10}) {
    w.form.Parameters().SetByte("Capture Format", quint8(format));
    platform::DialogService::Instance().ClearHistory();
    w.PressCapture();
    EXPECT_EQ(w.form.Etat(), esPreview);
    EXPECT_TRUE(AnyContains(w.Dialogs(), "records nothing")) << format;
    EXPECT_TRUE(w.Files().isEmpty());
    EXPECT_EQ(w.form.Recording().Names().Counter(), 1);
  }
}

TEST(RecordingLifecycle, OverwriteQuestionNoKeepsTheFileAllStopsAsking) {
  RecordingWindow w;
  w.form.Parameters().SetByte("Capture Format", 9);
  auto *confirm = w.form.OptionsFrame->options->cbConfirmerVideo;
  confirm->setChecked(true);
  QFile old(w.form.NomVideo());
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("previous session");
  old.close();

  w.Answer(DlgAnswer::No);
  platform::DialogService::Instance().ClearHistory();
  w.PressCapture();
  EXPECT_EQ(w.form.Etat(), esPreview);
  ASSERT_EQ(w.Dialogs().size(), 1);
  EXPECT_EQ(w.Dialogs().front(), "The file " + w.form.NomVideo() +
                                     " exists already. Do you want to crush it?\nIf you click on \"All\", then you "
                                     "will no more be prompted for confirmation");
  EXPECT_TRUE(QFileInfo::exists(w.form.NomVideo()));

  // "All": no more questions, and the setting is off for the rest of the session.
  w.Answer(DlgAnswer::All);
  w.PressCapture();
  EXPECT_FALSE(confirm->isChecked());
  EXPECT_FALSE(w.form.Parameters().Bool("Confirmer Video"));
  // The old file went to the trash, not away.
  const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files/";
  EXPECT_TRUE(QFileInfo::exists(trash + QFileInfo(old.fileName()).fileName()));
  if (w.form.Etat() == esCapture) w.PressCapture();
}

TEST(RecordingLifecycle, AFileThatCannotBeTrashedIsNeverOverwritten) {
  RecordingWindow w;
  w.form.Parameters().SetByte("Capture Format", 9);
  QFile old(w.form.NomVideo());
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("keep me");
  old.close();
  // A trash that cannot be set up (a plain file where its folder should be).
  const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash";
  const QString aside = trash + ".aside";
  QDir().rename(trash, aside);
  QFile blocker(trash);
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  platform::DialogService::Instance().ClearHistory();
  w.PressCapture();
  QFile::remove(trash);
  QDir().rename(aside, trash);
  EXPECT_EQ(w.form.Etat(), esPreview);
  EXPECT_TRUE(AnyContains(w.Dialogs(), "The capture does not start"));
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), "keep me");
  old.close();

  // A name that is a folder is refused too.
  QFile::remove(w.form.NomVideo());
  ASSERT_TRUE(QDir().mkpath(w.form.NomVideo()));
  w.PressCapture();
  EXPECT_EQ(w.form.Etat(), esPreview);
  EXPECT_TRUE(AnyContains(w.Dialogs(), "is a folder"));
}

TEST(RecordingLifecycle, MissingFolderIsAskedForAndCreated) {
  RecordingWindow w;
  w.form.Parameters().SetByte("Capture Format", 9);
  w.form.OptionsFrame->options->cbConfirmerVideo->setChecked(true);
  w.form.leVideoDirectory->setText(w.folder + "/deeper/still");
  w.form.VideoDirectoryChange();
  w.Answer(DlgAnswer::No);
  platform::DialogService::Instance().ClearHistory();
  w.PressCapture();
  EXPECT_EQ(w.form.Etat(), esPreview);
  ASSERT_FALSE(w.Dialogs().isEmpty());
  EXPECT_EQ(w.Dialogs().front(),
            "The folder " + w.folder + "/deeper/still does not exist.\nDo you want to create it?");
  EXPECT_FALSE(QDir(w.folder + "/deeper").exists());
  w.Answer(DlgAnswer::Yes);
  w.PressCapture();
  EXPECT_TRUE(QDir(w.folder + "/deeper/still").exists());
  if (w.form.Etat() == esCapture) w.PressCapture();
}

TEST(RecordingLifecycle, AChainThatCannotBeBuiltLeavesThePreviewRunning) {
  RecordingWindow w;
  w.Choose(w.VideoBox(), kCamera);
  w.form.Parameters().SetByte("Capture Format", 1);  // native DV from a camera that sends none
  platform::DialogService::Instance().ClearHistory();
  w.PressCapture();
  EXPECT_EQ(w.form.Etat(), esPreview);
  EXPECT_TRUE(AnyContains(w.Dialogs(), "could not be set up"));
  // The user is told which part failed, not only that something did.
  EXPECT_TRUE(AnyContains(w.Dialogs(), "What failed: ")) << w.Dialogs().join(" | ").toStdString();
  EXPECT_TRUE(w.Files().isEmpty());
  EXPECT_TRUE(w.NewFrames(2));
}
