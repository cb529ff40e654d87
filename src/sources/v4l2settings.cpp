// Inputs, controls and tuner of a V4L2 capture node.
#include "sources/devicesettings.h"

#include <QFile>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>

namespace vistrel::sources {
namespace {

// A node's driver entry; restarted when a signal interrupts it.
V4l2Ioctl NodeIoctl(int fd) {
  return [fd](unsigned long request, void *arg) {
    int r;
    do r = ioctl(fd, request, arg);
    while (r == -1 && errno == EINTR);
    return r;
  };
}

int InputType(const v4l2_input &in) {
  if (in.type == V4L2_INPUT_TYPE_TUNER) return 1;
  const QString name = QString::fromLatin1(reinterpret_cast<const char *>(in.name)).toLower();
  if (name.contains(QLatin1String("s-video")) || name.contains(QLatin1String("svideo"))) return 3;
  if (name.contains(QLatin1String("composite"))) return 2;
  if (name.contains(QLatin1String("usb")) || name.contains(QLatin1String("camera"))) return 11;
  return 2;
}

class V4l2Settings : public DeviceSettings {
 public:
  V4l2Settings(V4l2Ioctl ioctl, int fd) : ioctl_(std::move(ioctl)), fd_(fd) {}
  ~V4l2Settings() override {
    if (fd_ >= 0) ::close(fd_);
  }

  std::vector<DeviceInput> Inputs() const override {
    std::vector<DeviceInput> out;
    for (__u32 i = 0; i < 64; ++i) {
      v4l2_input in{};
      in.index = i;
      if (Call(VIDIOC_ENUMINPUT, &in) != 0) break;
      DeviceInput input{QString::fromLatin1(reinterpret_cast<const char *>(in.name)), InputType(in)};
      // The lowest sound input this picture input can go with is its related one.
      if (in.audioset) input.relatedAudio = std::countr_zero(in.audioset);
      out.push_back(input);
    }
    return out;
  }

  std::vector<DeviceInput> AudioInputs() const override {
    std::vector<DeviceInput> out;
    for (__u32 i = 0; i < 32; ++i) {
      v4l2_audio a{};
      a.index = i;
      if (Call(VIDIOC_ENUMAUDIO, &a) != 0) break;
      const QString name = QString::fromLatin1(reinterpret_cast<const char *>(a.name));
      out.push_back({name, SoundPinType(name)});
    }
    return out;
  }
  int CurrentAudioInput() const override {
    v4l2_audio a{};
    return Call(VIDIOC_G_AUDIO, &a) == 0 ? int(a.index) : -1;
  }
  bool SelectAudioInput(int index) override {
    if (index < 0) return false;
    v4l2_audio a{};
    a.index = __u32(index);
    return Call(VIDIOC_S_AUDIO, &a) == 0;
  }
  int CurrentInput() const override {
    int index = -1;
    return Call(VIDIOC_G_INPUT, &index) == 0 ? index : -1;
  }
  bool SelectInput(int index) override { return index >= 0 && Call(VIDIOC_S_INPUT, &index) == 0; }

  std::vector<DeviceControl> Controls() const override {
    std::vector<DeviceControl> out;
    v4l2_queryctrl q{};
    q.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    while (Call(VIDIOC_QUERYCTRL, &q) == 0) {
      const bool usable = !(q.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY)) &&
                          (q.type == V4L2_CTRL_TYPE_INTEGER || q.type == V4L2_CTRL_TYPE_BOOLEAN ||
                           q.type == V4L2_CTRL_TYPE_MENU);
      if (usable) {
        DeviceControl c;
        c.id = q.id;
        c.name = QString::fromLatin1(reinterpret_cast<const char *>(q.name));
        c.boolean = q.type == V4L2_CTRL_TYPE_BOOLEAN;
        c.camera = V4L2_CTRL_ID2CLASS(q.id) == V4L2_CTRL_CLASS_CAMERA;
        c.minimum = q.minimum;
        c.maximum = q.maximum;
        c.step = q.step > 0 ? q.step : 1;
        c.defaultValue = q.default_value;
        v4l2_control value{};
        value.id = q.id;
        c.value = Call(VIDIOC_G_CTRL, &value) == 0 ? value.value : q.default_value;
        out.push_back(c);
      }
      q.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
    }
    return out;
  }
  bool SetControl(quint32 id, int value) override {
    v4l2_control c{};
    c.id = id;
    c.value = value;
    return Call(VIDIOC_S_CTRL, &c) == 0;
  }

  bool HasTuner() const override {
    v4l2_tuner t{};
    return Call(VIDIOC_G_TUNER, &t) == 0;
  }
  quint32 Frequency() const override {
    v4l2_tuner t{};
    v4l2_frequency f{};
    if (Call(VIDIOC_G_TUNER, &t) != 0 || Call(VIDIOC_G_FREQUENCY, &f) != 0) return 0;
    // Units of 62.5 kHz, or 62.5 Hz for low-frequency tuners.
    return (t.capability & V4L2_TUNER_CAP_LOW) ? quint32(f.frequency * 625ull / 10000) : quint32(f.frequency * 625ull / 10);
  }
  bool SetFrequency(quint32 kHz) override {
    v4l2_tuner t{};
    if (Call(VIDIOC_G_TUNER, &t) != 0) return false;
    v4l2_frequency f{};
    f.tuner = 0;
    f.type = t.type;
    f.frequency = (t.capability & V4L2_TUNER_CAP_LOW) ? __u32(kHz * 10000ull / 625) : __u32(kHz * 10ull / 625);
    return Call(VIDIOC_S_FREQUENCY, &f) == 0;
  }

  std::vector<TvAudioMode> TvAudioModes() const override {
    v4l2_tuner t{};
    if (Call(VIDIOC_G_TUNER, &t) != 0) return {};
    std::vector<TvAudio> modes{TvAudio::Mono};
    if (t.capability & V4L2_TUNER_CAP_STEREO) modes.push_back(TvAudio::Stereo);
    if (t.capability & V4L2_TUNER_CAP_LANG1) modes.push_back(TvAudio::Language1);
    if (t.capability & V4L2_TUNER_CAP_LANG2) modes.push_back(TvAudio::Language2);
    if ((t.capability & V4L2_TUNER_CAP_LANG1) && (t.capability & V4L2_TUNER_CAP_LANG2))
      modes.push_back(TvAudio::Language1And2);
    return NamedTvAudioModes(modes);
  }
  int CurrentTvAudioMode() const override {
    v4l2_tuner t{};
    return Call(VIDIOC_G_TUNER, &t) == 0 ? int(t.audmode) : -1;
  }
  bool SetTvAudioMode(int mode) override {
    v4l2_tuner t{};
    if (mode < 0 || Call(VIDIOC_G_TUNER, &t) != 0) return false;
    t.audmode = __u32(mode);
    return Call(VIDIOC_S_TUNER, &t) == 0;
  }
  QStringList TvAudioReceived() const override {
    v4l2_tuner t{};
    if (Call(VIDIOC_G_TUNER, &t) != 0) return {};
    QStringList out;
    if (t.rxsubchans & V4L2_TUNER_SUB_STEREO) out << TvAudioName(TvAudio::Stereo);
    else if (t.rxsubchans & V4L2_TUNER_SUB_MONO) out << TvAudioName(TvAudio::Mono);
    if (t.rxsubchans & V4L2_TUNER_SUB_LANG1) out << TvAudioName(TvAudio::Language1);
    if (t.rxsubchans & V4L2_TUNER_SUB_LANG2) out << TvAudioName(TvAudio::Language2);
    return out;
  }

 private:
  int Call(unsigned long request, void *arg) const { return ioctl_(request, arg); }
  V4l2Ioctl ioctl_;
  int fd_;
};

}  // namespace

std::unique_ptr<DeviceSettings> OpenV4l2Settings(const QString &devicePath) {
  if (devicePath.isEmpty()) return nullptr;
  const int fd = ::open(QFile::encodeName(devicePath).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  V4l2Ioctl entry = NodeIoctl(fd);
  v4l2_capability cap{};
  if (entry(VIDIOC_QUERYCAP, &cap) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<V4l2Settings>(std::move(entry), fd);
}

std::unique_ptr<DeviceSettings> V4l2SettingsOver(V4l2Ioctl ioctl) {
  return std::make_unique<V4l2Settings>(std::move(ioctl), -1);
}

}  // namespace vistrel::sources
