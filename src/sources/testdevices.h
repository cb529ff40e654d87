#pragma once
// Built-in devices that need no hardware. They are listed beside the real
// devices when VISTREL_TEST_DEVICES=1 (tests, demos) and go through the same
// graph code: each one is a live GStreamer source bin running in real time.
#include "media/gstref.h"

#include <QObject>
#include <QString>

#include <vector>

namespace vistrel::sources {

enum class TestDeviceKind { Camera, CaptureCard, Microphone, DvCamcorder, MpegEncoder };

struct TestDeviceInfo {
  TestDeviceKind kind;
  QString friendlyName;
  QString moniker;
  bool video;
  bool audio;
};

// True when the environment asks for the test devices (VISTREL_TEST_DEVICES=1).
bool TestDevicesEnabled();

// The five built-in devices followed by those added at run time with
// AddTestDevice (and not removed since). Empty-handed callers should check
// TestDevicesEnabled() first; this list does not depend on it.
std::vector<TestDeviceInfo> ListTestDevices();

// A live GstBin with ghost src pads "video" and/or "audio"; the DV camcorder
// has a single pad "dv" carrying video/x-dv,systemstream=true. Null for an
// unknown kind or when an element it needs is missing.
media::ElementRef CreateTestDeviceSource(const TestDeviceInfo &info);

// Hot-plug hook: adds (or replaces, same moniker) and removes a device at run
// time. Both emit changed() on TestDeviceNotifier(), on the main thread.
void AddTestDevice(const TestDeviceInfo &info);
void RemoveTestDevice(const QString &moniker);

// Emits changed() on the main thread after every hot-plug.
QObject *TestDeviceNotifier();

// The ExternalTransport of a test DV camcorder's source bin; null for other
// elements. Owned by the bin.
class ExternalTransport;
ExternalTransport *TestDeviceTransport(GstElement *sourceBin);

}  // namespace vistrel::sources
