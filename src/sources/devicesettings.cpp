#include "sources/devicesettings.h"

#include "sources/testdevice_card.h"

#include <algorithm>

namespace vistrel::sources {

namespace {

class TestCardSettings : public DeviceSettings {
 public:
  explicit TestCardSettings(TestCaptureCardControls *card) : card_(card) {}
  std::vector<DeviceInput> Inputs() const override {
    std::vector<DeviceInput> out;
    const QStringList names = card_->Inputs();
    for (int i = 0; i < names.size(); ++i) {
      const QString &name = names[i];
      out.push_back({name, name.contains(QLatin1String("S-Video")) ? 3 : name.contains(QLatin1String("Tuner")) ? 1 : 2,
                     TestCaptureCardControls::RelatedAudio(i)});
    }
    return out;
  }
  int CurrentInput() const override { return card_->Input(); }
  bool SelectInput(int index) override { return card_->SelectInput(index); }
  std::vector<DeviceInput> AudioInputs() const override {
    std::vector<DeviceInput> out;
    for (const QString &name : card_->AudioInputs()) out.push_back({name, SoundPinType(name)});
    return out;
  }
  int CurrentAudioInput() const override { return card_->AudioInput(); }
  bool SelectAudioInput(int index) override { return card_->SelectAudioInput(index); }
  bool HasTuner() const override { return true; }
  quint32 Frequency() const override { return card_->Frequency(); }
  bool SetFrequency(quint32 kHz) override {
    card_->SetFrequency(kHz);
    return true;
  }
  std::vector<TvAudioMode> TvAudioModes() const override {
    return NamedTvAudioModes(
        {TvAudio::Mono, TvAudio::Stereo, TvAudio::Language1, TvAudio::Language2, TvAudio::Language1And2});
  }
  int CurrentTvAudioMode() const override { return card_->TvAudioMode(); }
  bool SetTvAudioMode(int mode) override { return card_->SetTvAudioMode(mode); }
  QStringList TvAudioReceived() const override {
    return {TvAudioName(TvAudio::Stereo), TvAudioName(TvAudio::Language1), TvAudioName(TvAudio::Language2)};
  }
  std::vector<DeviceControl> Controls() const override {
    std::vector<DeviceControl> out;
    quint32 id = 1;
    for (const auto &c : TestCaptureCardControls::Controls()) {
      DeviceControl d;
      d.id = id++;
      d.name = c.name;
      d.minimum = c.minimum;
      d.maximum = c.maximum;
      d.step = c.step;
      d.defaultValue = c.defaultValue;
      d.value = card_->Value(c.name).value_or(c.defaultValue);
      out.push_back(d);
    }
    return out;
  }
  bool SetControl(quint32 id, int value) override {
    const auto all = TestCaptureCardControls::Controls();
    if (id < 1 || id > all.size()) return false;
    return card_->SetValue(all[id - 1].name, value);
  }

 private:
  TestCaptureCardControls *card_;
};

// The test microphone's input gain, the level of its tone; and its two
// inputs, the way a sound card offers microphone and line: each gives a tone
// of its own pitch, so a switch can be heard and measured.
class TestMicrophoneSettings : public DeviceSettings {
 public:
  explicit TestMicrophoneSettings(media::ElementRef tone) : tone_(std::move(tone)) {}
  static constexpr double kPitches[2] = {440.0, 880.0};
  std::vector<DeviceInput> Inputs() const override { return {{QStringLiteral("Mic"), 4098}, {QStringLiteral("Line In"), 4097}}; }
  int CurrentInput() const override {
    double freq = 0;
    g_object_get(tone_.get(), "freq", &freq, nullptr);
    return freq == kPitches[1] ? 1 : 0;
  }
  bool SelectInput(int index) override {
    if (index < 0 || index > 1) return false;
    g_object_set(tone_.get(), "freq", kPitches[index], nullptr);
    return true;
  }
  std::vector<DeviceControl> Controls() const override {
    double volume = 0;
    g_object_get(tone_.get(), "volume", &volume, nullptr);
    DeviceControl c;
    c.id = 1;
    c.name = QStringLiteral("Capture Volume");
    c.maximum = 100;
    c.defaultValue = 25;
    c.value = int(volume * 100 + 0.5);
    return {c};
  }
  bool SetControl(quint32 id, int value) override {
    if (id != 1) return false;
    g_object_set(tone_.get(), "volume", std::clamp(value, 0, 100) / 100.0, nullptr);
    return true;
  }

 private:
  media::ElementRef tone_;
};

}  // namespace

int SoundPinType(const QString &name) {
  const QString n = name.toLower();
  if (n.contains(QLatin1String("mic"))) return 4098;
  if (n.contains(QLatin1String("line"))) return 4097;
  if (n.contains(QLatin1String("tv")) || n.contains(QLatin1String("tuner"))) return 4096;
  if (n.contains(QLatin1String("spdif")) || n.contains(QLatin1String("iec958"))) return 4100;
  return 4102;  // aux
}

QString TvAudioName(TvAudio mode) {
  switch (mode) {
    case TvAudio::Mono: return QStringLiteral("Mono");
    case TvAudio::Stereo: return QStringLiteral("Stereo");
    case TvAudio::Language1: return QStringLiteral("Language A");
    case TvAudio::Language2: return QStringLiteral("Language B");
    case TvAudio::Language1And2: return QStringLiteral("Language A + B");
  }
  return {};
}

std::vector<TvAudioMode> NamedTvAudioModes(const std::vector<TvAudio> &modes) {
  std::vector<TvAudioMode> out;
  for (TvAudio m : modes) out.push_back({m, TvAudioName(m)});
  return out;
}

QString NomTypePin(int type) {
  static const char *const video[] = {"Video Tuner", "Video Composite", "Video SVideo", "Video RGB", "Video YRYBY",
                                      "Video SerialDigital", "Video ParallelDigital", "Video SCSI", "Video AUX",
                                      "Video 1394", "Video USB", "Video Decoder", "Video Encoder", "Video Scart"};
  static const char *const audio[] = {"Audio Tuner", "Audio Line", "Audio Mic", "Audio AESDigital",
                                      "Audio SPDIFDigital", "Audio SCSI", "Audio AUX", "Audio 1394",
                                      "Audio USB", "Audio Decoder"};
  if (type >= 1 && type <= 14) return QString::fromLatin1(video[type - 1]);
  if (type >= 4096 && type <= 4105) return QString::fromLatin1(audio[type - 4096]);
  return QStringLiteral("Unknown");
}

std::unique_ptr<DeviceSettings> SettingsOf(const TCaptureDevice &device) {
  if (device.SourceFilter) {
    if (auto *card = TestCaptureCardControlsOf(device.SourceFilter.get())) return std::make_unique<TestCardSettings>(card);
  }
  if (device.SourceFilter && GST_IS_BIN(device.SourceFilter.get()) && !TestCaptureCardControlsOf(device.SourceFilter.get())) {
    if (auto tone = media::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(device.SourceFilter.get()), "tone")))
      return std::make_unique<TestMicrophoneSettings>(std::move(tone));
  }
  const QString path = device.Moniker.DevicePath();
  if (path.startsWith(QLatin1String("alsa:"))) return OpenSoundCardSettings(path.mid(5));
  if (!path.isEmpty()) return OpenV4l2Settings(path);
  return nullptr;
}

bool RouteInput(const TCaptureDevice &device, int index) {
  if (index < 0) return false;
  auto settings = SettingsOf(device);
  if (!settings) return false;
  // Only picture inputs are routed here; a device's sound inputs are the
  // sound card entry's.
  const auto inputs = settings->Inputs();
  if (index >= int(inputs.size()) || !IsVideoInput(inputs[size_t(index)])) return false;
  // The picture only: the sound input is the card's own state, which the
  // sound crossbar page may have set apart from the picture's.
  return settings->SelectInput(index);
}

bool RouterEntree(DeviceSettings &settings, int index) {
  const auto inputs = settings.Inputs();
  if (index < 0 || index >= int(inputs.size())) return false;
  bool routed = settings.SelectInput(index);
  const int related = inputs[size_t(index)].relatedAudio;
  if (routed && related >= 0 && related < int(settings.AudioInputs().size())) routed = settings.SelectAudioInput(related);
  return routed;
}

bool HasCrossbar(const std::vector<DeviceInput> &inputs) {
  if (inputs.empty() || !std::all_of(inputs.begin(), inputs.end(), IsVideoInput)) return false;
  // A camera's one input ("Camera 1") routes nothing.
  return inputs.size() > 1 || inputs.front().physicalType != 11;
}

SettingsMenuModel VideoMenuModel(const DeviceSettings *settings, int mediaTypeCount, int previewTypeCount) {
  SettingsMenuModel m;
  if (settings && !settings->Controls().empty()) m.items << QStringLiteral("Video Capture Filter...");
  if (mediaTypeCount > 0) m.items << QStringLiteral("Video Capture Pin...");
  if (previewTypeCount > 0) m.items << QStringLiteral("Video Preview Pin...");
  if (!settings) return m;
  // Read once: on a V4L2 node each read is a request per input.
  const auto inputs = settings->Inputs();
  if (HasCrossbar(inputs)) {
    m.items << QStringLiteral("Video Crossbar...");
    if (!settings->AudioInputs().empty()) m.items << QStringLiteral("Second Crossbar...");
  }
  if (settings->HasTuner()) m.items << QStringLiteral("TV Tuner...");
  if (!inputs.empty() && std::all_of(inputs.begin(), inputs.end(), IsVideoInput)) {
    for (const auto &in : inputs) m.inputs << in.name;
    m.items << QStringLiteral("-") << QStringLiteral("Video Input");
    // The input the device is on now is the one checked; opening the menu
    // never switches inputs.
    const int current = settings->CurrentInput();
    m.checkedInput = current >= 0 && current < int(inputs.size()) ? current : 0;
  }
  return m;
}

SettingsMenuModel AudioMenuModel(const DeviceSettings *settings, int audioFormatCount) {
  SettingsMenuModel m;
  if (settings) {
    bool audioControls = false;
    for (const auto &c : settings->Controls())
      audioControls |= c.name.contains(QLatin1String("Volume")) || c.name.contains(QLatin1String("Audio"));
    if (audioControls) m.items << QStringLiteral("Audio Capture Filter...");
  }
  if (audioFormatCount > 0) m.items << QStringLiteral("Audio Capture Pin...");
  if (settings && !settings->TvAudioModes().empty()) m.items << QStringLiteral("TV Audio...");
  return m;
}

}  // namespace vistrel::sources
