#include "devicerun.h"

#include <mutex>

namespace vistrel::test {

namespace {

struct Collector {
  std::mutex mutex;
  PadRecord *record;
  int keep;
};

GstPadProbeReturn Collect(GstPad *pad, GstPadProbeInfo *info, gpointer data) {
  auto *c = static_cast<Collector *>(data);
  std::lock_guard lock(c->mutex);
  if (++c->record->count <= c->keep)
    c->record->buffers.push_back(media::BufferRef::Borrow(GST_PAD_PROBE_INFO_BUFFER(info)));
  c->record->caps = media::CapsRef::Adopt(gst_pad_get_current_caps(pad));
  return GST_PAD_PROBE_OK;
}

QString PollError(GstBus *bus, GstClockTime wait) {
  media::MessageRef msg =
      media::MessageRef::Adopt(gst_bus_timed_pop_filtered(bus, wait, GstMessageType(GST_MESSAGE_ERROR)));
  if (!msg) return {};
  GError *err = nullptr;
  gst_message_parse_error(msg.get(), &err, nullptr);
  media::ErrorPtr owned(err);
  return QString::fromUtf8(err ? err->message : "error");
}

}  // namespace

DeviceRun RunDevice(GstElement *bin, const std::map<std::string, std::string> &filters, int ms, int keep,
                    const std::function<void()> &during) {
  DeviceRun run;
  media::ElementRef pipeline = media::ElementRef::Adopt(gst_pipeline_new("device-test"));
  gst_bin_add(GST_BIN(pipeline.get()), GST_ELEMENT(gst_object_ref(bin)));
  std::vector<std::unique_ptr<Collector>> collectors;
  for (auto &[pad, caps] : filters) {
    GstElement *filter = gst_element_factory_make("capsfilter", nullptr);
    GstElement *queue = gst_element_factory_make("queue", nullptr);
    GstElement *sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", TRUE, nullptr);
    if (!caps.empty()) {
      media::CapsRef c = media::CapsRef::Adopt(gst_caps_from_string(caps.c_str()));
      g_object_set(filter, "caps", c.get(), nullptr);
    }
    gst_bin_add_many(GST_BIN(pipeline.get()), filter, queue, sink, nullptr);
    if (!gst_element_link_pads(bin, pad.c_str(), filter, "sink") || !gst_element_link_many(filter, queue, sink, nullptr)) {
      run.error = QString("cannot link pad %1").arg(pad.c_str());
      gst_bin_remove(GST_BIN(pipeline.get()), bin);
      return run;
    }
    auto c = std::make_unique<Collector>();
    c->record = &run.pads[pad];
    c->keep = keep;
    media::PadRef in = media::PadRef::Adopt(gst_element_get_static_pad(sink, "sink"));
    gst_pad_add_probe(in.get(), GST_PAD_PROBE_TYPE_BUFFER, Collect, c.get(), nullptr);
    collectors.push_back(std::move(c));
  }
  media::BusRef bus = media::BusRef::Adopt(gst_element_get_bus(pipeline.get()));
  if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
    run.error = "state change failed: " + PollError(bus.get(), 0);
  if (run.error.isEmpty()) {
    run.error = PollError(bus.get(), GstClockTime(ms / 2) * GST_MSECOND);
    if (run.error.isEmpty() && during) during();
    if (run.error.isEmpty()) run.error = PollError(bus.get(), GstClockTime(ms - ms / 2) * GST_MSECOND);
  }
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  gst_bin_remove(GST_BIN(pipeline.get()), bin);
  return run;
}

}  // namespace vistrel::test
