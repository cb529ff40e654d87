// The built-in test devices as an enumerator provider: devices with a picture
// are video inputs, sound-only devices audio inputs.
#include "sources/enumerator.h"
#include "sources/testdevices.h"

namespace vistrel::sources {
namespace {

class TestDeviceProvider : public DeviceProvider {
 public:
  explicit TestDeviceProvider(SystemDeviceEnumerator *notify) {
    if (notify) QObject::connect(TestDeviceNotifier(), SIGNAL(changed()), notify, SLOT(NotifyDeviceChange()));
  }
  QString Name() const override { return QStringLiteral("test devices"); }

  std::vector<DeviceMoniker> Enumerate(DeviceCategory category) override {
    std::vector<DeviceMoniker> out;
    if (category == DeviceCategory::Crossbar) return out;
    for (const TestDeviceInfo &info : ListTestDevices()) {
      const bool wanted = category == DeviceCategory::VideoInput ? info.video : (info.audio && !info.video);
      if (!wanted) continue;
      out.emplace_back(QStringLiteral("test:") + info.moniker, info.friendlyName,
                       [info] { return CreateTestDeviceSource(info); });
    }
    return out;
  }
};

}  // namespace

std::unique_ptr<DeviceProvider> MakeTestDeviceProvider(SystemDeviceEnumerator *notify) {
  return std::make_unique<TestDeviceProvider>(notify);
}

}  // namespace vistrel::sources
