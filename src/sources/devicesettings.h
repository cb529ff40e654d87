#pragma once
// What a device lets the user adjust: its inputs (the crossbar routes of a
// capture card), its picture and camera controls, and a TV tuner. Real
// devices answer through V4L2; the test capture card through its own bin.
#include "sources/capturedevice.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace vistrel::sources {

struct DeviceInput {
  QString name;
  int physicalType = 0;  // the crossbar pin types: 1 tuner, 2 composite, 3 S-Video...
};
// Picture inputs have the types below 4096; from 4096 on they are sound inputs.
inline bool IsVideoInput(const DeviceInput &input) { return input.physicalType < 4096; }

struct DeviceControl {
  quint32 id = 0;
  QString name;
  bool boolean = false;
  bool camera = false;  // a camera control (focus, zoom...) rather than a picture control
  int minimum = 0, maximum = 0, step = 1, defaultValue = 0, value = 0;
};

class DeviceSettings {
 public:
  virtual ~DeviceSettings() = default;
  virtual std::vector<DeviceInput> Inputs() const = 0;
  virtual int CurrentInput() const = 0;
  virtual bool SelectInput(int index) = 0;
  virtual std::vector<DeviceControl> Controls() const = 0;
  virtual bool SetControl(quint32 id, int value) = 0;
  virtual bool HasTuner() const { return false; }
  // Tuner frequency in kHz; 0 when unknown.
  virtual quint32 Frequency() const { return 0; }
  virtual bool SetFrequency(quint32) { return false; }
};

// Puts the device on input `index` when it has inputs and that one exists;
// false otherwise (-1, the usual "none chosen", routes nothing).
bool RouteInput(const TCaptureDevice &device, int index);

// The physical pin type names the input menu shows.
QString NomTypePin(int type);

// The settings of a device, or null when it offers none.
std::unique_ptr<DeviceSettings> SettingsOf(const TCaptureDevice &device);
// A V4L2 node's settings; null when it cannot be opened.
std::unique_ptr<DeviceSettings> OpenV4l2Settings(const QString &devicePath);
// The capture side of an ALSA card's mixer ("hw:0"); null when it cannot be
// opened or has nothing for capture.
std::unique_ptr<DeviceSettings> OpenAlsaMixerSettings(const QString &card);

// The items of a settings menu, in order; "-" is a separator. The input
// submenu lists one name per input, `checkedInput` marking the current one.
struct SettingsMenuModel {
  QStringList items;
  QStringList inputs;
  int checkedInput = -1;
};
// `previewTypeCount`: the formats of a preview output of the device's own
// (0: it has none, its preview is taken from the capture stream).
SettingsMenuModel VideoMenuModel(const DeviceSettings *settings, int mediaTypeCount, int previewTypeCount = 0);
SettingsMenuModel AudioMenuModel(const DeviceSettings *settings, int audioFormatCount);
inline const QString kNoSettingsTab = QStringLiteral("[no settings tab]");

}  // namespace vistrel::sources
