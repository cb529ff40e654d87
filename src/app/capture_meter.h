#pragma once
// The figures of the file being recorded: its size on disk, the rate it grows
// at over the last seconds, and how long the disk still holds at that rate
// before the capture's disk reserve is reached. Widget-free: the status bar
// panel shows its text, a test feeds it a real file and a known free space.
#include <QString>
#include <QtGlobal>
#include <deque>
#include <functional>
#include <optional>

namespace vistrel {

class CaptureMeter {
 public:
  // Free bytes on the volume of a path (-1: unknown).
  using FreeSpace = std::function<qint64(const QString &path)>;
  static constexpr qint64 kWindowMs = 10000;
  // Less than this between the window's ends gives no rate yet.
  static constexpr qint64 kShortestSpanMs = 1000;

  explicit CaptureMeter(FreeSpace freeSpace = {}, qint64 windowMs = kWindowMs);

  // A new file (a start, or the next part of a cut): the figures start again.
  void Start(const QString &file);
  void Stop();
  bool Running() const { return !file_.isEmpty(); }
  QString File() const { return file_; }

  // Reads the file's size and its volume's free space at `nowMs` (monotonic).
  void Measure(qint64 nowMs, qint64 reserveBytes);
  // The same with the figures given.
  void Sample(qint64 nowMs, qint64 sizeBytes, qint64 freeBytes, qint64 reserveBytes);

  qint64 SizeBytes() const { return samples_.empty() ? 0 : samples_.back().size; }
  // Bytes per second over the window; none until it spans kShortestSpanMs.
  std::optional<double> BytesPerSecond() const;
  // Seconds until the free space falls to the reserve at the current rate;
  // none without a rate, a growing file or a known free space.
  std::optional<qint64> SecondsLeft() const;

  // "12.4 MB, 4.1 Mbit/s, 2 h 14 min left"; the parts not known yet are left out.
  QString Text() const;
  static QString SizeText(qint64 bytes);
  static QString RateText(double bytesPerSecond);
  static QString LeftText(qint64 seconds);

 private:
  struct Point {
    qint64 ms, size;
  };
  FreeSpace freeSpace_;
  qint64 windowMs_;
  QString file_;
  std::deque<Point> samples_;
  qint64 room_ = -1;  // free bytes above the reserve at the last sample; -1 unknown
};

}  // namespace vistrel
