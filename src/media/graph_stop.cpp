// Finalizing the files of a running graph before it stops. An end-of-stream
// sent to a pipeline reaches only its sources, and a live source may never
// forward it, so it is sent into each recording branch itself; every muxer
// then writes its index and header, and a probe on each file sink tells when
// the last of it has arrived.
#include "media/graph.h"

#include "media/pins.h"

#include <QSet>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace vistrel::media {
namespace {

// Shared with the probes, which may still be running on a streaming thread
// when the wait gives up; each probe holds the state until it is removed.
struct FinalizeWait {
  std::mutex mutex;
  std::condition_variable done;
  std::vector<bool> seen;
  int remaining = 0;
};

struct SinkWatch {
  std::shared_ptr<FinalizeWait> wait;
  std::size_t index;
};

GstPadProbeReturn OnSinkEvent(GstPad *, GstPadProbeInfo *info, gpointer data) {
  auto *watch = static_cast<SinkWatch *>(data);
  if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS) {
    FinalizeWait &wait = *watch->wait;
    std::lock_guard lock(wait.mutex);
    if (!wait.seen[watch->index]) {
      wait.seen[watch->index] = true;
      --wait.remaining;
      wait.done.notify_all();
    }
  }
  return GST_PAD_PROBE_OK;
}

// An end-of-stream waiting for the pad above the branch to fall idle.
struct PendingEos {
  PadRef target;
  std::atomic<bool> sent{false};
};

// Runs when nothing is being pushed through the pad that feeds the branch,
// so the end-of-stream never overtakes a buffer already on its way.
GstPadProbeReturn SendEosWhenIdle(GstPad *, GstPadProbeInfo *, gpointer data) {
  auto &pending = *static_cast<std::shared_ptr<PendingEos> *>(data);
  if (!pending->sent.exchange(true)) gst_pad_send_event(pending->target.get(), gst_event_new_eos());
  return GST_PAD_PROBE_REMOVE;
}

// A probe still waiting when the graph stops must go, or it would end the
// next recording made through the same pad as soon as that one starts.
struct IdleProbe {
  PadRef pad;
  gulong id;
  std::shared_ptr<PendingEos> pending;
};

void EndBranch(GstPad *entry, std::vector<IdleProbe> &probes) {
  PadRef target = PadRef::Borrow(entry);
  if (GST_PAD_DIRECTION(entry) == GST_PAD_SRC) target = PadRef::Adopt(gst_pad_get_peer(entry));
  if (!target) return;
  PadRef upstream = PadRef::Adopt(gst_pad_get_peer(target.get()));
  if (!upstream) {
    gst_pad_send_event(target.get(), gst_event_new_eos());
    return;
  }
  auto pending = std::make_shared<PendingEos>();
  pending->target = std::move(target);
  const gulong id = gst_pad_add_probe(upstream.get(), GST_PAD_PROBE_TYPE_IDLE, &SendEosWhenIdle,
                                      new std::shared_ptr<PendingEos>(pending),
                                      [](gpointer p) { delete static_cast<std::shared_ptr<PendingEos> *>(p); });
  if (id) probes.push_back({std::move(upstream), id, std::move(pending)});
}

int LinkedPads(GstElement *e, GstPadDirection direction) {
  int n = 0;
  for (const PadRef &p : Pins(e)) n += GST_PAD_DIRECTION(p.get()) == direction && gst_pad_is_linked(p.get());
  return n;
}

// The pads where the branches feeding `e` begin: walking upstream, a branch
// begins just below the element that forks (a tee, a demuxer) or below a
// source, so the end-of-stream reaches every input of every muxer on the way
// and nothing the preview still needs.
void CollectEntries(GstElement *e, QSet<GstElement *> &visited, std::vector<PadRef> &entries) {
  if (visited.contains(e)) return;
  visited.insert(e);
  for (const PadRef &p : Pins(e)) {
    if (GST_PAD_DIRECTION(p.get()) != GST_PAD_SINK || !gst_pad_is_linked(p.get())) continue;
    ElementRef up = PeerElement(p.get());
    if (!up || LinkedPads(up.get(), GST_PAD_SRC) > 1 || LinkedPads(up.get(), GST_PAD_SINK) == 0)
      entries.push_back(p);
    else
      CollectEntries(up.get(), visited, entries);
  }
}

GstPad *SinkPadOf(GstElement *sink) {
  GstPad *pad = gst_element_get_static_pad(sink, "sink");
  if (pad) return pad;
  GST_OBJECT_LOCK(sink);
  if (sink->sinkpads) pad = GST_PAD(gst_object_ref(sink->sinkpads->data));
  GST_OBJECT_UNLOCK(sink);
  return pad;
}

}  // namespace

bool Graph::FinalizeRecordings() {
  GstState current = GST_STATE_NULL;
  gst_element_get_state(pipeline_.get(), &current, nullptr, 0);
  if (branches_.empty() || current != GST_STATE_PLAYING) return true;

  // Every distinct file sink is watched once, even when several branches feed it.
  std::vector<std::pair<PadRef, QString>> sinkPads;
  QSet<GstElement *> sinks;
  for (const Branch &b : branches_) {
    if (sinks.contains(b.sink.get())) continue;
    sinks.insert(b.sink.get());
    if (PadRef pad = PadRef::Adopt(SinkPadOf(b.sink.get())))
      sinkPads.emplace_back(std::move(pad), QString::fromUtf8(GST_OBJECT_NAME(b.sink.get())));
  }
  auto wait = std::make_shared<FinalizeWait>();
  wait->seen.assign(sinkPads.size(), false);
  wait->remaining = int(sinkPads.size());
  std::vector<gulong> probes;
  for (std::size_t i = 0; i < sinkPads.size(); ++i)
    probes.push_back(gst_pad_add_probe(sinkPads[i].first.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &OnSinkEvent,
                                       new SinkWatch{wait, i}, [](gpointer p) { delete static_cast<SinkWatch *>(p); }));

  std::vector<IdleProbe> idleProbes;
  for (const Branch &b : branches_) {
    if (b.entry) {
      EndBranch(b.entry.get(), idleProbes);
      continue;
    }
    QSet<GstElement *> visited;
    std::vector<PadRef> entries;
    CollectEntries(b.sink.get(), visited, entries);
    for (const PadRef &entry : entries) EndBranch(entry.get(), idleProbes);
  }

  bool finished = false;
  QStringList late;
  {
    std::unique_lock lock(wait->mutex);
    finished = wait->done.wait_for(lock, std::chrono::milliseconds(stopTimeoutMs_), [&] { return wait->remaining <= 0; });
    for (std::size_t i = 0; i < sinkPads.size(); ++i)
      if (!wait->seen[i]) late << sinkPads[i].second;
  }
  for (std::size_t i = 0; i < sinkPads.size(); ++i) gst_pad_remove_probe(sinkPads[i].first.get(), probes[i]);
  for (IdleProbe &p : idleProbes)
    if (!p.pending->sent.exchange(true)) gst_pad_remove_probe(p.pad.get(), p.id);
  if (!finished)
    emit ErrorOccurred(QStringLiteral("The file written by \"%1\" could not be finalized before the graph stopped.")
                           .arg(late.join("\", \"")));
  return finished;
}

}  // namespace vistrel::media
