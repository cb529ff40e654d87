#include "media/bus.h"

#include <mutex>

namespace vistrel::media {

// Shared between the bus (which may call the handler from any thread) and the
// bridge; the bridge clears `target` before it goes, under the same lock the
// handler posts under, so no call is ever queued to a dead object.
struct BusBridge::Relay {
  std::mutex mutex;
  BusBridge *target = nullptr;
  MessageRef firstError;

  static GstBusSyncReply Handler(GstBus *, GstMessage *message, gpointer data) {
    auto *relay = static_cast<Relay *>(data);
    std::lock_guard lock(relay->mutex);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR && !relay->firstError)
      relay->firstError = MessageRef::Borrow(message);
    if (BusBridge *target = relay->target) {
      MessageRef ref = MessageRef::Borrow(message);
      QMetaObject::invokeMethod(
          target, [target, ref] { emit target->Message(ref); }, Qt::QueuedConnection);
    }
    return GST_BUS_DROP;
  }
  static void Destroy(gpointer data) { delete static_cast<Relay *>(data); }
};

BusBridge::BusBridge(GstBus *bus, QObject *parent) : QObject(parent), bus_(BusRef::Borrow(bus)) {
  static const int registered = qRegisterMetaType<vistrel::media::MessageRef>();
  Q_UNUSED(registered);
  if (!bus_) return;
  relay_ = new Relay;
  relay_->target = this;
  gst_bus_set_sync_handler(bus_.get(), &Relay::Handler, relay_, &Relay::Destroy);
}

MessageRef BusBridge::FirstError() const {
  if (!relay_) return {};
  std::lock_guard lock(relay_->mutex);
  return relay_->firstError;
}

void BusBridge::ForgetErrors() {
  if (!relay_) return;
  std::lock_guard lock(relay_->mutex);
  relay_->firstError.reset();
}

BusBridge::~BusBridge() {
  if (!bus_) return;
  {
    std::lock_guard lock(relay_->mutex);
    relay_->target = nullptr;
  }
  // The bus frees the relay once no handler call is running any more.
  gst_bus_set_sync_handler(bus_.get(), nullptr, nullptr, nullptr);
}

}  // namespace vistrel::media
