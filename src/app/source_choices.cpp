#include "app/source_choices.h"

#include <QStringList>

#include "settings/captureformats.h"
#include "settings/settingskeys.h"
#include "sources/sourcecatalog.h"

namespace vistrel {

namespace {

QString Quoted(const QStringList &names) {
  if (names.isEmpty()) return QStringLiteral("none");
  return u'"' + names.join(QStringLiteral("\", \"")) + u'"';
}

template <typename List>
QString Absent(const char *kind, const List *sources, const QString &none, const QString &name) {
  QStringList names;
  if (sources)
    for (const auto &s : *sources) {
      if (s->Name == name) return {};
      names << s->Name;
    }
  if (name == none) return {};
  names << none;
  return QString("names no %1 here; there are %2").arg(QLatin1String(kind), Quoted(names));
}

}  // namespace

QString AbsentVideoSource(const sources::SourceCatalog *catalog, const QString &name) {
  return Absent("video source", catalog ? &catalog->VideoSources : nullptr, sources::kNoVideoStream, name);
}

QString AbsentAudioSource(const sources::SourceCatalog *catalog, const QString &name) {
  return Absent("audio source", catalog ? &catalog->AudioSources : nullptr, sources::kNoAudioStream, name);
}

int OfferedFormatNamed(const QString &name, const QList<int> &offered, QString *problem) {
  const int code = settings::CaptureFormatNamed(name);
  if (code >= 0 && offered.contains(code)) return code;
  QStringList names;
  if (code < 0) {
    for (int c = 0; c < settings::kCaptureFormatCount; ++c)
      if (settings::CaptureFormat(c).offer != settings::OfferedWith::Never) names << settings::CaptureFormatName(c);
    *problem = "names no capture format; the formats are " + Quoted(names);
  } else {
    for (int c : offered) names << settings::CaptureFormatName(c);
    *problem = "names a capture format the sources chosen do not offer; they offer " + Quoted(names);
  }
  return -1;
}

int FormatAfterVideoChange(int current, int wanted, bool picture, bool locked) {
  const auto soundOnly = [](int code) { return settings::CaptureFormat(code).SoundOnly(); };
  int format = current;
  if (picture && soundOnly(format) && wanted >= 0 && !soundOnly(wanted)) format = wanted;
  if (locked && picture && soundOnly(format)) format = 0;
  return format;
}

int FormatAfterAudioChange(int current, bool sound, bool locked) {
  return locked && sound && settings::CaptureFormat(current).PictureOnly() ? 0 : current;
}

}  // namespace vistrel
