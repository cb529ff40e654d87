// Throughput of the in-app video encoder at PAL size (frames per second of
// moving bars), per codec: the live test MPEG encoder needs well over 25.
#include "media/avvideoenc.h"

#include <benchmark/benchmark.h>
#include <gst/gst.h>

namespace {

using vistrel::media::AvVideoCodec;

void EncodePal(benchmark::State &state) {
  const auto codec = AvVideoCodec(state.range(0));
  constexpr int kFrames = 100;
  for (auto _ : state) {
    auto enc = vistrel::media::MakeAvVideoEncoder(codec, 4000000);
    GstElement *pipeline = gst_parse_launch(
        "videotestsrc num-buffers=100 pattern=smpte horizontal-speed=5 ! "
        "video/x-raw,format=I420,width=720,height=576,framerate=25/1 ! queue name=q  fakesink name=out sync=false",
        nullptr);
    GstElement *q = gst_bin_get_by_name(GST_BIN(pipeline), "q");
    GstElement *out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    GstElement *e = enc.release();
    gst_bin_add(GST_BIN(pipeline), e);
    gst_element_link_many(q, e, out, nullptr);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus *bus = gst_element_get_bus(pipeline);
    GstMessage *msg = gst_bus_timed_pop_filtered(bus, 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (msg) gst_message_unref(msg);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(q);
    gst_object_unref(out);
    gst_object_unref(pipeline);
  }
  state.counters["fps"] = benchmark::Counter(double(kFrames) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(EncodePal)->Arg(int(AvVideoCodec::Mpeg2))->Arg(int(AvVideoCodec::Mpeg4))->Arg(int(AvVideoCodec::Wmv2))
    ->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char **argv) {
  gst_init(&argc, &argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
