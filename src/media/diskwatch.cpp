#include "media/diskwatch.h"

#include "platform/disk.h"

#include <QByteArray>

#include <chrono>

namespace vistrel::media {

struct DiskWatch::State {
  std::shared_ptr<std::atomic<std::int64_t>> reserve;
  ElementRef sink;
  std::chrono::steady_clock::time_point nextCheck{};
  bool told = false;  // streaming thread only
};

namespace {

// Measured at most ten times a second: a statvfs is cheap, but a file sink
// may see thousands of small buffers a second.
constexpr auto kCheckEvery = std::chrono::milliseconds(100);

GstPadProbeReturn OnData(GstPad *, GstPadProbeInfo *, gpointer data) {
  auto &s = *static_cast<DiskWatch::State *>(data);
  const auto now = std::chrono::steady_clock::now();
  if (s.told || now < s.nextCheck) return GST_PAD_PROBE_OK;
  s.nextCheck = now + kCheckEvery;
  gchar *location = nullptr;
  g_object_get(s.sink.get(), "location", &location, nullptr);
  GCharPtr hold(location);
  if (!location) return GST_PAD_PROBE_OK;
  const std::int64_t free = platform::FreeBytesOf(QString::fromLocal8Bit(location));
  if (free < 0 || free >= s.reserve->load()) return GST_PAD_PROBE_OK;
  s.told = true;
  GstStructure *st = gst_structure_new(kDiskLowMessage, "location", G_TYPE_STRING, location, "free", G_TYPE_INT64,
                                       gint64(free), nullptr);
  gst_element_post_message(s.sink.get(), gst_message_new_element(GST_OBJECT(s.sink.get()), st));
  return GST_PAD_PROBE_OK;
}

}  // namespace

DiskWatch::DiskWatch(GstElement *fileSink, std::shared_ptr<std::atomic<std::int64_t>> reserve)
    : sink_(ElementRef::Borrow(fileSink)) {
  if (!fileSink || !g_object_class_find_property(G_OBJECT_GET_CLASS(fileSink), "location")) return;
  pad_ = PadRef::Adopt(gst_element_get_static_pad(fileSink, "sink"));
  if (!pad_) return;
  auto *state = new State{std::move(reserve), ElementRef::Borrow(fileSink)};
  probe_ = gst_pad_add_probe(pad_.get(), GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
                             &OnData, state, [](gpointer p) { delete static_cast<State *>(p); });
}

DiskWatch::~DiskWatch() {
  if (pad_ && probe_) gst_pad_remove_probe(pad_.get(), probe_);
}

}  // namespace vistrel::media
