#include "app/systemreport.h"

#include <gst/gst.h>

#include "graph/dsfunctions.h"
#include "media/gstref.h"
#include "media/h264encoders.h"
#include "platform/systeminfo.h"

namespace vistrel {

namespace {

QString Coloured(const QString &text, const char *colour) {
  return QString("<span style=\"color:%1\">%2</span>").arg(colour, text.toHtmlEscaped());
}

bool HasElement(const char *name) {
  auto f = media::GstRef<GstElementFactory>::Adopt(gst_element_factory_find(name));
  return static_cast<bool>(f);
}

}  // namespace

SystemFacts ReadSystemFacts() {
  SystemFacts f;
  f.platformName = platform::DistributionName() + " " + platform::KernelVersion();
  f.frameworkVersion = VersionDirectX();
  f.windowsMediaFound = HasElement("asfmux") && HasElement("avenc_wmv2") && HasElement("avenc_wmav2");
  QStringList encoders;
  if (ListeCompresseursVideo(encoders)) {
    for (const QString &e : encoders)
      if (e.contains("divx", Qt::CaseInsensitive) || e.contains("xvid", Qt::CaseInsensitive) ||
          e.contains("MPEG-4 part 2", Qt::CaseInsensitive))
        f.divxEncoders << e;
  }
  if (auto lame = media::GstRef<GstElementFactory>::Adopt(gst_element_factory_find("lamemp3enc"))) {
    if (auto plugin = media::GstRef<GstPlugin>::Adopt(
            gst_plugin_feature_get_plugin(GST_PLUGIN_FEATURE(lame.get())))) {
      f.mp3EncoderPath = QString::fromUtf8(gst_plugin_get_filename(plugin.get()));
      f.mp3EncoderVersion = QString::fromUtf8(gst_plugin_get_version(plugin.get()));
    }
  }
  const media::Mp4Encoders mp4 = media::InstalledMp4Encoders();
  if (!mp4.video.isEmpty() && !mp4.audio.isEmpty()) f.mp4Encoders = media::DescribeMp4Encoders(mp4);
  return f;
}

QString SystemReportHtml(const SystemFacts &f) {
  QString h = "<div style=\"font-family:Arial; font-size:8pt\">";
  h += "<b>" + (f.platformName + ". ").toHtmlEscaped() + "<br>";
  h += ("GStreamer version " + f.frameworkVersion).toHtmlEscaped() + "</b><br><i>";
  h += Coloured("Filters:", "blue") + "<br>";
  h += f.windowsMediaFound ? QString("Windows Media Found.") : Coloured("Windows Media not Found.", "red");
  h += "<br>";
  if (f.divxEncoders.isEmpty()) {
    h += Coloured("DivX encoder not Found.", "red") + "<br>";
  } else {
    h += "DivX encoders Found:<br>";
    for (const QString &e : f.divxEncoders) h += "&nbsp;&nbsp;&nbsp;" + Coloured(e, "teal") + "<br>";
  }
  if (f.mp3EncoderPath.isEmpty()) {
    h += Coloured("Mp3 encoder not Found.", "red") + "<br>";
  } else {
    h += "Mp3 encoder Found:<br>&nbsp;&nbsp;&nbsp;" +
         Coloured(f.mp3EncoderPath + " " + f.mp3EncoderVersion, "teal") + "<br>";
  }
  if (f.mp4Encoders.isEmpty())
    h += Coloured("H.264/AAC encoder not Found.", "red") + "<br>";
  else
    h += "MP4 encoders in use:<br>&nbsp;&nbsp;&nbsp;" + Coloured(f.mp4Encoders, "teal") + "<br>";
  h += "Sources:<br>";
  for (const auto &s : f.sources)
    h += s.checked ? (s.name + " +").toHtmlEscaped() + "<br>" : Coloured(s.name + " -", "red") + "<br>";
  if (!f.plugins.empty()) {
    h += "Plug-ins:<br>";
    for (const auto &p : f.plugins) {
      h += (p.active ? p.text.toHtmlEscaped() : Coloured(p.text, "red")) + "<br>";
    }
  }
  return h + "</i></div>";
}

}  // namespace vistrel
