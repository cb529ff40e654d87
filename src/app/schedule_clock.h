#pragma once
// The schedule's clock: the current local time (from a source that tests can
// replace) and its one alarm, which runs its target once at the first tick at
// or after the armed time.
#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <functional>

namespace vistrel {

enum class AlarmTarget { None, Start, End };

class TScheduleClock : public QObject {
  Q_OBJECT
 public:
  using NowSource = std::function<QDateTime()>;
  // Whole seconds are armed, so a few ticks a second never miss one.
  static constexpr int kTickMs = 250;

  explicit TScheduleClock(QObject *parent = nullptr);

  // Replaces the wall clock (tests run a schedule without waiting for it).
  void SetNowSource(NowSource now) { now_ = std::move(now); }
  QDateTime Now() const;

  // Arming one alarm replaces the other.
  void Arm(const QDateTime &when, AlarmTarget target);
  void Disarm();  // disabled, no target
  bool Armed() const { return target_ != AlarmTarget::None; }
  AlarmTarget Target() const { return target_; }
  QDateTime AlarmTime() const { return when_; }
  // Editing the armed time (the hour, minute or second fields).
  void SetAlarmTime(const QDateTime &when) { when_ = when; }

  // Checks the alarm now; the timer calls it every kTickMs.
  void Tick();

  std::function<void(AlarmTarget)> OnAlarm;

 signals:
  void ticked(const QDateTime &now);

 private:
  NowSource now_;
  QTimer timer_;
  QDateTime when_;
  AlarmTarget target_ = AlarmTarget::None;
};

}  // namespace vistrel
