#include "graph/preview_videosink.h"

#include "media/debug.h"
#include "media/requirements.h"
#include "ui/videowindow.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <QImage>

#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::Graph)

namespace vistrel {

namespace {

constexpr GstVideoFormat kWindowFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? GST_VIDEO_FORMAT_BGRx : GST_VIDEO_FORMAT_xRGB;
constexpr const char *kWindowCaps =
    Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "video/x-raw,format=BGRx" : "video/x-raw,format=xRGB";

// Keeps the sample (and its mapping) alive for as long as the image uses it,
// so a frame reaches the window without a copy.
struct MappedFrame {
  media::SampleRef sample;
  GstVideoFrame frame{};
};

void ReleaseFrame(void *p) {
  auto *m = static_cast<MappedFrame *>(p);
  gst_video_frame_unmap(&m->frame);
  delete m;
}

}  // namespace

PreviewVideoSink::PreviewVideoSink() {
  sink_ = media::ElementRef::Adopt(media::CreateElement("appsink"));
  if (!sink_) return;
  // BGRx is the layout of the window's own surface (QImage::Format_RGB32 on
  // a little-endian machine): painting is then a plain copy, where a 24-bit
  // frame made Qt convert the whole picture on its thread pool each time
  // (six times dearer than the conversion here, bench_ui).
  media::CapsRef caps = media::CapsRef::Adopt(gst_caps_from_string(kWindowCaps));
  // The preview strips time stamps; sync would only add a wait. async off so
  // a sink that has not seen a frame yet never holds up a state change.
  g_object_set(sink_.get(), "caps", caps.get(), "max-buffers", 1, "drop", TRUE, "sync", FALSE, "async", FALSE,
               "qos", FALSE, nullptr);
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = [](GstAppSink *sink, gpointer self) {
    return PreviewVideoSink::OnNewSample(GST_ELEMENT(sink), self);
  };
  gst_app_sink_set_callbacks(GST_APP_SINK(sink_.get()), &callbacks, this, nullptr);
}

PreviewVideoSink::~PreviewVideoSink() {
  if (sink_) {
    gst_element_set_state(sink_.get(), GST_STATE_NULL);
    GstAppSinkCallbacks none{};
    gst_app_sink_set_callbacks(GST_APP_SINK(sink_.get()), &none, nullptr, nullptr);
  }
}

void PreviewVideoSink::SetWindow(ui::VideoWindow *window) {
  std::lock_guard guard(lock_);
  mailbox_ = window ? window->Mailbox() : nullptr;
}

void PreviewVideoSink::SetDisplaySize(QSize size) {
  if (!sink_ || size == displaySize_) return;
  displaySize_ = size;
  media::CapsRef caps = media::CapsRef::Adopt(gst_caps_from_string(kWindowCaps));
  if (!size.isEmpty())
    gst_caps_set_simple(caps.get(), "width", G_TYPE_INT, size.width(), "height", G_TYPE_INT, size.height(), nullptr);
  g_object_set(sink_.get(), "caps", caps.get(), nullptr);
  // The converter in front takes the new size at its next frame.
  media::PadRef in = media::PadRef::Adopt(gst_element_get_static_pad(sink_.get(), "sink"));
  if (in) gst_pad_push_event(in.get(), gst_event_new_reconfigure());
}

int PreviewVideoSink::FramesReceived() const {
  std::lock_guard guard(lock_);
  return received_;
}

GstFlowReturn PreviewVideoSink::OnNewSample(GstElement *sink, gpointer self) {
  media::SampleRef sample = media::SampleRef::Adopt(gst_app_sink_pull_sample(GST_APP_SINK(sink)));
  if (sample) static_cast<PreviewVideoSink *>(self)->Deliver(std::move(sample));
  return GST_FLOW_OK;
}

void PreviewVideoSink::Deliver(media::SampleRef sample) {
  std::shared_ptr<ui::FrameMailbox> mailbox;
  bool first = false;
  {
    std::lock_guard guard(lock_);
    first = received_++ == 0;
    mailbox = mailbox_;
  }
  // The moment the first picture reaches the window, for measuring how long
  // a device takes to show (GST_DEBUG=vistrel-graph:4).
  if (first) GST_INFO("first frame in the video window");
  if (!mailbox) return;
  GstVideoInfo info;
  if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample.get()))) return;
  GstBuffer *buffer = gst_sample_get_buffer(sample.get());
  if (!buffer || GST_VIDEO_INFO_FORMAT(&info) != kWindowFormat) return;
  auto *m = new MappedFrame{sample, {}};
  if (!gst_video_frame_map(&m->frame, &info, buffer, GST_MAP_READ)) {
    delete m;
    return;
  }
  QImage image(static_cast<const uchar *>(GST_VIDEO_FRAME_PLANE_DATA(&m->frame, 0)), GST_VIDEO_FRAME_WIDTH(&m->frame),
               GST_VIDEO_FRAME_HEIGHT(&m->frame), GST_VIDEO_FRAME_PLANE_STRIDE(&m->frame, 0), QImage::Format_RGB32,
               &ReleaseFrame, m);
  mailbox->Offer(std::move(image));
}

}  // namespace vistrel
