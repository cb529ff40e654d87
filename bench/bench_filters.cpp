// Per-frame cost of the own filters, against a plain copy of the same frame.
#include <benchmark/benchmark.h>
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <QGuiApplication>
#include <cstring>
#include <memory>
#include <vector>

#include "filters/bitmaps.h"
#include "filters/dvcodes.h"
#include "filters/dvhealth.h"
#include "filters/dvtestframes.h"
#include "filters/vs_dvheader.h"
#include "filters/vs_resizer.h"
#include "filters/vs_superposer.h"

using namespace vistrel;
using namespace vistrel::filters;

namespace {

struct Frame {
  GstBuffer *in = nullptr, *out = nullptr;
  explicit Frame(std::size_t n) {
    in = gst_buffer_new_allocate(nullptr, n, nullptr);
    out = gst_buffer_new_allocate(nullptr, n, nullptr);
    gst_buffer_memset(in, 0, 60, n);
    GST_BUFFER_PTS(in) = 0;
  }
  ~Frame() {
    gst_buffer_unref(in);
    gst_buffer_unref(out);
  }
};

void BM_Memcpy(benchmark::State &state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0)) * state.range(1) * 3;
  std::vector<std::uint8_t> a(n, 1), b(n);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), n);
    benchmark::DoNotOptimize(b.data());
  }
}

// range(2): 0 inlay off, else the border size with two lines on;
// range(3): the layout drawn in, 0 BGR, 1 YUY2, 2 I420.
void BM_Superposer(benchmark::State &state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  static const char *const kLayouts[] = {"BGR", "YUY2", "I420"};
  const char *layout = kLayouts[state.range(3)];
  state.SetLabel(layout);
  Tvs_Superposer sp;
  const std::string capsText = std::string("video/x-raw,format=") + layout + ",width=" + std::to_string(w) +
                               ",height=" + std::to_string(h) + ",framerate=25/1";
  GstCaps *caps = gst_caps_from_string(capsText.c_str());
  GstVideoInfo info;
  gst_video_info_from_caps(&info, caps);
  sp.SetMediaType(caps, caps);
  gst_caps_unref(caps);
  sp.StartStreaming();
  if (state.range(2) > 0) {
    TincrustRec r;
    r.WhatIncrust = 2;
    r.Incrust1 = "Perso line one";
    r.Incrust2 = "Second line 12:34";
    r.BorderSize = static_cast<int>(state.range(2));
    sp.SetIncrust(r);
    sp.SetActive(true);
  } else {
    sp.SetActive(false);
  }
  Frame f(GST_VIDEO_INFO_SIZE(&info));
  for (auto _ : state) {
    media::SampleView in(f.in), out(f.out);
    benchmark::DoNotOptimize(sp.Transform(in, out));
  }
}

void BM_DVInfo(benchmark::State &state) {
  const auto frame = MakeDvTestFrame(DvTestFramePlan{});
  DVInfo info;
  for (auto _ : state) {
    BuildDVInfo(frame.data(), frame.size(), info);
    benchmark::DoNotOptimize(info);
  }
}

void BM_DVHeaderForceWide(benchmark::State &state) {
  auto frame = MakeDvTestFrame(DvTestFramePlan{});
  Tvs_DVheader dh;
  dh.SetMode(1);
  for (auto _ : state) {
    dh.ProcessFrame(frame.data(), frame.size());
    benchmark::DoNotOptimize(frame.data());
  }
}

// range(0): 1 with concealed blocks and audio errors written in.
void BM_DVHealth(benchmark::State &state) {
  DvTestFramePlan plan;
  plan.AudioRate = 48000;
  auto frame = MakeDvTestFrame(plan);
  if (state.range(0)) ApplyDvDamage(frame, DvDamage{400, 0, 300, true});
  DvHealthTracker tracker;
  for (auto _ : state) benchmark::DoNotOptimize(tracker.Check(frame.data(), frame.size()));
}

// What the checker is measured against: the DV decoder on one thread, a frame
// pushed in and the picture pulled out each iteration.
void BM_DVDecode(benchmark::State &state) {
  DvTestFramePlan plan;
  plan.AudioRate = 48000;
  const auto frame = MakeDvTestFrame(plan);
  GError *err = nullptr;
  GstElement *pipeline = gst_parse_launch(
      "appsrc name=in is-live=false format=time caps=video/x-dv,systemstream=false,width=720,height=576,"
      "framerate=25/1 ! avdec_dvvideo max-threads=1 ! appsink name=out sync=false",
      &err);
  if (!pipeline || err) {
    state.SkipWithError("no avdec_dvvideo");
    if (err) g_error_free(err);
    return;
  }
  GstElement *src = gst_bin_get_by_name(GST_BIN(pipeline), "in");
  GstElement *sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  guint64 n = 0;
  for (auto _ : state) {
    GstBuffer *buf = gst_buffer_new_memdup(frame.data(), frame.size());
    GST_BUFFER_PTS(buf) = n++ * GST_SECOND / 25;
    gst_app_src_push_buffer(GST_APP_SRC(src), buf);
    GstSample *sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
    if (!sample) {
      state.SkipWithError("decoder gave no picture");
      break;
    }
    gst_sample_unref(sample);
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(src);
  gst_object_unref(sink);
  gst_object_unref(pipeline);
}

void BM_Resizer(benchmark::State &state) {
  std::vector<std::uint8_t> src(720 * 3 * 576, 90), dst(384 * 3 * 288);
  for (auto _ : state) {
    TVS_Resizer::Scale(src.data(), 720, 576, 2160, dst.data(), 384, 288, 1152);
    benchmark::DoNotOptimize(dst.data());
  }
}

void BM_Deinterlace(benchmark::State &state) {
  QImage src(720, 576, QImage::Format_BGR888), out;
  for (int y = 0; y < 576; ++y) std::memset(src.scanLine(y), y % 2 ? 30 : 220, 2160);
  for (auto _ : state) {
    DesentrelacerImage(src, out);
    benchmark::DoNotOptimize(out.constBits());
  }
}

}  // namespace

BENCHMARK(BM_Memcpy)->Args({720, 576})->Args({1920, 1080});
BENCHMARK(BM_Superposer)
    ->ArgsProduct({{720}, {576}, {0, 1, 5}, {0, 1, 2}})
    ->ArgsProduct({{1920}, {1080}, {0, 1, 5}, {0, 1, 2}});
BENCHMARK(BM_DVInfo);
BENCHMARK(BM_DVHeaderForceWide);
BENCHMARK(BM_DVHealth)->Arg(0)->Arg(1);
BENCHMARK(BM_DVDecode)->UseRealTime();
BENCHMARK(BM_Resizer);
BENCHMARK(BM_Deinterlace);

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  gst_init(&argc, &argv);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
