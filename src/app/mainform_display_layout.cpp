// Preview display modes, geometry: panels left or right, the reduced window,
// the display ratio, the fitted video rectangle and full screen.
#include <QButtonGroup>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include "actions/superaction.h"
#include "app/display_state.h"
#include "app/plaque.h"
#include "graph/avgraph.h"
#include "platform/product.h"
#include "settings/optionsframe.h"
#include "settings/settings.h"
#include "sources/avsources.h"

namespace vistrel {

namespace {

// Two parts of the width to the panels for three to the video, each at
// least its minimum.
constexpr int kPanelStretch = 2, kVideoStretch = 3;

void CheckGroup(QButtonGroup *group, int id) {
  if (!group) return;
  if (QAbstractButton *b = group->button(id)) b->setChecked(true);
}

}  // namespace

void TCaptureForm::DisposerFenetre() {
  auto &d = Disp();
  const bool gauche = params_->Bool("EcranGauche");
  d.videoOffset = gauche ? 0 : 266;
  auto *row = qobject_cast<QHBoxLayout *>(centralWidget()->layout());
  auto *panelBar = findChild<QToolBar *>("PanelBar");
  if (!row || !panelBar) return;
  // EcranGauche: video at the left, the panels and their toolbar at the right.
  const std::array<QWidget *, 4> order =
      gauche ? std::array<QWidget *, 4>{d.actionBar, d.videoColumn, panelStack_, panelBar}
             : std::array<QWidget *, 4>{panelBar, panelStack_, d.videoColumn, d.actionBar};
  for (QWidget *w : order) row->removeWidget(w);
  // The video and the panels share what the window has beyond their minimums.
  for (int i = 0; i < int(order.size()); ++i)
    row->insertWidget(i, order[i],
                      order[i] == d.videoColumn ? kVideoStretch
                      : order[i] == panelStack_ ? kPanelStretch
                                                : 0);
  row->activate();
  DimensionnerWithRatio();
}

void TCaptureForm::acBasculerPanneauexecute() {
  params_->SetBool("EcranGauche", !params_->Bool("EcranGauche"));
  // A reduced window keeps its layout until it is restored.
  if (!Action("acReduire")->Checked()) DisposerFenetre();
}

void TCaptureForm::acReduireexecute() {
  auto &d = Disp();
  auto *a = Action("acReduire");
  auto *row = centralWidget()->layout();
  const bool reduce = a->Checked();  // already inverted
  for (QWidget *w : {static_cast<QWidget *>(findChild<QToolBar *>("PanelBar")), static_cast<QWidget *>(panelStack_),
                     static_cast<QWidget *>(d.actionBar), d.buttonRow, static_cast<QWidget *>(statusBar())})
    if (w) w->setVisible(!reduce);
  if (reduce) {
    d.beforeReduce = geometry();
    const QSize area = videoFrame_->size() + QSize(0, d.meter->height() + d.videoColumn->layout()->spacing());
    row->setContentsMargins(0, 0, 0, 0);
    resize(area);
    a->setText("Restore");
    setWindowTitle(dm_ && dm_->CurrentVideoDevice() ? dm_->CurrentVideoDevice()->Name
                                                    : SourcesFrame->cboxvideo->currentText());
  } else {
    row->setContentsMargins(d.rowMargins);
    DisposerFenetre();
    // The window comes back at the size it had, not at a fixed one that may hide the panels.
    if (d.beforeReduce.isValid()) resize(d.beforeReduce.size());
    a->setText("Reduce");
    setWindowTitle(QString("%1 by %2").arg(kProductTitle, kMakerName));
  }
}

void TCaptureForm::ChoisirRatio(int aspect) {
  params_->SetByte("Aspect ratio", quint8(aspect));
  DimensionnerWithRatio();
}

void TCaptureForm::saRatioNormalexecute() { ChoisirRatio(display::kNormal); }
void TCaptureForm::saRatio4x3execute() { ChoisirRatio(display::k4x3); }
void TCaptureForm::saRatio16x9execute() { ChoisirRatio(display::k16x9); }
void TCaptureForm::saRatioNatifexecute() { ChoisirRatio(display::kNative); }

void TCaptureForm::DimensionnerWithRatio() {
  if (!VideoConnectee()) return;
  auto *options = OptionsFrame->options;
  display::RatioInput in;
  in.aspect = params_->Byte("Aspect ratio");
  const auto *device = dm_->CurrentVideoDevice()->Device;
  in.dvSource = device && device->Kind == sources::DeviceKind::DV;
  in.dvWide = Disp().dvWide;
  in.aspectX = dm_->SourceAspectX();
  in.aspectY = dm_->SourceAspectY();
  in.width = dm_->SourceWidth();
  in.height = dm_->SourceHeight();
  if (in.aspect == display::kNormal) CheckGroup(options->rgRatioDivX, 0);
  const QSize ratio = display::DisplayRatio(in);
  PlacerVideo(ratio.width(), ratio.height());
  CheckGroup(options->rgDVRatio, display::IsWide(ratio) ? 1 : 0);
}

void TCaptureForm::PlacerVideo(int a, int b) {
  auto &d = Disp();
  if (BackdropShown()) {
    plaque_->SetVideoRect(display::FitRect(plaque_->rect().adjusted(12, 12, -12, -12), a, b));
    return;
  }
  const QRect r = display::FitRect(videoFrame_->rect().adjusted(16, 16, -16, -16), a, b);
  videoWindow_->setGeometry(r);
  d.shape->setGeometry(r.adjusted(-12, -12, 12, 12));
  const int right = r.x() + r.width(), bottom = r.y() + r.height();
  d.sliderY->setGeometry(right - 6, r.y() - 8, 12, r.height() + 16);
  d.sliderX->setGeometry(r.x() - 8, bottom - 6, r.width() + 16, 12);
  d.corner->setGeometry(right - 6, bottom - 6, 12, 12);
  d.shape->lower();
  for (QWidget *w : {static_cast<QWidget *>(d.sliderX), static_cast<QWidget *>(d.sliderY),
                     static_cast<QWidget *>(d.corner), static_cast<QWidget *>(d.erreur)})
    w->raise();
}

bool TCaptureForm::BackdropShown() const {
  return plaque_ && plaque_->isVisible() && plaque_->Video() == videoWindow_;
}

void TCaptureForm::MontrerPlaque(bool on) {
  if (!plaque_) return;
  auto &d = Disp();
  if (!d.plaqueHooked) {
    d.plaqueHooked = true;
    connect(plaque_, &Tplaque::resized, this, [this] {
      if (BackdropShown()) DimensionnerWithRatio();
    });
    // The keys that leave full screen work while the backdrop has the focus.
    for (const char *name : {"saExitFullScreen", "tafullscreen"})
      if (auto *a = Action(name)) plaque_->addAction(a);
  }
  if (on) {
    if (QScreen *screen = QGuiApplication::primaryScreen()) plaque_->setGeometry(screen->geometry());
    plaque_->TakeVideo(videoWindow_);
    plaque_->showMaximized();
    plaque_->raise();
  } else {
    plaque_->ReturnVideo();
    plaque_->hide();
    videoWindow_->setVisible(VideoConnectee());
  }
}

void TCaptureForm::tafullscreenfalseExecute() {
  Action("tafullscreen")->SetChecked(true);
  if (!VideoConnectee()) return;
  MontrerPlaque(true);
  DimensionnerWithRatio();
}

void TCaptureForm::tafullscreenTrueExecute() {
  Action("tafullscreen")->SetChecked(false);
  MontrerPlaque(false);
  DimensionnerWithRatio();
}

void TCaptureForm::saExitFullScreenexecute() {
  auto *full = Action("tafullscreen");
  if (!full->Checked()) return;
  // Escape must leave full screen even when the picture went away meanwhile.
  full->SetChecked(true);
  if (ActionHandler handler = full->OnExecute) handler(full);
}

}  // namespace vistrel
