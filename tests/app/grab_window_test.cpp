// Still grabs in the started program: real frames from the test camera, the
// Grab panel, the names, the overwrite question and the session list entry.
#include <QDir>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QImageReader>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSlider>

#include "actions/superaction.h"
#include "app/stillimage.h"
#include "filters/vs_controlunit.h"
#include "sessionlist/fichierlistbox.h"
#include "settings/optionsframe.h"
#include "settings/parameters.h"
#include "sources_fixture.h"
#include "testenv.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

constexpr int kGrabPanel = 3, kSettingsPanel = 5;

struct GrabWindow : StartedWindow {
  QString dir = freshDir("grabs");
  GrabWindow() {
    EXPECT_EQ(CurrentVideo(), kCamera);
    EXPECT_TRUE(NewFrames(2));
    form.ChoisirDossierImage(dir);
  }
  ~GrabWindow() { platform::DialogService::Instance().SetUnattended(std::nullopt); }
  void Grab() { form.Action("saGrab")->ExecuteInteractive(); }
  // Grabs and waits until the handler has run (the name moved on or a question was asked).
  bool GrabAndWait() {
    const QString before = form.NomImage;
    const int asked = int(platform::DialogService::Instance().History().size());
    Grab();
    return SpinUntil(
        [&] { return form.NomImage != before || platform::DialogService::Instance().History().size() > asked; }, 5000);
  }
  QString Image(int n, const char *ext = "bmp") {
    return dir + QString("/Image_%1.%2").arg(n, 5, 10, QChar('0')).arg(ext);
  }
  sessionlist::TFichierListbox *List() { return form.FichierListbox(); }
  QWidget *Child(const char *name) { return form.findChild<QWidget *>(name); }
  // Points the next name back at counter n.
  void RewindTo(int n) {
    form.CompteurImage = n + 1;
    form.RecalculerNomImage();
  }
};

QByteArray Contents(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(GrabWindow, GrabFromTheSettingsPanelWritesShowsAndListsTheFrame) {
  GrabWindow w;
  EXPECT_EQ(w.form.NomImage, w.Image(0));
  w.form.AfficherPanneau(kSettingsPanel);
  w.Grab();
  EXPECT_EQ(w.form.ActivePanel(), kGrabPanel);
  EXPECT_FALSE(w.Child("ShapeGrab")->isVisible()) << "the frame waits for the new picture";
  ASSERT_TRUE(SpinUntil([&] { return w.form.NomImage == w.Image(1); }, 5000));

  const QImage saved(w.Image(0), "BMP");
  ASSERT_FALSE(saved.isNull());
  const QImage preview = w.Window()->CurrentFrame();
  EXPECT_EQ(saved.width(), preview.width());
  EXPECT_EQ(saved.size(), ProportionsImage(preview.width(), preview.height(), 4, 3));

  // The Grab panel shows it fitted, framed, and names the next image.
  EXPECT_EQ(w.Child("imgGrab")->geometry(), BoiteImage(saved.width(), saved.height()));
  EXPECT_EQ(w.Child("ShapeGrab")->geometry(), w.Child("imgGrab")->geometry());
  EXPECT_TRUE(w.Child("ShapeGrab")->isVisible());
  EXPECT_EQ(w.form.ExtraireFrame->lbDestination->text(), "Image_00001.bmp");
  EXPECT_EQ(w.form.DossiersFrame->lbNomImage->text(), "Image_00001.bmp");

  // Listed as a still: one captured frame, no dropped count, the source boxes.
  ASSERT_EQ(w.List()->Count(), 1);
  const auto *entry = static_cast<const sessionlist::TDataFichier *>(w.List()->Entry(0));
  EXPECT_EQ(entry->FullName, w.Image(0));
  EXPECT_EQ(entry->Captured, 1);
  EXPECT_EQ(entry->Dropped, -1);
  EXPECT_EQ(entry->VideoSource, kCamera);
  EXPECT_EQ(entry->CaptureFormat, w.FormatBox()->currentText());
  EXPECT_TRUE(w.List()->item(0)->isSelected());

  // 16:9 cuts the height; a click on the preview grabs too.
  w.form.Parameters().SetByte("Aspect ratio", 2);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(w.Window(), &press);
  ASSERT_TRUE(SpinUntil([&] { return w.form.NomImage == w.Image(2); }, 5000));
  const QImage wide(w.Image(1), "BMP");
  EXPECT_EQ(wide.size(), QSize(preview.width(), preview.width() * 9 / 16));
  EXPECT_EQ(w.List()->Count(), 2);
}

TEST(GrabWindow, JpegChoiceQualityAndNameRecomputing) {
  GrabWindow w;
  auto *options = w.form.OptionsFrame->options;
  w.form.Action("acJpgOption")->ExecuteInteractive();
  EXPECT_EQ(w.form.NomImage, w.Image(0, "jpg")) << "the counter is kept";
  EXPECT_EQ(w.form.Parameters().Int("Extension des images"), 1);
  EXPECT_FALSE(options->TrackBar1->parentWidget()->isHidden());
  options->TrackBar1->setValue(100);
  EXPECT_EQ(w.form.findChild<QLabel *>("lbJpegQuality")->text(), "100");
  ASSERT_TRUE(w.GrabAndWait());
  EXPECT_EQ(QImageReader(w.Image(0, "jpg")).format(), "jpeg");

  // Root, date and folder changes rename the next image without using a number.
  auto *root = w.form.findChild<QLineEdit *>("edImageRacine");
  root->setText("Shot");
  emit root->editingFinished();
  EXPECT_EQ(w.form.NomImage, w.dir + "/Shot_00001.jpg");
  w.form.findChild<QCheckBox *>("cbImageDate")->click();
  EXPECT_EQ(w.form.NomImage, w.dir + "/Shot_" + w.form.DateNoms.toString("ddMMyy_hhmmss") + "_00001.jpg");
  const QString other = freshDir("other");
  w.form.ChoisirDossierImage(other);
  EXPECT_TRUE(w.form.NomImage.startsWith(other + "/Shot_"));
  EXPECT_TRUE(w.form.NomImage.endsWith("_00001.jpg"));
  w.form.Action("acBmpOption")->ExecuteInteractive();
  EXPECT_TRUE(w.form.NomImage.endsWith("_00001.bmp"));
  EXPECT_TRUE(options->TrackBar1->parentWidget()->isHidden());
}

TEST(GrabWindow, OverwriteQuestionNoYesAll) {
  GrabWindow w;
  auto &dialogs = platform::DialogService::Instance();
  ASSERT_TRUE(w.GrabAndWait());
  const QByteArray first = Contents(w.Image(0));
  ASSERT_FALSE(first.isEmpty());

  // No: nothing written, the next grab goes to the next free name.
  w.RewindTo(0);
  dialogs.SetUnattended(platform::DlgAnswer::No);
  ASSERT_TRUE(w.GrabAndWait());
  ASSERT_FALSE(dialogs.History().isEmpty());
  EXPECT_TRUE(dialogs.History().last().contains(
      "The image Image_00000.bmp exists already. Do you want to replace it?"))
      << dialogs.History().last().toStdString();
  EXPECT_TRUE(dialogs.History().last().contains(
      "If you click on \"All\", then you will no more be prompted for confirmation"));
  EXPECT_EQ(w.form.NomImage, w.Image(1));
  EXPECT_EQ(Contents(w.Image(0)), first);
  EXPECT_FALSE(QFile::exists(w.Image(1)));

  // Yes: the old picture goes to the trash, the new one takes its name.
  w.RewindTo(0);
  dialogs.SetUnattended(platform::DlgAnswer::Yes);
  ASSERT_TRUE(w.GrabAndWait());
  ASSERT_EQ(w.form.NomImage, w.Image(1));
  EXPECT_NE(Contents(w.Image(0)), first);
  EXPECT_EQ(Contents(sandboxRoot() + "/data/Trash/files/Image_00000.bmp"), first);
  EXPECT_EQ(w.List()->Count(), 1) << "the same file is listed once";

  // All: the confirmation is switched off for the rest of the session.
  w.RewindTo(0);
  dialogs.SetUnattended(platform::DlgAnswer::All);
  ASSERT_TRUE(w.GrabAndWait());
  ASSERT_EQ(w.form.NomImage, w.Image(1));
  EXPECT_FALSE(w.form.OptionsFrame->options->cbConfirmerImage->isChecked());
  EXPECT_FALSE(w.form.Parameters().Bool("Confirmer Image"));
  w.RewindTo(0);
  const int asked = int(dialogs.History().size());
  ASSERT_TRUE(w.GrabAndWait());
  ASSERT_EQ(w.form.NomImage, w.Image(1));
  EXPECT_EQ(int(dialogs.History().size()), asked);
}

TEST(GrabWindow, ASecondSessionStartsPastThePicturesOfTheFirst) {
  QString folder, root;
  {
    StartedWindow first;
    folder = first.form.Parameters().Str("Image Directory");
    root = first.form.Parameters().Str("Image Racine");
  }
  QDir().mkpath(folder);
  QStringList taken;
  for (int n : {0, 1, 2}) {
    taken << folder + QString("/%1_%2.bmp").arg(root).arg(n, 5, 10, QChar('0'));
    QFile f(taken.last());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  {
    StartedWindow second;
    EXPECT_FALSE(QFile::exists(second.form.NomImage)) << second.form.NomImage.toStdString();
    EXPECT_GE(second.form.CompteurImage, 4) << "Image_00000 to 00002 are taken";
    EXPECT_TRUE(second.form.NomImage.contains(root + "_0000")) << "the names keep their form";
  }
  // The default folder is shared by the other tests.
  for (const QString &f : taken) QFile::remove(f);
}
