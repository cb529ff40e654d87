#pragma once
// What the preview display modes keep between calls: their widgets and the
// layout facts. A child object of the main window, built with it.
#include <QMargins>
#include <QProgressBar>
#include <QRect>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>

#include "app/display_geometry.h"
#include "app/display_widgets.h"
#include "app/mainform.h"
#include "ui/levelmeter.h"

namespace vistrel {

struct TCaptureForm::DisplayState : QObject {
  using QObject::QObject;
  QToolBar *actionBar = nullptr;
  QWidget *videoColumn = nullptr;  // the video area above the button row
  QWidget *buttonRow = nullptr;
  QLabel *lbVolume = nullptr;
  QSlider *volume = nullptr;
  QProgressBar *gauge = nullptr;
  ui::LevelMeter *meter = nullptr;  // under the video, also in the reduced window
  QSlider *sliderX = nullptr, *sliderY = nullptr;
  QToolButton *corner = nullptr;
  display::FrameShape *shape = nullptr;
  display::TErreurFrame *erreur = nullptr;
  int videoOffset = 0;
  QRect beforeReduce;
  QMargins rowMargins;
  bool dvWide = false;
  bool lockQueued = false, inLock = false;
  QString audioDroppedByLock;  // given back when the lock comes off
  bool plaqueHooked = false, dmHooked = false, allowHooked = false;
  const void *lastVideo = nullptr;  // the video source the DV ratio flag belongs to
};

}  // namespace vistrel
