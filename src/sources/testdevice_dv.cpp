// The test DV camcorder: PAL DV frames carrying a 1 kHz tone, with time code
// and recording date packs that follow the tape position.
#include "sources/testdevice_dv.h"

#include "filters/dvtestframes.h"
#include "sources/testdevice_bin.h"
#include "sources/testdevice_framesrc.h"
#include "sources/testdevice_parts.h"
#include "sources/testdevices.h"

#include <gst/app/gstappsink.h>

#include <algorithm>
#include <cmath>

namespace vistrel::sources {

namespace {

constexpr std::size_t kPalFrameSize = 144000;
constexpr int kLoopFrames = 25;  // one second of moving bars, repeated
constexpr const char *kTapeKey = "vistrel-dv-tape";

// avmux_dv writes the sound into the frames; a 1 kHz tone has a whole number
// of periods in a frame, so the loop of frames plays without a click.
std::vector<std::vector<std::uint8_t>> EncodeFrames(const char *video, const char *audio, int count) {
  gchar *desc = g_strdup_printf(
      "videotestsrc num-buffers=%d %s ! video/x-raw,format=I420,width=720,height=576,framerate=25/1 ! avenc_dvvideo "
      "! avmux_dv name=mux ! appsink name=out sync=false "
      "audiotestsrc num-buffers=%d samplesperbuffer=1920 %s ! audio/x-raw,format=S16LE,rate=48000,channels=2 ! mux.",
      count, video, count, audio);
  GError *err = nullptr;
  media::ElementRef pipeline = media::ElementRef::Adopt(gst_parse_launch(desc, &err));
  g_free(desc);
  media::ErrorPtr error(err);
  std::vector<std::vector<std::uint8_t>> frames;
  if (!pipeline || error) return frames;
  media::ElementRef sink = media::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  // The muxer writes in small pieces; whole frames are cut from the stream.
  std::vector<std::uint8_t> stream;
  while (media::SampleRef sample = media::SampleRef::Adopt(gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 10 * GST_SECOND))) {
    GstBuffer *buf = gst_sample_get_buffer(sample.get());
    const std::size_t at = stream.size();
    stream.resize(at + gst_buffer_get_size(buf));
    gst_buffer_extract(buf, 0, stream.data() + at, stream.size() - at);
  }
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  for (std::size_t at = 0; at + kPalFrameSize <= stream.size(); at += kPalFrameSize)
    frames.emplace_back(stream.begin() + at, stream.begin() + at + kPalFrameSize);
  return frames;
}

struct TapeFrames {
  std::vector<std::vector<std::uint8_t>> bars;
  std::vector<std::uint8_t> blue;
  bool ok() const { return bars.size() == kLoopFrames && blue.size() == kPalFrameSize; }
};

const TapeFrames &Frames() {
  static TapeFrames frames;
  static std::once_flag once;
  std::call_once(once, [] {
    frames.bars = EncodeFrames("pattern=smpte horizontal-speed=4", "freq=1000 volume=0.25", kLoopFrames);
    auto blue = EncodeFrames("pattern=blue", "wave=silence", 1);
    if (!blue.empty()) frames.blue = std::move(blue.front());
  });
  return frames;
}

}  // namespace

bool TestDvTape::SetMode(TransportMode mode, double speed) {
  std::lock_guard lock(mutex_);
  mode_ = mode;
  speed_ = speed;
  return true;
}

bool TestDvTape::Play() { return SetMode(TransportMode::Play, 1.0); }
bool TestDvTape::Pause() { return SetMode(TransportMode::Pause, 0.0); }
bool TestDvTape::Stop() { return SetMode(TransportMode::Stop, 0.0); }
bool TestDvTape::FastForward() { return SetMode(TransportMode::FastForward, kWindSpeed); }
bool TestDvTape::Rewind() { return SetMode(TransportMode::Rewind, -kWindSpeed); }

bool TestDvTape::Shuttle(double speed) {
  if (!std::isfinite(speed)) return false;
  speed = std::clamp(speed, -kMaxShuttle, kMaxShuttle);
  if (speed == 0.0) return Pause();
  if (speed == 1.0) return Play();
  return SetMode(TransportMode::Shuttle, speed);
}

TransportMode TestDvTape::Mode() const {
  std::lock_guard lock(mutex_);
  return mode_;
}

double TestDvTape::Speed() const {
  std::lock_guard lock(mutex_);
  return speed_;
}

std::optional<TimeCode> TestDvTape::ReadTimeCode() const { return TimeCodeAt(std::int64_t(Position())); }

void TestDvTape::SetWide(bool wide) {
  std::lock_guard lock(mutex_);
  wide_ = wide;
}

void TestDvTape::SetDamaged(bool damaged) {
  std::lock_guard lock(mutex_);
  damaged_ = damaged;
}

double TestDvTape::Position() const {
  std::lock_guard lock(mutex_);
  return position_;
}

void TestDvTape::SetPosition(double frames) {
  std::lock_guard lock(mutex_);
  position_ = std::max(0.0, frames);
}

TimeCode TestDvTape::TimeCodeAt(std::int64_t frame) {
  frame = std::max<std::int64_t>(0, frame);
  return TimeCode{int(frame / 90000 % 24), int(frame / 1500 % 60), int(frame / 25 % 60), int(frame % 25)};
}

QDateTime TestDvTape::RecordingDateAt(std::int64_t frame) {
  frame = std::max<std::int64_t>(0, frame);
  // Each scene was shot a day after the previous one.
  const QDateTime first(QDate(2004, 7, 14), QTime(10, 0, 0));
  return first.addDays(frame / kFramesPerScene).addSecs(frame % kFramesPerScene / 25);
}

std::vector<std::uint8_t> TestDvTape::NextFrame() {
  const TapeFrames &frames = Frames();
  if (!frames.ok()) return {};
  std::lock_guard lock(mutex_);
  filters::DvTestFramePlan plan;
  plan.Wide = wide_;
  std::vector<std::uint8_t> frame;
  std::int64_t at = -1;
  if (mode_ == TransportMode::Stop) {
    frame = frames.blue;
    plan.HasTimecode = false;
    plan.HasDate = false;
  } else {
    at = std::int64_t(position_);
    frame = frames.bars[at % kLoopFrames];
    const TestTapeDamage &d = kDamage;
    const TimeCode tc = TimeCodeAt(damaged_ && at >= d.TimecodeBreakAt ? at + d.TimecodeLeap : at);
    plan.TcHours = tc.hours;
    plan.TcMinutes = tc.minutes;
    plan.TcSeconds = tc.seconds;
    plan.TcFrames = tc.frames;
    const QDateTime date = RecordingDateAt(at);
    plan.Year = date.date().year();
    plan.Month = date.date().month();
    plan.Day = date.date().day();
    plan.Hour = date.time().hour();
    plan.Minute = date.time().minute();
    plan.Second = date.time().second();
    position_ += speed_;
    if (position_ < 0) {  // rewound to the start of the tape: the transport stops there
      position_ = 0;
      mode_ = TransportMode::Stop;
      speed_ = 0;
    }
  }
  filters::WriteDvPacks(frame, plan);
  if (damaged_ && at >= 0) {
    const TestTapeDamage &d = kDamage;
    auto within = [at](std::int64_t first, std::int64_t count) { return at >= first && at < first + count; };
    filters::DvDamage damage;
    if (within(d.ConcealFirst, d.ConcealFrames)) {
      damage.ConcealedBlocks = d.ConcealBlocks;
      damage.ConcealFromSequence = d.ConcealSequence;
    }
    if (within(d.AudioFirst, d.AudioFrames)) damage.AudioErrorSamples = d.AudioSamples;
    damage.RecStart = at == d.RecStartAt;
    filters::ApplyDvDamage(frame, damage);
  }
  return frame;
}

ExternalTransport *TestDeviceTransport(GstElement *sourceBin) { return detail::Attached<TestDvTape>(sourceBin, kTapeKey); }

namespace detail {

media::ElementRef MakeTestDvCamcorder() {
  media::ElementRef bin = NewDeviceBin("Vistrel Test DV Camcorder", [](GstElement *) { return Frames().ok(); });
  auto *tape = new TestDvTape;
  tape->SetDamaged(qEnvironmentVariable("VISTREL_TEST_DV_DAMAGE") == QLatin1String("1"));
  Attach(bin.get(), kTapeKey, tape);
  media::CapsRef caps = media::CapsRef::Adopt(gst_caps_from_string(
      "video/x-dv,systemstream=(boolean)true,width=720,height=576,framerate=25/1,pixel-aspect-ratio=16/15"));
  // The tape belongs to the bin, which outlives its source element.
  media::ElementRef src = MakeFrameSource(caps.get(), 25, 1, [tape](guint64) -> GstBuffer * {
    std::vector<std::uint8_t> frame = tape->NextFrame();
    return frame.empty() ? nullptr : gst_buffer_new_memdup(frame.data(), frame.size());
  });
  GstElement *source = src.get();
  gst_bin_add(GST_BIN(bin.get()), src.release());
  media::PadRef out = media::PadRef::Adopt(gst_element_get_static_pad(source, "src"));
  if (!AddGhost(bin.get(), "dv", out.get())) return {};
  return bin;
}

}  // namespace detail
}  // namespace vistrel::sources
