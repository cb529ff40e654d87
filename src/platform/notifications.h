#pragma once
// Desktop notifications through the freedesktop notification service on the
// session bus. Each call is sent without waiting for the answer: the user
// interface never stops for a slow or absent server, and a desktop with no
// bus or no notification server simply shows nothing.
#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>
#include <optional>

namespace vistrel::platform {

enum class Urgency { Low, Normal, Critical };

struct Notice {
  QString summary, body;
  Urgency urgency = Urgency::Normal;
  // Notices with the same non-empty key take each other's place on the
  // desktop, so a series (interval grabs) shows one bubble that goes on.
  QString key;
};

class DesktopNotifier : public QObject {
  Q_OBJECT
 public:
  // On the session bus, reached only when the first notice is sent.
  explicit DesktopNotifier(QObject *parent = nullptr);
  DesktopNotifier(const QDBusConnection &bus, QObject *parent = nullptr);

  void Show(const Notice &notice);
  // Calls sent whose answer has not come yet.
  int Pending() const { return pending_; }

 signals:
  // The server answered a notice (`shown` false: an error or no server).
  void answered(bool shown);

 private:
  QDBusConnection &Bus();
  std::optional<QDBusConnection> bus_;
  QHash<QString, quint32> shownIds_;  // by key, the server's id of the last notice
  int pending_ = 0;
};

}  // namespace vistrel::platform
