#pragma once
// What the source activation keeps beside the main window (the catalog of
// devices and sources, the settings menus); shared by its two source files.
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

#include "app/mainform.h"
#include "graph/avgraph.h"
#include "plugins/plugin.h"
#include "sources/devicesettings.h"
#include "sources/devicewatch.h"
#include "sources/sourcecatalog.h"

namespace vistrel {

// Owned by the window as a child object. The catalog's devices take their
// elements out of the graph module's graph when they go, so they must go
// while that graph exists: normally at close; if the graph module is already
// gone, the devices are left alone rather than touching a dead graph.
struct TCaptureForm::SourcesState : QObject {
  explicit SourcesState(QObject *parent) : QObject(parent) {}
  ~SourcesState() override {
    if (!dm) {
      (void)catalog.release();
      return;
    }
    if (!catalog) return;
    dm->StopGraph();
    if (dm->CurrentVideoDevice()) dm->DeconnecterVideo(dm->CurrentVideoDevice(), true);
    if (dm->CurrentAudioDevice()) dm->DeconnecterAudio(dm->CurrentAudioDevice(), true);
  }
  QPointer<Tdm> dm;
  // Before the catalog: its device lists call into the plug-ins until they go.
  plugins::TpluginList plugins;
  std::unique_ptr<sources::SourceCatalog> catalog;
  QMetaObject::Connection lostHook;
  // Every chosen device, watched for going and coming back (a child of this).
  sources::DeviceWatch *watch = nullptr;
  // The saved choices whose devices are away: picture, sound.
  QString awaited[2];
  QTimer refresh;
  bool fillingChecklist = false;
  QMenu *videoMenu = nullptr, *audioMenu = nullptr;
  std::unique_ptr<sources::DeviceSettings> menuSettings[2];
  // A menu item was chosen since the menu opened; its dialog brings the source back.
  bool itemChosen = false;
};

}  // namespace vistrel
