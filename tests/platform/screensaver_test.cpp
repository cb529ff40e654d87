#include "platform/screensaver.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <memory>
#include <mutex>

using vistrel::platform::ScreenSaverGuard;

namespace {

// Stands in for the desktop's screen saver on a private bus and records what
// it is asked.
class FakeScreenSaver : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
 public:
  QStringList Calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }
 public slots:
  uint Inhibit(const QString &app, const QString &reason) {
    std::lock_guard lock(mutex_);
    calls_ << QString("Inhibit %1 %2").arg(app, reason.isEmpty() ? "-" : "reason");
    return ++next_;
  }
  void UnInhibit(uint cookie) {
    std::lock_guard lock(mutex_);
    calls_ << QString("UnInhibit %1").arg(cookie);
  }

 private:
  std::mutex mutex_;
  QStringList calls_;
  uint next_ = 40;
};

class ScreenSaver : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) return;
    daemon_ = new QProcess;
    daemon_->start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    if (!daemon_->waitForStarted(5000) || !daemon_->waitForReadyRead(5000)) return;
    address_ = QString::fromUtf8(daemon_->readLine()).trimmed();
  }
  static void TearDownTestSuite() {
    QDBusConnection::disconnectFromBus("vistrel-test-client");
    QDBusConnection::disconnectFromBus("vistrel-test-service");
    if (daemon_) {
      daemon_->kill();
      daemon_->waitForFinished(5000);
      delete daemon_;
      daemon_ = nullptr;
    }
  }
  void SetUp() override {
    if (address_.isEmpty()) GTEST_SKIP() << "no dbus-daemon to run a private bus";
  }
  void TearDown() override {
    if (service_) {
      QDBusConnection bus = QDBusConnection::connectToBus(address_, "vistrel-test-service");
      bus.unregisterObject("/org/freedesktop/ScreenSaver");
      bus.unregisterService("org.freedesktop.ScreenSaver");
      thread_.quit();
      thread_.wait();
      service_.reset();
    }
  }
  static QDBusConnection Client() { return QDBusConnection::connectToBus(address_, "vistrel-test-client"); }

  // The fake answers on its own thread, as the desktop's would in its own
  // process, so blocking calls from this thread get their replies.
  FakeScreenSaver *StartService() {
    service_ = std::make_unique<FakeScreenSaver>();
    service_->moveToThread(&thread_);
    thread_.start();
    QDBusConnection bus = QDBusConnection::connectToBus(address_, "vistrel-test-service");
    EXPECT_TRUE(bus.registerObject("/org/freedesktop/ScreenSaver", service_.get(), QDBusConnection::ExportAllSlots));
    EXPECT_TRUE(bus.registerService("org.freedesktop.ScreenSaver"));
    return service_.get();
  }

  static inline QProcess *daemon_ = nullptr;
  static inline QString address_;
  std::unique_ptr<FakeScreenSaver> service_;
  QThread thread_;
};

}  // namespace

TEST_F(ScreenSaver, InhibitedOnceAndReleasedWithItsCookie) {
  FakeScreenSaver *fake = StartService();
  {
    ScreenSaverGuard guard(Client());
    EXPECT_FALSE(guard.WasActive());
    guard.Disable();
    EXPECT_TRUE(guard.WasActive());
    guard.Disable();  // a second start-up pass must not stack inhibitions
    guard.Restore();
    guard.Restore();
  }
  EXPECT_EQ(fake->Calls(), QStringList({"Inhibit Vistrel reason", "UnInhibit 41"}));
}

TEST_F(ScreenSaver, ClosingTheProgramLetsItRunAgain) {
  FakeScreenSaver *fake = StartService();
  {
    ScreenSaverGuard guard(Client());
    guard.Disable();
  }
  EXPECT_EQ(fake->Calls(), QStringList({"Inhibit Vistrel reason", "UnInhibit 41"}));
}

TEST_F(ScreenSaver, NoServiceOrNoBusChangesNothing) {
  ScreenSaverGuard guard(Client());
  guard.Disable();
  EXPECT_FALSE(guard.WasActive());
  guard.Restore();

  ScreenSaverGuard nobus(QDBusConnection("vistrel-no-such-connection"));
  nobus.Disable();
  EXPECT_FALSE(nobus.WasActive());
  nobus.Restore();
}

#include "screensaver_test.moc"
