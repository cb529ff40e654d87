// What the filters tell the main window. They call from streaming threads,
// so every notice is queued to the main thread and the filter never waits
// for the user interface (a wait here would deadlock against a graph stop
// started from the user interface).
#include <QMetaObject>
#include <QPointer>

#include "app/mainform.h"
#include "filters/filterevents.h"

namespace vistrel {

namespace {

class QueuedFilterEvents final : public filters::FilterEvents {
 public:
  explicit QueuedFilterEvents(TCaptureForm *form) : form_(form) {}
  void GrabReady(int slot) override {
    QMetaObject::invokeMethod(form_, [f = form_, slot] { f->OnGrabReady(slot); }, Qt::QueuedConnection);
  }
  void CountdownSeconds(int seconds) override {
    QMetaObject::invokeMethod(form_, [f = form_, seconds] { f->OnCountdown(seconds); }, Qt::QueuedConnection);
  }
  void DvRatioChanged(bool wide) override {
    QMetaObject::invokeMethod(form_, [f = form_, wide] { f->OnDvRatioChanged(wide); }, Qt::QueuedConnection);
  }

 private:
  TCaptureForm *form_;  // the invocation's context: nothing runs once it is gone
};

}  // namespace

std::unique_ptr<filters::FilterEvents> TCaptureForm::MakeFilterEvents() {
  return std::make_unique<QueuedFilterEvents>(this);
}

}  // namespace vistrel
