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

#include "app/etatcapture.h"
#include "app/panels.h"

namespace vistrel {

class Tdm;
class Tplaque;
class TRaccourcisForm;
namespace platform { class ScreenSaverGuard; }
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
  void ArreterGraphe();

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
  // End of source activation.

  // Actions, switches and command files (mainform_actions.cpp).
  // End of actions.

  QString NomVideo, NomImage;
  int CompteurVideo = 0, CompteurImage = 0;
  QDateTime DateNoms;
  bool TraitementPossible = false;
  bool RelanceDifferee = false;
  QStringList SourcesExclues;

 signals:
  void startupFinished();

 protected:
  void showEvent(QShowEvent *e) override;
  void closeEvent(QCloseEvent *e) override;

 private:
  // Source activation, private part.
  // End of source activation, private part.

  // Actions, private part.
  // End of actions, private part.

  void FormShow();
  void AppEventsIdle();
  void FormCloseQuery();
  void BuildPanels(QWidget *host);
  void PaintFrame();
  void ShowSettingsPageForFormat(const QString &formatName);

  Tdm *dm_ = nullptr;
  Tplaque *plaque_ = nullptr;
  TRaccourcisForm *raccourcis_ = nullptr;
  QStackedWidget *panelStack_ = nullptr;
  std::array<TPanelFrame *, kPanelCount> panels_{};
  std::array<QAction *, kPanelCount> panelActions_{};
  QFrame *videoFrame_ = nullptr;  // the frame around the video, coloured by the state
  QLabel *noVideo_ = nullptr;
  std::array<QLabel *, 4> statusPanels_{};
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
};

}  // namespace vistrel
