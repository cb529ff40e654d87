#include "platform/screensaver.h"

#include <QDBusMessage>
#include <QDBusReply>

namespace vistrel::platform {
namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kInterface = QStringLiteral("org.freedesktop.ScreenSaver");
// Desktops publish the interface at one path or the other.
const char *const kPaths[] = {"/org/freedesktop/ScreenSaver", "/ScreenSaver"};
// Start-up and close must not hang on a bus that does not answer.
constexpr int kTimeoutMs = 1000;

}  // namespace

ScreenSaverGuard::ScreenSaverGuard() : bus_(QDBusConnection::sessionBus()) {}

ScreenSaverGuard::ScreenSaverGuard(const QDBusConnection &bus) : bus_(bus) {}

ScreenSaverGuard::~ScreenSaverGuard() { Restore(); }

void ScreenSaverGuard::Disable() {
  // No name check first: it would wait with the bus's long default timeout,
  // while a missing service fails these calls at once.
  if (inhibited_ || !bus_.isConnected()) return;
  for (const char *path : kPaths) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, QString::fromLatin1(path), kInterface,
                                                       QStringLiteral("Inhibit"));
    call << QStringLiteral("Vistrel") << QStringLiteral("Video capture running");
    const QDBusReply<quint32> reply = bus_.call(call, QDBus::Block, kTimeoutMs);
    if (!reply.isValid()) continue;
    cookie_ = reply.value();
    path_ = QString::fromLatin1(path);
    inhibited_ = true;
    wasActive_ = true;
    return;
  }
}

void ScreenSaverGuard::Restore() {
  if (!inhibited_) return;
  inhibited_ = false;
  if (!bus_.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(kService, path_, kInterface, QStringLiteral("UnInhibit"));
  call << cookie_;
  // The reply carries nothing we need; the inhibition also ends with our
  // connection, so a lost reply costs nothing.
  bus_.call(call, QDBus::Block, kTimeoutMs);
}

}  // namespace vistrel::platform
