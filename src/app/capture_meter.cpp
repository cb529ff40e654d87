#include "app/capture_meter.h"

#include <QFileInfo>

#include "platform/disk.h"

namespace vistrel {

namespace {

constexpr double kMB = 1024.0 * 1024.0;

}  // namespace

CaptureMeter::CaptureMeter(FreeSpace freeSpace, qint64 windowMs)
    : freeSpace_(freeSpace ? std::move(freeSpace) : FreeSpace(platform::FreeBytesOf)), windowMs_(windowMs) {}

void CaptureMeter::Start(const QString &file) {
  file_ = file;
  samples_.clear();
  room_ = -1;
}

void CaptureMeter::Stop() { Start({}); }

void CaptureMeter::Measure(qint64 nowMs, qint64 reserveBytes) {
  if (file_.isEmpty()) return;
  // A fresh look each time: QFileInfo would keep the size it read first.
  const QFileInfo info(file_);
  Sample(nowMs, info.exists() ? info.size() : 0, freeSpace_(file_), reserveBytes);
}

void CaptureMeter::Sample(qint64 nowMs, qint64 sizeBytes, qint64 freeBytes, qint64 reserveBytes) {
  // A file rewritten shorter (a muxer's header pass) starts the window again,
  // rather than giving a negative rate.
  if (!samples_.empty() && (sizeBytes < samples_.back().size || nowMs < samples_.back().ms)) samples_.clear();
  samples_.push_back({nowMs, sizeBytes});
  // The oldest point kept is the last one at or before the window's start, so
  // the window always spans its full length once the file is that old.
  while (samples_.size() > 2 && samples_[1].ms <= nowMs - windowMs_) samples_.pop_front();
  room_ = freeBytes < 0 ? -1 : std::max<qint64>(0, freeBytes - reserveBytes);
}

std::optional<double> CaptureMeter::BytesPerSecond() const {
  if (samples_.size() < 2) return std::nullopt;
  const Point &first = samples_.front(), &last = samples_.back();
  const qint64 span = last.ms - first.ms;
  if (span < kShortestSpanMs) return std::nullopt;
  return double(last.size - first.size) * 1000.0 / double(span);
}

std::optional<qint64> CaptureMeter::SecondsLeft() const {
  const auto rate = BytesPerSecond();
  if (!rate || *rate <= 0 || room_ < 0) return std::nullopt;
  return qint64(double(room_) / *rate);
}

QString CaptureMeter::SizeText(qint64 bytes) {
  const double mb = double(bytes) / kMB;
  if (mb >= 1024.0) return QString::number(mb / 1024.0, 'f', 2) + " GB";
  return QString::number(mb, 'f', mb < 10.0 ? 2 : 1) + " MB";
}

QString CaptureMeter::RateText(double bytesPerSecond) {
  const double kbit = bytesPerSecond * 8.0 / 1000.0;
  if (kbit >= 1000.0) return QString::number(kbit / 1000.0, 'f', 1) + " Mbit/s";
  return QString::number(qRound(kbit)) + " kbit/s";
}

QString CaptureMeter::LeftText(qint64 seconds) {
  const qint64 minutes = seconds / 60;
  if (minutes < 1) return QStringLiteral("under 1 min left");
  if (minutes < 60) return QString("%1 min left").arg(minutes);
  return QString("%1 h %2 min left").arg(minutes / 60).arg(minutes % 60);
}

QString CaptureMeter::Text() const {
  if (file_.isEmpty()) return {};
  QString text = SizeText(SizeBytes());
  if (const auto rate = BytesPerSecond()) text += ", " + RateText(*rate);
  if (const auto left = SecondsLeft()) text += ", " + LeftText(*left);
  return text;
}

}  // namespace vistrel
