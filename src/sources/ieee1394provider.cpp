#include "sources/ieee1394provider.h"

#include "sources/avc1394transport.h"
#include "sources/enumerator.h"

#include <libavc1394/avc1394.h>
#include <libavc1394/rom1394.h>
#include <libraw1394/raw1394.h>

#include <memory>

namespace vistrel::sources {
namespace {

class Ieee1394Provider : public DeviceProvider {
 public:
  QString Name() const override { return QStringLiteral("IEEE 1394"); }
  std::vector<DeviceMoniker> Enumerate(DeviceCategory category) override {
    std::vector<DeviceMoniker> out;
    if (category != DeviceCategory::VideoInput) return out;
    for (const Ieee1394Camcorder &cam : ScanIeee1394()) {
      const quint64 guid = cam.guid;
      // The camcorder is listed under the name its driver would give it; the
      // device model shows every DV device as "DV Source".
      const QString friendly = cam.vendorModel.isEmpty() ? QStringLiteral("IEEE 1394 DV Camcorder") : cam.vendorModel;
      out.emplace_back(QStringLiteral("1394:%1").arg(guid, 16, 16, QLatin1Char('0')), friendly, [guid] {
        GstElement *e = gst_element_factory_make("dv1394src", nullptr);
        if (e) {
          g_object_set(e, "guid", guint64(guid), nullptr);
          AttachAvcTransport(e, guid);
        }
        return media::ElementRef::Adopt(e);
      });
    }
    return out;
  }
};

}  // namespace

void Raw1394HandleDeleter::operator()(raw1394_handle *h) const { raw1394_destroy_handle(h); }

Raw1394Handle OpenIeee1394Port(int port) {
  return Raw1394Handle(port < 0 ? raw1394_new_handle() : raw1394_new_handle_on_port(port));
}

int Ieee1394PortCount() {
  Raw1394Handle h = OpenIeee1394Port(-1);
  if (!h) return 0;
  const int ports = raw1394_get_port_info(h.get(), nullptr, 0);
  return ports > 0 ? ports : 0;
}

std::vector<Ieee1394Camcorder> ScanIeee1394() {
  std::vector<Ieee1394Camcorder> found;
  const int ports = Ieee1394PortCount();
  for (int port = 0; port < ports; ++port) {
    Raw1394Handle h = OpenIeee1394Port(port);
    if (!h) continue;
    const int nodes = raw1394_get_nodecount(h.get());
    for (int node = 0; node < nodes; ++node) {
      rom1394_directory dir;
      if (rom1394_get_directory(h.get(), node, &dir) < 0) continue;
      const bool avc = rom1394_get_node_type(&dir) == ROM1394_NODE_TYPE_AVC &&
                       avc1394_check_subunit_type(h.get(), node, AVC1394_SUBUNIT_TYPE_VCR);
      if (avc) {
        Ieee1394Camcorder cam;
        cam.port = port;
        cam.node = node;
        cam.guid = rom1394_get_guid(h.get(), node);
        cam.vendorModel = QString::fromLatin1(dir.label ? dir.label : "").trimmed();
        found.push_back(cam);
      }
      rom1394_free_directory(&dir);
    }
  }
  return found;
}

std::unique_ptr<DeviceProvider> MakeIeee1394Provider() { return std::make_unique<Ieee1394Provider>(); }

}  // namespace vistrel::sources
