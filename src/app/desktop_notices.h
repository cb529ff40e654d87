#pragma once
// What the desktop is told while nobody watches the window: a scheduled
// recording starting, ending or failing to start, a recording ended by a
// fault, and each picture the intervalometer saves. The recorder's endings
// are heard from its signals; the schedule's and the intervalometer's moments
// are told by the window, which alone knows them. Nothing is sent while the
// user's setting is off.
#include <QObject>
#include <QString>
#include <functional>

#include "platform/notifications.h"

namespace vistrel {

class Recorder;

enum class DesktopEvent { ScheduledStart, ScheduledNoStart, ScheduledEnd, CaptureFault, IntervalGrab };

class DesktopNotices : public QObject {
  Q_OBJECT
 public:
  // `wanted` is asked at each event (the setting may change at any time).
  DesktopNotices(Recorder &recorder, std::function<bool()> wanted, QObject *parent = nullptr);

  // A scheduled start is being tried: a recorder failure meanwhile is told
  // at once, before the window's message box waits for an answer.
  void ScheduledStarting();
  // The scheduled start is over; `why` (what the checks before the recorder
  // said) is told when it did not start and nothing was told yet.
  void ScheduledStartDone(bool started, const QString &file, const QString &why);
  void ScheduledEnded(const QString &file);
  void IntervalGrabSaved(const QString &file);

  // The notice an event gives with that body text.
  static platform::Notice NoticeFor(DesktopEvent event, const QString &body);
  platform::DesktopNotifier &Notifier() { return notifier_; }

 private:
  void Tell(DesktopEvent event, const QString &body);

  std::function<bool()> wanted_;
  bool startPending_ = false, startFailureTold_ = false;
  platform::DesktopNotifier notifier_;
};

}  // namespace vistrel
