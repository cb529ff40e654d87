// The capture side of an ALSA card's mixer: capture volumes and switches as
// controls, and the capture source choice (line, microphone...) as inputs.
#include "sources/devicesettings.h"

#include <alsa/asoundlib.h>

#include <algorithm>

namespace vistrel::sources {
namespace {

class AlsaMixerSettings : public DeviceSettings {
 public:
  explicit AlsaMixerSettings(snd_mixer_t *mixer) : mixer_(mixer) {
    for (snd_mixer_elem_t *e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e)) {
      if (!snd_mixer_selem_is_active(e)) continue;
      if (snd_mixer_selem_has_capture_volume(e)) entries_.push_back({e, Kind::Volume});
      if (snd_mixer_selem_has_capture_switch(e)) entries_.push_back({e, Kind::Switch});
      if (!source_ && snd_mixer_selem_is_enum_capture(e)) source_ = e;
    }
  }
  ~AlsaMixerSettings() override { snd_mixer_close(mixer_); }

  std::vector<DeviceInput> Inputs() const override {
    std::vector<DeviceInput> out;
    if (!source_) return out;
    const int n = snd_mixer_selem_get_enum_items(source_);
    for (int i = 0; i < n; ++i) {
      char name[64] = {};
      if (snd_mixer_selem_get_enum_item_name(source_, unsigned(i), sizeof name - 1, name) < 0) break;
      const QString text = QString::fromLocal8Bit(name);
      out.push_back({text, SoundPinType(text)});
    }
    return out;
  }
  int CurrentInput() const override {
    unsigned item = 0;
    if (!source_ || snd_mixer_selem_get_enum_item(source_, SND_MIXER_SCHN_FRONT_LEFT, &item) < 0) return -1;
    return int(item);
  }
  bool SelectInput(int index) override {
    if (!source_ || index < 0 || index >= snd_mixer_selem_get_enum_items(source_)) return false;
    bool ok = true;
    for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
      const auto channel = static_cast<snd_mixer_selem_channel_id_t>(ch);
      if (snd_mixer_selem_has_capture_channel(source_, channel))
        ok &= snd_mixer_selem_set_enum_item(source_, channel, unsigned(index)) >= 0;
    }
    return ok;
  }

  std::vector<DeviceControl> Controls() const override {
    std::vector<DeviceControl> out;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      const Entry &en = entries_[i];
      DeviceControl c;
      c.id = quint32(i + 1);
      const QString base = QString::fromLocal8Bit(snd_mixer_selem_get_name(en.elem));
      if (en.kind == Kind::Volume) {
        long lo = 0, hi = 0, v = 0;
        snd_mixer_selem_get_capture_volume_range(en.elem, &lo, &hi);
        snd_mixer_selem_get_capture_volume(en.elem, SND_MIXER_SCHN_FRONT_LEFT, &v);
        c.name = base + QStringLiteral(" Capture Volume");
        c.minimum = int(lo);
        c.maximum = int(hi);
        c.defaultValue = c.value = int(v);
      } else {
        int on = 0;
        snd_mixer_selem_get_capture_switch(en.elem, SND_MIXER_SCHN_FRONT_LEFT, &on);
        c.name = base + QStringLiteral(" Capture Switch");
        c.boolean = true;
        c.maximum = 1;
        c.defaultValue = c.value = on ? 1 : 0;
      }
      out.push_back(c);
    }
    return out;
  }
  bool SetControl(quint32 id, int value) override {
    if (id < 1 || id > entries_.size()) return false;
    const Entry &en = entries_[id - 1];
    if (en.kind == Kind::Switch) return snd_mixer_selem_set_capture_switch_all(en.elem, value ? 1 : 0) >= 0;
    long lo = 0, hi = 0;
    snd_mixer_selem_get_capture_volume_range(en.elem, &lo, &hi);
    const long v = std::clamp<long>(value, lo, hi);
    return snd_mixer_selem_set_capture_volume_all(en.elem, v) >= 0;
  }

 private:
  enum class Kind { Volume, Switch };
  struct Entry {
    snd_mixer_elem_t *elem;
    Kind kind;
  };
  snd_mixer_t *mixer_;
  std::vector<Entry> entries_;
  snd_mixer_elem_t *source_ = nullptr;
};

}  // namespace

std::unique_ptr<DeviceSettings> OpenAlsaMixerSettings(const QString &card) {
  snd_mixer_t *mixer = nullptr;
  if (card.isEmpty() || snd_mixer_open(&mixer, 0) < 0) return nullptr;
  const QByteArray name = card.toLocal8Bit();
  if (snd_mixer_attach(mixer, name.constData()) < 0 || snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 ||
      snd_mixer_load(mixer) < 0) {
    snd_mixer_close(mixer);
    return nullptr;
  }
  auto settings = std::make_unique<AlsaMixerSettings>(mixer);
  // A card whose mixer has nothing for capture offers no settings.
  if (settings->Controls().empty() && settings->Inputs().empty()) return nullptr;
  return settings;
}

}  // namespace vistrel::sources
