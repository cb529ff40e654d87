#include "platform/systeminfo.h"

#include <QFile>
#include <QStringList>

#include <sys/utsname.h>

namespace vistrel::platform {

QString PrettyNameFromOsRelease(const QString &osReleaseText) {
  const QStringList lines = osReleaseText.split(QLatin1Char('\n'));
  for (const QString &raw : lines) {
    const QString line = raw.trimmed();
    if (!line.startsWith(QLatin1String("PRETTY_NAME="))) continue;
    QString value = line.mid(12).trimmed();
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front())
      value = value.mid(1, value.size() - 2);
    value.replace(QLatin1String("\\\""), QLatin1String("\""));
    return value.trimmed();
  }
  return {};
}

QString DistributionName() {
  // os-release lives in /etc, or only in /usr/lib on some systems.
  for (const char *where : {"/etc/os-release", "/usr/lib/os-release"}) {
    QFile file(QString::fromLatin1(where));
    if (!file.open(QIODevice::ReadOnly)) continue;
    const QString name = PrettyNameFromOsRelease(QString::fromUtf8(file.read(64 * 1024)));
    if (!name.isEmpty()) return name;
  }
  return QStringLiteral("Linux");
}

QString KernelVersion() {
  utsname info{};
  if (uname(&info) != 0) return QStringLiteral("Linux");
  return QString::fromLocal8Bit(info.sysname) + QLatin1Char(' ') + QString::fromLocal8Bit(info.release);
}

}  // namespace vistrel::platform
