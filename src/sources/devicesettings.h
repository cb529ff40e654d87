#pragma once
// What a device lets the user adjust: its inputs (the crossbar routes of a
// capture card), its picture and camera controls, and a TV tuner. Real
// devices answer through V4L2; the test capture card through its own bin.
#include "sources/capturedevice.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace vistrel::sources {

struct DeviceInput {
  QString name;
  int physicalType = 0;  // the crossbar pin types: 1 tuner, 2 composite, 3 S-Video...
  // The sound input that goes with this picture input (the crossbar's
  // related pin), an index into AudioInputs(); -1 for none.
  int relatedAudio = -1;
};
// The sound modes of a tuner, numbered as V4L2 numbers them.
enum class TvAudio { Mono = 0, Stereo = 1, Language2 = 2, Language1 = 3, Language1And2 = 4 };
struct TvAudioMode {
  TvAudio mode;
  QString name;
};
QString TvAudioName(TvAudio mode);
std::vector<TvAudioMode> NamedTvAudioModes(const std::vector<TvAudio> &modes);

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
  // The sound side of a card's routing (a second, audio crossbar): the
  // inputs its sound can come from, beside the picture inputs.
  virtual std::vector<DeviceInput> AudioInputs() const { return {}; }
  virtual int CurrentAudioInput() const { return -1; }
  virtual bool SelectAudioInput(int) { return false; }
  virtual bool HasTuner() const { return false; }
  // Tuner frequency in kHz; 0 when unknown.
  virtual quint32 Frequency() const { return 0; }
  virtual bool SetFrequency(quint32) { return false; }
  // A TV tuner's sound: which of the broadcast's channels are heard.
  virtual std::vector<TvAudioMode> TvAudioModes() const { return {}; }
  virtual int CurrentTvAudioMode() const { return -1; }
  virtual bool SetTvAudioMode(int) { return false; }
  // What the tuner receives now, as names of modes ("Stereo"...).
  virtual QStringList TvAudioReceived() const { return {}; }
};

// Routes picture input `index` and, when it has one, its related sound
// input; the answer is that of the last routing done.
bool RouterEntree(DeviceSettings &settings, int index);
// A device has a crossbar when it has analogue inputs to choose from, not
// the single input of a camera.
bool HasCrossbar(const std::vector<DeviceInput> &inputs);

// Puts the device on input `index` when it has inputs and that one exists;
// false otherwise (-1, the usual "none chosen", routes nothing).
bool RouteInput(const TCaptureDevice &device, int index);

// The physical type of a sound input, from the name the driver gives it.
int SoundPinType(const QString &name);

// The physical pin type names the input menu shows.
QString NomTypePin(int type);

// The settings of a device, or null when it offers none.
std::unique_ptr<DeviceSettings> SettingsOf(const TCaptureDevice &device);
// A V4L2 node's settings; null when it cannot be opened.
std::unique_ptr<DeviceSettings> OpenV4l2Settings(const QString &devicePath);
// The same settings over any driver entry taking V4L2 requests: the tests
// answer them as a TV card's driver does.
using V4l2Ioctl = std::function<int(unsigned long request, void *arg)>;
std::unique_ptr<DeviceSettings> V4l2SettingsOver(V4l2Ioctl ioctl);
// The capture side of an ALSA card's mixer ("hw:0"); null when it cannot be
// opened or has nothing for capture.
std::unique_ptr<DeviceSettings> OpenAlsaMixerSettings(const QString &card);
// The V4L2 node ("/dev/video1") of the same board or USB device as an ALSA
// card ("hw:2"): a TV card's sound is a card of its own. Empty when none.
QString SiblingVideoNode(const QString &alsaCard, const QString &sysRoot = QStringLiteral("/sys"));
// The settings of a sound card, with the TV sound modes of the tuner on its
// board when there is one; null when there is neither.
std::unique_ptr<DeviceSettings> OpenSoundCardSettings(const QString &card);

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
