#pragma once
// The system device enumerator: one place that lists the devices of a
// category from every provider, in provider order, and tells the main thread
// when devices arrive or leave.
#include "sources/moniker.h"

#include <QObject>

#include <memory>
#include <vector>

namespace vistrel::sources {

class DeviceProvider {
 public:
  virtual ~DeviceProvider() = default;
  virtual QString Name() const = 0;
  virtual std::vector<DeviceMoniker> Enumerate(DeviceCategory category) = 0;
};

class SystemDeviceEnumerator : public QObject {
  Q_OBJECT
 public:
  explicit SystemDeviceEnumerator(QObject *parent = nullptr);
  ~SystemDeviceEnumerator() override;

  // The program's enumerator: the test devices when enabled, the device
  // monitor and the IEEE 1394 bus.
  static SystemDeviceEnumerator &Instance();

  void AddProvider(std::unique_ptr<DeviceProvider> provider);
  std::vector<DeviceMoniker> Enumerate(DeviceCategory category);
  QStringList ProviderNames() const;

public slots:
  // Providers call this from any thread; the signal is emitted on the
  // enumerator's thread, coalesced when several arrive together.
  void NotifyDeviceChange();

 signals:
  void DeviceChange();

 private:
  std::vector<std::unique_ptr<DeviceProvider>> providers_;
  bool pending_ = false;
};

// The providers, for building enumerators with a chosen set.
std::unique_ptr<DeviceProvider> MakeTestDeviceProvider(SystemDeviceEnumerator *notify);
std::unique_ptr<DeviceProvider> MakeMonitorProvider(SystemDeviceEnumerator *notify);
std::unique_ptr<DeviceProvider> MakeIeee1394Provider();

}  // namespace vistrel::sources
