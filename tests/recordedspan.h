#pragma once
// What a recording really took in, to judge a file's length by: the time
// stamps and durations of the buffers that reached the inputs of each file's
// writer, per kind of stream, and the wall-clock time from the first of them
// to the stop. A test that asked for three seconds gets fewer when the
// source started late on a loaded machine, and the file is then rightly
// shorter; a file shorter than what went into it, or longer, is a fault.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "media/gstref.h"

namespace vistrel::test {

class RecordedSpan {
 public:
  struct Stream {
    GstClockTime first = GST_CLOCK_TIME_NONE, end = 0, covered = 0;
    long long buffers = 0, timeless = 0;  // timeless: buffers without a time stamp or duration
  };

  // Watches the inputs of the writer behind every file sink of `pipeline`.
  explicit RecordedSpan(GstElement *pipeline) : state_(std::make_shared<State>()) {
    state_->clock.start();
    media::IteratorPtr it(gst_bin_iterate_recurse(GST_BIN(pipeline)));
    GValue v = G_VALUE_INIT;
    while (gst_iterator_next(it.get(), &v) == GST_ITERATOR_OK) {
      auto *e = GST_ELEMENT(g_value_get_object(&v));
      GstElementFactory *f = gst_element_get_factory(e);
      if (f && std::string(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f))) == "filesink") WatchWriterOf(e);
      g_value_reset(&v);
    }
    g_value_unset(&v);
  }
  ~RecordedSpan() {
    for (auto &[pad, id] : probes_) gst_pad_remove_probe(pad.get(), id);
  }
  RecordedSpan(const RecordedSpan &) = delete;
  RecordedSpan &operator=(const RecordedSpan &) = delete;

  int Watched() const { return int(probes_.size()); }
  bool Started() const { return state_->firstArrivalMs.load() >= 0; }
  void MarkStop() { stopMs_ = state_->clock.elapsed(); }

  Stream Of(const std::string &kind) const {
    std::lock_guard lock(state_->mutex);
    for (const auto &[k, s] : state_->streams)
      if (k == kind) return s;
    return {};
  }
  // From the first time stamp of that kind to the end of its last buffer.
  double Seconds(const std::string &kind) const {
    const Stream s = Of(kind);
    return s.buffers && GST_CLOCK_TIME_IS_VALID(s.first) ? double(s.end - s.first) / GST_SECOND : 0;
  }
  // The buffers' own durations end to end: shorter than Seconds() by the frames dropped on the way.
  double Covered(const std::string &kind) const {
    const Stream s = Of(kind);
    return s.timeless ? 0 : double(s.covered) / GST_SECOND;
  }
  // Wall-clock seconds from the first buffer at a writer to MarkStop().
  double Ran() const {
    const qint64 first = state_->firstArrivalMs.load();
    return first < 0 || stopMs_ < 0 ? 0 : (stopMs_ - first) / 1000.0;
  }

 private:
  struct State {
    std::mutex mutex;
    std::vector<std::pair<std::string, Stream>> streams;
    QElapsedTimer clock;
    std::atomic<qint64> firstArrivalMs{-1};
  };

  // Queues, identities and caps filters ("Generic") pass data on untouched.
  static bool PassesOn(GstElement *e) {
    GstElementFactory *f = gst_element_get_factory(e);
    const char *klass = f ? gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_KLASS) : "";
    return std::string(klass).rfind("Generic", 0) == 0;
  }

  // Up from the file sink through the elements that only pass data on, to
  // the one that writes the file's streams (a muxer, an encoder, our own
  // writers).
  void WatchWriterOf(GstElement *sink) {
    GstElement *writer = sink;
    for (int guard = 0; guard < 8; ++guard) {
      media::PadRef in = media::PadRef::Adopt(gst_element_get_static_pad(writer, "sink"));
      media::PadRef peer = media::PadRef::Adopt(in ? gst_pad_get_peer(in.get()) : nullptr);
      media::ElementRef up = media::ElementRef::Adopt(peer ? gst_pad_get_parent_element(peer.get()) : nullptr);
      if (!up) break;
      writer = up.get();  // the pipeline keeps it
      if (!PassesOn(writer)) break;
    }
    for (GList *l = writer->sinkpads; l; l = l->next) {
      media::PadRef pad = media::PadRef::Borrow(GST_PAD(l->data));
      auto *keep = new std::shared_ptr<State>(state_);
      const gulong id = gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, &RecordedSpan::OnBuffer, keep,
                                          [](gpointer p) { delete static_cast<std::shared_ptr<State> *>(p); });
      probes_.emplace_back(std::move(pad), id);
    }
  }

  static GstPadProbeReturn OnBuffer(GstPad *pad, GstPadProbeInfo *info, gpointer data) {
    State &s = **static_cast<std::shared_ptr<State> *>(data);
    GstBuffer *b = GST_PAD_PROBE_INFO_BUFFER(info);
    media::CapsRef caps = media::CapsRef::Adopt(gst_pad_get_current_caps(pad));
    const std::string type = caps ? gst_structure_get_name(gst_caps_get_structure(caps.get(), 0)) : "";
    const std::string kind = type.rfind("audio/", 0) == 0 ? "audio" : "video";
    qint64 none = -1;
    s.firstArrivalMs.compare_exchange_strong(none, s.clock.elapsed());
    std::lock_guard lock(s.mutex);
    auto at = std::find_if(s.streams.begin(), s.streams.end(), [&](const auto &p) { return p.first == kind; });
    if (at == s.streams.end()) at = s.streams.insert(s.streams.end(), {kind, Stream{}});
    Stream &st = at->second;
    ++st.buffers;
    const GstClockTime pts = GST_BUFFER_PTS_IS_VALID(b) ? GST_BUFFER_PTS(b) : GST_BUFFER_DTS(b);
    const GstClockTime dur = GST_BUFFER_DURATION(b);
    if (!GST_CLOCK_TIME_IS_VALID(pts) || !GST_CLOCK_TIME_IS_VALID(dur)) {
      ++st.timeless;
      if (!GST_CLOCK_TIME_IS_VALID(pts)) return GST_PAD_PROBE_OK;
    }
    const GstClockTime length = GST_CLOCK_TIME_IS_VALID(dur) ? dur : 0;
    if (!GST_CLOCK_TIME_IS_VALID(st.first) || pts < st.first) st.first = pts;
    st.end = std::max(st.end, pts + length);
    st.covered += length;
    return GST_PAD_PROBE_OK;
  }

  std::shared_ptr<State> state_;
  std::vector<std::pair<media::PadRef, gulong>> probes_;
  qint64 stopMs_ = -1;
};

// A stream of a file lasts as long as what went into it: at least its
// buffers end to end (a frame dropped on the way shortens a file that counts
// frames), at most `longest` (from its first time stamp to its last when
// the watch began before the recording), and what went in reached the stop:
// a recording that ended early is caught here.
inline void ExpectLastsAsRecorded(double fileSeconds, const RecordedSpan &span, const std::string &kind, double longest,
                                  double slack = 0.12) {
  SCOPED_TRACE(kind);
  const double in = span.Seconds(kind);
  ASSERT_GT(in, 0) << "no " << kind << " reached the file's writer";
  EXPECT_GE(fileSeconds, span.Covered(kind) - slack) << "time stamps span " << in << " s";
  EXPECT_LE(fileSeconds, longest + slack) << "buffers cover " << span.Covered(kind) << " s";
  EXPECT_GT(in, span.Ran() - 0.5) << "the recording ran " << span.Ran() << " s but its " << kind << " ended early";
}
inline void ExpectLastsAsRecorded(double fileSeconds, const RecordedSpan &span, const std::string &kind) {
  ExpectLastsAsRecorded(fileSeconds, span, kind, span.Seconds(kind));
}

}  // namespace vistrel::test
