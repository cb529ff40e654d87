// Cameras, capture cards and sound inputs known to GStreamer's device
// monitor (V4L2, PipeWire, PulseAudio, ALSA). Arrivals and removals on the
// monitor's bus become device-change notifications on the main thread.
#include "sources/enumerator.h"

#include "media/debug.h"
#include "media/restamp.h"
#include "sources/deviceidentity.h"

#include <QFileInfo>
#include <QHash>

#include <vector>

#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::Sources)

namespace vistrel::sources {
namespace {

QString StringProperty(GstStructure *props, const char *key) {
  const gchar *v = props ? gst_structure_get_string(props, key) : nullptr;
  return v ? QString::fromUtf8(v) : QString();
}

// The ALSA card behind a sound input ("hw:N"), which names its mixer; the
// sound servers and ALSA itself state it under different keys and types.
QString AlsaCardOf(GstStructure *props) {
  for (const char *key : {"alsa.card", "api.alsa.card"}) {
    if (!props || !gst_structure_has_field(props, key)) continue;
    int number = -1;
    if (gst_structure_get_int(props, key, &number) && number >= 0) return QStringLiteral("hw:%1").arg(number);
    bool ok = false;
    number = StringProperty(props, key).toInt(&ok);
    if (ok && number >= 0) return QStringLiteral("hw:%1").arg(number);
  }
  return {};
}

// A PulseAudio device's name on its server ("alsa_input.…", "x.monitor"),
// kept by the device as a property rather than in its properties structure.
QString InternalName(GstDevice *device) {
  if (!g_object_class_find_property(G_OBJECT_GET_CLASS(device), "internal-name")) return {};
  gchar *name = nullptr;
  g_object_get(device, "internal-name", &name, nullptr);
  media::GCharPtr owned(name);
  return name ? QString::fromUtf8(name) : QString();
}

constexpr gint64 kAudioBlockUs = 20000;

// The device's source element, its output guarded against time stamps the
// pipeline cannot pace by (a PipeWire stream published by another program
// carries its producer's times, all 0 here).
media::ElementRef MakeSourceElement(GstDevice *device) {
  media::ElementRef e = media::ElementRef::Adopt(gst_device_create_element(device, nullptr));
  if (!e) return e;
  GstElementFactory *factory = gst_element_get_factory(e.get());
  if (factory && g_strcmp0(GST_OBJECT_NAME(factory), "pipewiresrc") == 0) {
    // Frames in the producer's memory are lent to us: a recording still
    // holding some when the producer goes away wrote from memory that was no
    // longer the frame (gigabytes of unframed picture). Copies are ours.
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(e.get()), "always-copy"))
      g_object_set(e.get(), "always-copy", TRUE, nullptr);
    media::PadRef out = media::PadRef::Adopt(gst_element_get_static_pad(e.get(), "src"));
    media::AttachLiveTimeGuard(out.get());
  }
  // Sound servers hand out 10 ms by default: each block wakes every queue of
  // the preview and capture chains. Blocks of kAudioBlockUs halve those
  // wake-ups and stay under a picture's period.
  if (g_object_class_find_property(G_OBJECT_GET_CLASS(e.get()), "latency-time"))
    g_object_set(e.get(), "latency-time", gint64(kAudioBlockUs), nullptr);
  return e;
}

// The PipeWire daemon answers where its socket is (a user's session, or a
// test's private runtime folder).
bool PipeWireRuns() {
  const QByteArray remote = qgetenv("PIPEWIRE_REMOTE");
  QByteArray dir = qgetenv("PIPEWIRE_RUNTIME_DIR");
  if (dir.isEmpty()) dir = qgetenv("XDG_RUNTIME_DIR");
  if (dir.isEmpty()) return false;
  return QFileInfo::exists(QString::fromLocal8Bit(dir + "/" + (remote.isEmpty() ? QByteArray("pipewire-0") : remote)));
}

class MonitorProvider : public DeviceProvider {
 public:
  explicit MonitorProvider(SystemDeviceEnumerator *notify) : notify_(notify) {
    // One monitor per class: a single monitor filtering both classes starts
    // the PipeWire provider in a way that corrupts the heap when it stops
    // (GStreamer 1.22 with PipeWire 0.3.65 aborts at exit nine times in ten).
    for (const char *klass : {"Video/Source", "Audio/Source"}) {
      Monitor m;
      m.klass = klass;
      m.monitor = media::GstRef<GstDeviceMonitor>::Adopt(gst_device_monitor_new());
      gst_device_monitor_add_filter(m.monitor.get(), klass, nullptr);
      if (notify_) {
        media::BusRef bus = media::BusRef::Adopt(gst_device_monitor_get_bus(m.monitor.get()));
        // The sync handler runs on the monitor's thread; it only posts.
        gst_bus_set_sync_handler(bus.get(), &MonitorProvider::OnBusMessage, this, nullptr);
        m.started = gst_device_monitor_start(m.monitor.get());
        GST_INFO("device monitor for %s %s", klass, m.started ? "started" : "did not start");
      }
      monitors_.push_back(std::move(m));
    }
  }
  ~MonitorProvider() override {
    const bool pipewire = PipeWireRuns();
    for (Monitor &m : monitors_) {
      media::BusRef bus = media::BusRef::Adopt(gst_device_monitor_get_bus(m.monitor.get()));
      gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
      if (!m.started) continue;
      if (pipewire) {
        // Stopping the PipeWire provider after any PipeWire stream of the
        // process has closed corrupts the heap in PipeWire 0.3.65 (glibc
        // aborts in the provider's thread as it ends). The enumerator lives
        // for the run, so the monitor is left running for the exit to end.
        GST_INFO("PipeWire runs: the device monitor for %s is left to the exit", m.klass);
        (void)m.monitor.release();
        continue;
      }
      gst_device_monitor_stop(m.monitor.get());
    }
  }

  QString Name() const override { return QStringLiteral("device monitor"); }

  std::vector<DeviceMoniker> Enumerate(DeviceCategory category) override {
    std::vector<DeviceMoniker> out;
    if (category == DeviceCategory::Crossbar) return out;
    const Monitor &m = monitors_[category == DeviceCategory::VideoInput ? 0 : 1];
    const char *klass = m.klass;
    GList *devices = gst_device_monitor_get_devices(m.monitor.get());
    QHash<QString, int> seen;
    for (GList *l = devices; l; l = l->next) {
      auto device = media::GstRef<GstDevice>::Adopt(GST_DEVICE(l->data));
      if (!gst_device_has_classes(device.get(), klass)) continue;
      media::GCharPtr name(gst_device_get_display_name(device.get()));
      GstStructure *props = gst_device_get_properties(device.get());
      QString path = V4l2Path(props);
      if (category == DeviceCategory::AudioInput) {
        const QString card = AlsaCardOf(props);
        if (!card.isEmpty()) path = QStringLiteral("alsa:") + card;
      }
      QString id = StableIdentity(props, QString::fromUtf8(name.get()), InternalName(device.get()));
      GST_DEBUG("%s device \"%s\" is %s", klass, name.get(), id.toUtf8().constData());
      if (props) gst_structure_free(props);
      // Two nodes of the same name and no better identity stay distinct.
      const int n = seen[id]++;
      if (n > 0) id += QStringLiteral("#%1").arg(n + 1);
      out.emplace_back(QStringLiteral("monitor:%1:%2").arg(QLatin1String(klass), id), QString::fromUtf8(name.get()),
                       [device] { return MakeSourceElement(device.get()); },
                       path,
                       media::CapsRef::Adopt(gst_device_get_caps(device.get())));
    }
    g_list_free(devices);  // the references were adopted above
    return out;
  }

 private:
  static GstBusSyncReply OnBusMessage(GstBus *, GstMessage *message, gpointer self) {
    const auto type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_DEVICE_ADDED || type == GST_MESSAGE_DEVICE_REMOVED || type == GST_MESSAGE_DEVICE_CHANGED)
      static_cast<MonitorProvider *>(self)->notify_->NotifyDeviceChange();
    gst_message_unref(message);
    return GST_BUS_DROP;
  }

  struct Monitor {
    const char *klass = nullptr;
    media::GstRef<GstDeviceMonitor> monitor;
    bool started = false;
  };

  SystemDeviceEnumerator *notify_;
  std::vector<Monitor> monitors_;
};

}  // namespace

std::unique_ptr<DeviceProvider> MakeMonitorProvider(SystemDeviceEnumerator *notify) {
  return std::make_unique<MonitorProvider>(notify);
}

}  // namespace vistrel::sources
