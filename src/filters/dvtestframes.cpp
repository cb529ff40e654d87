#include "filters/dvtestframes.h"

#include "filters/dvcodes.h"
#include "media/gstref.h"

#include <gst/app/gstappsink.h>

#include <cstring>
#include <mutex>

namespace vistrel::filters {

namespace {

std::vector<std::uint8_t> EncodeOneFrame(bool pal) {
  const char *desc = pal ? "videotestsrc num-buffers=1 pattern=smpte ! video/x-raw,width=720,height=576,framerate=25/1 "
                           "! videoconvert ! avenc_dvvideo ! appsink name=out sync=false"
                         : "videotestsrc num-buffers=1 pattern=smpte ! video/x-raw,width=720,height=480,"
                           "framerate=30000/1001 ! videoconvert ! avenc_dvvideo ! appsink name=out sync=false";
  GError *err = nullptr;
  media::ElementRef pipeline = media::ElementRef::Adopt(gst_parse_launch(desc, &err));
  media::ErrorPtr error(err);
  std::vector<std::uint8_t> frame;
  if (!pipeline || error) return frame;
  media::ElementRef sink = media::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
  if (!sink) return frame;
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  media::SampleRef sample =
      media::SampleRef::Adopt(gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 10 * GST_SECOND));
  if (sample) {
    GstBuffer *buf = gst_sample_get_buffer(sample.get());
    frame.resize(gst_buffer_get_size(buf));
    gst_buffer_extract(buf, 0, frame.data(), frame.size());
  }
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  return frame;
}

std::uint8_t ToBcd(int v) { return static_cast<std::uint8_t>(((v / 10) % 10) << 4 | (v % 10)); }

void Pack(std::uint8_t *at, std::uint8_t id, std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  at[0] = id;
  at[1] = a;
  at[2] = b;
  at[3] = c;
  at[4] = d;
}

void NoPack(std::uint8_t *at) { std::memset(at, 0xFF, 5); }

constexpr std::size_t kBlock = 80;
// Audio block a of a sequence, after the header, subcode and VAUX blocks.
constexpr std::size_t AudioBlock(int a) { return (6 + static_cast<std::size_t>(a) * 16) * kBlock; }

void WriteAudioPacks(std::uint8_t *s, std::size_t seq, bool pal, int rate) {
  const int freq = rate == 44100 ? 1 : rate == 32000 ? 2 : 0;
  static const int kMin[3][2] = {{1896, 1580}, {1742, 1452}, {1264, 1053}};
  const double fps = pal ? 25.0 : 30000.0 / 1001.0;
  const int samples = static_cast<int>(rate / fps + 0.5);
  const bool even = seq % 2 == 0;
  Pack(s + AudioBlock(even ? 3 : 0) + 3, 0x50, static_cast<std::uint8_t>(0xC0 | (samples - kMin[freq][pal ? 0 : 1])),
       0x00, static_cast<std::uint8_t>(pal ? 0xE0 : 0xC0), static_cast<std::uint8_t>(0x80 | freq << 3));
  Pack(s + AudioBlock(even ? 4 : 1) + 3, 0x51, 0x1C, 0xCF, 0xA0, 0xFF);
}

}  // namespace

const std::vector<std::uint8_t> &BaseDvFrame(bool pal) {
  static std::once_flag once[2];
  static std::vector<std::uint8_t> frames[2];
  const int k = pal ? 0 : 1;
  std::call_once(once[k], [&] { frames[k] = EncodeOneFrame(pal); });
  return frames[k];
}

void WriteDvPacks(std::vector<std::uint8_t> &frame, const DvTestFramePlan &plan) {
  const std::size_t sequences = frame.size() / kDifSequenceSize;
  for (std::size_t i = 0; i < sequences; ++i) {
    std::uint8_t *s = frame.data() + i * kDifSequenceSize;
    for (std::size_t at : {std::size_t{110}, std::size_t{190}}) {
      if (plan.HasTimecode)
        Pack(s + at, 0x13, ToBcd(plan.TcFrames), ToBcd(plan.TcSeconds), ToBcd(plan.TcMinutes), ToBcd(plan.TcHours));
      else
        NoPack(s + at);
    }
    if (plan.HasSourceControl)
      Pack(s + 453, 0x61, 0x03, static_cast<std::uint8_t>(plan.Wide ? 0xC2 : 0xC0), 0xFC, 0xFF);
    else
      NoPack(s + 453);
    if (plan.HasDate) {
      Pack(s + 458, 0x62, 0xFF, ToBcd(plan.Day), ToBcd(plan.Month), ToBcd(plan.Year % 100));
      Pack(s + 463, 0x63, 0xFF, ToBcd(plan.Second), ToBcd(plan.Minute), ToBcd(plan.Hour));
    } else {
      NoPack(s + 458);
      NoPack(s + 463);
    }
    if (plan.AudioRate) WriteAudioPacks(s, i, plan.Pal, plan.AudioRate);
  }
}

std::vector<std::uint8_t> MakeDvTestFrame(const DvTestFramePlan &plan) {
  std::vector<std::uint8_t> frame = BaseDvFrame(plan.Pal);
  if (!frame.empty()) WriteDvPacks(frame, plan);
  return frame;
}

void ApplyDvDamage(std::vector<std::uint8_t> &frame, const DvDamage &damage) {
  const std::size_t sequences = frame.size() / kDifSequenceSize;
  int conceal = damage.ConcealedBlocks, errors = damage.AudioErrorSamples;
  for (std::size_t i = 0; i < sequences; ++i) {
    std::uint8_t *s = frame.data() + i * kDifSequenceSize;
    for (int a = 0; a < 9; ++a) {
      std::uint8_t *audio = s + AudioBlock(a);
      for (std::size_t d = 8; d < kBlock && errors > 0; d += 2, --errors) {
        audio[d] = 0x80;
        audio[d + 1] = 0x00;
      }
      for (int v = 0; v < 15 && conceal > 0 && static_cast<int>(i) >= damage.ConcealFromSequence; ++v, --conceal) {
        std::uint8_t *video = audio + (1 + static_cast<std::size_t>(v)) * kBlock;
        video[3] = static_cast<std::uint8_t>(0x70 | (video[3] & 0x0F));
      }
    }
    if (damage.RecStart) {
      const bool even = i % 2 == 0;
      std::uint8_t *control = s + AudioBlock(even ? 4 : 1) + 3;
      if (control[0] == 0x51) control[2] &= 0x7F;
      if (s[453] == 0x61) s[455] &= 0x7F;
    }
  }
}

}  // namespace vistrel::filters
