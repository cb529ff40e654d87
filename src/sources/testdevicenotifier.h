#pragma once
// The object behind TestDeviceNotifier(): tells the device lists that a test
// device came or went.
#include <QObject>

namespace vistrel::sources {

class TestDeviceNotifierObject : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  // Emits changed() on the notifier's (main) thread, queued when called
  // from another thread.
  void Notify();
 signals:
  void changed();
};

}  // namespace vistrel::sources
