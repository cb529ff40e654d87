// The main window's actions: the list `al` in lookup order, their handlers, the
// command line and command files, the shortcuts window and the persistent actions.
#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <cstdio>

#include "actions/persistentactions.h"
#include "actions/script.h"
#include "actions/superaction.h"
#include "actions/uraccourcis.h"
#include "app/mainform.h"
#include "app/source_choices.h"
#include "app/sourcesstate.h"
#include "app/window_placement.h"
#include "platform/dialogs.h"
#include "platform/shell.h"
#include "settings/brenvikprefs.h"
#include "settings/settings.h"

namespace vistrel {

struct TCaptureForm::ActionsState : QObject {
  using QObject::QObject;
  TActionList list;
  TBKActionList manager, bk;
  std::unique_ptr<TSwitch> switch1;
  std::unique_ptr<TScript> script1;
  QString scriptFile;
};

namespace {

enum Kind { kAction, kToggle };

// The shortcuts window may be made this short to stay clear of the capture
// buttons: a dozen rows of its list still show.
constexpr int kLeastShortcutsHeight = 300;

struct ActionRow {
  const char *name;
  Kind kind;
  const char *category, *caption, *key, *extra, *switchName, *token;
};

// The program's actions in lookup order: a name reaches the first row whose switch or
// token it is ("fc" is the switch of both taFreezeCapture and saFormatCapture).
constexpr ActionRow kActions[] = {
    {"saGrab", kAction, "action", "Grab!", "F5", "CTRL+G", "g", "grab"},
    {"tafullscreen", kToggle, "action", "Put Full screen", "Alt+Return", "", "fs", "full_screen"},
    {"acOptionsFrame", kAction, "frame", "Settings panel", "F10", "ALT+O", "of", "options_frame"},
    {"acDossiersFrame", kAction, "frame", "Folders panel", "Alt+D", "", "df", "directories_frame"},
    {"acProgrammerFrame", kAction, "frame", "Schedule panel", "Alt+P", "", "pf", "program_frame"},
    {"acExtraireFrame", kAction, "frame", "Grab panel", "Alt+G", "", "gf", "grab_frame"},
    {"acIncrusterFrame", kAction, "frame", "Inlay panel", "Alt+I", "", "if", "inlay_frame"},
    {"acQuitter", kAction, "general", "Quit", "Alt+F4", "CTRL+Q", "q", "quit"},
    {"acApropos", kAction, "frame", "About panel...", "Alt+A", "", "af", "about_frame"},
    {"acCouper", kAction, "action", "Cut", "F7", "CTRL+X", "k", "cut"},
    {"acProgrammerBascule", kAction, "action", "Schedule", "Ctrl+P", "", "p", "program"},
    {"acJpgOption", kAction, "Options", "Jpg", "Ctrl+J", "", "j", "jpeg"},
    {"acBmpOption", kAction, "Options", "Bmp", "Ctrl+B", "", "b", "bmp"},
    {"acBasculerPanneau", kAction, "frame", "Mirror the window", "Alt+W", "", "w", "switch"},
    {"acNextPanneau", kAction, "frame", "Next panel", "F6", "ALT+N", "nf", "next_frame"},
    {"acHelp", kAction, "frame", "Help panel", "F1", "ALT+H", "hf", "help_frame"},
    {"acReduire", kAction, "frame", "Reduce", "Alt+Backspace", "", "r", "reduce"},
    {"acSourcesFrame", kAction, "frame", "Sources panel", "F2", "ALT+S", "sf", "sources_frame"},
    {"cam_PlayPause", kToggle, "camera", "camera PlayPause", "Ins", "", "x", "play"},
    {"cam_Stop", kAction, "camera", "camera Stop", "Ctrl+End", "", "s", "stop"},
    {"cam_AvanceLent", kAction, "camera", "camera Advance Slow", "Ctrl+Right", "", "as", "advance_slow"},
    {"cam_AvanceRapide", kAction, "camera", "camera Advance Fast", "Ctrl+Down", "", "ff", "fast_forward"},
    {"cam_ReculeLent", kAction, "camera", "camera Back Slow", "Ctrl+Left", "", "bs", "back_slow"},
    {"cam_ReculeRapide", kAction, "camera", "camera Back Fast", "Ctrl+Up", "", "bf", "back_fast"},
    {"saCapturerBascule", kAction, "action", "Capture", "Ctrl+Space", "", "c", "capture"},
    {"acShowVideoPilotDV", kAction, "action", "", "", "", "pv", "pilot_video"},
    {"acVertFlip", kAction, "action", "Flip vertically", "F4", "", "vf", "vertical_flip"},
    {"acQuorrel", kAction, "action", "Quorrel", "F8", "", "qr", "quorrel"},
    {"acOuvrirDossierVideos", kAction, "action", "Open the folder of captured videos", "Alt+V", "", "v", "open_folder"},
    {"acIncVolume", kAction, "action", "Increase the volume", "Num++", "", "iv", "inc_volume"},
    {"acDecVolume", kAction, "action", "Decrease the volume", "Num+-", "", "dv", "dec_volume"},
    {"acSliders", kAction, "frame", "Display the sliders", "Alt+Y", "", "ss", "sliders"},
    {"acHorzFlip", kAction, "action", "Flip horizontally", "Shift+F4", "", "zf", "horizontal_flip"},
    {"acShowAudioPilotDV", kAction, "action", "", "", "", "pa", "pilot_audio"},
    {"cam_Toggle", kAction, "camera", "camera Toggle", "Ctrl+Home", "", "ct", "cameras_toggle"},
    {"saExitFullScreen", kAction, "action", "Abort", "Esc", "", "ef", "exit_fullscreen"},
    {"taraccourcis", kToggle, "Brenvik", "Display the shortcuts", "F11", "", "o", "shortcuts"},
    {"taDecalage", kToggle, "Brenvik", "", "", "", "dh", "decalage"},
    {"taFreezepreview", kToggle, "Brenvik", "Resume the preview", "F3", "", "fp", "freeze_preview"},
    {"taFreezeCapture", kToggle, "Brenvik", "Freeze the capture", "Space", "", "fc", "freeze_capture"},
    {"taIncruster", kToggle, "action", "Inlay", "F12", "", "i", "inlay"},
    {"taLock", kToggle, "Brenvik", "Preview exact copy", "F9", "", "l", "lock"},
    {"saListeFrame", kAction, "frame", "List Panel", "Alt+L", "", "lf", "liste_frame"},
    {"taMute", kToggle, "action", "Turn sound off", "Ctrl+M", "", "m", "mute"},
    {"saRatioNormal", kAction, "Brenvik", "Image normal", "Alt+F8", "", "rn", "ratio_normal"},
    {"saRatioNatif", kAction, "Brenvik", "Image native", "Alt+F7", "", "rf", "ratio_natif"},
    {"saRatio16x9", kAction, "Brenvik", "Image 16x9", "Alt+F6", "", "rw", "ratio_16x9"},
    {"saRatio4x3", kAction, "Brenvik", "Image 4x3", "Alt+F5", "", "rs", "ratio_4x3"},
    {"cam_Play", kAction, "camera", "camera Play", "Ctrl+Ins", "", "cp", "camera_play"},
    {"cam_Pause", kAction, "camera", "camera Pause", "Ctrl+Del", "", "co", "camera_pause"},
    {"saIntervallo", kAction, "Brenvik", "Toggle intervalometer", "Pause", "", "it", "intervalometer"},
    {"saScript", kAction, "Brenvik", "Launch script", "", "", "", ""},
    {"saSourceVideo", kAction, "select", "Video source", "", "", "sv", "source_video"},
    {"saSourceAudio", kAction, "select", "Audio source", "", "", "sa", "source_audio"},
    {"saFormatCapture", kAction, "select", "Capture Format", "", "", "fc", "format_capture"},
};

struct ToggleCaptions {
  const char *name, *trueCaption, *falseCaption;
  bool autoCheck;
};

constexpr ToggleCaptions kToggles[] = {
    {"tafullscreen", "Leave Full screen", "Put Full screen", false},
    {"taraccourcis", "Hide the shortcuts", "Display the shortcuts", false},
    {"taDecalage", "Hide the time difference", "Add a time difference", false},
    {"taFreezepreview", "Freeze the preview", "Resume the preview", true},
    {"taFreezeCapture", "Freeze the capture", "Resume the capture", true},
    {"taIncruster", "Stop Inlay", "Inlay", false},
    {"taLock", "Free preview", "Preview exact copy", false},
    {"taMute", "Turn sound on", "Turn sound off", false},
    {"cam_PlayPause", "camera PlayPause", "camera PlayPause", false},
};

struct Handlers {
  const char *name;
  TCaptureForm::Method execute, falseExecute, prepare;  // a toggle's execute is its checked-state one
};

// Actions whose feature exists; every other action is listed but stays disabled.
constexpr Handlers kHandlers[] = {
    {"acSourcesFrame", &TCaptureForm::acSourcesFrameexecute, nullptr, nullptr},
    {"acDossiersFrame", &TCaptureForm::acDossiersFrameexecute, nullptr, nullptr},
    {"acProgrammerFrame", &TCaptureForm::acProgrammerFrameexecute, nullptr, nullptr},
    {"acExtraireFrame", &TCaptureForm::acExtraireFrameexecute, nullptr, nullptr},
    {"acIncrusterFrame", &TCaptureForm::acIncrusterFrameexecute, nullptr, nullptr},
    {"acOptionsFrame", &TCaptureForm::acOptionsFrameexecute, nullptr, nullptr},
    {"saListeFrame", &TCaptureForm::saListeFrameexecute, nullptr, nullptr},
    {"acHelp", &TCaptureForm::acHelpexecute, nullptr, nullptr},
    {"acApropos", &TCaptureForm::acAproposexecute, nullptr, nullptr},
    {"acNextPanneau", &TCaptureForm::acNextPanneauexecute, nullptr, nullptr},
    {"acQuitter", &TCaptureForm::acQuitterexecute, nullptr, nullptr},
    {"acOuvrirDossierVideos", &TCaptureForm::acOuvrirDossierVideosexecute, nullptr, nullptr},
    {"taraccourcis", &TCaptureForm::taraccourcisTrueExecute, &TCaptureForm::taraccourcisfalseExecute,
     &TCaptureForm::taraccourcisprepare},
    {"saScript", &TCaptureForm::saScriptexecute, nullptr, &TCaptureForm::saScriptprepare},
    {"saSourceVideo", &TCaptureForm::saSourceVideoexecute, nullptr, &TCaptureForm::saSourceVideoprepare},
    {"saSourceAudio", &TCaptureForm::saSourceAudioexecute, nullptr, &TCaptureForm::saSourceAudioprepare},
    {"saFormatCapture", &TCaptureForm::saFormatCaptureexecute, nullptr, &TCaptureForm::saFormatCaptureprepare},
};

// Panel order of the stacked panels, as AfficherPanneau numbers them.
constexpr const char *kPanelActionNames[kPanelCount] = {
    "acSourcesFrame", "acDossiersFrame", "acProgrammerFrame", "acExtraireFrame", "acIncrusterFrame",
    "acOptionsFrame", "saListeFrame",    "acHelp",            "acApropos"};

settings::PrefRect RectOf(const QRect &r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

}  // namespace

void TCaptureForm::BindAction(const char *name, Method exec, Method falseExec, Method prep) {
  TCustomSuperAction *a = Action(name);
  if (!a) return;
  a->setEnabled(true);
  if (auto *t = qobject_cast<TtoggleAction *>(a)) {
    t->OnTrueExecute = [this, exec](TCustomSuperAction *) { (this->*exec)(); };
    t->OnfalseExecute = [this, falseExec](TCustomSuperAction *) {
      if (falseExec) (this->*falseExec)();
    };
  } else {
    a->OnExecute = [this, exec](TCustomSuperAction *) { (this->*exec)(); };
  }
  if (prep) a->Onprepare = [this, prep](TCustomSuperAction *) { (this->*prep)(); };
}

void TCaptureForm::BuildActions(QWidget *panelBar) {
  actions_ = new ActionsState(this);
  al = &actions_->list;
  for (const ActionRow &row : kActions) {
    TCustomSuperAction *a = row.kind == kToggle ? new TtoggleAction(this) : new TSuperAction(this);
    a->setObjectName(row.name);
    a->SetCategory(row.category);
    a->setText(row.caption);
    a->setShortcut(QKeySequence::fromString(row.key, QKeySequence::PortableText));
    if (*row.extra) a->SetSecondaryShortcuts({row.extra});
    a->SetSwitch(row.switchName);
    a->SetToken(row.token);
    a->setEnabled(false);
    al->Add(a);
    addAction(a);
  }
  for (const ToggleCaptions &t : kToggles) {
    auto *a = static_cast<TtoggleAction *>(Action(t.name));
    a->TrueCaption = t.trueCaption;
    a->FalseCaption = t.falseCaption;
    a->AutoCheck = t.autoCheck;
  }
  for (const Handlers &h : kHandlers) BindAction(h.name, h.execute, h.falseExecute, h.prepare);
  BindRecordingActions();
  BindGrabActions();
  BindCockpitActions();
  BindDisplayActions();
  BindCamcorderActions();
  // A toggle starts in the state its first caption belongs to (taDecalage: checked).
  for (auto *a : al->Actions())
    if (auto *t = qobject_cast<TtoggleAction *>(a))
      t->SetChecked(a->objectName() == u"taDecalage" || (!a->text().isEmpty() && a->text() == t->TrueCaption &&
                                                          t->TrueCaption != t->FalseCaption));

  auto *bar = qobject_cast<QToolBar *>(panelBar);
  for (int i = 0; i < kPanelCount; ++i) {
    panelActions_[i] = Action(kPanelActionNames[i]);
    panelActions_[i]->setCheckable(true);
    if (bar) bar->addAction(panelActions_[i]);
  }
  acNextPanneau = Action("acNextPanneau");
  acQuitter = Action("acQuitter");
  acOuvrirDossierVideos = Action("acOuvrirDossierVideos");
  if (bar) bar->addAction(acNextPanneau);

  actions_->switch1 = std::make_unique<TSwitch>(al);
  actions_->script1 = std::make_unique<TScript>(al);
  actions_->switch1->MainWindow = this;
  actions_->script1->MainWindow = this;
  Switch1 = actions_->switch1.get();
  Script1 = actions_->script1.get();
  // The window may never become active (offscreen, an unfocused start): the end of
  // the deferred start-up stands for the first activation, so switches always run.
  connect(this, &TCaptureForm::startupFinished, this,
          [this] { QTimer::singleShot(0, this, &TCaptureForm::RunCommandLineAndScript); });
  BuildPersistentActions();
}

TCustomSuperAction *TCaptureForm::Action(const QString &objectName) const {
  if (!al) return nullptr;
  for (auto *a : al->Actions())
    if (a->objectName() == objectName) return a;
  return nullptr;
}

void TCaptureForm::SetScriptFile(const QString &fileName) { actions_->scriptFile = fileName; }

void TCaptureForm::RunCommandLineAndScript() {
  if (closed_ || Switch1->Done()) return;
  const bool unattended = platform::DialogService::Instance().Unattended().has_value();
  Switch1->StopOnProblem = Script1->StopOnProblem = unattended;
  Switch1->RunCommandLine(commandLine_);
  const QString &file = actions_->scriptFile;
  // Refused switches leave the command file unrun, but what is wrong in it is told too.
  if (!closed_ && !file.isEmpty()) Switch1->Stopped() ? Script1->Check(file) : Script1->Run(file);
  // Nobody is there to see the rest of a run that stopped: it ends, as "quit" would.
  if (!closed_ && (Switch1->Stopped() || Script1->Stopped())) close();
  if (!closed_) emit commandsDone();
}

void TCaptureForm::ConnectShortcutsWindow() {
  if (!raccourcis_ || !al) return;
  raccourcis_->SetActions(al->Actions());
  raccourcis_->CloseAction = Action("taraccourcis");
  raccourcis_->OnSortChanged = [this](int column) { params_->SetByte("Raccourcis Sort", static_cast<quint8>(column)); };
}

void TCaptureForm::BuildPersistentActions() {
  auto &manager = actions_->manager;
  for (const char *page : {"Script", "Help", "About", "Options", "Custom"}) {
    auto *a = new TCheckAction(this);
    a->setObjectName(QString("ca") + page);
    a->ScriptName = page;
    manager.Add(a);
  }
  auto *formSave = new TRectAction(this);
  formSave->setObjectName("raFormSave");
  formSave->ScriptName = "FormSave";
  formSave->ApplyWhenLoad = true;
  formSave->InternalDefault = [this](settings::PrefRect &r) {
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry() : QRect();
    const int left = (screen.width() - width()) / 2, top = (screen.height() - height()) / 2;
    r = {left, top, left + width(), top + height()};
  };
  formSave->InternalSave = [this](settings::PrefRect &r) { r = RectOf(geometry()); };
  formSave->InternalApply = [this](settings::PrefRect &r) {
    // A stored rectangle with no area would leave an invisible window: keep the size.
    // One saved on a larger screen, or at another scale factor, is brought
    // inside this screen's available area.
    const int w = r.Right - r.Left, h = r.Bottom - r.Top;
    const QScreen *s = QGuiApplication::screenAt(QPoint(r.Left + w / 2, r.Top + h / 2));
    if (!s) s = screen();
    const QRect available = s ? s->availableGeometry() : QRect();
    if (w > 0 && h > 0 && w <= 32767 && h <= 32767)
      setGeometry(FitInside({r.Left, r.Top, w, h}, available, minimumSize()));
    else
      move(FitInside(QRect(QPoint(r.Left, r.Top), size()), available).topLeft());
  };
  manager.Add(formSave);
  // The camcorder windows keep their rectangles; they are saved at exit, not applied.
  int number = 1;
  for (const auto &[name, script] : {std::pair{"raCam1", "raCam1"}, std::pair{"raCam2", "Cam2"}}) {
    auto *cam = new TRectAction(this);
    cam->setObjectName(name);
    cam->ScriptName = script;
    cam->OnDefault = [this](settings::PrefRect &r) { r = RectOf(RectangleCamescopeParDefaut()); };
    cam->BeforeSave = [this, number](settings::PrefRect &r) {
      if (const QRect g = RectangleCamescope(number); g.isValid()) r = RectOf(g);
    };
    cam->OnAfterApply = [this, number](settings::PrefRect &r) {
      PlacerCamescope(number, QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top));
    };
    manager.Add(cam);
    ++number;
  }
  auto *mediaType = new TIntegerAction(this);
  mediaType->setObjectName("iaNumMediatype");
  mediaType->ScriptName = "NumMediatype";
  mediaType->ApplyWhenLoad = true;
  mediaType->BeforeSave = [this](qint32 &v) { v = NumMediatype; };
  mediaType->OnAfterApply = [this](qint32 &v) { NumMediatype = v; };
  actions_->bk.Add(mediaType);
  ApplicationManager = &actions_->manager;
  bkal = &actions_->bk;

  gp_->OnLoadPrefs = [this](settings::TBrenvikPreferences &p) {
    LoadAll(*ApplicationManager, p);
    LoadAll(*bkal, p);
  };
  gp_->OnSavePrefs = [this](settings::TBrenvikPreferences &p) {
    SauverPrefs();
    SaveAll(*bkal, p);
    SaveAll(*ApplicationManager, p);
  };
}

void TCaptureForm::acSourcesFrameexecute() { AfficherPanneau(0); }
void TCaptureForm::acDossiersFrameexecute() { AfficherPanneau(1); }
void TCaptureForm::acProgrammerFrameexecute() {
  PreremplirProgrammation();
  AfficherPanneau(2);
}
void TCaptureForm::acExtraireFrameexecute() { AfficherPanneau(3); }
void TCaptureForm::acIncrusterFrameexecute() { AfficherPanneau(4); }
void TCaptureForm::acOptionsFrameexecute() { AfficherPanneau(5); }
void TCaptureForm::saListeFrameexecute() { AfficherPanneau(6); }
void TCaptureForm::acHelpexecute() { AfficherPanneau(7); }
void TCaptureForm::acAproposexecute() { AfficherPanneau(8); }
void TCaptureForm::acNextPanneauexecute() { AfficherPanneau((activePanel_ + 1) % kPanelCount); }
void TCaptureForm::acQuitterexecute() {
  quitAsked_ = true;
  close();
  quitAsked_ = false;
}

void TCaptureForm::taraccourcisprepare() {
  Action("taraccourcis")->SetChecked(raccourcis_ && raccourcis_->isVisible());
}

void TCaptureForm::taraccourcisTrueExecute() {
  if (raccourcis_) raccourcis_->hide();
  Action("taraccourcis")->SetChecked(false);
}

void TCaptureForm::taraccourcisfalseExecute() {
  Action("taraccourcis")->SetChecked(true);
  if (!raccourcis_) return;
  if (raccourcis_->x() < 0) raccourcis_->move(0, raccourcis_->y());
  raccourcis_->SetSortColumn(params_->Byte("Raccourcis Sort"));
  raccourcis_->show();
  // Its first opening puts it beside the main window, or at least clear of
  // its controls; after that it stays where the user put it. Its frame is
  // known once it is shown.
  if (!raccourcis_->property("placed").toBool()) {
    raccourcis_->setProperty("placed", true);
    const QRect available = screen() ? screen()->availableGeometry() : QRect();
    const QSize frame = raccourcis_->frameGeometry().size() - raccourcis_->size();
    const QRect placed = PlaceToolWindow(raccourcis_->frameGeometry().size(), frameGeometry(), available,
                                         ControlsToKeepClear(this), kLeastShortcutsHeight);
    raccourcis_->move(placed.topLeft());
    raccourcis_->resize(placed.size() - frame);
  }
  raccourcis_->raise();
  raccourcis_->activateWindow();
}

void TCaptureForm::saScriptprepare() {
  // An unattended run has nobody to pick a file.
  if (platform::DialogService::Instance().Unattended()) {
    ActionGo() = false;
    return;
  }
  const QString file = QFileDialog::getOpenFileName(this, "Launch script", QString(), "*.txt (*.txt)");
  if (file.isEmpty()) ActionGo() = false;
  else ActionParameters() = QStringList{file};
}

void TCaptureForm::saScriptexecute() { Script1->Run(ActionParameter()); }

void TCaptureForm::saSourceVideoprepare() { ActionParameters() = QStringList{SourcesFrame->cboxvideo->currentText()}; }
void TCaptureForm::saSourceVideoexecute() {
  const QString name = ActionParameter();
  if (const QString absent = AbsentVideoSource(Src().catalog.get(), name); !absent.isEmpty())
    return TellParameterProblem(absent);
  // The formats follow the picture as they do a pick in the box; the sound stays
  // the one the commands chose.
  ActiverVideo(name);
  ActiverFormatCapture(
      FormatAfterVideoChange(params_->Byte("Capture Format"), WantedFormat(), VideoConnectee(), VerrouActif()));
}

void TCaptureForm::saSourceAudioprepare() { ActionParameters() = QStringList{SourcesFrame->cboxAudio->currentText()}; }
void TCaptureForm::saSourceAudioexecute() {
  const QString name = ActionParameter();
  if (const QString absent = AbsentAudioSource(Src().catalog.get(), name); !absent.isEmpty())
    return TellParameterProblem(absent);
  ActiverAudio(name);
  ActiverFormatCapture(FormatAfterAudioChange(params_->Byte("Capture Format"), AudioConnectee(), VerrouActif()));
}

void TCaptureForm::saFormatCaptureprepare() {
  ActionParameters() = QStringList{SourcesFrame->cbFormatCapture->currentText()};
}

void TCaptureForm::saFormatCaptureexecute() {
  QString problem;
  const int format = OfferedFormatNamed(ActionParameter(), FormatsOffered(), &problem);
  if (format < 0) return TellParameterProblem(problem);
  cbFormatCaptureClick(format);
}

}  // namespace vistrel
