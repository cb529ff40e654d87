#include "platform/notifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace vistrel::platform {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kAnswerTimeoutMs = 5000;
constexpr int kServerDecidesExpiry = -1;

// The hint's byte values, in the order of the enum.
constexpr uchar kUrgencyByte[] = {0, 1, 2};

}  // namespace

DesktopNotifier::DesktopNotifier(QObject *parent) : QObject(parent) {}

DesktopNotifier::DesktopNotifier(const QDBusConnection &bus, QObject *parent) : QObject(parent), bus_(bus) {}

QDBusConnection &DesktopNotifier::Bus() {
  if (!bus_) bus_ = QDBusConnection::sessionBus();
  return *bus_;
}

void DesktopNotifier::Show(const Notice &notice) {
  QDBusConnection &bus = Bus();
  if (!bus.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
  const quint32 replaces = notice.key.isEmpty() ? 0 : shownIds_.value(notice.key, 0);
  QVariantMap hints;
  hints.insert(QStringLiteral("urgency"), QVariant::fromValue(kUrgencyByte[int(notice.urgency)]));
  hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("vistrel"));
  call << QStringLiteral("Vistrel") << replaces << QStringLiteral("vistrel") << notice.summary << notice.body
       << QStringList() << hints << kServerDecidesExpiry;
  ++pending_;
  auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, key = notice.key](QDBusPendingCallWatcher *w) {
    const QDBusPendingReply<quint32> reply = *w;
    w->deleteLater();
    --pending_;
    if (!reply.isError() && !key.isEmpty()) shownIds_.insert(key, reply.value());
    emit answered(!reply.isError());
  });
}

}  // namespace vistrel::platform
