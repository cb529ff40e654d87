#include "app/mainform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "actions/uraccourcis.h"
#include "app/plaque.h"
#include "app/systemreport.h"
#include "graph/avgraph.h"
#include "platform/product.h"
#include "platform/screensaver.h"
#include "settings/settings.h"

namespace vistrel {

namespace {

struct PanelActionInfo {
  const char *name;
  const char *caption;
  QKeySequence key;
};

// Captions and primary keys of the actions that show each panel, in panel order.
const std::array<PanelActionInfo, kPanelCount> kPanelActions = {{
    {"acSourcesFrame", "Sources panel", QKeySequence(Qt::Key_F2)},
    {"acDossiersFrame", "Folders panel", QKeySequence(Qt::ALT | Qt::Key_D)},
    {"acProgrammerFrame", "Schedule panel", QKeySequence(Qt::ALT | Qt::Key_P)},
    {"acExtraireFrame", "Grab panel", QKeySequence(Qt::ALT | Qt::Key_G)},
    {"acIncrusterFrame", "Inlay panel", QKeySequence(Qt::ALT | Qt::Key_I)},
    {"acOptionsFrame", "Settings panel", QKeySequence(Qt::Key_F10)},
    {"saListeFrame", "List Panel", QKeySequence(Qt::ALT | Qt::Key_L)},
    {"acHelp", "Help panel", QKeySequence(Qt::Key_F1)},
    {"acApropos", "About panel...", QKeySequence(Qt::ALT | Qt::Key_A)},
}};

enum PanelIndex { kSources = 0, kDossiers = 1, kExtraire = 3, kOptions = 5, kHelp = 7 };

}  // namespace

TCaptureForm::TCaptureForm(QWidget *parent) : QMainWindow(parent) {
  setObjectName("CaptureForm");
  setWindowTitle(QString("%1 by %2").arg(kProductTitle, kMakerName));
  screenSaver_ = std::make_unique<platform::ScreenSaverGuard>();
  params_ = std::make_unique<settings::TparameterList>(settings::SettingsSignature());
  gp_ = std::make_unique<settings::TBrenvikPreferences>();
  gp_->titre = kProductTitle;
  gp_->OnSavePrefs = [this](settings::TBrenvikPreferences &) { SauverPrefs(); };

  auto *central = new QWidget(this);
  auto *row = new QHBoxLayout(central);
  auto *panelBar = new QToolBar(central);
  panelBar->setOrientation(Qt::Vertical);
  panelStack_ = new QStackedWidget(central);
  panelStack_->setFixedWidth(266);
  BuildPanels(central);

  for (int i = 0; i < kPanelCount; ++i) {
    auto *a = new QAction(kPanelActions[i].caption, this);
    a->setObjectName(kPanelActions[i].name);
    a->setCheckable(true);
    a->setShortcut(kPanelActions[i].key);
    connect(a, &QAction::triggered, this, [this, i] { AfficherPanneau(i); });
    panelActions_[i] = a;
    panelBar->addAction(a);
  }
  acNextPanneau = new QAction("Next panel", this);
  acNextPanneau->setObjectName("acNextPanneau");
  acNextPanneau->setShortcut(Qt::Key_F6);
  connect(acNextPanneau, &QAction::triggered, this, [this] { AfficherPanneau((activePanel_ + 1) % kPanelCount); });
  acQuitter = new QAction("Quit", this);
  acQuitter->setObjectName("acQuitter");
  acQuitter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(acQuitter, &QAction::triggered, this, &QWidget::close);
  acOuvrirDossierVideos = new QAction("Open the folder of captured videos", this);
  acOuvrirDossierVideos->setObjectName("acOuvrirDossierVideos");
  addActions({acNextPanneau, acQuitter, acOuvrirDossierVideos});
  panelBar->addAction(acNextPanneau);

  videoFrame_ = new QFrame(central);
  videoFrame_->setObjectName("FrameShape");
  videoFrame_->setAutoFillBackground(true);
  videoFrame_->setMinimumSize(384, 288);
  auto *videoLayout = new QVBoxLayout(videoFrame_);
  videoLayout->setContentsMargins(12, 12, 12, 12);
  noVideo_ = new QLabel("No selected video", videoFrame_);
  noVideo_->setAlignment(Qt::AlignCenter);
  noVideo_->setAutoFillBackground(true);
  QPalette np = noVideo_->palette();
  np.setColor(QPalette::Window, Qt::black);
  np.setColor(QPalette::WindowText, Qt::lightGray);
  noVideo_->setPalette(np);
  videoLayout->addWidget(noVideo_);

  row->addWidget(panelBar);
  row->addWidget(panelStack_);
  row->addWidget(videoFrame_, 1);
  setCentralWidget(central);

  for (auto &label : statusPanels_) {
    label = new QLabel(this);
    statusBar()->addWidget(label, 1);
  }
  resize(1003, 661);
}

TCaptureForm::~TCaptureForm() {
  // The screen saver is switched back on only if it was on when we started.
  if (screenSaver_) screenSaver_->Restore();
}

void TCaptureForm::BuildPanels(QWidget *host) {
  SourcesFrame = new TSourcesFrame(host);
  DossiersFrame = new TDossiersFrame(host);
  ProgrammerFrame = new TProgrammerFrame(host);
  ExtraireFrame = new TExtraireFrame(host);
  IncrusterFrame = new TIncrusterFrame(host);
  OptionsFrame = new TOptionsHost(*params_, host);
  ListeFrame = new TListeFrame(host);
  HelpFrame = new THelpFrame(host);
  AproposFrame = new TAproposFrame(host);
  panels_ = {SourcesFrame, DossiersFrame, ProgrammerFrame, ExtraireFrame, IncrusterFrame,
             OptionsFrame, ListeFrame, HelpFrame, AproposFrame};
  for (auto *p : panels_) panelStack_->addWidget(p);

  // Labels that lead from one panel to the panel where their value is set.
  connect(DossiersFrame->lbNomVideo, &ClickLabel::clicked, this, [this] { AfficherPanneau(kSources); });
  connect(ExtraireFrame->lbDestination, &ClickLabel::clicked, this, [this] { AfficherPanneau(kDossiers); });
  connect(SourcesFrame->lbNomVideo, &ClickLabel::clicked, this, [this] { AfficherPanneau(kDossiers); });
  connect(DossiersFrame->lbNomImage, &ClickLabel::clicked, this, [this] { AfficherPanneau(kExtraire); });
  connect(SourcesFrame->btnFormatSettings, &QPushButton::clicked, this,
          [this] { ShowSettingsPageForFormat(SourcesFrame->cbFormatCapture->currentText()); });

  // The store chosen on the Settings panel and the preference component follow each other.
  auto *options = OptionsFrame->options;
  gp_->OnChangeMode = [options](settings::TSavePreferences mode) { options->SetStoreModeIndex(int(mode)); };
  connect(options, &settings::TOptionsFrame::storeModeChanged, this,
          [this](int mode) { gp_->SetMode(static_cast<settings::TSavePreferences>(mode)); });
  connect(options, &settings::TOptionsFrame::saveRequested, this, &TCaptureForm::SauverPrefs);
}

void TCaptureForm::ShowSettingsPageForFormat(const QString &formatName) {
  int page = 4;
  if (formatName == "Wmv") page = 1;
  else if (formatName == "divx" || formatName == "mp3") page = 2;
  OptionsFrame->SetPage(page);
  AfficherPanneau(kOptions);
}

void TCaptureForm::Attach(Tdm *dm, Tplaque *plaque, TRaccourcisForm *raccourcis) {
  dm_ = dm;
  plaque_ = plaque;
  raccourcis_ = raccourcis;
}

TPanelFrame *TCaptureForm::Panel(int n) const { return n >= 0 && n < kPanelCount ? panels_[n] : nullptr; }
QAction *TCaptureForm::PanelAction(int n) const { return n >= 0 && n < kPanelCount ? panelActions_[n] : nullptr; }

void TCaptureForm::AfficherPanneau(int n) {
  if (n < 0 || n >= kPanelCount) return;
  panelActions_[activePanel_]->setChecked(false);
  activePanel_ = n;
  if (n == kHelp) HelpFrame->pages->setCurrentIndex(0);
  panelStack_->setCurrentIndex(n);
  panels_[n]->show();
  panels_[n]->raise();
  panelActions_[n]->setChecked(true);
}

void TCaptureForm::SetInterfacePreview() {
  etat_ = esPreview;
  PaintFrame();
}

void TCaptureForm::PaintFrame() {
  const QColor buttonFace = palette().color(QPalette::Button);
  QPalette p = videoFrame_->palette();
  p.setColor(QPalette::Window, CouleurEtat(etat_, false, buttonFace));
  videoFrame_->setPalette(p);
  if (plaque_) plaque_->SetFrameColour(CouleurEtat(etat_, true, buttonFace));
}

void TCaptureForm::showEvent(QShowEvent *e) {
  QMainWindow::showEvent(e);
  if (shown_) return;
  shown_ = true;
  FormShow();
}

void TCaptureForm::FormShow() {
  noVideo_->show();
  ChargerPrefs1();
  gp_->FormShown();
  SetInterfacePreview();
  // The rest of the start-up waits for the first idle moment, once the window is up.
  QTimer::singleShot(0, this, &TCaptureForm::AppEventsIdle);
}

void TCaptureForm::ChargerPrefs1() {
  auto &p = *params_;
  settings::CreateAndLoadSettings(p);
  AfficherPanneau(p.Byte("Active panel"));
  DateNoms = QDateTime::currentDateTime();
  auto *options = OptionsFrame->options;
  options->LoadFromParameters();
  options->Populate();
}

void TCaptureForm::SauverPrefs() {
  auto &p = *params_;
  if (settings::StoreMode == 2) return;  // "none": nothing is kept
  p.SetByte("Active panel", static_cast<quint8>(activePanel_));
  OptionsFrame->options->SaveToParameters();
  settings::SaveSettings(p);
}

void TCaptureForm::AppEventsIdle() {
  if (startupDone_ || closed_) return;
  // The codec and profile lists of the Settings panel.
  {
    auto &p = *params_;
    auto *options = OptionsFrame->options;
    options->SelectWmvVersion(p.Int("Version wmv"));
    options->SelectPreferredProfile(p.Str("Preferred  wmv profile"));
  }
  // Devices, sources and the saved sources and format come up here.
  SetSystem();
  // Whatever failed above, the session runs with the screen saver off and start-up ends.
  screenSaver_->Disable();
  demarrageEnCours_ = false;
  startupDone_ = true;
  emit startupFinished();
}

void TCaptureForm::SetSystem() {
  SystemFacts facts = ReadSystemFacts();
  for (int i = 0; i < HelpFrame->sourceList->count(); ++i) {
    const auto *item = HelpFrame->sourceList->item(i);
    facts.sources.push_back({item->text(), item->checkState() == Qt::Checked});
  }
  HelpFrame->report->setHtml(SystemReportHtml(facts));
}

void TCaptureForm::ArreterGraphe() {
  // A running capture is recorded in the session list by the recording code once it exists.
  if (dm_) dm_->StopGraph();
}

void TCaptureForm::closeEvent(QCloseEvent *e) {
  // Where to keep the settings is asked before anything is torn down, so that
  // declining the question leaves a working window rather than a stopped one.
  if (!closed_ && !gp_->Finished() && !gp_->FormCloseQuery()) {
    e->ignore();
    return;
  }
  FormCloseQuery();
  e->accept();
}

void TCaptureForm::FormCloseQuery() {
  if (closed_) return;
  closed_ = true;
  if (plaque_) plaque_->hide();
  if (dm_) {
    ArreterGraphe();
    dm_->ClearGraph();
  }
  if (raccourcis_) raccourcis_->hide();
}

}  // namespace vistrel
