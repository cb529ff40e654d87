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
  }
}

std::vector<std::uint8_t> MakeDvTestFrame(const DvTestFramePlan &plan) {
  std::vector<std::uint8_t> frame = BaseDvFrame(plan.Pal);
  if (!frame.empty()) WriteDvPacks(frame, plan);
  return frame;
}

}  // namespace vistrel::filters
