#include "sources/deviceidentity.h"

#include <QDir>
#include <QFileInfo>

namespace vistrel::sources {

namespace {

QString Field(const GstStructure *props, const char *key) {
  if (!props || !gst_structure_has_field(props, key)) return {};
  if (const gchar *v = gst_structure_get_string(props, key)) return QString::fromUtf8(v);
  int n = 0;
  if (gst_structure_get_int(props, key, &n)) return QString::number(n);
  return {};
}

QString First(const GstStructure *props, std::initializer_list<const char *> keys) {
  for (const char *key : keys) {
    const QString v = Field(props, key);
    if (!v.isEmpty()) return v;
  }
  return {};
}

}  // namespace

QString V4l2ById(const QString &devicePath) {
  if (devicePath.isEmpty()) return {};
  const QString target = QFileInfo(devicePath).canonicalFilePath();
  const QDir dir(QStringLiteral("/dev/v4l/by-id"));
  for (const QFileInfo &link : dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
    if (link.canonicalFilePath() == target) return link.fileName();
  return {};
}

QString V4l2Path(const GstStructure *props) {
  const QString path = First(props, {"api.v4l2.path", "device.path"});
  return path.startsWith(QLatin1String("/dev/video")) ? path : QString();
}

QString StableIdentity(const GstStructure *props, const QString &displayName, const QString &internalName,
                       const ByIdLookup &byId) {
  const QString v4l2Path = V4l2Path(props);
  if (!v4l2Path.isEmpty()) {
    const QString id = byId ? byId(v4l2Path) : QString();
    if (!id.isEmpty()) return QStringLiteral("v4l2:") + id;
    const QString bus = First(props, {"api.v4l2.cap.bus_info", "v4l2.device.bus_info"});
    const QString card = First(props, {"api.v4l2.cap.card", "v4l2.device.card"});
    if (!bus.isEmpty()) return QStringLiteral("v4l2:%1/%2").arg(bus, card);
  }
  const QString node = Field(props, "node.name");
  if (!node.isEmpty()) {
    // A hardware node's name says where it is plugged ("v4l2_input.pci-…",
    // "alsa_input.usb-…"); an application's stream is named after the
    // program, so its description tells its streams apart.
    const bool hardware = node.contains(QLatin1String("_input.")) || node.contains(QLatin1String("_output.")) ||
                          node.startsWith(QLatin1String("libcamera"));
    const bool appStream = !hardware;
    const QString description = Field(props, "node.description");
    return appStream && !description.isEmpty() ? QStringLiteral("pipewire:%1/%2").arg(node, description)
                                               : QStringLiteral("pipewire:") + node;
  }
  if (!internalName.isEmpty()) return QStringLiteral("pulse:") + internalName;
  const QString alsaId = First(props, {"alsa.id", "api.alsa.card.id"});
  const QString device = First(props, {"alsa.device", "api.alsa.pcm.device"});
  if (!alsaId.isEmpty()) return QStringLiteral("alsa:%1,%2").arg(alsaId, device.isEmpty() ? QStringLiteral("0") : device);
  const QString card = First(props, {"alsa.card", "api.alsa.card"});
  if (!card.isEmpty()) return QStringLiteral("alsa:hw%1,%2").arg(card, device.isEmpty() ? QStringLiteral("0") : device);
  if (!v4l2Path.isEmpty()) return QStringLiteral("v4l2:") + v4l2Path;
  return displayName;
}

}  // namespace vistrel::sources
