#include "app/decalage.h"

#include <cmath>

namespace vistrel {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
const QDate kEpoch(1899, 12, 30);

}  // namespace

QString TexteDecalage(double days) {
  // C++ division truncates toward zero and the remainder keeps the sign of s,
  // which is how a negative offset is meant to read.
  const std::int64_t s = std::llround(days * double(kSecondsPerDay));
  const int d = int(s / kSecondsPerDay);
  const int h = int((s / 3600) % 24);
  const int m = int((s / 60) % 60);
  const int sec = int(s % 60);
  if (d == 0 && m == 0 && sec == 0) return QString::asprintf("%d hours", h);
  return QString::asprintf("%d days %.2dh %.2dm %.2ds", d, h, m, sec);
}

double SecondesEntieres(double dateTime) {
  return std::floor(dateTime * double(kSecondsPerDay) + 1e-6) / double(kSecondsPerDay);
}

JourEtHeure Decomposer(double dateTime) {
  const std::int64_t total = std::llround(dateTime * double(kSecondsPerDay));
  std::int64_t day = total / kSecondsPerDay;
  std::int64_t rest = total % kSecondsPerDay;
  if (rest < 0) {  // before the epoch: the day below, the time of day still positive
    --day;
    rest += kSecondsPerDay;
  }
  JourEtHeure out;
  out.Jour = kEpoch.addDays(day);
  out.Heure = int(rest / 3600);
  out.Minute = int(rest / 60 % 60);
  out.Seconde = int(rest % 60);
  return out;
}

double Composer(const QDate &jour, int heure, int minute, int seconde) {
  return double(kEpoch.daysTo(jour)) + heure / 24.0 + minute / 1440.0 + seconde / 86400.0;
}

}  // namespace vistrel
