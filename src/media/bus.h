#pragma once
// Carries a pipeline's bus messages to the Qt main thread. The streaming
// threads that post them never wait: each message is handed over as a queued
// call and the posting thread returns at once.
#include "media/gstref.h"

#include <QMetaType>
#include <QObject>

#include <memory>

namespace vistrel::media {

class BusBridge : public QObject {
  Q_OBJECT
 public:
  // Watches `bus` from now on; messages arrive on this object's thread.
  explicit BusBridge(GstBus *bus, QObject *parent = nullptr);
  ~BusBridge() override;
  BusBridge(const BusBridge &) = delete;
  BusBridge &operator=(const BusBridge &) = delete;

  // The first error posted since the last ForgetErrors, held as it was
  // posted: an element that fails inside a state change posts on the caller's
  // thread, before its Message reaches this object, so the caller can still
  // say why the change failed. Empty when none came.
  MessageRef FirstError() const;
  void ForgetErrors();

 signals:
  void Message(vistrel::media::MessageRef message);

 private:
  struct Relay;
  BusRef bus_;
  Relay *relay_ = nullptr;  // owned by the bus's sync handler
};

}  // namespace vistrel::media

Q_DECLARE_METATYPE(vistrel::media::MessageRef)
