#include "sources/testdevices.h"

#include "sources/testdevice_parts.h"
#include "sources/testdevicenotifier.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <mutex>

namespace vistrel::sources {

namespace {

std::vector<TestDeviceInfo> BuiltIn() {
  return {
      {TestDeviceKind::Camera, "Vistrel Test Camera", "vistrel-test:camera", true, false},
      {TestDeviceKind::CaptureCard, "Vistrel Test Capture Card", "vistrel-test:capture-card", true, true},
      {TestDeviceKind::Microphone, "Vistrel Test Microphone", "vistrel-test:microphone", false, true},
      {TestDeviceKind::DvCamcorder, "Vistrel Test DV Camcorder", "vistrel-test:dv-camcorder", true, true},
      {TestDeviceKind::MpegEncoder, "Vistrel Test MPEG Encoder", "vistrel-test:mpeg-encoder", true, true},
  };
}

// Devices plugged in and out at run time; the built-in ones are fixed.
std::mutex g_mutex;
std::vector<TestDeviceInfo> g_added;
std::vector<QString> g_removed;  // built-in monikers unplugged by the hook

}  // namespace

void TestDeviceNotifierObject::Notify() {
  if (QThread::currentThread() == thread())
    emit changed();
  else
    QMetaObject::invokeMethod(this, &TestDeviceNotifierObject::changed, Qt::QueuedConnection);
}

bool TestDevicesEnabled() { return qEnvironmentVariable("VISTREL_TEST_DEVICES") == QLatin1String("1"); }

std::vector<TestDeviceInfo> ListTestDevices() {
  std::lock_guard lock(g_mutex);
  std::vector<TestDeviceInfo> list;
  for (auto &d : BuiltIn())
    if (std::find(g_removed.begin(), g_removed.end(), d.moniker) == g_removed.end()) list.push_back(d);
  list.insert(list.end(), g_added.begin(), g_added.end());
  return list;
}

media::ElementRef CreateTestDeviceSource(const TestDeviceInfo &info) {
  switch (info.kind) {
    case TestDeviceKind::Camera: return detail::MakeTestCamera();
    case TestDeviceKind::CaptureCard: return detail::MakeTestCaptureCard();
    case TestDeviceKind::Microphone: return detail::MakeTestMicrophone();
    case TestDeviceKind::DvCamcorder: return detail::MakeTestDvCamcorder();
    case TestDeviceKind::MpegEncoder: return detail::MakeTestMpegEncoder();
  }
  return {};
}

void AddTestDevice(const TestDeviceInfo &info) {
  {
    std::lock_guard lock(g_mutex);
    std::erase_if(g_added, [&](const TestDeviceInfo &d) { return d.moniker == info.moniker; });
    std::erase(g_removed, info.moniker);
    const auto builtIn = BuiltIn();
    const bool isBuiltIn = std::any_of(builtIn.begin(), builtIn.end(), [&](auto &d) { return d.moniker == info.moniker; });
    if (!isBuiltIn) g_added.push_back(info);
  }
  static_cast<TestDeviceNotifierObject *>(TestDeviceNotifier())->Notify();
}

void RemoveTestDevice(const QString &moniker) {
  bool removed = false;
  {
    std::lock_guard lock(g_mutex);
    removed = std::erase_if(g_added, [&](const TestDeviceInfo &d) { return d.moniker == moniker; }) > 0;
    const auto builtIn = BuiltIn();
    if (std::any_of(builtIn.begin(), builtIn.end(), [&](auto &d) { return d.moniker == moniker; }) &&
        std::find(g_removed.begin(), g_removed.end(), moniker) == g_removed.end()) {
      g_removed.push_back(moniker);
      removed = true;
    }
  }
  // Unplugging what is not there changes nothing and tells no one.
  if (removed) static_cast<TestDeviceNotifierObject *>(TestDeviceNotifier())->Notify();
}

QObject *TestDeviceNotifier() {
  static TestDeviceNotifierObject *notifier = [] {
    auto *n = new TestDeviceNotifierObject;  // lives for the run
    if (auto *app = QCoreApplication::instance()) n->moveToThread(app->thread());
    return n;
  }();
  return notifier;
}

}  // namespace vistrel::sources
