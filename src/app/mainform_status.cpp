// The status bar: four owner-drawn panels and a narrow fifth one, the texts
// of the preview and of each controller state, and the 300 ms refresh of a
// running capture's duration and counters.
#include <QStatusBar>

#include "actions/superaction.h"
#include "app/capture_size_panel.h"
#include "app/cockpit_state.h"
#include "app/recorder.h"
#include "app/signal_monitor.h"
#include "app/status_texts.h"
#include "graph/avgraph.h"
#include "platform/dialogs.h"
#include "platform/disk.h"
#include "settings/captureformats.h"
#include "settings/settings.h"

namespace vistrel {

namespace {

enum Text { k0 = 0, k1 = 1, k1b = 2, k2 = 3, k3 = 4 };
constexpr int kDroppedFramesMs = 300;

}  // namespace

void TCaptureForm::ConstruireStatusBar() {
  auto &c = Cockpit();
  const char *const design[] = {"Intervallo OFF", "capture", "Captured Frames", "Lost Frames"};
  for (int i = 0; i < 4; ++i) {
    c.panels[i] = new TStatusPanel(design[i], statusBar());
    c.panels[i]->setObjectName(QString("StatusPanel%1").arg(i + 1));
    // Equal stretches share the width equally whatever the texts, as fixed
    // widths would, without holding the window at its current width.
    c.panels[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(c.panels[i], 1);
  }
  // The file's size, bitrate and time left, beside the others while a capture runs.
  statusBar()->addWidget(new CaptureSizePanel(
      *recorder_, [this] { return dm_ ? qint64(dm_->fg().DiskReserve()) : qint64(0); }, statusBar()));
  auto *fifth = new QLabel(statusBar());
  fifth->setFixedWidth(10);
  statusBar()->addWidget(fifth);
  c.droppedFramesTimer.setInterval(kDroppedFramesMs);
  connect(&c.droppedFramesTimer, &QTimer::timeout, this, &TCaptureForm::DroppedActionTimer);
  c.droppedFramesTimer.start();

  // Amber, at the right of the bar, shown only while a capture's sound or
  // picture is missing; the whole text stays in the tooltip when cut short.
  signalMonitor_ = new SignalMonitor(this);
  auto *warning = new QLabel(statusBar());
  warning->setObjectName("SignalWarning");
  warning->setStyleSheet("QLabel { background: #ffbf00; color: black; padding: 0 6px; }");
  warning->setMinimumWidth(1);
  warning->hide();
  statusBar()->addPermanentWidget(warning);
  connect(signalMonitor_, &SignalMonitor::warningChanged, warning, [warning](const QString &text) {
    warning->setText(text);
    warning->setToolTip(text);
    warning->setVisible(!text.isEmpty());
  });
  connect(signalMonitor_, &SignalMonitor::notice, this,
          [this](const QString &text) { platform::DialogService::Instance().Notice(text, this); });
}

QString TCaptureForm::StatusText(int index) const {
  return cockpit_ && index >= 0 && index < 5 ? cockpit_->texts[index] : QString();
}

QString TCaptureForm::TexteSourcesCapture() const {
  const int format = SourcesFrame->cbFormatCapture->currentData().toInt();
  const auto &info = settings::CaptureFormat(format);
  const bool video = VideoConnectee() && !info.SoundOnly();
  const bool audio = AudioConnectee() && !info.PictureOnly();
  const QString summary =
      status::ResumeSources(SourcesFrame->cboxvideo->currentText(), video, SourcesFrame->cboxAudio->currentText(), audio);
  return summary.isEmpty() ? summary : summary + "=>" + settings::CaptureFormatShortName(format);
}

void TCaptureForm::MajStatusBar() {
  if (!cockpit_) return;
  auto &c = Cockpit();
  auto &p = *params_;
  const bool on = IntervalloActif();
  c.texts[k0] = status::TexteGrab(p.Int("Extension des images") == 1, on, c.RxSpinEdit7->value(),
                                  c.cbUnites->currentIndex());
  c.colour0 = on ? Qt::red : Qt::black;
  // While a capture or a schedule is under way, its own texts stay: the
  // display modes changing must not make the bar read "Preview".
  if (etat_ != esPreview) {
    MajStatusEtat();
    return;
  }
  const bool video = VideoConnectee();
  const bool effective = TraitementPossible && video;
  c.texts[k1] = "Preview" + status::Modes(p.Bool("Mute On"), p.Bool("Want Incrust") && effective,
                                           p.Bool("WideScreen"), p.Bool("Want vert Flip") && effective);
  c.texts[k1b] = p.Bool("Want Horz flip") && effective ? " h" : "";
  const int format = SourcesFrame->cbFormatCapture->currentData().toInt();
  const QString summary = status::ResumeSources(SourcesFrame->cboxvideo->currentText(), video,
                                                SourcesFrame->cboxAudio->currentText(), AudioConnectee());
  if (!summary.isEmpty()) c.texts[k2] = summary + "=>" + settings::CaptureFormatShortName(format);
  c.texts[k3] = status::EspaceLibre(platform::DiskFiguresOf(NomVideo()).freeMB, platform::DriveOfPath(NomVideo()));
  RepeindreStatus();
}

void TCaptureForm::MajStatusEtat() {
  if (!cockpit_) return;
  auto &c = Cockpit();
  auto &p = *params_;
  const bool effective = TraitementPossible && VideoConnectee();
  const QTime armed = c.horloge.Armed() ? c.horloge.AlarmTime().time() : QTime();
  switch (etat_) {
    case esPreview: MajStatusBar(); return;
    case esCapture:
      c.texts[k1] = TexteSourcesCapture();
      c.texts[k1b].clear();
      break;
    case esAttente: {
      const auto *inlay = Action("taIncruster");
      c.texts[k1] = "programmation" + status::Modes(p.Bool("Mute On"), inlay && inlay->Checked(), p.Bool("WideScreen"),
                                                    p.Bool("Want vert Flip") && effective);
      c.texts[k1b] = p.Bool("Want Horz flip") && effective ? " h" : "";
      c.texts[k3] = "start at " + status::Heure(armed.isValid() ? armed : QTime(0, 0));
      break;
    }
    case esCaptureProgrammee: {
      const QTime end = armed.isValid() ? armed
                                        : QTime(c.RxSpinEdit4->value(), c.RxSpinEdit5->value(), c.RxSpinEdit6->value());
      c.texts[k1] = "capture until " + status::Heure(end);
      c.texts[k1b].clear();
      break;
    }
  }
  RepeindreStatus();
}

void TCaptureForm::DroppedActionTimer() {
  if (!cockpit_) return;
  auto &c = Cockpit();
  if ((etat_ == esCapture || etat_ == esCaptureProgrammee) && recorder_->Started().isValid()) {
    c.texts[k2] = status::Duree(recorder_->DurationMs(QDateTime::currentDateTime()));
    const int dropped = recorder_->Dropped();
    const int notDropped = recorder_->NotDropped();
    c.texts[k3] = status::TexteCompteurs(recorder_->Format(), recorder_->Images(), dropped, notDropped);
    RepeindreStatus();
  }
  RafraichirCamescopes();
}

void TCaptureForm::RepeindreStatus() {
  auto &c = Cockpit();
  c.panels[0]->SetTexts(c.texts[k0], c.colour0);
  c.panels[1]->SetTexts(c.texts[k1], Qt::black, c.texts[k1b]);
  c.panels[2]->SetTexts(c.texts[k2], Qt::black);
  c.panels[3]->SetTexts(c.texts[k3], Qt::black);
}

}  // namespace vistrel
