#pragma once
// The main window and the program's controller: controller state, the nine side
// panels, the start-up in three steps (creation, show, first idle) and the close path.
#include <QAction>
#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QStackedWidget>
#include <QStringList>
#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "app/camtransport.h"
#include "app/etatcapture.h"
#include "app/incrusterframe.h"
#include "app/panels.h"
#include "app/schedule_clock.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QMenu;

namespace vistrel {

class Tdm;
class Recorder;
class DesktopNotices;
class SignalMonitor;
class TCamescopes;
class Tplaque;
class TRaccourcisForm;
namespace platform { class ScreenSaverGuard; }
namespace filters {
class FilterEvents;
class Tvs_SceneDetect;
}  // namespace filters
namespace sessionlist { class TFichierListbox; }
namespace ui {
class VideoWindow;
}
namespace sources { class TCaptureDevice; }
namespace settings {
class TparameterList;
class TBrenvikPreferences;
}  // namespace settings

inline constexpr int kPanelCount = 9;

class TCaptureForm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TCaptureForm(QWidget *parent = nullptr);  // FormCreate
  ~TCaptureForm() override;

  // The objects created after the main window; the controller drives them.
  void Attach(Tdm *dm, Tplaque *plaque, TRaccourcisForm *raccourcis);

  // Command-line switches left after the program options, run at the first activation.
  void SetCommandLine(const QStringList &switches) { commandLine_ = switches; }
  QStringList CommandLine() const { return commandLine_; }

  void AfficherPanneau(int n);
  int ActivePanel() const { return activePanel_; }
  TPanelFrame *Panel(int n) const;
  QAction *PanelAction(int n) const;

  EtatCapture Etat() const { return etat_; }
  void SetInterfacePreview();

  bool DemarrageEnCours() const { return demarrageEnCours_; }
  bool StartupDone() const { return startupDone_; }
  void SetSystem();

  // Settings into the controls at show, and back into the settings when saving.
  void ChargerPrefs1();
  void SauverPrefs();
  settings::TparameterList &Parameters() { return *params_; }
  settings::TBrenvikPreferences &Preferences() { return *gp_; }

  // Panels and actions, named as the controller's handlers refer to them.
  TSourcesFrame *SourcesFrame;
  TDossiersFrame *DossiersFrame;
  TProgrammerFrame *ProgrammerFrame;
  TExtraireFrame *ExtraireFrame;
  TIncrusterFrame *IncrusterFrame;
  TOptionsHost *OptionsFrame;
  TListeFrame *ListeFrame;
  THelpFrame *HelpFrame;
  TAproposFrame *AproposFrame;
  QAction *acNextPanneau, *acQuitter, *acOuvrirDossierVideos;

  // Source activation (mainform_sources.cpp).
  // Rebuilds the device and source lists and the two source boxes; false on an error.
  bool ChargerDrivers();
  // Select and connect a source by its box text; true when connected or none asked.
  bool ActiverVideo(const QString &name);
  bool ActiverAudio(const QString &name);
  // Fills the format box for the current sources and selects `format` (a capture format code).
  void ActiverFormatCapture(int format);
  void ActualiserVideoBtnClick();  // source refresh
  void DeviceChangeNotification();  // the platform says device nodes changed
  // `deviceName`: the graph name of the source that raised the error, when known.
  void GraphDeviceLost(const QString &deviceName = QString());
  void cboxVideoChange();
  // After the user's choice of picture: the sound that goes with it.
  void AccorderAudio();
  void cboxAudioChange();
  // The user's choice of a format, in the box or by a command.
  void cbFormatCaptureClick(int format);
  // The capture formats the connected sources offer, in box order.
  QList<int> FormatsOffered() const;
  // The code of the format the user last chose, -1 when none.
  int WantedFormat() const;
  void SourcesFramecbEntriesChange();
  // The sound card's inputs into the entry box, the one it records from selected.
  void RemplirEntrees(const sources::TCaptureDevice *device);
  // Stops the graph and takes both current sources out fully (close, teardown).
  void LibererSources();
  // The source settings into the parameters when saving.
  void CopierSourcesDansPrefs();
  // Start-up step 2's share: the saved unchecked names into the Help panel's list.
  void ChargerSourcesExclues();
  // Hooks or unhooks GraphDeviceLost according to `Notifier`.
  void AppliquerNotifier(bool notifier);
  bool VideoConnectee() const;
  bool AudioConnectee() const;
  bool VerrouActif() const;
  QWidget *VideoWindow() const { return videoWindow_; }
  QLabel *lbVideo = nullptr, *lbAudio = nullptr;
  QString ErreurDemarrage;  // for the error panel at the end of start-up
  // The video and audio groups' settings buttons: stop, take the source out
  // and offer the device's dialogs; the source comes back when the menu closes.
  void VideoSettingsMenuPopup();
  void AudioSettingsMenuPopup();
  QPushButton *btnVideoSettings = nullptr, *btnAudioSettings = nullptr;
  QPushButton *ActualiserVideoSpeedBtn = nullptr;  // the source refresh
  // The WMV profiles of the Settings panel's box, rebuilt at every opening.
  QMenu *pmProfiles = nullptr;
  void pmProfilesPopup();
  // The boxes or the connected sources changed (the lock table is applied again).
  Q_SIGNAL void sourcesChanged();
  // Loads the capture plug-ins of the folder; they take over devices from the next ChargerDrivers.
  void LoadPlugins(const QString &folder);
  // "<driver> in <file>" and whether the plug-in is usable, for the system report.
  std::vector<std::pair<QString, bool>> PluginLines();
  // End of source activation.

  // Actions, switches and command files (mainform_actions.cpp).
  // The action list `al` (lookup order), its two runners and the persistent actions.
  class TActionList *al = nullptr;
  class TSwitch *Switch1 = nullptr;
  class TScript *Script1 = nullptr;
  class TBKActionList *ApplicationManager = nullptr, *bkal = nullptr;
  class TCustomSuperAction *Action(const QString &objectName) const;
  // Enables the action and binds its handlers (a toggle's `exec` runs for its
  // checked state, `falseExec` for the unchecked one).
  using Method = void (TCaptureForm::*)();
  void BindAction(const char *name, Method exec, Method falseExec = nullptr, Method prep = nullptr);
  // Run right after the command line (--script=FILE).
  void SetScriptFile(const QString &fileName);
  void RunCommandLineAndScript();
  int NumMediatype = 0;  // the media-type choice kept by iaNumMediatype
  // Handlers, named after their actions.
  void acSourcesFrameexecute();
  void acDossiersFrameexecute();
  void acProgrammerFrameexecute();
  void acExtraireFrameexecute();
  void acIncrusterFrameexecute();
  void acOptionsFrameexecute();
  void saListeFrameexecute();
  void acHelpexecute();
  void acAproposexecute();
  void acNextPanneauexecute();
  void acQuitterexecute();
  void acOuvrirDossierVideosexecute();
  void taraccourcisprepare();
  void taraccourcisTrueExecute();
  void taraccourcisfalseExecute();
  void saScriptprepare();
  void saScriptexecute();
  void saSourceVideoprepare();
  void saSourceVideoexecute();
  void saSourceAudioprepare();
  void saSourceAudioexecute();
  void saFormatCaptureprepare();
  void saFormatCaptureexecute();
  // End of actions.

  // Recording (mainform_recording.cpp, recording_controls.cpp): the Capture
  // button and Cut ask the user and hand over to the recorder; file names,
  // the capture state's controls.
  void BindRecordingActions();
  void ChargerPrefsRecording();   // at show, after the settings are loaded
  void SauverPrefsRecording();    // into the parameters when saving
  void saCapturerBasculeexecute();
  void acCouperexecute();
  bool DemarrerCapture();
  bool ArreterCapture();
  // Stops the graph; a file being written is finished (a source change).
  void ArreterGraphe();
  // The stop finished the file but the sources did not start again; `dire`
  // tells the user (a caller that explains the failure itself says no).
  void EchecArret(bool dire = true);
  void EtatCaptureManuelle();
  // The recording, with no widget of its own.
  Recorder &Recording() const { return *recorder_; }
  // Where the next recording goes (the one being written during a capture).
  QString NomVideo() const;
  // The Folders panel's video file group and the Sources panel's images-per-second box.
  QGroupBox *gbFichierVideo = nullptr;
  QLineEdit *leVideoDirectory = nullptr, *leVideoRacine = nullptr, *leFramerate = nullptr;
  QCheckBox *cbVideoDate = nullptr;
  QPushButton *btnVideoDirectory = nullptr;
  // Handlers that only recompute the current name (the counter does not advance).
  void VideoDirectoryChange();
  void VideoRacineExit();
  void cbVideoDateClick();
  void FramerateExit();
  // A capture's file was finished and entered in the session list.
  Q_SIGNAL void captureRecorded(const QString &file, int dropped, int notDropped);
  // End of recording.

 private:
  // Recording, private part.
  void ConnectRecorder();
  // The Folders panel's fields into the names, and the name into both panels.
  void NamesFromFields();
  void ShowVideoName();
  void AppliquerControlesEtat();
  void MajCaptureAction();
  // Free space before a start: refused under the disk reserve, asked under the
  // low-disk threshold.
  bool EspaceSuffisant(const QString &file);
  // Enters a controller state: frame colour and the controls of that state.
  void PasserEtat(EtatCapture etat);
  std::unique_ptr<Recorder> recorder_;
  // Silence and stalled picture during a capture; shown in the status bar.
  SignalMonitor *signalMonitor_ = nullptr;
  // End of recording, private part.

 public:
  // Still grab and the session list (mainform_grab.cpp, mainform_liste.cpp).
  void BindGrabActions();
  void ChargerPrefsGrab();
  void SauverPrefsGrab();
  void saGrabexecute();
  void acJpgOptionexecute();
  void acBmpOptionexecute();
  // A grabbed frame waits in the superposer's ring (message 0x0401).
  void OnGrabReady(int slot);
  QString ProchainNomImage();
  // The next name whose file does not exist yet.
  QString ProchainNomImageLibre();
  void SauverImage();
  // Adds a written file to the List panel with the four source box texts.
  void AjouterSession(const QString &file, int dropped, int captured);
  // The Folders panel's image settings changed: a new name, same counter.
  void ChoisirDossierImage(const QString &folder);
  void RecalculerNomImage();
  void rgExtensionClick();
  // The List panel's disk gauges; `maxima` also sets their ranges from the drives.
  void MajJaugesDisque(bool maxima);
  void MajJaugeCPU();
  sessionlist::TFichierListbox *FichierListbox() const;
  struct GrabState;
  struct ListeState;
  GrabState &Grab() const { return *grab_; }
  ListeState &Liste() const { return *liste_; }
  // End of still grab and session list.

  // The recording cockpit: the Capture, Cut, Grab and Schedule buttons
  // (mainform_cockpit.cpp), the schedule (mainform_schedule.cpp), the
  // intervalometer (mainform_interval.cpp) and the status bar (mainform_status.cpp).
  void ConstruireCockpit();  // once, after the display widgets
  void BindCockpitActions();
  void ChargerPrefsCockpit();
  void SauverPrefsCockpit();
  // Start-up: the Capture button takes the focus when it can act.
  void FocusCapture();
  TScheduleClock &Horloge();
  void acProgrammerBasculeexecute();
  bool ValiderProgrammation();
  bool ProgrammerFin();
  void AnnulerAlarme();
  void lancerEnregistrement();
  void stopperEnregistrement();
  void RXDebutClic();
  void RXFinClic();
  void ProgrammerFrame1NowBtnClick();
  // The Schedule panel's fields from the current time, unless a schedule is armed.
  void PreremplirProgrammation();
  void EtatAttente();
  void EtatCaptureProgrammee();
  void ExtraireFrame1RxSwitch1Click();
  void saIntervalloexecute();
  bool IntervalloActif() const;
  // Whole seconds before the next interval shot (message 0x0402).
  void OnCountdown(int seconds);
  // The video source went away: a running intervalometer is armed again and waits.
  void IntervalloSansVideo(bool noVideo);
  // The status texts of the state just entered.
  void MajStatusEtat();
  // Every 300 ms: duration and counters of a running capture, camcorder windows.
  void DroppedActionTimer();
  // The camcorder windows' time code and date.
  void RafraichirCamescopes();
  // Texts 0, 1, 1b, 2 and 3 of the status bar.
  QString StatusText(int index) const;
  struct CockpitState;
  CockpitState &Cockpit() const { return *cockpit_; }

 private:
  CockpitState *cockpit_ = nullptr;
  void ConstruireProgrammation();
  void ConstruireIntervallo();
  void ConstruireStatusBar();
  void RepeindreStatus();
  QString TexteSourcesCapture() const;

 public:
  // End of the recording cockpit.

  // Preview display modes (mainform_display.cpp).
  void BindDisplayActions();
  void ChargerPrefsDisplay();     // layout, panel, volume, full screen, reduced, mute, freezes
  void AppliquerPrefsDisplayDifferees();  // flips, inlay and lock once the sources are active
  void SauverPrefsDisplay();
  void DisposerFenetre();
  void DimensionnerWithRatio();
  void AppliquerVerrou(bool locked);
  void AppliquerIncrust();
  void AppliquerVolume();
  // The DV frames turned 16:9 or back (message 0x0403).
  void OnDvRatioChanged(bool wide);
  void MajStatusBar();
  // The video window at the largest a:b rectangle of its area (or of the screen in full screen).
  void PlacerVideo(int a, int b);
  void acBasculerPanneauexecute();
  void acReduireexecute();
  void tafullscreenTrueExecute();
  void tafullscreenfalseExecute();
  void saExitFullScreenexecute();
  void saRatioNormalexecute();
  void saRatio4x3execute();
  void saRatio16x9execute();
  void saRatioNatifexecute();
  void taLockTrueExecute();
  void taLockfalseExecute();
  void taIncrusterTrueExecute();
  void taIncrusterfalseExecute();
  void acVertFlipexecute();
  void acHorzFlipexecute();
  void acSlidersexecute();
  void taMuteTrueExecute();
  void taMutefalseExecute();
  void acIncVolumeexecute();
  void acDecVolumeexecute();
  void taFreezepreviewTrueExecute();
  void taFreezepreviewfalseExecute();
  void taFreezeCaptureTrueExecute();
  void taFreezeCapturefalseExecute();
  // The frame holding the video window and the sliders (its inner area is 16 pixels in).
  QWidget *VideoArea() const { return videoFrame_; }
  // 0 with the panels at the right, 266 with them at the left.
  int VideoOffset() const;
  bool BackdropShown() const;

 private:
  struct DisplayState;
  DisplayState &Disp();
  void ConstruireAffichage();  // the display widgets, once, from the constructor
  void SurSourcesChangees();
  void AppliquerFlips();
  void AfficherErreurDemarrage();
  void MontrerPlaque(bool on);
  void ChoisirRatio(int aspect);
  DisplayState *display_ = nullptr;

 public:
  // End of preview display modes.

  // The Inlay panel's links and the time difference (mainform_incrust.cpp).
  void ConstruireIncrust();   // once the sliders exist
  void ChargerPrefsIncrust();
  void taDecalageprepare();
  void taDecalageTrueExecute();
  void taDecalagefalseExecute();
  // The volume and freeze keys give way while a template field is typed in.
  void RaccourcisTexte(bool typing);
  // The Folders panel's program and plug-in fields (mainform_folders.cpp).
  void ConstruireDossiersProgrammes();
  void ChargerPrefsDossiersProgrammes();
  void SauverPrefsDossiersProgrammes();
  void QuorrelChange(const QString &file);
  void PluginsDirChange(const QString &folder);
  QLineEdit *leQuorrel = nullptr, *lePluginsDir = nullptr;
  QPushButton *btnQuorrel = nullptr, *btnPluginsDir = nullptr;

  // Camcorder control (mainform_camcorders.cpp): the two windows, created at
  // show, and the camera actions aimed at the active one.
  void ConstruireCamescopes();
  void BindCamcorderActions();
  void ChargerPrefsCamescopes();
  void SauverPrefsCamescopes();
  void FermerCamescopes();
  // The Sources panel's camcorder buttons and the windows' visibility for the current sources.
  void MajBoutonsCamescopes();
  TCamescopes *Camescopes() const;
  QRect RectangleCamescope(int number) const;
  QRect RectangleCamescopeParDefaut() const;
  void PlacerCamescope(int number, const QRect &r);
  void CommandeCamescope(CamCommande commande);
  void cam_Playexecute();
  void cam_Pauseexecute();
  void cam_Stopexecute();
  void cam_AvanceLentexecute();
  void cam_AvanceRapideexecute();
  void cam_ReculeLentexecute();
  void cam_ReculeRapideexecute();
  void cam_PlayPauseexecute();
  void cam_Toggleexecute();
  void acShowVideoPilotDVexecute();
  void acShowAudioPilotDVexecute();
  void acQuorrelexecute();
  QPushButton *btnCamVideo = nullptr, *btnCamAudio = nullptr;

  QString NomImage;
  int CompteurImage = 0;
  QDateTime DateNoms;
  bool TraitementPossible = false;
  bool RelanceDifferee = false;
  QStringList SourcesExclues;

 signals:
  void startupFinished();
  // The command line and the command file have run (the window is still open).
  void commandsDone();
  // The controller state changed (Etat()).
  void etatChanged();

 protected:
  void showEvent(QShowEvent *e) override;
  void closeEvent(QCloseEvent *e) override;

 private:
  // Source activation, private part.
  struct SourcesState;
  SourcesState &Src();
  // `awaited`: the chosen device is away; the video window says so.
  void AfficherNoVideo(bool noVideo, const QString &awaited = QString());
  void AfficherAudio(bool visible);
  void RemplirListeSources();
  void RafraichirSources(bool withSystemReport, const QString &lostDevice = QString());
  // One refresh after `delayMs`, however many ask before it runs (held
  // back while a capture runs).
  void DemanderRafraichissement(int delayMs);
  // The device watch's reports on a chosen device.
  void DeviceGone(const QString &name, const QDateTime &when);
  void DeviceBack(const QString &name);
  QString LabelVideo() const;
  QString LabelAudio() const;
  void PreparerMenusReglages();
  void SettingsMenuPopup(bool video);
  void OuvrirReglage(bool video, const QString &item);
  void ChoisirFormatPreview(sources::TCaptureDevice &device);
  void ChoisirFormatAudio(sources::TCaptureDevice &device);
  SourcesState *src_ = nullptr;      // a child object, built on first use
  QStringList pendingUnticked_;      // saved unchecked names, until the lists exist
  QWidget *videoWindow_ = nullptr;   // the preview's video window
  // End of source activation, private part.

  // Still grab and session list, private part (child objects built with the actions).
  void ConstruireGrab();
  void ConstruireListe();
  GrabState *grab_ = nullptr;
  ListeState *liste_ = nullptr;
  // End of still grab and session list, private part.

  // Actions, private part.
  struct ActionsState;
  void BuildActions(QWidget *panelBar);
  void BuildPersistentActions();
  void ConnectShortcutsWindow();
  ActionsState *actions_ = nullptr;  // a child object owning the lists and runners
  // End of actions, private part.

  std::unique_ptr<filters::FilterEvents> MakeFilterEvents();
  std::unique_ptr<filters::FilterEvents> filterEvents_;  // outlives the graph module
  void FormShow();
  void AppEventsIdle();
  void FormCloseQuery();
  void BuildPanels(QWidget *host);
  void PaintFrame();
  void ShowSettingsPageForFormat(const QString &formatName);
  QList<std::pair<QAction *, QKeySequence>> raccourcisSuspendus_;

  Tdm *dm_ = nullptr;
  DesktopNotices *notices_ = nullptr;  // a child object, made before the recorder's other listeners
  TCamescopes *camescopes_ = nullptr;
  Tplaque *plaque_ = nullptr;
  TRaccourcisForm *raccourcis_ = nullptr;
  QStackedWidget *panelStack_ = nullptr;
  std::array<TPanelFrame *, kPanelCount> panels_{};
  std::array<QAction *, kPanelCount> panelActions_{};
  QFrame *videoFrame_ = nullptr;  // the frame around the video, coloured by the state
  QLabel *noVideo_ = nullptr;
  std::unique_ptr<platform::ScreenSaverGuard> screenSaver_;
  std::unique_ptr<settings::TparameterList> params_;
  std::unique_ptr<settings::TBrenvikPreferences> gp_;
  QStringList commandLine_;
  EtatCapture etat_ = esPreview;
  int activePanel_ = 0;
  bool shown_ = false;
  bool demarrageEnCours_ = true;
  bool startupDone_ = false;
  bool closed_ = false;
  bool quitAsked_ = false;  // the Quit action is closing the window
};

}  // namespace vistrel
