// Preview display modes: the display widgets, the actions' binding, the
// settings at start and at save, the status text and the start-up error panel.
// Layout, ratio and full screen are in mainform_display_layout.cpp; lock,
// inlay, flips, volume and freezes in mainform_display_modes.cpp.
#include <QCheckBox>
#include <QHBoxLayout>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "actions/superaction.h"
#include "app/display_state.h"
#include "filters/vs_superposer.h"
#include "graph/avgraph.h"
#include "sources/avsources.h"
#include "settings/settings.h"
#include "ui/videowindow.h"

namespace vistrel {

namespace {

// Runs an action's handler the way a click would, enabled or not: start-up
// restores and key presses in full screen must not be lost to a disabled state.
void Executer(TCustomSuperAction *a) {
  if (!a) return;
  if (auto *t = qobject_cast<TtoggleAction *>(a)) t->SetChecked(t->Checked());
  if (a->AutoCheck) a->SetPlainChecked(!a->Checked());
  if (ActionHandler handler = a->OnExecute) handler(a);
}

const char *const kActionBar[] = {"tafullscreen", "saRatioNormal", "saRatio4x3", "saRatio16x9",     "saRatioNatif",
                                  "taLock",       "taIncruster",   "acVertFlip", "acHorzFlip",      "acSliders",
                                  "taMute",       "taFreezepreview", "taFreezeCapture", "acReduire", "acBasculerPanneau"};

}  // namespace

TCaptureForm::DisplayState &TCaptureForm::Disp() {
  if (!display_) display_ = new DisplayState(this);
  return *display_;
}

int TCaptureForm::VideoOffset() const { return display_ ? display_->videoOffset : 0; }

void TCaptureForm::ConstruireAffichage() {
  auto &d = Disp();
  auto *central = centralWidget();
  auto *row = qobject_cast<QHBoxLayout *>(central->layout());
  d.rowMargins = row->contentsMargins();

  // The video area above the row of buttons.
  d.videoColumn = new QWidget(central);
  d.videoColumn->setObjectName("VideoColumn");
  auto *column = new QVBoxLayout(d.videoColumn);
  column->setContentsMargins(0, 0, 0, 0);
  row->removeWidget(videoFrame_);
  videoFrame_->setParent(d.videoColumn);
  column->addWidget(videoFrame_, 1);
  // The sound meter lies under the picture, in the part the reduced window keeps.
  d.meter = new ui::LevelMeter(d.videoColumn);
  column->addWidget(d.meter);
  d.buttonRow = new QWidget(d.videoColumn);
  d.buttonRow->setObjectName("ButtonRow");
  auto *buttons = new QHBoxLayout(d.buttonRow);
  buttons->setContentsMargins(0, 0, 0, 0);
  d.lbVolume = new QLabel("Volume", d.buttonRow);
  d.volume = new QSlider(Qt::Horizontal, d.buttonRow);
  d.volume->setObjectName("sbVolume");
  d.volume->setRange(0, display::kVolumeMax);
  d.volume->setSingleStep(100);
  d.volume->setPageStep(display::kVolumeStep);
  d.volume->setFixedWidth(160);
  d.gauge = new QProgressBar(d.buttonRow);
  d.gauge->setObjectName("tgVolume");
  d.gauge->setRange(0, 100);
  d.gauge->setFormat("%v %");
  d.gauge->setFixedWidth(80);
  buttons->addStretch(1);
  buttons->addWidget(d.lbVolume);
  buttons->addWidget(d.volume);
  buttons->addWidget(d.gauge);
  buttons->addStretch(1);
  column->addWidget(d.buttonRow);
  row->addWidget(d.videoColumn, 1);

  d.actionBar = new QToolBar(central);
  d.actionBar->setObjectName("ActionBar");
  d.actionBar->setOrientation(Qt::Vertical);
  d.actionBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  // A fixed width: the toggles' captions change and must not move the layout.
  d.actionBar->setFixedWidth(150);
  for (const char *name : kActionBar)
    if (auto *a = Action(name)) d.actionBar->addAction(a);
  row->addWidget(d.actionBar);

  // Shape, sliders and their corner live on the video area, placed by PlacerVideo.
  d.shape = new display::FrameShape(videoFrame_);
  d.shape->setGeometry(videoFrame_->rect());
  d.shape->lower();
  d.sliderX = new QSlider(Qt::Horizontal, videoFrame_);
  d.sliderX->setObjectName("sbIncrustX");
  d.sliderX->setRange(0, 970);
  d.sliderX->setValue(900);
  d.sliderY = new QSlider(Qt::Vertical, videoFrame_);
  d.sliderY->setObjectName("sbIncrustY");
  d.sliderY->setRange(0, 930);
  d.sliderY->setValue(100);
  d.corner = new QToolButton(videoFrame_);
  d.corner->setObjectName("btnSlidersCorner");
  for (QWidget *w : {static_cast<QWidget *>(d.sliderX), static_cast<QWidget *>(d.sliderY),
                     static_cast<QWidget *>(d.corner)}) {
    w->setAutoFillBackground(true);  // the state colour, from the video area
    w->hide();
  }
  d.erreur = new display::TErreurFrame(videoFrame_);
  static_cast<ui::VideoWindow *>(videoWindow_)->StretchToWindow = true;

  videoFrame_->installEventFilter(new display::ResizeWatcher(&d, [this] {
    if (VideoConnectee()) DimensionnerWithRatio();
    else display_->shape->setGeometry(videoFrame_->rect());
  }));
  // The sliders' change handlers belong to the Inlay panel (ConstruireIncrust).
  connect(d.corner, &QToolButton::clicked, this, [this] {
    if (auto *a = Action("acSliders")) a->ExecuteInteractive();
  });
  connect(d.volume, &QSlider::valueChanged, this, [this](int v) {
    params_->SetInt("Volume", v);
    AppliquerVolume();
  });
  connect(this, &TCaptureForm::sourcesChanged, this, &TCaptureForm::SurSourcesChangees);
  connect(this, &TCaptureForm::startupFinished, this, &TCaptureForm::AfficherErreurDemarrage);
  // The reduced window shows no panels: a double click on the picture, or
  // its context menu, brings them back with the mouse alone.
  if (auto *reduce = Action("acReduire")) {
    videoWindow_->setContextMenuPolicy(Qt::ActionsContextMenu);
    videoWindow_->addAction(reduce);
    connect(static_cast<ui::VideoWindow *>(videoWindow_), &ui::VideoWindow::DoubleClicked, this, [reduce] {
      if (reduce->Checked()) reduce->ExecuteInteractive();
    });
  }
}

void TCaptureForm::BindDisplayActions() {
  BindAction("acBasculerPanneau", &TCaptureForm::acBasculerPanneauexecute);
  BindAction("acReduire", &TCaptureForm::acReduireexecute);
  BindAction("tafullscreen", &TCaptureForm::tafullscreenTrueExecute, &TCaptureForm::tafullscreenfalseExecute);
  BindAction("saExitFullScreen", &TCaptureForm::saExitFullScreenexecute);
  BindAction("saRatioNormal", &TCaptureForm::saRatioNormalexecute);
  BindAction("saRatio4x3", &TCaptureForm::saRatio4x3execute);
  BindAction("saRatio16x9", &TCaptureForm::saRatio16x9execute);
  BindAction("saRatioNatif", &TCaptureForm::saRatioNatifexecute);
  BindAction("taLock", &TCaptureForm::taLockTrueExecute, &TCaptureForm::taLockfalseExecute);
  BindAction("taIncruster", &TCaptureForm::taIncrusterTrueExecute, &TCaptureForm::taIncrusterfalseExecute);
  BindAction("acVertFlip", &TCaptureForm::acVertFlipexecute);
  BindAction("acHorzFlip", &TCaptureForm::acHorzFlipexecute);
  BindAction("acSliders", &TCaptureForm::acSlidersexecute);
  BindAction("taMute", &TCaptureForm::taMuteTrueExecute, &TCaptureForm::taMutefalseExecute);
  BindAction("acIncVolume", &TCaptureForm::acIncVolumeexecute);
  BindAction("acDecVolume", &TCaptureForm::acDecVolumeexecute);
  BindAction("taFreezepreview", &TCaptureForm::taFreezepreviewTrueExecute, &TCaptureForm::taFreezepreviewfalseExecute);
  BindAction("taFreezeCapture", &TCaptureForm::taFreezeCaptureTrueExecute, &TCaptureForm::taFreezeCapturefalseExecute);
  // Reduce and the flips keep their own on/off state, inverted before their handler runs.
  for (const char *name : {"acReduire", "acVertFlip", "acHorzFlip"})
    if (auto *a = Action(name)) a->AutoCheck = true;
}

void TCaptureForm::ChargerPrefsDisplay() {
  auto &p = *params_;
  auto &d = Disp();
  if (dm_ && !d.dmHooked) {
    d.dmHooked = true;
    // Some sources state their size only once frames flow.
    connect(dm_, &Tdm::VideoFactsChanged, this, &TCaptureForm::DimensionnerWithRatio);
    connect(dm_, &Tdm::SoundLevelMeasured, d.meter, [meter = d.meter](const media::SoundLevels &l) {
      meter->SetLevels(std::vector<double>(l.peakDb.begin(), l.peakDb.begin() + l.channels),
                       std::vector<double>(l.rmsDb.begin(), l.rmsDb.begin() + l.channels));
    });
  }
  // "Allow inlay": without it the inlay and flip actions are not offered.
  auto *allow = OptionsFrame->options->cbActiverSuperposition;
  auto applyAllow = [this](bool on) {
    for (const char *name : {"taIncruster", "acVertFlip", "acHorzFlip", "acSliders"})
      if (auto *a = Action(name)) a->setVisible(on);
    if (dm_ && dm_->Superposer()) dm_->Superposer()->SetAllowInlay(on);
  };
  if (!d.allowHooked) {
    d.allowHooked = true;
    connect(allow, &QCheckBox::toggled, this, applyAllow);
  }
  applyAllow(allow->isChecked());

  DisposerFenetre();
  d.volume->setValue(p.Int("Volume"));
  AppliquerVolume();
  if (p.Bool("Fullscreen On")) Executer(Action("tafullscreen"));
  if (p.Bool("Reduced on")) Executer(Action("acReduire"));
  if (p.Bool("Mute On")) Executer(Action("taMute"));
  if (auto *a = Action("taFreezepreview")) {
    a->SetChecked(!p.Bool("Freeze Preview"));
    Executer(a);
  }
  if (auto *a = Action("taFreezeCapture")) {
    a->SetChecked(!p.Bool("Freeze Capture"));
    Executer(a);
  }
}

void TCaptureForm::AppliquerPrefsDisplayDifferees() {
  auto &p = *params_;
  if (p.Bool("Want vert Flip")) {
    p.SetBool("Want vert Flip", false);
    Executer(Action("acVertFlip"));
  }
  if (p.Bool("Want Horz flip")) {
    p.SetBool("Want Horz flip", false);
    Executer(Action("acHorzFlip"));
  }
  if (p.Bool("Want Incrust") && !Action("taIncruster")->Checked()) Executer(Action("taIncruster"));
  if (p.Bool("Preview Locked")) {
    // Run from the unlocked state, as at the first start, so that the table is applied.
    Action("taLock")->SetChecked(false);
    Executer(Action("taLock"));
  }
  // A full screen restored before any source existed is shown now that one does.
  if (Action("tafullscreen")->Checked() && VideoConnectee() && !BackdropShown()) {
    MontrerPlaque(true);
    DimensionnerWithRatio();
  }
}

void TCaptureForm::SauverPrefsDisplay() {
  auto &p = *params_;
  p.SetBool("EcranGauche", VideoOffset() == 0);
  p.SetInt("Volume", Disp().volume->value());
  auto checked = [this](const char *name) { return Action(name) && Action(name)->Checked(); };
  p.SetBool("Fullscreen On", checked("tafullscreen"));
  p.SetBool("Reduced on", checked("acReduire"));
  p.SetBool("Mute On", checked("taMute"));
  p.SetBool("Want Incrust", checked("taIncruster"));
  p.SetBool("Want vert Flip", checked("acVertFlip"));
  p.SetBool("Want Horz flip", checked("acHorzFlip"));
  p.SetBool("Preview Locked", checked("taLock"));
  p.SetBool("Freeze Preview", checked("taFreezepreview"));
  p.SetBool("Freeze Capture", checked("taFreezeCapture"));
  // WideScreen and IncrustRec are kept up to date in the parameters as they change.
}

void TCaptureForm::SurSourcesChangees() {
  auto &d = Disp();
  // A new DV source starts at 4:3 until its frames say otherwise.
  const void *video = dm_ ? dm_->CurrentVideoDevice() : nullptr;
  if (video != d.lastVideo) {
    d.lastVideo = video;
    d.dvWide = false;
  }
  if (VideoConnectee()) DimensionnerWithRatio();
  else d.shape->setGeometry(videoFrame_->rect());
  // Full screen follows the picture: nothing to show without one.
  if (Action("tafullscreen") && Action("tafullscreen")->Checked() && !closed_) {
    if (!VideoConnectee() && BackdropShown()) MontrerPlaque(false);
    else if (VideoConnectee() && !BackdropShown() && !demarrageEnCours_) {
      MontrerPlaque(true);
      DimensionnerWithRatio();
    }
  }
  const bool slidersOn = Action("acSliders") && Action("acSliders")->Checked() && VideoConnectee();
  for (QWidget *w : {static_cast<QWidget *>(d.sliderX), static_cast<QWidget *>(d.sliderY),
                     static_cast<QWidget *>(d.corner)})
    w->setVisible(slidersOn);
  // The lock table is applied once the whole change is over (a box change
  // activates a source and then the format), and never from inside itself.
  if (d.inLock || d.lockQueued || demarrageEnCours_ || RelanceDifferee) return;
  d.lockQueued = true;
  QTimer::singleShot(0, this, [this] {
    display_->lockQueued = false;
    if (!closed_ && !RelanceDifferee) AppliquerVerrou(VerrouActif());
  });
}

void TCaptureForm::AfficherErreurDemarrage() {
  if (ErreurDemarrage.isEmpty()) return;
  auto &d = Disp();
  d.lbVolume->hide();
  d.gauge->hide();
  d.erreur->move(16, 16);
  d.erreur->setMaximumWidth(std::max(200, videoFrame_->width() - 32));
  d.erreur->Afficher(ErreurDemarrage);
}

void TCaptureForm::OnDvRatioChanged(bool wide) {
  Disp().dvWide = wide;
  const bool dvVideo = dm_ && dm_->CurrentVideoDevice() && dm_->CurrentVideoDevice()->Device &&
                       dm_->CurrentVideoDevice()->Device->Kind == sources::DeviceKind::DV;
  if (!VideoConnectee() || dvVideo) DimensionnerWithRatio();
}

}  // namespace vistrel
