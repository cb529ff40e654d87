#pragma once
// TOptionsFrame, the Settings panel: the settings as controls, each change
// written into its parameter at once, and the answers about optional encoders
// (DivX/Xvid compressors, the MP3 encoder, WMV profiles).
#include "settings/parameters.h"
#include "settings/wmvprofiles.h"

#include <QFrame>
#include <QStringList>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;

namespace vistrel::settings {

class TOptionsFrame : public QFrame {
  Q_OBJECT
 public:
  explicit TOptionsFrame(TparameterList &params, QWidget *parent = nullptr);

  // Finds the encoders of this system and fills the codec list and MP3 state.
  void Populate();
  // The same from given answers (the codec names as enumerated).
  void Populate(const QStringList &codecNames, bool mp3Available);

  // Parameters into the controls (after the settings were loaded) and back
  // (before they are saved; StoreMode := the store radio group's index).
  void LoadFromParameters();
  void SaveToParameters();

  // The version radio index (0 "4", 1 "7", 2 "8"): refills the profile box.
  void SelectWmvVersion(int index);
  // Selects the named profile when the box holds it, else the first entry.
  void SelectPreferredProfile(const QString &name);
  QStringList ProfileEntries() const;
  void SelectProfileEntry(int index);  // what the profiles pop-up menu does
  // The profile the graph builder uses: a default level when "Use the default
  // profiles" is ticked, else the system profile at the box's index.
  WmvProfile ChosenWmvProfile() const;

  // The preference component reports its mode: select it, set StoreMode, delete nothing.
  void SetStoreModeIndex(int index);

  bool DivxAvailable() const { return divxAvailable_; }
  bool Mp3Available() const { return mp3Available_; }
  QString SelectedDivxCodec() const;

  // Controls, named as the rest of the program refers to them.
  QTabWidget *Pages = nullptr;
  QCheckBox *cbDesktopNotices;
  QCheckBox *cbConfirmerVideo, *cbConfirmerImage, *cbNotifier, *cbActiverSuperposition, *cbMpeg2ratioNormal;
  QSpinBox *seLowDisk;  // "Low Disk Space", in MB
  QButtonGroup *rgPrefs;
  QButtonGroup *rgversion, *rgProfiles;
  QComboBox *cboxMedia;
  QCheckBox *cbDefaultProfile;
  QGroupBox *gbStandardProfiles, *gbDefaultProfiles;
  QComboBox *cboxdivx;
  QPushButton *sbPropDivx, *sbVersionDivx, *sbPropMp3, *sbSave;
  QCheckBox *cbDemiTaille, *cbMp3;
  QButtonGroup *rgRatioDivX;
  QGroupBox *gbMp3;
  QComboBox *cboxBitratemp3;
  QLabel *lbNoMp3;
  QButtonGroup *rgExtension;
  QSlider *TrackBar1;
  QCheckBox *cbDeInterlacer;
  QButtonGroup *rgStandard, *rgFrequenceDV, *rgDVRatio;
  QCheckBox *cbfrequenceDVNative, *cbGarderFormatDV, *cbDVDemiSiDivX, *cbScn;
  QLineEdit *leNoDatecode;
  QSpinBox *seH264Quality;    // "H264 Quality": constant quality, lower is better
  QComboBox *cboxH264Preset;  // "H264 Preset"
  QLabel *lbMp4Encoders;      // the encoders the MP4 format uses on this system

 signals:
  // The user chose another store in "How to save the preferences when quit".
  void storeModeChanged(int mode);
  void divxCodecChanged(const QString &friendlyName);
  void saveRequested();

 private:
  void BuildPages();
  void UpdateMp3Visibility();
  void UpdateProfileGroups();
  void LoadBitrate();
  int DvFrequencyItemOf(int code) const;

  TparameterList &params_;
  bool divxAvailable_ = false;
  bool mp3Available_ = false;
  bool loading_ = false;
  int divxPage_ = -1;
};

}  // namespace vistrel::settings
