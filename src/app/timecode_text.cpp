#include "app/timecode_text.h"

#include "filters/datetimeformat.h"
#include "filters/dvcodes.h"
#include "sources/transport.h"

namespace vistrel {

namespace {
quint32 Bcd(int v) {
  v = qBound(0, v, 99);
  return quint32(v / 10) << 4 | quint32(v % 10);
}
}  // namespace

quint32 TimecodeBcd(const sources::TimeCode &tc) {
  return Bcd(tc.hours) << 24 | Bcd(tc.minutes) << 16 | Bcd(tc.seconds) << 8 | Bcd(tc.frames);
}

QString TexteTimecode(quint32 frames) {
  // Ten hexadecimal digits: two of padding, then the four BCD pairs.
  const QString hex = QString::number(frames, 16).rightJustified(10, QLatin1Char('0')).toUpper();
  QString hours = hex.mid(2, 2);
  if (hours.startsWith(QLatin1Char('0'))) hours.remove(0, 1);
  return hours + QLatin1Char(':') + hex.mid(4, 2) + QLatin1Char(':') + hex.mid(6, 2) + QLatin1Char(':') + hex.mid(8, 2);
}

QString TexteDateDV(const filters::DVInfo &info) {
  if (!(info.DateTime > 0)) return QString();
  return filters::FormatDateTime(QStringLiteral("dddd ddddd tt"), info.DateTime);
}

}  // namespace vistrel
