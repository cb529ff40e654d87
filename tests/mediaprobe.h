#pragma once
// Independent checks of written media files: what ffprobe and
// gst-discoverer-1.0 make of them.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace vistrel::test {

struct Probe {
  bool ok = false;
  QString container;     // format_name
  double duration = -1;  // seconds, from the container
  QStringList streams;   // "video:dvvideo", "audio:pcm_s16le"...
  QJsonArray raw;        // every stream object, for further fields

  int Count(const QString &kind) const {
    int n = 0;
    for (const QString &s : streams) n += s.startsWith(kind + ":");
    return n;
  }
  // A field of the first stream of that kind, as text.
  QString Field(const QString &kind, const QString &key) const {
    for (const auto &v : raw) {
      const QJsonObject o = v.toObject();
      if (o.value("codec_type").toString() == kind) return o.value(key).toVariant().toString();
    }
    return {};
  }
};

// ffprobe's view of the file; countPackets reads the whole file to count
// the packets of each stream ("nb_read_packets").
inline Probe FfProbe(const QString &file, bool countPackets = false) {
  QStringList args{"-v", "error", "-show_format", "-show_streams", "-of", "json"};
  if (countPackets) args << "-count_packets";
  args << file;
  QProcess p;
  p.start("ffprobe", args);
  Probe r;
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return r;
  const QJsonObject doc = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
  const QJsonObject format = doc.value("format").toObject();
  r.container = format.value("format_name").toString();
  r.duration = format.value("duration").toString("-1").toDouble();
  r.raw = doc.value("streams").toArray();
  for (const auto &v : r.raw) {
    const QJsonObject o = v.toObject();
    r.streams << o.value("codec_type").toString() + ":" + o.value("codec_name").toString();
  }
  r.ok = true;
  return r;
}

// What ffmpeg says decoding the whole file; an ffmpeg that cannot start,
// hangs or crashes is an error too, never a silent pass.
inline QString DecodeErrors(const QString &file) {
  QProcess p;
  p.start("ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-f", "null", "-"});
  if (!p.waitForStarted(10000)) return "ffmpeg could not be started";
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished();
    return "ffmpeg did not finish within 60 s";
  }
  if (p.exitStatus() != QProcess::NormalExit) return "ffmpeg crashed";
  return QString::fromUtf8(p.readAllStandardError()) + (p.exitCode() ? "exit code not 0" : "");
}

// gst-discoverer-1.0's duration in seconds (-1 when it cannot read the
// file); its whole report goes to `report`.
inline double DiscovererDuration(const QString &file, QString *report = nullptr) {
  QProcess p;
  p.start("gst-discoverer-1.0", {file});
  if (!p.waitForFinished(60000)) return -1;
  const QString out = QString::fromUtf8(p.readAllStandardOutput());
  if (report) *report = out;
  const QRegularExpressionMatch m = QRegularExpression(R"(Duration: (\d+):(\d+):(\d+\.\d+))").match(out);
  if (!m.hasMatch() || p.exitCode() != 0) return -1;
  return m.captured(1).toDouble() * 3600 + m.captured(2).toDouble() * 60 + m.captured(3).toDouble();
}

}  // namespace vistrel::test
