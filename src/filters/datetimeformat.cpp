#include "filters/datetimeformat.h"

#include "filters/dvcodes.h"

#include <QDateTime>
#include <QLocale>

namespace vistrel::filters {

namespace {

QString Two(int v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); }

// The locale's time format without time-zone fields.
QString TimeFormat(QLocale::FormatType type) {
  QString f = QLocale().timeFormat(type);
  f.remove(QLatin1Char('t'));
  return f.trimmed();
}

int CountRun(const QString &p, int i, QChar c) {
  int n = 0;
  while (i + n < p.size() && p[i + n].toLower() == c) ++n;
  return n;
}

bool StartsWithCi(const QString &p, int i, const char *word) {
  return p.mid(i, static_cast<int>(qstrlen(word))).compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

}  // namespace

double NowAsDateTime() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  double v = 0;
  TryEncodeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), v);
  return v + t.msec() / 86400000.0;
}

QString FormatDateTime(const QString &pattern, double value) {
  int y, mo, d, h, mi, s;
  DecodeDateTime(value, y, mo, d, h, mi, s);
  const QDate date(y, mo, d);
  const QTime time(h, mi, s);
  const QLocale locale;
  QString out;
  bool lastWasHour = false;
  const int n = static_cast<int>(pattern.size());
  for (int i = 0; i < n;) {
    const QChar c = pattern[i].toLower();
    if (pattern[i] == QLatin1Char('\'') || pattern[i] == QLatin1Char('"')) {
      const int end = static_cast<int>(pattern.indexOf(pattern[i], i + 1));
      const int stop = end < 0 ? n : end;
      out += pattern.mid(i + 1, stop - i - 1);
      i = stop + 1;
      continue;
    }
    if (StartsWithCi(pattern, i, "am/pm")) {
      out += h < 12 ? QStringLiteral("am") : QStringLiteral("pm");
      i += 5;
      continue;
    }
    if (StartsWithCi(pattern, i, "a/p")) {
      out += h < 12 ? QStringLiteral("a") : QStringLiteral("p");
      i += 3;
      continue;
    }
    if (StartsWithCi(pattern, i, "ampm")) {
      out += h < 12 ? locale.amText() : locale.pmText();
      i += 4;
      continue;
    }
    const int run = CountRun(pattern, i, c);
    bool hour = false;
    if (c == QLatin1Char('d')) {
      const int len = qMin(run, 6);
      switch (len) {
        case 1: out += QString::number(d); break;
        case 2: out += Two(d); break;
        case 3: out += locale.dayName(date.dayOfWeek(), QLocale::ShortFormat); break;
        case 4: out += locale.dayName(date.dayOfWeek(), QLocale::LongFormat); break;
        case 5: out += locale.toString(date, QLocale::ShortFormat); break;
        default: out += locale.toString(date, QLocale::LongFormat); break;
      }
      i += len;
    } else if (c == QLatin1Char('m')) {
      const int len = qMin(run, 4);
      if (lastWasHour && len <= 2) {
        out += len == 1 ? QString::number(mi) : Two(mi);
      } else {
        switch (len) {
          case 1: out += QString::number(mo); break;
          case 2: out += Two(mo); break;
          case 3: out += locale.monthName(mo, QLocale::ShortFormat); break;
          default: out += locale.monthName(mo, QLocale::LongFormat); break;
        }
      }
      i += len;
    } else if (c == QLatin1Char('y')) {
      out += run <= 2 ? Two(y % 100) : QString::number(y).rightJustified(4, QLatin1Char('0'));
      i += run;
    } else if (c == QLatin1Char('h')) {
      const int len = qMin(run, 2);
      out += len == 1 ? QString::number(h) : Two(h);
      hour = true;
      i += len;
    } else if (c == QLatin1Char('n')) {
      const int len = qMin(run, 2);
      out += len == 1 ? QString::number(mi) : Two(mi);
      i += len;
    } else if (c == QLatin1Char('s')) {
      const int len = qMin(run, 2);
      out += len == 1 ? QString::number(s) : Two(s);
      i += len;
    } else if (c == QLatin1Char('z')) {
      const int len = run >= 3 ? 3 : 1;
      out += len == 3 ? QStringLiteral("000") : QStringLiteral("0");
      i += len;
    } else if (c == QLatin1Char('t')) {
      const int len = qMin(run, 2);
      out += locale.toString(time, TimeFormat(len == 1 ? QLocale::ShortFormat : QLocale::LongFormat));
      i += len;
    } else if (c == QLatin1Char('c')) {
      out += locale.toString(date, QLocale::ShortFormat);
      if (time != QTime(0, 0)) out += QLatin1Char(' ') + locale.toString(time, TimeFormat(QLocale::LongFormat));
      i += 1;
    } else {
      out += pattern[i];
      i += 1;
      continue;  // separators keep the hour context for "h:mm"
    }
    lastWasHour = hour;
  }
  return out;
}

}  // namespace vistrel::filters
