#pragma once
// The widgets and timers of the recording cockpit, a child object of the main window.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

#include <array>

#include "app/mainform.h"
#include "app/status_panel.h"

namespace vistrel {

// A button that stands for one action. Focused, it takes the space bar for
// itself rather than leaving it to the window's "Space" shortcut.
class TActionButton : public QToolButton {
  Q_OBJECT
 public:
  explicit TActionButton(QWidget *parent = nullptr);

 protected:
  bool event(QEvent *e) override;
};

struct TCaptureForm::CockpitState : QObject {
  using QObject::QObject;
  // The row under the video, the Grab panel's and the Schedule panel's buttons.
  TActionButton *btnCapturer = nullptr, *btnCouper = nullptr, *btnGrab = nullptr, *btnProgrammer = nullptr;
  TActionButton *GrabBtn = nullptr, *ProgBtn = nullptr;
  QPushButton *NowBtn = nullptr;

  TScheduleClock horloge;
  QLabel *RxClock2 = nullptr;
  QGroupBox *gbDebut = nullptr, *gbFin = nullptr;
  QDateEdit *DateEdit1 = nullptr, *DateEdit2 = nullptr;
  QSpinBox *RxSpinEdit1 = nullptr, *RxSpinEdit2 = nullptr, *RxSpinEdit3 = nullptr;
  QSpinBox *RxSpinEdit4 = nullptr, *RxSpinEdit5 = nullptr, *RxSpinEdit6 = nullptr;

  QGroupBox *gbIntervallo = nullptr;
  QSpinBox *RxSpinEdit7 = nullptr;
  QComboBox *cbUnites = nullptr;
  QCheckBox *RxSwitch1 = nullptr, *cbBeeps = nullptr;
  QLabel *chronoLab = nullptr;

  // Texts 0, 1, 1b, 2, 3 and the colour of text 0.
  std::array<QString, 5> texts;
  QColor colour0 = Qt::black;
  std::array<TStatusPanel *, 4> panels{};
  QTimer droppedFramesTimer;
};

}  // namespace vistrel
