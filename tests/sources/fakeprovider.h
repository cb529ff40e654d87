#pragma once
// A device provider under the tests' control: each device is a real source
// element made from a launch description.
#include "sources/enumerator.h"

#include <QString>
#include <QStringList>

#include <ostream>
#include <string>
#include <vector>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList &l, std::ostream *os) { *os << '{' << l.join(", ").toStdString() << '}'; }

namespace vistrel::test {

struct FakeDevice {
  QString identity;
  QString name;
  QString launch;  // gst_parse_bin_from_description text, or an element name
  sources::DeviceCategory category = sources::DeviceCategory::VideoInput;
};

// Every unlinked output inside the bin becomes one of the bin's outputs, in
// the order of the description (the parser itself ghosts only the first).
inline void GhostOutputs(GstBin *bin) {
  // A bin lists its newest child first; children come in description order.
  std::vector<GstElement *> ordered;
  for (GList *l = bin->children; l; l = l->next) ordered.insert(ordered.begin(), GST_ELEMENT(l->data));
  int n = 0;
  for (GstElement *e : ordered) {
    for (GList *p = e->srcpads; p; p = p->next) {
      GstPad *pad = GST_PAD(p->data);
      if (gst_pad_is_linked(pad)) continue;
      const std::string name = "src_" + std::to_string(n++);
      gst_element_add_pad(GST_ELEMENT(bin), gst_ghost_pad_new(name.c_str(), pad));
    }
  }
}

class FakeProvider : public sources::DeviceProvider {
 public:
  explicit FakeProvider(std::vector<FakeDevice> *devices) : devices_(devices) {}
  QString Name() const override { return QStringLiteral("fake"); }
  std::vector<sources::DeviceMoniker> Enumerate(sources::DeviceCategory category) override {
    std::vector<sources::DeviceMoniker> out;
    for (const FakeDevice &d : *devices_) {
      if (d.category != category) continue;
      const QByteArray launch = d.launch.toUtf8();
      out.emplace_back(d.identity, d.name, [launch] {
        GError *error = nullptr;
        if (!launch.contains('!')) return media::ElementRef::Adopt(gst_element_factory_make(launch.constData(), nullptr));
        GstElement *bin = gst_parse_bin_from_description(launch.constData(), FALSE, &error);
        if (error) g_error_free(error);
        if (bin) GhostOutputs(GST_BIN(bin));
        return media::ElementRef::Adopt(bin);
      });
    }
    return out;
  }

 private:
  std::vector<FakeDevice> *devices_;
};

}  // namespace vistrel::test
