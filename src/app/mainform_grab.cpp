// Still grabs: the grab request, the frame handed back by the superposer,
// proportions, and saving as BMP or JPEG under the next image name.
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSlider>

#include "actions/superaction.h"
#include "app/desktop_notices.h"
#include "app/mainform.h"
#include "app/recorder.h"
#include "app/stillimage.h"
#include "filters/bitmaps.h"
#include "filters/vs_controlunit.h"
#include "filters/vs_scenedetect.h"
#include "filters/vs_superposer.h"
#include "graph/avgraph.h"
#include "platform/dialogs.h"
#include "platform/shell.h"
#include "settings/optionsframe.h"
#include "settings/parameters.h"

namespace vistrel {

namespace {

constexpr int kGrabPanel = 3;

// A left click on the preview is a grab.
class PreviewClick final : public QObject {
 public:
  PreviewClick(QObject *parent, std::function<void()> onClick) : QObject(parent), onClick_(std::move(onClick)) {}

 protected:
  bool eventFilter(QObject *watched, QEvent *e) override {
    if (e->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(e)->button() == Qt::LeftButton)
      onClick_();
    return QObject::eventFilter(watched, e);
  }

 private:
  std::function<void()> onClick_;
};

}  // namespace

struct TCaptureForm::GrabState {
  QWidget *imageArea = nullptr;
  QLabel *imageBox = nullptr;  // the last grabbed picture, fitted into 192 x 144
  QFrame *cadre = nullptr;     // the frame drawn around it
  QLabel *lbQualite = nullptr;  // the JPEG quality as a number
  QLineEdit *edImageDirectory = nullptr, *edImageRacine = nullptr;
  QCheckBox *cbImageDate = nullptr;
  QPushButton *btnChoisirDossier = nullptr;
  QImage corrige;  // the last picture after deinterlacing and proportions
  bool clicHooked = false;
};

void TCaptureForm::BindGrabActions() {
  BindAction("saGrab", &TCaptureForm::saGrabexecute);
  // Grabbing needs a picture: source activation enables it with a video source.
  if (auto *grab = Action("saGrab")) grab->setEnabled(false);
  BindAction("acJpgOption", &TCaptureForm::acJpgOptionexecute);
  BindAction("acBmpOption", &TCaptureForm::acBmpOptionexecute);
  ConstruireGrab();
  ConstruireListe();
}

void TCaptureForm::ConstruireGrab() {
  if (grab_) return;
  grab_ = new GrabState;
  auto &g = *grab_;
  // The state lives as long as the window.
  connect(this, &QObject::destroyed, [state = grab_] { delete state; });

  // Grab panel: the picture box with its frame, above the "Next image" label.
  auto *body = ExtraireFrame->Body();
  g.imageArea = new QWidget(ExtraireFrame);
  g.imageArea->setObjectName("ImageArea");
  g.imageArea->setFixedSize(256, 168);
  g.imageBox = new QLabel(g.imageArea);
  g.imageBox->setObjectName("imgGrab");
  g.imageBox->setScaledContents(true);
  g.imageBox->hide();
  g.cadre = new QFrame(g.imageArea);
  g.cadre->setObjectName("ShapeGrab");
  g.cadre->setFrameShape(QFrame::Box);
  g.cadre->setAttribute(Qt::WA_TransparentForMouseEvents);
  g.cadre->hide();
  body->insertWidget(1, g.imageArea);
  body->insertWidget(2, new QLabel("Next image", ExtraireFrame));
  ExtraireFrame->lbDestination->setObjectName("lbNextImage");

  // Folders panel: image folder, root and date, above the image name.
  auto *form = new QFormLayout;
  auto *dirRow = new QHBoxLayout;
  g.edImageDirectory = new QLineEdit(DossiersFrame);
  g.edImageDirectory->setObjectName("edImageDirectory");
  g.btnChoisirDossier = new QPushButton("...", DossiersFrame);
  dirRow->addWidget(g.edImageDirectory, 1);
  dirRow->addWidget(g.btnChoisirDossier);
  form->addRow("Image folder", dirRow);
  g.edImageRacine = new QLineEdit(DossiersFrame);
  g.edImageRacine->setObjectName("edImageRacine");
  form->addRow("Image root", g.edImageRacine);
  g.cbImageDate = new QCheckBox("Include date", DossiersFrame);
  g.cbImageDate->setObjectName("cbImageDate");
  form->addRow(g.cbImageDate);
  auto *dossiers = DossiersFrame->Body();
  dossiers->insertLayout(dossiers->indexOf(DossiersFrame->lbNomImage), form);

  connect(g.edImageDirectory, &QLineEdit::editingFinished, this,
          [this] { ChoisirDossierImage(Grab().edImageDirectory->text()); });
  connect(g.btnChoisirDossier, &QPushButton::clicked, this, [this] {
    const QString folder =
        QFileDialog::getExistingDirectory(this, "Folder of the images", Grab().edImageDirectory->text());
    if (!folder.isEmpty()) ChoisirDossierImage(folder);
  });
  connect(g.edImageRacine, &QLineEdit::editingFinished, this, &TCaptureForm::RecalculerNomImage);
  connect(g.cbImageDate, &QCheckBox::clicked, this, &TCaptureForm::RecalculerNomImage);
  connect(DossiersFrame->btnOuvrirImage, &QPushButton::clicked, this,
          [this] { platform::ShowFolder(params_->Str("Image Directory"), this); });

  // Settings panel: the extension choice and the quality number beside its track bar.
  auto *options = OptionsFrame->options;
  connect(options->rgExtension, &QButtonGroup::idClicked, this, [this](int) { rgExtensionClick(); });
  g.lbQualite = new QLabel(options->TrackBar1->parentWidget());
  g.lbQualite->setObjectName("lbJpegQuality");
  if (auto *layout = options->TrackBar1->parentWidget()->layout()) layout->addWidget(g.lbQualite);
  connect(options->TrackBar1, &QSlider::valueChanged, g.lbQualite,
          [label = g.lbQualite](int v) { label->setText(QString::number(v)); });
  g.lbQualite->setText(QString::number(options->TrackBar1->value()));

}

void TCaptureForm::ChargerPrefsGrab() {
  auto &g = Grab();
  auto &p = *params_;
  g.edImageDirectory->setText(p.Str("Image Directory"));
  g.edImageRacine->setText(p.Str("Image Racine"));
  g.cbImageDate->setChecked(p.Bool("Image date"));
  auto *options = OptionsFrame->options;
  options->TrackBar1->parentWidget()->setVisible(options->rgExtension->checkedId() == 1);
  g.lbQualite->setText(QString::number(options->TrackBar1->value()));
  // The counter starts at the first picture not yet there, so that a second
  // session does not meet the first one's pictures grab after grab.
  NomImage = ProchainNomImageLibre();
  MajJaugesDisque(true);
  // The video window is made after the actions, so the click is hooked here, once.
  if (videoWindow_ && !g.clicHooked) {
    g.clicHooked = true;
    videoWindow_->installEventFilter(new PreviewClick(this, [this] {
      if (auto *a = Action("saGrab"); a && a->isEnabled()) a->ExecuteInteractive();
    }));
  }
}

void TCaptureForm::SauverPrefsGrab() {
  auto &g = Grab();
  auto &p = *params_;
  p.SetStr("Image Directory", g.edImageDirectory->text());
  p.SetStr("Image Racine", g.edImageRacine->text());
  p.SetBool("Image date", g.cbImageDate->isChecked());
}

void TCaptureForm::saGrabexecute() {
  if (activePanel_ != kGrabPanel) AfficherPanneau(kGrabPanel);
  if (dm_ && dm_->Superposer()) dm_->Superposer()->GrabNext();
  Grab().cadre->hide();
}

void TCaptureForm::acJpgOptionexecute() { OptionsFrame->options->rgExtension->button(1)->click(); }
void TCaptureForm::acBmpOptionexecute() { OptionsFrame->options->rgExtension->button(0)->click(); }

void TCaptureForm::rgExtensionClick() {
  auto *options = OptionsFrame->options;
  const int extension = std::max(0, options->rgExtension->checkedId());
  params_->SetInt("Extension des images", extension);
  options->TrackBar1->parentWidget()->setVisible(extension == 1);
  RecalculerNomImage();
  MajStatusBar();
}

void TCaptureForm::ChoisirDossierImage(const QString &folder) {
  Grab().edImageDirectory->setText(folder);
  params_->SetStr("Image Directory", folder);
  MajJaugesDisque(true);
  RecalculerNomImage();
}

void TCaptureForm::RecalculerNomImage() {
  CompteurImage = std::max(0, CompteurImage - 1);
  NomImage = ProchainNomImage();
}

QString TCaptureForm::ProchainNomImage() {
  auto &g = Grab();
  const int extension = std::max(0, OptionsFrame->options->rgExtension->checkedId());
  const QString name = FormerNomImage(g.edImageDirectory->text(), g.edImageRacine->text(), g.cbImageDate->isChecked(),
                                      DateNoms, CompteurImage, extension);
  ++CompteurImage;
  if (!recorder_->ImageByImage()) {
    const QString file = QFileInfo(name).fileName();
    DossiersFrame->lbNomImage->setText(file);
    ExtraireFrame->lbDestination->setText(file);
  }
  return name;
}

QString TCaptureForm::ProchainNomImageLibre() {
  QString name = ProchainNomImage();
  // Bounded: five digits give 100000 names.
  for (int i = 0; i < 100000 && QFileInfo::exists(name); ++i) name = ProchainNomImage();
  return name;
}

void TCaptureForm::OnGrabReady(int slot) {
  filters::Tvs_Superposer *superposer = dm_ ? dm_->Superposer() : nullptr;
  if (!superposer) return;
  // However this ends, the slot goes back to the ring.
  struct Release {
    filters::Tvs_Superposer *s;
    int slot;
    ~Release() { s->ReleaseSlot(slot); }
  } release{superposer, slot};

  if (recorder_->ImageByImage()) {
    if (auto *control = dm_->ControlFilter()) control->Gate = true;
    recorder_->CountImage();
    return;
  }
  const QImage frame = superposer->GrabSlot(slot);
  if (frame.isNull()) return;
  const QImage copie = frame.convertToFormat(QImage::Format_BGR888);
  QImage desentrelacee;
  if (OptionsFrame->options->cbDeInterlacer->isChecked())
    filters::DesentrelacerImage(copie, desentrelacee);
  else
    desentrelacee = copie;

  const int w = desentrelacee.width(), h = desentrelacee.height();
  int a = w, b = h;
  switch (params_->Byte("Aspect ratio")) {
    case 0:
      if (const filters::Tvs_SceneDetect *dv = superposer->DVSource.load()) {
        const bool wide = dv->Current().Wide;
        a = wide ? 16 : 4;
        b = wide ? 9 : 3;
      } else if (dm_->SourceAspectX() > 0 && dm_->SourceAspectY() > 0) {
        a = dm_->SourceAspectX();
        b = dm_->SourceAspectY();
      }
      break;
    case 1: a = 4, b = 3; break;
    case 2: a = 16, b = 9; break;
    default: break;
  }
  const QSize size = ProportionsImage(w, h, a, b);
  auto &g = Grab();
  g.corrige = size == desentrelacee.size()
                  ? desentrelacee
                  : desentrelacee.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

  const QRect box = BoiteImage(g.corrige.width(), g.corrige.height());
  g.imageBox->setGeometry(box);
  g.imageBox->setPixmap(QPixmap::fromImage(g.corrige));
  g.imageBox->show();
  g.cadre->setGeometry(box);
  g.cadre->show();
  g.cadre->raise();

  SauverImage();
}

void TCaptureForm::SauverImage() {
  if (recorder_->ImageByImage()) return;
  auto &g = Grab();
  if (g.corrige.isNull()) return;
  auto &dialogs = platform::DialogService::Instance();
  auto *options = OptionsFrame->options;
  const QFileInfo info(NomImage);
  if (options->cbConfirmerImage->isChecked() && info.exists()) {
    const auto answer = dialogs.Ask(platform::DlgKind::Warning,
                                    "The image " + info.fileName() +
                                        " exists already. Do you want to replace it?\n"
                                        "If you click on \"All\", then you will no more be prompted for confirmation",
                                    platform::DlgButtons::YesNoAll, this);
    if (answer == platform::DlgAnswer::All) {
      options->cbConfirmerImage->setChecked(false);
    } else if (answer != platform::DlgAnswer::Yes) {
      // The picture is kept; the next grab goes to the next free name.
      NomImage = ProchainNomImageLibre();
      return;
    }
  }
  // An old picture that cannot go to the trash is kept, not written over.
  if (info.exists() && !platform::Recycle(NomImage)) {
    dialogs.Error("The image " + NomImage + " could not be moved to the trash.\nThe new image was not saved.", this);
    return;
  }
  QDir().mkpath(info.absolutePath());
  QString error;
  const int extension = std::max(0, options->rgExtension->checkedId());
  const QByteArray bytes = extension == 1 ? JpegOctets(g.corrige, options->TrackBar1->value(), &error)
                                          : BmpOctets(g.corrige);
  if (bytes.isEmpty() || !EcrireFichier(NomImage, bytes, &error)) {
    dialogs.Error("The image " + NomImage + " could not be saved.\n" + error, this);
    return;
  }
  AjouterSession(NomImage, -1, 1);
  if (IntervalloActif()) notices_->IntervalGrabSaved(NomImage);
  NomImage = ProchainNomImage();
}

}  // namespace vistrel
