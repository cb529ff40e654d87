#pragma once
// Keeps the screen saver from starting while the program runs (a capture
// must not be interrupted by it) and lets it run again at exit, through
// org.freedesktop.ScreenSaver on the session bus. Without a bus or service
// nothing happens and nothing is reported.
#include <QDBusConnection>
#include <QString>

#include <QtGlobal>

namespace vistrel::platform {

class ScreenSaverGuard {
 public:
  // Uses the session bus.
  ScreenSaverGuard();
  // Uses the given bus (tests run a private one).
  explicit ScreenSaverGuard(const QDBusConnection &bus);
  // Lets the screen saver run again if this guard held it off.
  ~ScreenSaverGuard();

  ScreenSaverGuard(const ScreenSaverGuard &) = delete;
  ScreenSaverGuard &operator=(const ScreenSaverGuard &) = delete;

  // Whether a screen saver was there to be switched off when Disable ran.
  bool WasActive() const { return wasActive_; }
  // Holds the screen saver off; a second call changes nothing.
  void Disable();
  // Lets it run again when Disable held it off; safe to call any time.
  void Restore();

 private:
  QDBusConnection bus_;
  QString path_;
  quint32 cookie_ = 0;
  bool inhibited_ = false;
  bool wasActive_ = false;
};

}  // namespace vistrel::platform
