#pragma once
// The GStreamer elements the program builds its graphs from, the Debian
// package each comes from, and the installed GStreamer version, so start-up
// can name exactly what to install instead of failing later.
#include <QString>
#include <QStringList>

#include <gst/gst.h>

#include <vector>

namespace vistrel::media {

struct RequiredElement {
  QString element;
  QString package;
  bool operator==(const RequiredElement &) const = default;
};

const std::vector<RequiredElement> &RequiredElements();

// The required elements that have no factory on this system, in list order.
std::vector<RequiredElement> MissingElements();
// The same check for any list (for callers that need only some elements).
std::vector<RequiredElement> MissingFrom(const std::vector<RequiredElement> &wanted);

// "The GStreamer element "avimux" is missing: install the package
// gstreamer1.0-plugins-good." One line per element; empty when none.
QString MissingElementsText(const std::vector<RequiredElement> &missing);
// The packages to install for those elements, each once, in list order.
QStringList PackagesFor(const std::vector<RequiredElement> &missing);

// The package an element comes from, as far as the required list knows
// (empty otherwise).
QString PackageOf(const QString &element);

// Makes an element, or gives null and, in `error`, the text naming the
// missing element and the package to install. The element is floating.
GstElement *CreateElement(const QString &factory, QString *error = nullptr);

// The version of the GStreamer library in use, "major.minor.micro".
QString GStreamerVersion();

}  // namespace vistrel::media
