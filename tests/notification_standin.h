#pragma once
// A session bus of the test's own and a stand-in notification server on it,
// recording every Notify call as a desktop's server would receive it.
#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QVariantMap>

namespace vistrel::test {

struct PrivateSessionBus {
  QProcess daemon;
  QString address;
  // `current`: the process's session bus becomes this one (before anything
  // asks for the session bus, which Qt connects to once).
  explicit PrivateSessionBus(bool current = true) {
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(5000)) return;
    address = QString::fromUtf8(daemon.readLine()).trimmed();
    if (current) qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
  }
  ~PrivateSessionBus() {
    daemon.terminate();
    daemon.waitForFinished(3000);
  }
};

class StandInNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
 public:
  struct Call {
    QString app;
    uint replaces;
    QString icon, summary, body;
    QVariantMap hints;
    int timeout;
  };
  QList<Call> calls;
  uint nextId = 41;

  // Registers on its own connection to `address`; false when that fails.
  bool Serve(const QString &address) {
    connection_ = QDBusConnection::connectToBus(address, "stand-in-notifications");
    return connection_.isConnected() &&
           connection_.registerObject("/org/freedesktop/Notifications", this, QDBusConnection::ExportAllSlots) &&
           connection_.registerService("org.freedesktop.Notifications");
  }
  ~StandInNotifications() override { QDBusConnection::disconnectFromBus("stand-in-notifications"); }

 public slots:
  uint Notify(const QString &app, uint replaces, const QString &icon, const QString &summary, const QString &body,
              const QStringList &, const QVariantMap &hints, int timeout) {
    calls.push_back({app, replaces, icon, summary, body, hints, timeout});
    return replaces ? replaces : ++nextId;
  }
  QStringList GetCapabilities() { return {"body"}; }

 private:
  QDBusConnection connection_{QString()};
};

}  // namespace vistrel::test
