#include "sources/devicewatch.h"

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

#include "media/debug.h"
#include "sources/enumerator.h"
#include "sources/pinsearch.h"

#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::Sources)

namespace vistrel::sources {

// What the streaming threads leave for the main thread: the time of the
// last buffer. The probe only stores; the main thread judges.
struct DeviceWatch::Flow {
  std::atomic<gint64> lastUs{0};
  gint64 playingSinceUs = 0;  // main thread only
  gint64 stalledUs = 0;       // main thread only
  bool delivering = false;    // main thread only: its first buffer was seen
  std::vector<std::pair<media::PadRef, gulong>> probes;
};

namespace {

constexpr int kFlowPeriodMs = 250;

GstPadProbeReturn OnBuffer(GstPad *, GstPadProbeInfo *, gpointer data) {
  static_cast<std::shared_ptr<std::atomic<gint64>> *>(data)->get()->store(g_get_monotonic_time(),
                                                                          std::memory_order_relaxed);
  return GST_PAD_PROBE_OK;
}

void FreeStamp(gpointer data) { delete static_cast<std::shared_ptr<std::atomic<gint64>> *>(data); }

bool Playing(GstElement *element) {
  GST_OBJECT_LOCK(element);
  const bool playing = GST_STATE(element) == GST_STATE_PLAYING;
  GST_OBJECT_UNLOCK(element);
  return playing;
}

std::vector<media::PadRef> SourcePads(GstElement *element) {
  std::vector<media::PadRef> pads;
  GST_OBJECT_LOCK(element);
  for (GList *l = element->srcpads; l; l = l->next) pads.push_back(media::PadRef::Borrow(GST_PAD(l->data)));
  GST_OBJECT_UNLOCK(element);
  return pads;
}

}  // namespace

DeviceWatch::DeviceWatch(SystemDeviceEnumerator &enumerator, QObject *parent)
    : QObject(parent), enumerator_(enumerator) {
  connect(&enumerator_, &SystemDeviceEnumerator::DeviceChange, this, &DeviceWatch::CheckPresence);
  flowTimer_.setInterval(kFlowPeriodMs);
  connect(&flowTimer_, &QTimer::timeout, this, [this] {
    // Ticks far apart mean this program did not run (stopped, or starved by
    // swapping): the silence since is its own, not the devices'.
    const gint64 now = g_get_monotonic_time();
    if (lastTickUs_ && now - lastTickUs_ > gint64(std::max(stallLimitMs_ / 2, 4 * kFlowPeriodMs)) * 1000)
      resumedUs_ = now;
    lastTickUs_ = now;
    CheckFlow();
  });
}

DeviceWatch::~DeviceWatch() {
  for (Watched &w : watched_) Detach(w);
}

void DeviceWatch::Watch(WatchRole role, const QString &name, const QString &deviceName, const DeviceMoniker &moniker,
                        GstElement *source) {
  Watched &w = Of(role);
  Detach(w);
  w = Watched{};
  w.name = name;
  w.deviceName = deviceName;
  w.moniker = moniker;
  if (source) {
    w.source = media::ElementRef::Borrow(source);
    Attach(w, role);
  }
  if (!flowTimer_.isActive()) {
    lastTickUs_ = 0;
    flowTimer_.start();
  }
  GST_INFO("watching \"%s\" (%s)", name.toUtf8().constData(), moniker.Identity().toUtf8().constData());
}

void DeviceWatch::DropSource(WatchRole role) {
  Watched &w = Of(role);
  Detach(w);
  w.source = {};
}

void DeviceWatch::Forget(WatchRole role) {
  Watched &w = Of(role);
  Detach(w);
  w = Watched{};
}

QString DeviceWatch::Name(WatchRole role) const { return Of(role).name; }
QString DeviceWatch::DeviceName(WatchRole role) const { return Of(role).deviceName; }

std::optional<WatchRole> DeviceWatch::RoleOfDevice(const QString &deviceName) const {
  for (WatchRole role : {WatchRole::Picture, WatchRole::Sound})
    if (!deviceName.isEmpty() && Of(role).deviceName == deviceName) return role;
  return std::nullopt;
}

std::optional<WatchRole> DeviceWatch::RoleOf(const QString &name) const {
  for (WatchRole role : {WatchRole::Picture, WatchRole::Sound})
    if (!name.isEmpty() && Of(role).name == name) return role;
  return std::nullopt;
}
bool DeviceWatch::IsGone(WatchRole role) const { return Of(role).absent || Of(role).stalled; }
bool DeviceWatch::IsStalled(WatchRole role) const { return !Of(role).absent && Of(role).stalled; }
QDateTime DeviceWatch::GoneSince(WatchRole role) const { return IsGone(role) ? Of(role).since : QDateTime(); }
bool DeviceWatch::Delivered(WatchRole role) const {
  const Watched &w = Of(role);
  return w.flow && w.flow->lastUs.load(std::memory_order_relaxed) != 0;
}

void DeviceWatch::Attach(Watched &w, WatchRole role) {
  w.flow = std::make_shared<Flow>();
  // The stamp outlives the probes (the pad may keep one a moment after its
  // removal on a streaming thread), so each probe owns a share of it.
  auto stamp = std::shared_ptr<std::atomic<gint64>>(w.flow, &w.flow->lastUs);
  std::vector<media::PadRef> pads = SourcePads(w.source.get());
  if (role == WatchRole::Picture) {
    // A device with picture and sound is judged by its picture.
    std::vector<media::PadRef> picture;
    for (media::PadRef &p : pads)
      if (PadMajor(p.get()) != media::MajorType::Audio) picture.push_back(p);
    if (!picture.empty()) pads = std::move(picture);
  }
  for (media::PadRef &pad : pads) {
    const gulong id =
        gst_pad_add_probe(pad.get(), GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
                          &OnBuffer, new std::shared_ptr<std::atomic<gint64>>(stamp), &FreeStamp);
    if (id) w.flow->probes.emplace_back(std::move(pad), id);
  }
}

void DeviceWatch::Detach(Watched &w) {
  if (!w.flow) return;
  for (auto &[pad, id] : w.flow->probes) gst_pad_remove_probe(pad.get(), id);
  w.flow->probes.clear();
}

void DeviceWatch::Update(Watched &w, bool absent, bool stalled, const QDateTime &when) {
  const bool wasGone = w.absent || w.stalled;
  w.absent = absent;
  w.stalled = stalled;
  const bool isGone = absent || stalled;
  if (isGone == wasGone) return;
  if (isGone) {
    w.since = when;
    GST_WARNING("\"%s\" is gone (%s) since %s", w.name.toUtf8().constData(), absent ? "not listed" : "no frames",
                when.toString("HH:mm:ss.zzz").toUtf8().constData());
    emit gone(w.name, when);
  } else {
    GST_WARNING("\"%s\" is back", w.name.toUtf8().constData());
    emit back(w.name);
  }
}

void DeviceWatch::CheckPresence() {
  std::vector<DeviceMoniker> listed;
  bool enumerated = false;
  for (Watched &w : watched_) {
    if (w.name.isEmpty() || w.moniker.IsNull()) continue;
    if (!enumerated) {
      // A camcorder's sound is listed with its picture, so both lists count.
      for (DeviceCategory c : {DeviceCategory::VideoInput, DeviceCategory::AudioInput})
        for (DeviceMoniker &m : enumerator_.Enumerate(c)) listed.push_back(std::move(m));
      enumerated = true;
    }
    const DeviceMoniker *found = nullptr;
    for (const DeviceMoniker &m : listed)
      if (m.IsEqual(w.moniker)) found = &m;
    GST_DEBUG("\"%s\" is %s among %zu devices", w.name.toUtf8().constData(), found ? "listed" : "not listed",
              listed.size());
    const QDateTime now = QDateTime::currentDateTime();
    if (!found) {
      Detach(w);
      Update(w, true, false, w.absent ? w.since : now);
      continue;
    }
    // Listed again under its identity but as another device: it left and
    // came back between two looks, and the element made for the first one
    // receives nothing any more.
    if (!found->SameInstance(w.moniker)) {
      Detach(w);
      Update(w, true, false, now);
    }
    w.moniker = *found;
    Update(w, false, w.stalled, w.since);
  }
}

void DeviceWatch::CheckFlow() {
  const gint64 now = g_get_monotonic_time();
  bool anything = false;
  for (size_t i = 0; i < watched_.size(); ++i) {
    Watched &w = watched_[i];
    if (w.name.isEmpty()) continue;
    anything = true;
    if (!w.flow || !w.source || w.absent) continue;
    const gint64 last = w.flow->lastUs.load(std::memory_order_relaxed);
    if (last && !w.flow->delivering) {
      w.flow->delivering = true;
      GST_INFO("\"%s\" delivers", w.name.toUtf8().constData());
    }
    // A graph that does not play sends nothing on purpose.
    if (!Playing(w.source.get())) {
      w.flow->playingSinceUs = 0;
      continue;
    }
    if (w.flow->playingSinceUs == 0) w.flow->playingSinceUs = now;
    if (i != 0) continue;  // only pictures are judged by their flow
    if (!w.stalled) {
      const gint64 alive = std::max({last, w.flow->playingSinceUs, resumedUs_});
      if (now - alive <= gint64(stallLimitMs_) * 1000) continue;
      w.flow->stalledUs = now;
      Update(w, false, true, QDateTime::currentDateTime().addMSecs(-(now - alive) / 1000));
    } else if (last > w.flow->stalledUs) {
      Update(w, false, false, {});
    }
  }
  if (!anything) flowTimer_.stop();
}

}  // namespace vistrel::sources
