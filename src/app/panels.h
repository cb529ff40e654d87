#pragma once
// The nine side panels of the main window. Each is a real frame; the controls of
// each panel are added by the feature that owns them.
#include <QComboBox>
#include <QFrame>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include "app/clicklabel.h"

namespace vistrel::settings {
class TOptionsFrame;
class TparameterList;
}  // namespace vistrel::settings

namespace vistrel {

// The Inlay panel, TIncrusterFrame, has its own files (incrusterframe.*).
class TPanelFrame : public QFrame {
  Q_OBJECT
 public:
  TPanelFrame(const QString &objectName, const QString &title, QWidget *parent = nullptr);
  QString Title() const { return title_; }
  // Where each feature adds its controls.
  QVBoxLayout *Body() const { return body_; }

 protected:
  QVBoxLayout *body_;

 private:
  QString title_;
};

class TSourcesFrame : public TPanelFrame {
  Q_OBJECT
 public:
  explicit TSourcesFrame(QWidget *parent = nullptr);
  QComboBox *cboxvideo, *cboxAudio, *cbEntries, *cbFormatCapture;
  QLabel *lbEntries = nullptr;  // goes with the box, which only a sound card has
  ClickLabel *lbNomVideo;        // shows the Folders panel
  QPushButton *btnFormatSettings;  // shows the Settings panel at the page of the format
  QPushButton *btnDossierVideos;   // opens the folder of captured videos
};

class TDossiersFrame : public TPanelFrame {
  Q_OBJECT
 public:
  explicit TDossiersFrame(QWidget *parent = nullptr);
  ClickLabel *lbNomVideo;  // shows the Sources panel
  ClickLabel *lbNomImage;  // shows the Grab panel
  QPushButton *btnOuvrirVideo, *btnOuvrirImage;
};

class TProgrammerFrame : public TPanelFrame {
  Q_OBJECT
 public:
  explicit TProgrammerFrame(QWidget *parent = nullptr);
};

class TExtraireFrame : public TPanelFrame {
  Q_OBJECT
 public:
  explicit TExtraireFrame(QWidget *parent = nullptr);
  ClickLabel *lbDestination;  // shows the Folders panel
};

// Holds the settings pages; the page index is what the format settings button selects.
class TOptionsHost : public TPanelFrame {
  Q_OBJECT
 public:
  TOptionsHost(settings::TparameterList &params, QWidget *parent = nullptr);
  void SetPage(int page);
  int Page() const;
  settings::TOptionsFrame *options;
};

class TListeFrame : public TPanelFrame {
  Q_OBJECT
 public:
  explicit TListeFrame(QWidget *parent = nullptr);
};

class THelpFrame : public TPanelFrame {
  Q_OBJECT
 public:
  explicit THelpFrame(QWidget *parent = nullptr);
  QTabWidget *pages;
  QTextEdit *report;        // the system report
  QListWidget *sourceList;  // sources, unchecked = excluded from enumeration
};

class TAproposFrame : public TPanelFrame {
  Q_OBJECT
 public:
  explicit TAproposFrame(QWidget *parent = nullptr);
};

}  // namespace vistrel
