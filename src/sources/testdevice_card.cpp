// The test capture card: a picture that depends on the selected input, with
// brightness, contrast, saturation and hue applied live, and a stereo tone.
#include "sources/testdevice_card.h"

#include "sources/testdevice_bin.h"
#include "sources/testdevice_parts.h"

#include <algorithm>

namespace vistrel::sources {

namespace {
constexpr const char *kControlsKey = "vistrel-capture-card-controls";
// Composite shows colour bars, S-Video a moving ball and the tuner snow, so a
// switch is visible.
constexpr int kInputPatterns[3] = {0 /* smpte */, 18 /* ball */, 1 /* snow */};
constexpr double kLinePitch = 660.0, kTunerPitch = 330.0, kSecondLanguagePitch = 990.0;

double PitchOf(int audioInput, int tvAudioMode) {
  if (audioInput == 1) return kLinePitch;
  return tvAudioMode == 2 ? kSecondLanguagePitch : kTunerPitch;
}
}  // namespace

int TestCaptureCardControls::Input() const {
  std::lock_guard lock(mutex_);
  return input_;
}

bool TestCaptureCardControls::SelectInput(int index) {
  if (index < 0 || index >= Inputs().size()) return false;
  std::lock_guard lock(mutex_);
  input_ = index;
  g_object_set(pattern_, "pattern", kInputPatterns[index], nullptr);
  return true;
}

int TestCaptureCardControls::AudioInput() const {
  std::lock_guard lock(mutex_);
  return audioInput_;
}

bool TestCaptureCardControls::SelectAudioInput(int index) {
  if (index < 0 || index >= AudioInputs().size()) return false;
  std::lock_guard lock(mutex_);
  audioInput_ = index;
  ApplyPitch();
  return true;
}

quint32 TestCaptureCardControls::Frequency() const {
  std::lock_guard lock(mutex_);
  return frequency_;
}

void TestCaptureCardControls::SetFrequency(quint32 kHz) {
  std::lock_guard lock(mutex_);
  frequency_ = kHz;
}

int TestCaptureCardControls::TvAudioMode() const {
  std::lock_guard lock(mutex_);
  return tvAudioMode_;
}

bool TestCaptureCardControls::SetTvAudioMode(int mode) {
  if (mode < 0 || mode > 4) return false;
  std::lock_guard lock(mutex_);
  tvAudioMode_ = mode;
  ApplyPitch();
  return true;
}

double TestCaptureCardControls::Pitch() const {
  std::lock_guard lock(mutex_);
  return PitchOf(audioInput_, tvAudioMode_);
}

void TestCaptureCardControls::ApplyPitch() {
  // Called with the mutex held.
  if (tone_) g_object_set(tone_, "freq", PitchOf(audioInput_, tvAudioMode_), nullptr);
}

std::vector<TestCaptureCardControls::Control> TestCaptureCardControls::Controls() {
  return {{QStringLiteral("Brightness"), 0, 255, 1, 128},
          {QStringLiteral("Contrast"), 0, 255, 1, 128},
          {QStringLiteral("Saturation"), 0, 255, 1, 128},
          {QStringLiteral("Hue"), -180, 180, 1, 0}};
}

std::optional<int> TestCaptureCardControls::Value(const QString &name) const {
  std::lock_guard lock(mutex_);
  for (auto &[n, v] : values_)
    if (n == name) return v;
  for (auto &c : Controls())
    if (c.name == name) return c.defaultValue;
  return std::nullopt;
}

bool TestCaptureCardControls::SetValue(const QString &name, int value) {
  for (auto &c : Controls()) {
    if (c.name != name) continue;
    value = std::clamp(value, c.minimum, c.maximum);
    std::lock_guard lock(mutex_);
    auto it = std::find_if(values_.begin(), values_.end(), [&](auto &p) { return p.first == name; });
    if (it == values_.end())
      values_.emplace_back(name, value);
    else
      it->second = value;
    Apply(name, value);
    return true;
  }
  return false;
}

void TestCaptureCardControls::Apply(const QString &name, int value) {
  // The card's 0..255 scales around 128 map onto videobalance's ranges.
  if (name == QLatin1String("Brightness"))
    g_object_set(balance_, "brightness", (value - 128) / 128.0, nullptr);
  else if (name == QLatin1String("Contrast"))
    g_object_set(balance_, "contrast", value / 128.0, nullptr);
  else if (name == QLatin1String("Saturation"))
    g_object_set(balance_, "saturation", value / 128.0, nullptr);
  else if (name == QLatin1String("Hue"))
    g_object_set(balance_, "hue", value / 180.0, nullptr);
}

TestCaptureCardControls *TestCaptureCardControlsOf(GstElement *sourceBin) {
  return detail::Attached<TestCaptureCardControls>(sourceBin, kControlsKey);
}

namespace detail {

media::ElementRef MakeTestCaptureCard() {
  media::ElementRef bin = NewDeviceBin("Vistrel Test Capture Card");
  GstElement *src = AddElement(bin.get(), "videotestsrc", "input");
  GstElement *i420 = AddElement(bin.get(), "capsfilter");
  GstElement *balance = AddElement(bin.get(), "videobalance", "controls");
  GstElement *convert = AddElement(bin.get(), "videoconvert");
  GstElement *format = AddElement(bin.get(), "capsfilter");
  if (!src || !i420 || !balance || !convert || !format) return {};
  g_object_set(src, "is-live", TRUE, "pattern", kInputPatterns[0], nullptr);
  media::CapsRef raw = media::CapsRef::Adopt(gst_caps_from_string("video/x-raw,format=I420"));
  g_object_set(i420, "caps", raw.get(), nullptr);
  // A PAL card: full and half size, YUY2 or BGR.
  media::CapsRef offered = media::CapsRef::Adopt(gst_caps_from_string(
      "video/x-raw,format=YUY2,width=720,height=576,framerate=25/1,pixel-aspect-ratio=16/15;"
      "video/x-raw,format=BGR,width=720,height=576,framerate=25/1,pixel-aspect-ratio=16/15;"
      "video/x-raw,format=YUY2,width=360,height=288,framerate=25/1,pixel-aspect-ratio=16/15"));
  g_object_set(format, "caps", offered.get(), nullptr);
  if (!gst_element_link_many(src, i420, balance, convert, format, nullptr)) return {};
  media::PadRef out = media::PadRef::Adopt(gst_element_get_static_pad(format, "src"));
  if (!AddGhost(bin.get(), "video", out.get())) return {};
  if (!AddToneBranch(bin.get(), kLinePitch)) return {};
  // The bin owns the tone; the controls only borrow it, as the other elements.
  media::ElementRef tone = media::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(bin.get()), "tone"));
  Attach(bin.get(), kControlsKey, new TestCaptureCardControls(src, balance, tone.get()));
  return bin;
}

}  // namespace detail
}  // namespace vistrel::sources
