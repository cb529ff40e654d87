// The sound meter's bin on real sound: generated tones and silence through
// `level`, read back from the bus as the graph reads them.
#include "media/soundlevel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vistrel::media {
namespace {

// The figures of the last interval `launch` (ending in a tee "t") posted, its
// branch into the meter's bin: what an interval of steady sound reads.
std::optional<SoundLevels> Measure(const char *source) {
  const std::string launch = std::string(source) + " ! tee name=t";
  GError *failure = nullptr;
  ElementRef pipeline = ElementRef::Adopt(gst_parse_launch(launch.c_str(), &failure));
  ErrorPtr error(failure);
  if (!pipeline) return std::nullopt;
  ElementRef meter = MakeSoundLevelBin();
  if (!meter) return std::nullopt;
  gst_bin_add(GST_BIN(pipeline.get()), GST_ELEMENT(gst_object_ref(meter.get())));
  ElementRef tee = ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "t"));
  if (!gst_element_link(tee.get(), meter.get())) return std::nullopt;
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  GstRef<GstBus> bus = GstRef<GstBus>::Adopt(gst_element_get_bus(pipeline.get()));
  std::optional<SoundLevels> last;
  for (;;) {
    MessageRef m = MessageRef::Adopt(gst_bus_timed_pop_filtered(
        bus.get(), 10 * GST_SECOND, GstMessageType(GST_MESSAGE_ELEMENT | GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    if (!m || GST_MESSAGE_TYPE(m.get()) != GST_MESSAGE_ELEMENT) break;
    if (auto levels = ReadSoundLevels(m.get())) last = levels;
  }
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  return last;
}

TEST(SoundLevel, ToneAndSilenceReadTheirLevelsPerChannel) {
  // A sine's RMS is 3.01 dB under its peak.
  const struct {
    const char *what, *source;
    double peak, rms;
    bool clipped;
  } rows[] = {
      {"0 dBFS sine", "audiotestsrc wave=sine freq=1000 volume=1.0 num-buffers=20", 0.0, -3.01, true},
      {"-20 dBFS sine", "audiotestsrc wave=sine freq=1000 volume=0.1 num-buffers=20", -20.0, -23.01, false},
      {"silence", "audiotestsrc wave=silence num-buffers=20", kSoundFloorDb, kSoundFloorDb, false},
  };
  for (const auto &r : rows)
    for (const char *format : {"S16LE", "F32LE"}) {
      SCOPED_TRACE(std::string(r.what) + " " + format);
      const std::string source = std::string(r.source) + " ! audio/x-raw,format=" + format + ",rate=48000,channels=2";
      const std::optional<SoundLevels> levels = Measure(source.c_str());
      ASSERT_TRUE(levels) << "no level figures";
      ASSERT_EQ(levels->channels, 2);
      for (int ch = 0; ch < 2; ++ch) {
        EXPECT_NEAR(levels->peakDb[ch], r.peak, 0.5) << "channel " << ch;
        EXPECT_NEAR(levels->rmsDb[ch], r.rms, 0.5) << "channel " << ch;
        EXPECT_EQ(levels->Clipped(ch), r.clipped) << "channel " << ch;
      }
      EXPECT_NEAR(levels->LoudestRmsDb(), r.rms, 0.5);
    }
}

}  // namespace
}  // namespace vistrel::media
