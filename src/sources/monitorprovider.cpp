// Cameras, capture cards and sound inputs known to GStreamer's device
// monitor (V4L2, PipeWire, PulseAudio, ALSA). Arrivals and removals on the
// monitor's bus become device-change notifications on the main thread.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFileInfo>
#include <QHash>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <vector>

#include "media/arrivalbound.h"
#include "media/debug.h"
#include "media/restamp.h"
#include "sources/deviceidentity.h"
#include "sources/enumerator.h"

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
  media::BoundSoundToArrival(e.get());
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

constexpr const char *kPulseProvider = "pulsedeviceprovider";

// Where the PulseAudio server (or PipeWire's stand-in for it) listens; empty
// when it is reached some other way (a TCP server is not watched).
QByteArray PulseSocketPath() {
  const QByteArray server = qgetenv("PULSE_SERVER");
  if (!server.isEmpty()) return server.startsWith("unix:") ? server.mid(5) : QByteArray();
  QByteArray dir = qgetenv("PULSE_RUNTIME_PATH");
  if (dir.isEmpty()) {
    dir = qgetenv("XDG_RUNTIME_DIR");
    if (dir.isEmpty()) return {};
    dir += "/pulse";
  }
  return dir + "/native";
}

// The server as seen from outside: someone accepts on its socket (a local
// connect answers at once, never waits), and which socket file it is, so
// that a server restarted between two looks is told apart.
struct PulseServer {
  bool up = false;
  ino_t socket = 0;
  bool operator==(const PulseServer &) const = default;
};

PulseServer LookAtPulseServer(const QByteArray &path) {
  struct stat st {};
  if (path.isEmpty() || stat(path.constData(), &st) != 0 || !S_ISSOCK(st.st_mode)) return {};
  sockaddr_un address{};
  if (size_t(path.size()) >= sizeof(address.sun_path)) return {};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return {};
  const int rc = connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address));
  const bool up = rc == 0 || errno == EINPROGRESS || errno == EAGAIN;
  close(fd);
  return {up, up ? st.st_ino : 0};
}

bool FromProvider(GstDevice *device, const char *factoryName) {
  media::ObjectRef parent = media::ObjectRef::Adopt(gst_object_get_parent(GST_OBJECT(device)));
  if (!parent || !GST_IS_DEVICE_PROVIDER(parent.get())) return false;
  GstDeviceProviderFactory *factory = gst_device_provider_get_factory(GST_DEVICE_PROVIDER(parent.get()));
  return factory && g_strcmp0(GST_OBJECT_NAME(factory), factoryName) == 0;
}

class MonitorProvider : public DeviceProvider {
 public:
  explicit MonitorProvider(SystemDeviceEnumerator *notify) : notify_(notify) {
    // One monitor for both classes. Two monitors share the process's one
    // PipeWire provider, and with two the provider's later arrivals and
    // removals reach neither (PipeWire 0.3.65): a camera that went away
    // stayed listed as its dead node, whose element, opened again,
    // negotiated with nothing (GStreamer-CRITICAL in gst_caps_can_intersect)
    // and showed a black picture. Stopping such a monitor corrupted the heap
    // in the PipeWire provider's thread, so it is never stopped while
    // PipeWire runs (below).
    monitor_ = media::GstRef<GstDeviceMonitor>::Adopt(gst_device_monitor_new());
    for (const char *klass : kClasses) gst_device_monitor_add_filter(monitor_.get(), klass, nullptr);
    if (notify_) {
      media::BusRef bus = media::BusRef::Adopt(gst_device_monitor_get_bus(monitor_.get()));
      // The sync handler runs on the monitor's thread; it only posts.
      gst_bus_set_sync_handler(bus.get(), &MonitorProvider::OnBusMessage, this, nullptr);
      started_ = gst_device_monitor_start(monitor_.get());
      GST_INFO("device monitor %s", started_ ? "started" : "did not start");
      WatchPulseServer();
    }
  }
  ~MonitorProvider() override {
    media::BusRef bus = media::BusRef::Adopt(gst_device_monitor_get_bus(monitor_.get()));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    if (!started_) return;
    if (PipeWireRuns()) {
      // Stopping the PipeWire provider after any PipeWire stream of the
      // process has closed corrupts the heap in PipeWire 0.3.65 (glibc
      // aborts in the provider's thread as it ends). The enumerator lives
      // for the run, so the monitor is left running for the exit to end.
      GST_INFO("PipeWire runs: the device monitor is left to the exit");
      (void)monitor_.release();
      return;
    }
    gst_device_monitor_stop(monitor_.get());
  }

  QString Name() const override { return QStringLiteral("device monitor"); }

  std::vector<DeviceMoniker> Enumerate(DeviceCategory category) override {
    std::vector<DeviceMoniker> out;
    if (category == DeviceCategory::Crossbar) return out;
    const char *klass = kClasses[category == DeviceCategory::VideoInput ? 0 : 1];
    GList *devices = gst_device_monitor_get_devices(monitor_.get());
    QHash<QString, int> seen;
    for (GList *l = devices; l; l = l->next) {
      auto device = media::GstRef<GstDevice>::Adopt(GST_DEVICE(l->data));
      if (!gst_device_has_classes(device.get(), klass)) continue;
      // The provider keeps listing a dead server's devices.
      if (!pulse_.up && pulseWatched_ && FromProvider(device.get(), kPulseProvider)) continue;
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
      out.back().SetInstance(std::shared_ptr<const void>(
          gst_object_ref(device.get()), [](const void *d) { gst_object_unref(const_cast<void *>(d)); }));
    }
    g_list_free(devices);  // the references were adopted above
    return out;
  }

 private:
  // GStreamer's PulseAudio provider neither notices that its server went
  // away nor connects again when it is back: it goes on listing the dead
  // server's devices, and a restarted server's devices never appear. The
  // server is looked at once a second from the main thread; while it is
  // down its devices are left out, and when it is up again (or another
  // server took its socket) the provider is started anew. The provider is
  // one object for the process, shared by every monitor, so a new monitor
  // would get the same dead one: it is the provider itself that restarts,
  // and the monitors, with their PipeWire provider that must never stop,
  // stay as they are.
  void WatchPulseServer() {
    const QByteArray path = PulseSocketPath();
    if (path.isEmpty()) return;
    gchar **names = gst_device_monitor_get_providers(monitor_.get());
    for (gchar **n = names; n && *n; ++n) pulseWatched_ = pulseWatched_ || g_strcmp0(*n, kPulseProvider) == 0;
    g_strfreev(names);
    if (!pulseWatched_) return;
    pulse_ = LookAtPulseServer(path);
    pulseTimer_ = std::make_unique<QTimer>();
    pulseTimer_->setInterval(1000);
    QObject::connect(pulseTimer_.get(), &QTimer::timeout, [this, path] { OnPulseLook(LookAtPulseServer(path)); });
    pulseTimer_->start();
  }

  void OnPulseLook(const PulseServer &now) {
    if (now == pulse_) return;
    const PulseServer before = pulse_;
    pulse_ = now;
    if (now.up) {
      auto provider = media::GstRef<GstDeviceProvider>::Adopt(gst_device_provider_factory_get_by_name(kPulseProvider));
      if (provider) {
        if (gst_device_provider_is_started(provider.get())) gst_device_provider_stop(provider.get());
        const bool started = gst_device_provider_start(provider.get());
        GST_INFO("the PulseAudio server is %s: its device provider %s", before.up ? "another one" : "back",
                 started ? "started again" : "did not start");
      }
    } else {
      GST_INFO("the PulseAudio server is gone: its devices are no longer listed");
    }
    notify_->NotifyDeviceChange();
  }

  static GstBusSyncReply OnBusMessage(GstBus *, GstMessage *message, gpointer self) {
    const auto type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_DEVICE_ADDED || type == GST_MESSAGE_DEVICE_REMOVED || type == GST_MESSAGE_DEVICE_CHANGED)
      static_cast<MonitorProvider *>(self)->notify_->NotifyDeviceChange();
    gst_message_unref(message);
    return GST_BUS_DROP;
  }

  static constexpr const char *kClasses[] = {"Video/Source", "Audio/Source"};

  SystemDeviceEnumerator *notify_;
  media::GstRef<GstDeviceMonitor> monitor_;
  bool started_ = false;
  bool pulseWatched_ = false;
  PulseServer pulse_{true, 0};
  std::unique_ptr<QTimer> pulseTimer_;
};

}  // namespace

std::unique_ptr<DeviceProvider> MakeMonitorProvider(SystemDeviceEnumerator *notify) {
  return std::make_unique<MonitorProvider>(notify);
}

}  // namespace vistrel::sources
