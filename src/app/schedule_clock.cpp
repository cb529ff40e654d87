#include "app/schedule_clock.h"

namespace vistrel {

TScheduleClock::TScheduleClock(QObject *parent) : QObject(parent) {
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, &TScheduleClock::Tick);
  timer_.start();
}

QDateTime TScheduleClock::Now() const { return now_ ? now_() : QDateTime::currentDateTime(); }

void TScheduleClock::Arm(const QDateTime &when, AlarmTarget target) {
  when_ = when;
  target_ = target;
}

void TScheduleClock::Disarm() {
  target_ = AlarmTarget::None;
  when_ = QDateTime();
}

void TScheduleClock::Tick() {
  const QDateTime now = Now();
  emit ticked(now);
  if (target_ == AlarmTarget::None || now < when_) return;
  // Disarmed before the target runs: it may arm the next alarm itself.
  const AlarmTarget target = target_;
  Disarm();
  if (OnAlarm) OnAlarm(target);
}

}  // namespace vistrel
