#include "sources/enumerator.h"

#include "sources/testdevices.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

namespace vistrel::sources {

SystemDeviceEnumerator::SystemDeviceEnumerator(QObject *parent) : QObject(parent) {}
SystemDeviceEnumerator::~SystemDeviceEnumerator() = default;

SystemDeviceEnumerator &SystemDeviceEnumerator::Instance() {
  static SystemDeviceEnumerator *instance = [] {
    auto *e = new SystemDeviceEnumerator(QCoreApplication::instance());
    if (TestDevicesEnabled()) e->AddProvider(MakeTestDeviceProvider(e));
    e->AddProvider(MakeMonitorProvider(e));
    e->AddProvider(MakeIeee1394Provider());
    return e;
  }();
  return *instance;
}

void SystemDeviceEnumerator::AddProvider(std::unique_ptr<DeviceProvider> provider) {
  if (provider) providers_.push_back(std::move(provider));
}

std::vector<DeviceMoniker> SystemDeviceEnumerator::Enumerate(DeviceCategory category) {
  std::vector<DeviceMoniker> all;
  for (auto &p : providers_) {
    for (auto &m : p->Enumerate(category)) all.push_back(std::move(m));
  }
  return all;
}

QStringList SystemDeviceEnumerator::ProviderNames() const {
  QStringList names;
  for (const auto &p : providers_) names << p->Name();
  return names;
}

void SystemDeviceEnumerator::NotifyDeviceChange() {
  QPointer<SystemDeviceEnumerator> self(this);
  QMetaObject::invokeMethod(
      this,
      [self] {
        if (!self || self->pending_) return;
        self->pending_ = true;
        // A burst (a card with a video and an audio node) becomes one change.
        QMetaObject::invokeMethod(
            self,
            [self] {
              if (!self) return;
              self->pending_ = false;
              emit self->DeviceChange();
            },
            Qt::QueuedConnection);
      },
      Qt::QueuedConnection);
}

}  // namespace vistrel::sources
