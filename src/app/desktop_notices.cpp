#include "app/desktop_notices.h"

#include <QFileInfo>

#include "app/recorder.h"

namespace vistrel {

namespace {

using platform::Urgency;

struct EventRow {
  DesktopEvent event;
  const char *summary;
  Urgency urgency;
  const char *key;  // a series that replaces its last bubble
};

// A fault stays on the desktop until read: nobody may be at the machine.
constexpr EventRow kEvents[] = {
    {DesktopEvent::ScheduledStart, "Scheduled recording started", Urgency::Normal, ""},
    {DesktopEvent::ScheduledNoStart, "Scheduled recording did not start", Urgency::Critical, ""},
    {DesktopEvent::ScheduledEnd, "Scheduled recording finished", Urgency::Normal, ""},
    {DesktopEvent::CaptureFault, "Recording stopped", Urgency::Critical, ""},
    {DesktopEvent::IntervalGrab, "Intervalometer picture saved", Urgency::Low, "interval"},
};

}  // namespace

DesktopNotices::DesktopNotices(Recorder &recorder, std::function<bool()> wanted, QObject *parent)
    : QObject(parent), wanted_(std::move(wanted)), notifier_(this) {
  connect(&recorder, &Recorder::endedOnFault, this,
          [this](const QString &text) { Tell(DesktopEvent::CaptureFault, text); });
  connect(&recorder, &Recorder::failed, this, [this](const QString &what, const QString &why) {
    if (!startPending_ || startFailureTold_) return;
    startFailureTold_ = true;
    Tell(DesktopEvent::ScheduledNoStart, why.isEmpty() || what.contains(why) ? what : what + "\nWhat failed: " + why);
  });
  connect(&recorder, &Recorder::endedByLostDevice, this,
          [this](const QString &text) { Tell(DesktopEvent::CaptureFault, text); });
}

platform::Notice DesktopNotices::NoticeFor(DesktopEvent event, const QString &body) {
  for (const EventRow &row : kEvents)
    if (row.event == event) return {row.summary, body, row.urgency, row.key};
  return {};
}

void DesktopNotices::ScheduledStarting() {
  startPending_ = true;
  startFailureTold_ = false;
}

void DesktopNotices::ScheduledStartDone(bool started, const QString &file, const QString &why) {
  const bool told = startFailureTold_;
  startPending_ = startFailureTold_ = false;
  if (started)
    Tell(DesktopEvent::ScheduledStart, "Recording into " + file);
  else if (!told)
    Tell(DesktopEvent::ScheduledNoStart, why.isEmpty() ? QStringLiteral("The capture could not start.") : why);
}

void DesktopNotices::ScheduledEnded(const QString &file) {
  Tell(DesktopEvent::ScheduledEnd, QFileInfo::exists(file) ? file + " is finished." : "Nothing was recorded.");
}

void DesktopNotices::IntervalGrabSaved(const QString &file) { Tell(DesktopEvent::IntervalGrab, file); }

void DesktopNotices::Tell(DesktopEvent event, const QString &body) {
  if (wanted_ && !wanted_()) return;
  notifier_.Show(NoticeFor(event, body));
}

}  // namespace vistrel
