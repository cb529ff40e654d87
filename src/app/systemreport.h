#pragma once
// The system report of the Help panel: platform, media framework, encoders, sources.
#include <QString>
#include <QStringList>
#include <vector>

namespace vistrel {

struct SystemFacts {
  QString platformName;     // distribution and kernel
  QString frameworkVersion; // GStreamer version text
  bool windowsMediaFound = false;  // WMV encoder and ASF muxer present
  QStringList divxEncoders;
  QString mp3EncoderPath, mp3EncoderVersion;  // empty path: none found
  QString mp4Encoders;                        // what the MP4 format encodes with; empty: it cannot record
  struct Source { QString name; bool checked; };
  std::vector<Source> sources;
  struct PlugIn { QString text; bool active; };  // "<driver> in <file>"
  std::vector<PlugIn> plugins;
};

SystemFacts ReadSystemFacts();
QString SystemReportHtml(const SystemFacts &facts);

}  // namespace vistrel
