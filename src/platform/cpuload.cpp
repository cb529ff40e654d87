#include "platform/cpuload.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace vistrel::platform {
namespace {

struct Sample {
  int index = -1;
  std::uint64_t total = 0, idle = 0;
};

// One "cpuN user nice system idle iowait irq softirq steal ..." line. Guest
// time is already inside user and nice, so only the first eight count.
bool ParseCpuLine(const QString &line, Sample *out) {
  const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  if (fields.size() < 5) return false;
  const QString name = fields[0];
  if (!name.startsWith(QLatin1String("cpu")) || name.size() == 3) return false;
  bool ok = false;
  const int index = name.mid(3).toInt(&ok);
  if (!ok || index < 0) return false;
  Sample s;
  s.index = index;
  const int count = std::min<int>(fields.size() - 1, 8);
  for (int i = 0; i < count; ++i) {
    const std::uint64_t value = fields[i + 1].toULongLong(&ok);
    if (!ok) return false;
    s.total += value;
    if (i == 3 || i == 4) s.idle += value;  // idle and iowait
  }
  *out = s;
  return true;
}

int Percent(std::uint64_t total0, std::uint64_t idle0, std::uint64_t total1, std::uint64_t idle1) {
  // Counters that went back (a CPU taken offline and back) give no figure.
  if (total1 <= total0 || idle1 < idle0) return 0;
  const double dTotal = static_cast<double>(total1 - total0);
  const double dIdle = static_cast<double>(idle1 - idle0);
  const double busy = std::clamp(1.0 - dIdle / dTotal, 0.0, 1.0);
  return static_cast<int>(std::lround(busy * 100.0));
}

}  // namespace

std::vector<int> CpuLoad::Update(const QString &procStatText) {
  std::vector<Counters> current;
  const QStringList lines = procStatText.split(QLatin1Char('\n'));
  for (const QString &line : lines) {
    Sample s;
    if (ParseCpuLine(line, &s)) current.push_back({s.index, s.total, s.idle});
  }
  std::vector<int> loads;
  loads.reserve(current.size());
  for (const Counters &now : current) {
    const auto before = std::find_if(previous_.begin(), previous_.end(),
                                     [&](const Counters &c) { return c.index == now.index; });
    loads.push_back(before == previous_.end() ? 0 : Percent(before->total, before->idle, now.total, now.idle));
  }
  previous_ = std::move(current);
  loads_ = loads;
  return loads;
}

int CpuLoad::Busiest() const {
  return loads_.empty() ? 0 : *std::max_element(loads_.begin(), loads_.end());
}

QString CpuLoad::ReadProcStat() {
  QFile file(QStringLiteral("/proc/stat"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  // Files under /proc report size 0; read until the end.
  return QString::fromLatin1(file.readAll());
}

}  // namespace vistrel::platform
