#include "media/requirements.h"

#include <gst/gst.h>

#include "media/gstref.h"

namespace vistrel::media {

const std::vector<RequiredElement> &RequiredElements() {
  static const QString core = QStringLiteral("libgstreamer1.0-0");
  static const QString base = QStringLiteral("gstreamer1.0-plugins-base");
  static const QString good = QStringLiteral("gstreamer1.0-plugins-good");
  static const QString bad = QStringLiteral("gstreamer1.0-plugins-bad");
  static const QString libav = QStringLiteral("gstreamer1.0-libav");
  static const std::vector<RequiredElement> all{
      {"tee", core},           {"queue", core},           {"filesink", core},
      {"fakesink", core},      {"identity", core},        {"capsfilter", core},
      {"videoconvert", base},  {"videoscale", base},      {"videorate", base},
      {"audioconvert", base},  {"audioresample", base},   {"volume", base},
      {"appsink", base},       {"appsrc", base},          {"videotestsrc", base},
      {"audiotestsrc", base},  {"avimux", good},          {"dvdemux", good},
      {"jpegenc", good},       {"autoaudiosink", good},   {"lamemp3enc", good},
      {"xingmux", good},       {"id3v2mux", good},        {"mpegaudioparse", good},
      {"asfmux", bad},         {"mpegpsmux", bad},        {"avdec_dvvideo", libav},
      {"avenc_dvvideo", libav}, {"avmux_dv", libav},      {"avenc_wmv2", libav},
      {"avenc_wmav2", libav},  {"avenc_mpeg4", libav},
  };
  return all;
}

std::vector<RequiredElement> MissingFrom(const std::vector<RequiredElement> &wanted) {
  std::vector<RequiredElement> missing;
  for (const RequiredElement &r : wanted) {
    if (!FactoryRef::Adopt(gst_element_factory_find(r.element.toUtf8().constData()))) missing.push_back(r);
  }
  return missing;
}

std::vector<RequiredElement> MissingElements() { return MissingFrom(RequiredElements()); }

QString PackageOf(const QString &element) {
  for (const RequiredElement &r : RequiredElements())
    if (r.element == element) return r.package;
  return {};
}

GstElement *CreateElement(const QString &factory, QString *error) {
  GstElement *e = gst_element_factory_make(factory.toUtf8().constData(), nullptr);
  if (!e && error) *error = MissingElementsText({{factory, PackageOf(factory)}});
  return e;
}

QString MissingElementsText(const std::vector<RequiredElement> &missing) {
  QStringList lines;
  for (const RequiredElement &r : missing)
    lines << (r.package.isEmpty()
                  ? QStringLiteral("The GStreamer element \"%1\" is missing: install the GStreamer plug-in package "
                                   "that provides it.").arg(r.element)
                  : QStringLiteral("The GStreamer element \"%1\" is missing: install the package %2.").arg(r.element, r.package));
  return lines.join('\n');
}

QStringList PackagesFor(const std::vector<RequiredElement> &missing) {
  QStringList packages;
  for (const RequiredElement &r : missing)
    if (!r.package.isEmpty() && !packages.contains(r.package)) packages << r.package;
  return packages;
}

QString GStreamerVersion() {
  guint major = 0, minor = 0, micro = 0, nano = 0;
  gst_version(&major, &minor, &micro, &nano);
  return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(micro);
}

}  // namespace vistrel::media
