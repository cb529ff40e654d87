#include "app/mainform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "actions/uraccourcis.h"
#include "app/panel_fit.h"
#include "app/plaque.h"
#include "app/recorder.h"
#include "app/signal_monitor.h"
#include "app/status_texts.h"
#include "app/systemreport.h"
#include "filters/filterevents.h"
#include "graph/avgraph.h"
#include "platform/dialogs.h"
#include "platform/product.h"
#include "platform/screensaver.h"
#include "settings/settings.h"
#include "ui/fitting.h"
#include "ui/videowindow.h"

namespace vistrel {

namespace {

enum PanelIndex { kSources = 0, kDossiers = 1, kExtraire = 3, kOptions = 5, kHelp = 7 };
constexpr int kPanelMaxChars = 64;

}  // namespace

TCaptureForm::TCaptureForm(QWidget *parent) : QMainWindow(parent) {
  setObjectName("CaptureForm");
  setWindowTitle(QString("%1 by %2").arg(kProductTitle, kMakerName));
  screenSaver_ = std::make_unique<platform::ScreenSaverGuard>();
  params_ = std::make_unique<settings::TparameterList>(settings::SettingsSignature());
  gp_ = std::make_unique<settings::TBrenvikPreferences>();
  gp_->titre = kProductTitle;
  gp_->OnSavePrefs = [this](settings::TBrenvikPreferences &) { SauverPrefs(); };
  recorder_ = std::make_unique<Recorder>();
  ConnectRecorder();

  auto *central = new QWidget(this);
  auto *row = new QHBoxLayout(central);
  auto *panelBar = new QToolBar(central);
  panelBar->setObjectName("PanelBar");
  panelBar->setOrientation(Qt::Vertical);
  panelStack_ = new QStackedWidget(central);
  panelStack_->setObjectName("PanelStack");
  // As wide as the widest panel asks, growing with the window beside the
  // video up to a width where lines would be too long to read.
  panelStack_->setMaximumWidth(kPanelMaxChars * ui::TypicalCharWidth(fontMetrics()));
  BuildPanels(central);

  BuildActions(panelBar);

  videoFrame_ = new QFrame(central);
  videoFrame_->setObjectName("FrameShape");
  // The state colour is painted by the frame shape around the video, not over the whole area.
  videoFrame_->setAutoFillBackground(false);
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
  // The preview shares the frame with the placeholder; only one of them shows.
  // The video window is placed by PlacerVideo, outside the layout.
  videoWindow_ = new ui::VideoWindow(videoFrame_);
  videoWindow_->setObjectName("VideoWindow");
  videoWindow_->hide();

  row->addWidget(panelBar);
  row->addWidget(panelStack_);
  row->addWidget(videoFrame_, 1);
  setCentralWidget(central);
  ConstruireAffichage();
  ConstruireIncrust();
  ConstruireDossiersProgrammes();
  ConstruireCockpit();
  FitPanelFields(*this);
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
  recorder_->SetGraph(dm);
  if (signalMonitor_) signalMonitor_->Attach(recorder_.get(), dm);
  plaque_ = plaque;
  raccourcis_ = raccourcis;
  ConnectShortcutsWindow();
  if (dm_) {
    dm_->SetVideoWindow(static_cast<ui::VideoWindow *>(videoWindow_));
    if (!filterEvents_) filterEvents_ = MakeFilterEvents();
    dm_->SetFilterEvents(filterEvents_.get());
    // A DivX capture from a DV camcorder previews at half size while it runs.
    connect(dm_, &Tdm::VideoLabelChanged, this, [this](const QString &text) {
      if (lbVideo) lbVideo->setText(text);
    });
  }
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
  ConstruireCamescopes();
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
  ChargerPrefsDisplay();
  ChargerPrefsDossiersProgrammes();
  ChargerPrefsRecording();
  ChargerPrefsIncrust();
  ChargerPrefsGrab();
  ChargerPrefsCockpit();
  ChargerPrefsCamescopes();
}

void TCaptureForm::SauverPrefs() {
  auto &p = *params_;
  if (settings::StoreMode == 2) return;  // "none": nothing is kept
  p.SetByte("Active panel", static_cast<quint8>(activePanel_));
  OptionsFrame->options->SaveToParameters();
  CopierSourcesDansPrefs();
  SauverPrefsDisplay();
  SauverPrefsRecording();
  SauverPrefsDossiersProgrammes();
  SauverPrefsGrab();
  SauverPrefsCockpit();
  SauverPrefsCamescopes();
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
  LoadPlugins(params_->Str("Plugins Dir"));
  ChargerSourcesExclues();
  const bool driversOk = ChargerDrivers();
  TraitementPossible = true;
  RelanceDifferee = true;
  ActiverVideo(params_->Str("Source video"));
  ActiverAudio(params_->Str("Audio source"));
  ActiverFormatCapture(params_->Byte("Capture Format"));
  RelanceDifferee = false;
  AppliquerPrefsDisplayDifferees();
  if (dm_) dm_->LancerGraphe();
  AppliquerNotifier(params_->Bool("Notifier"));
  FocusCapture();
  if (!driversOk) ErreurDemarrage = "impossible to change the video sources\n";
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
  for (const auto &[text, usable] : PluginLines()) facts.plugins.push_back({text, usable});
  HelpFrame->report->setHtml(SystemReportHtml(facts));
}

void TCaptureForm::closeEvent(QCloseEvent *e) {
  // A close by the user (the window's button, the Quit action) asks before
  // it ends a recording or an armed schedule; one asked for by a command
  // file or a signal does not.
  const QString question = status::CloseQuestion(etat_);
  if (!closed_ && !question.isEmpty() && (e->spontaneous() || quitAsked_) &&
      platform::DialogService::Instance().Ask(platform::DlgKind::Confirmation, question, platform::DlgButtons::YesNo,
                                              this) != platform::DlgAnswer::Yes) {
    e->ignore();
    return;
  }
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
    recorder_->Close();
    LibererSources();
    dm_->ClearGraph();
  }
  FermerCamescopes();
  if (raccourcis_) raccourcis_->hide();
}

}  // namespace vistrel
