#include "media/graph.h"

#include "media/bus.h"
#include "media/debug.h"
#include "media/diskwatch.h"
#include "media/pins.h"

#include <algorithm>

#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::Media)
// What failed while a chain was built is the graph subsystem's news: it is
// what a report from a real device needs first.
#define FAILURE_CAT vistrel::media::DebugCategory(vistrel::media::Subsystem::Graph)

namespace vistrel::media {
namespace {

bool IsChildOf(GstElement *pipeline, GstElement *e) {
  if (!e) return false;
  return ParentOf(e).get() == GST_OBJECT(pipeline);
}

bool NameTaken(GstElement *pipeline, const QByteArray &name) {
  bool taken = false;
  GST_OBJECT_LOCK(pipeline);
  for (GList *l = GST_BIN(pipeline)->children; l && !taken; l = l->next)
    taken = name == GST_OBJECT_NAME(l->data);
  GST_OBJECT_UNLOCK(pipeline);
  return taken;
}

bool PadOwnedBy(GstPad *pad, GstElement *e) {
  if (!pad) return false;
  return ParentOf(pad).get() == GST_OBJECT(e);
}

// The source flag marks capture devices; a bin holding a source has it too,
// the pipeline included, so the walk stops below it.
bool FromSource(GstObject *object, GstElement *pipeline) {
  for (GstObject *o = object; o && o != GST_OBJECT(pipeline); o = GST_OBJECT_PARENT(o))
    if (GST_IS_ELEMENT(o) && GST_OBJECT_FLAG_IS_SET(o, GST_ELEMENT_FLAG_SOURCE)) return true;
  return false;
}

QString CapsText(GstCaps *caps) {
  if (!caps) return QStringLiteral("(no caps)");
  GCharPtr text(gst_caps_to_string(caps));
  return QString::fromUtf8(text.get());
}

QString FactoryName(GstElement *e) {
  GstElementFactory *f = e ? gst_element_get_factory(e) : nullptr;
  return f ? QString::fromUtf8(GST_OBJECT_NAME(f)) : QStringLiteral("bin");
}

}  // namespace

Graph::Graph(QObject *parent) : QObject(parent) {
  pipeline_ = ElementRef::Adopt(gst_pipeline_new("fg"));
  // Left to choose, the pipeline takes the clock of a source that offers
  // one, and a PipeWire camera's clock follows its producer's graph, not the
  // wall: a live microphone paced by it made minutes of sound for seconds of
  // picture. The monotonic system clock paces every source alike; sound
  // sources slave their own to it.
  const ClockRef clock = ClockRef::Adopt(gst_system_clock_obtain());
  gst_pipeline_use_clock(GST_PIPELINE(pipeline_.get()), clock.get());
  BusRef bus = BusRef::Adopt(gst_element_get_bus(pipeline_.get()));
  bridge_ = std::make_unique<BusBridge>(bus.get());
  connect(bridge_.get(), &BusBridge::Message, this, &Graph::OnMessage);
}

Graph::~Graph() {
  // No streaming thread may outlive the objects its elements point to.
  gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
  bridge_.reset();
}

bool Graph::AddFilter(GstElement *filter, const QString &graphName) {
  if (!filter) return KeepOrNote(QStringLiteral("no element to add as \"%1\"").arg(graphName));
  if (IsChildOf(pipeline_.get(), filter)) return true;
  if (ObjectRef parent = ParentOf(filter))
    return NoteFailure(QStringLiteral("%1 (%2) cannot be added as \"%3\": it belongs to \"%4\"")
                           .arg(QString::fromUtf8(GST_OBJECT_NAME(filter)), FactoryName(filter), graphName,
                                QString::fromUtf8(GST_OBJECT_NAME(parent.get()))));

  QByteArray base = graphName.isEmpty() ? QByteArray(GST_OBJECT_NAME(filter)) : graphName.toUtf8();
  QByteArray name = base;
  for (int n = 1; NameTaken(pipeline_.get(), name); ++n) name = base + ' ' + QByteArray::number(n).rightJustified(4, '0');
  if (!gst_object_set_name(GST_OBJECT(filter), name.constData()) || !gst_bin_add(GST_BIN(pipeline_.get()), filter))
    return NoteFailure(QStringLiteral("\"%1\" (%2) could not be added to the graph")
                           .arg(QString::fromUtf8(name), FactoryName(filter)));
  GST_DEBUG("added \"%s\" (%s)", name.constData(), FactoryName(filter).toUtf8().constData());
  return true;
}

void Graph::ForgetElement(GstElement *filter) {
  std::erase_if(branches_, [filter](const Branch &b) {
    return b.sink.get() == filter || PadOwnedBy(b.entry.get(), filter);
  });
  std::erase_if(diskWatches_, [filter](const std::unique_ptr<DiskWatch> &w) { return w->Sink() == filter; });
  if (volumeElement_.get() == filter) volumeElement_.reset();
}

bool Graph::RemoveFilter(GstElement *filter) {
  if (!IsChildOf(pipeline_.get(), filter)) return false;
  ForgetElement(filter);
  ElementRef keep = ElementRef::Borrow(filter);
  gst_element_set_state(filter, GST_STATE_NULL);
  // Removing from the bin unlinks every pad of the element.
  return gst_bin_remove(GST_BIN(pipeline_.get()), filter);
}

bool Graph::RemoveFilter(const QString &graphName) { return RemoveFilter(FindFilter(graphName)); }

GstElement *Graph::FindFilter(const QString &graphName) const {
  const QByteArray name = graphName.toUtf8();
  GstElement *found = nullptr;
  GST_OBJECT_LOCK(pipeline_.get());
  for (GList *l = GST_BIN(pipeline_.get())->children; l && !found; l = l->next)
    if (name == GST_OBJECT_NAME(l->data)) found = GST_ELEMENT(l->data);
  GST_OBJECT_UNLOCK(pipeline_.get());
  return found;
}

bool Graph::Contains(GstElement *filter) const { return IsChildOf(pipeline_.get(), filter); }

std::vector<ElementRef> Graph::Filters() const {
  std::vector<ElementRef> all;
  GST_OBJECT_LOCK(pipeline_.get());
  for (GList *l = GST_BIN(pipeline_.get())->children; l; l = l->next) all.push_back(ElementRef::Borrow(GST_ELEMENT(l->data)));
  GST_OBJECT_UNLOCK(pipeline_.get());
  // A bin lists its newest child first; callers expect the order of addition.
  std::reverse(all.begin(), all.end());
  return all;
}

bool Graph::Connect(GstPad *out, GstPad *in) {
  if (!out || !in) {
    const QString known = out ? "from " + PadLabel(out) : in ? "to " + PadLabel(in) : QString("between two pads");
    return KeepOrNote(QStringLiteral("no link %1: the other pad does not exist").arg(known));
  }
  if (GST_PAD_DIRECTION(out) != GST_PAD_SRC) return NoteFailure(PadLabel(out) + " is not an output");
  if (GST_PAD_DIRECTION(in) != GST_PAD_SINK) return NoteFailure(PadLabel(in) + " is not an input");
  for (GstPad *pad : {out, in})
    if (PadRef peer = PadRef::Adopt(gst_pad_get_peer(pad)))
      return NoteFailure(QStringLiteral("no link %1 -> %2: %3 is already linked to %4")
                             .arg(PadLabel(out), PadLabel(in), PadLabel(pad), PadLabel(peer.get())));
  CapsRef outCaps = CapsRef::Adopt(gst_pad_query_caps(out, nullptr));
  CapsRef inCaps = CapsRef::Adopt(gst_pad_query_caps(in, nullptr));
  if (!outCaps || !inCaps || !gst_caps_can_intersect(outCaps.get(), inCaps.get()))
    return NoteFailure(QStringLiteral("no link %1 -> %2: the output gives %3 and the input takes %4, nothing in common")
                           .arg(PadLabel(out), PadLabel(in), CapsText(outCaps.get()), CapsText(inCaps.get())));
  const GstPadLinkReturn linked = gst_pad_link(out, in);
  if (linked != GST_PAD_LINK_OK)
    return NoteFailure(QStringLiteral("the link %1 -> %2 was refused (%3)")
                           .arg(PadLabel(out), PadLabel(in), QString::fromUtf8(gst_pad_link_get_name(linked))));
  GST_DEBUG("linked %s:%s -> %s:%s", GST_DEBUG_PAD_NAME(out), GST_DEBUG_PAD_NAME(in));
  return true;
}

bool Graph::ConnectFilters(GstElement *from, GstElement *to) {
  if (!from || !to) return KeepOrNote(QStringLiteral("no element to link %1").arg(from ? "to" : "from"));
  for (GstElement *e : {from, to})
    if (!Contains(e)) return NoteFailure(ElementLabel(e) + " is not in the graph");
  PadRef out = FirstUnconnectedPin(from, GST_PAD_SRC);
  if (!out)
    return NoteFailure(QStringLiteral("%1 has no free output to link to %2").arg(ElementLabel(from), ElementLabel(to)));
  CapsRef caps = CapsRef::Adopt(gst_pad_query_caps(out.get(), nullptr));
  const GstCaps *hint = caps && !gst_caps_is_any(caps.get()) ? caps.get() : nullptr;
  PadRef in = FirstUnconnectedPin(to, GST_PAD_SINK, hint);
  if (in) return Connect(out.get(), in.get());
  // A free input that takes none of it says more than "no input": both caps.
  for (const PadRef &p : Pins(to)) {
    if (GST_PAD_DIRECTION(p.get()) != GST_PAD_SINK || gst_pad_is_linked(p.get())) continue;
    CapsRef takes = CapsRef::Adopt(gst_pad_query_caps(p.get(), nullptr));
    return NoteFailure(QStringLiteral("no link %1 -> %2: the output gives %3 and the input takes %4, nothing in common")
                           .arg(PadLabel(out.get()), PadLabel(p.get()), CapsText(caps.get()), CapsText(takes.get())));
  }
  return NoteFailure(QStringLiteral("%1 has no free input for %2, which gives %3")
                         .arg(ElementLabel(to), PadLabel(out.get()), CapsText(caps.get())));
}

bool Graph::Disconnect(GstPad *pad) {
  if (!pad) return false;
  PadRef peer = PadRef::Adopt(gst_pad_get_peer(pad));
  if (!peer) return false;
  return GST_PAD_DIRECTION(pad) == GST_PAD_SRC ? gst_pad_unlink(pad, peer.get()) : gst_pad_unlink(peer.get(), pad);
}

bool Graph::RemoveChain(GstElement *first, GstElement *last) {
  if (!Contains(first) || !Contains(last)) return false;
  std::vector<ElementRef> chain{ElementRef::Borrow(first)};
  GstElement *current = first;
  while (current != last) {
    ElementRef next;
    int linked = 0;
    for (const PadRef &p : Pins(current)) {
      if (GST_PAD_DIRECTION(p.get()) != GST_PAD_SRC || !gst_pad_is_linked(p.get())) continue;
      ++linked;
      next = PeerElement(p.get());
    }
    if (linked != 1 || !next || !Contains(next.get())) return false;
    if (std::any_of(chain.begin(), chain.end(), [&](const ElementRef &e) { return e == next; })) return false;
    current = next.get();
    chain.push_back(std::move(next));
  }
  bool ok = true;
  for (const ElementRef &e : chain) ok = RemoveFilter(e.get()) && ok;
  return ok;
}

void Graph::AddRecordingBranch(GstPad *entry, GstElement *fileSink) {
  if (!entry || !fileSink) return;
  branches_.push_back({PadRef::Borrow(entry), ElementRef::Borrow(fileSink)});
  WatchDisk(fileSink);
}

void Graph::AddRecordingSink(GstElement *fileSink) {
  if (!fileSink) return;
  branches_.push_back({PadRef{}, ElementRef::Borrow(fileSink)});
  WatchDisk(fileSink);
}

void Graph::WatchDisk(GstElement *fileSink) {
  for (const auto &w : diskWatches_)
    if (w->Sink() == fileSink) return;
  diskWatches_.push_back(std::make_unique<DiskWatch>(fileSink, diskReserve_));
}

void Graph::ForgetRecordingSink(GstElement *fileSink) {
  std::erase_if(branches_, [fileSink](const Branch &b) { return b.sink.get() == fileSink; });
  std::erase_if(diskWatches_, [fileSink](const auto &w) { return w->Sink() == fileSink; });
}

void Graph::ClearRecordingBranches() {
  branches_.clear();
  diskWatches_.clear();
}

bool Graph::Run() {
  bridge_->ForgetErrors();
  if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    // The element that refused posted its error on this thread, inside the
    // state change; its queued Message has not been delivered yet.
    QString why = QStringLiteral("the graph refused to start, and no element said why");
    if (MessageRef error = bridge_->FirstError()) {
      GError *raw = nullptr;
      gst_message_parse_error(error.get(), &raw, nullptr);
      ErrorPtr e(raw);
      const QString name = GraphNameOf(GST_MESSAGE_SRC(error.get()));
      const QString text = e ? QString::fromUtf8(e->message) : QStringLiteral("unknown error");
      why = name.isEmpty() ? "the graph refused to start: " + text
                           : QStringLiteral("the graph refused to start: \"%1\" failed: %2").arg(name, text);
    }
    bridge_->ForgetErrors();
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    return NoteFailure(why);
  }
  bridge_->ForgetErrors();
  // The graph as it starts, for GST_DEBUG_DUMP_DOT_DIR (nothing is written
  // without it).
  GST_DEBUG_BIN_TO_DOT_FILE_WITH_TS(GST_BIN(pipeline_.get()), GST_DEBUG_GRAPH_SHOW_ALL, "vistrel-graph");
  return true;
}

bool Graph::Stop() {
  lastStopFinalized_ = FinalizeRecordings();
  return gst_element_set_state(pipeline_.get(), GST_STATE_NULL) != GST_STATE_CHANGE_FAILURE;
}

GstState Graph::State() const {
  GstState current = GST_STATE_NULL, pending = GST_STATE_VOID_PENDING;
  gst_element_get_state(pipeline_.get(), &current, &pending, 0);
  return current;
}

void Graph::SetVolume(int volume) {
  volume_ = std::clamp(volume, 0, 10000);
  if (volumeElement_) g_object_set(volumeElement_.get(), "volume", volume_ / 10000.0, nullptr);
}

void Graph::SetVolumeElement(GstElement *volume) {
  volumeElement_ = ElementRef::Borrow(volume);
  SetVolume(volume_);
}

QByteArray Graph::DotGraph() const {
  GCharPtr dot(gst_debug_bin_to_dot_data(GST_BIN(pipeline_.get()), GST_DEBUG_GRAPH_SHOW_ALL));
  return dot ? QByteArray(dot.get()) : QByteArray();
}

QString Graph::GraphNameOf(GstObject *object) const {
  for (GstObject *o = object; o; o = GST_OBJECT_PARENT(o))
    if (GST_OBJECT_PARENT(o) == GST_OBJECT(pipeline_.get())) return QString::fromUtf8(GST_OBJECT_NAME(o));
  return {};
}

bool Graph::NoteFailure(const QString &why) {
  lastFailure_ = why;
  GST_CAT_WARNING(FAILURE_CAT, "%s", why.toUtf8().constData());
  return false;
}

bool Graph::KeepOrNote(const QString &why) { return lastFailure_.isEmpty() ? NoteFailure(why) : false; }

QString Graph::ElementLabel(GstElement *element) const {
  if (!element) return QStringLiteral("(no element)");
  const QString name = GraphNameOf(GST_OBJECT(element));
  if (!name.isEmpty()) return '"' + name + '"';
  return QStringLiteral("%1 (%2, not in the graph)")
      .arg(QString::fromUtf8(GST_OBJECT_NAME(element)), FactoryName(element));
}

QString Graph::PadLabel(GstPad *pad) const {
  const QString padName = QString::fromUtf8(GST_OBJECT_NAME(pad));
  ObjectRef parent = ParentOf(pad);
  if (!parent) return padName + " (a pad of no element)";
  // A pad of an element inside a bin is named after the bin the graph knows,
  // then the element that owns it.
  const QString name = GraphNameOf(parent.get());
  if (name.isEmpty())
    return QStringLiteral("%1:%2 (not in the graph)").arg(QString::fromUtf8(GST_OBJECT_NAME(parent.get())), padName);
  if (name != QString::fromUtf8(GST_OBJECT_NAME(parent.get())))
    return QStringLiteral("\"%1\"/%2:%3").arg(name, QString::fromUtf8(GST_OBJECT_NAME(parent.get())), padName);
  return QStringLiteral("\"%1\":%2").arg(name, padName);
}

void Graph::OnMessage(const MessageRef &message) {
  GstMessage *m = message.get();
  switch (GST_MESSAGE_TYPE(m)) {
    case GST_MESSAGE_ERROR: {
      // An element taken out of the graph since it posted (a capture chain
      // ended or replaced) has nothing left to stop: its error would end the
      // chain that came after it.
      if (!gst_object_has_as_ancestor(GST_MESSAGE_SRC(m), GST_OBJECT(pipeline_.get()))) {
        GST_INFO("error from %s, no longer in the graph, left alone", GST_MESSAGE_SRC_NAME(m));
        break;
      }
      GError *raw = nullptr;
      gchar *debug = nullptr;
      gst_message_parse_error(m, &raw, &debug);
      ErrorPtr error(raw);
      GCharPtr debugText(debug);
      const QString text = error ? QString::fromUtf8(error->message) : QStringLiteral("unknown error");
      const QString name = GraphNameOf(GST_MESSAGE_SRC(m));
      GST_WARNING("error from %s: %s (%s)", name.toUtf8().constData(), text.toUtf8().constData(),
                  debug ? debug : "");
      if (FromSource(GST_MESSAGE_SRC(m), pipeline_.get())) emit DeviceLost(name, text);
      emit ErrorOccurred(name.isEmpty() ? text : name + ": " + text);
      break;
    }
    case GST_MESSAGE_EOS:
      emit EndOfStream();
      break;
    case GST_MESSAGE_ELEMENT: {
      const GstStructure *st = gst_message_get_structure(m);
      if (!st || !gst_structure_has_name(st, kDiskLowMessage)) break;
      gint64 free = 0;
      gst_structure_get_int64(st, "free", &free);
      emit DiskLow(QString::fromLocal8Bit(gst_structure_get_string(st, "location")), free);
      break;
    }
    default:
      break;
  }
  emit BusMessage(message);
}

}  // namespace vistrel::media
