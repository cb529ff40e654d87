#include "app/tape_health.h"

#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <algorithm>

#include "filters/vs_dvhealth.h"
#include "sources/transport.h"

namespace vistrel::app {

TapeHealth::TapeHealth(QObject *parent) : QObject(parent), ring_(kStripCapacity, StripCell::None) {}

TapeHealth::~TapeHealth() { Attach(nullptr); }

void TapeHealth::Attach(filters::Tvs_DvHealth *checker) {
  if (checker_) checker_->SetOnFrame(nullptr);
  checker_ = checker;
  if (!checker_) return;
  // The streaming thread never waits for this one: it posts a copy.
  checker_->SetOnFrame(
      [self = QPointer<TapeHealth>(this), target = this](std::uint32_t frame, const filters::DvFrameReport &report) {
        QMetaObject::invokeMethod(
            target,
            [self, frame, report] {
              if (self) self->AddFrame(frame, report);
            },
            Qt::QueuedConnection);
      });
}

void TapeHealth::Reset() {
  frames_ = damaged_ = lost_ = withEvents_ = 0;
  first_.reset();
  last_.reset();
  std::fill(ring_.begin(), ring_.end(), StripCell::None);
  emit changed();
}

void TapeHealth::Capture() {
  mode_ = Mode::Capturing;
  waitingForRun_ = true;
  Reset();
}

void TapeHealth::Hold() {
  if (mode_ == Mode::Capturing) mode_ = Mode::Holding;
}

void TapeHealth::AddFrame(std::uint32_t frame, const filters::DvFrameReport &report) {
  switch (mode_) {
    case Mode::Holding:
      return;
    case Mode::Following:
      if (frame == 0 && frames_ > 0) Reset();
      break;
    case Mode::Capturing:
      if (waitingForRun_ && frame != 0) return;
      waitingForRun_ = false;
      break;
  }
  framesPerMinute_ = report.Health.System == 1 ? 1800 : 1500;
  const bool lost = report.Lost(), damaged = report.Damaged();
  StripCell cell = lost ? StripCell::Lost : damaged ? StripCell::Concealed : StripCell::Clean;
  ring_[frames_ % kStripCapacity] = cell;
  ++frames_;
  if (report.EventCount) ++withEvents_;
  if (lost) ++lost_;
  if (damaged) {
    ++damaged_;
    const DamagedFrame at{frame, report.Health.Timecode};
    if (!first_) first_ = at;
    last_ = at;
  }
  emit changed();
}

std::vector<StripCell> TapeHealth::Strip(int buckets) const {
  std::vector<StripCell> strip(static_cast<std::size_t>(std::max(0, buckets)), StripCell::None);
  if (buckets <= 0) return strip;
  const long long span = framesPerMinute_;
  const long long start = static_cast<long long>(frames_) - span;  // may be before the first frame
  for (long long i = std::max(0LL, start); i < static_cast<long long>(frames_); ++i) {
    const std::size_t b = static_cast<std::size_t>((i - start) * buckets / span);
    const StripCell c = ring_[static_cast<std::size_t>(i % kStripCapacity)];
    if (c > strip[b]) strip[b] = c;
  }
  return strip;
}

TapeRewinder::TapeRewinder(QObject *parent) : QObject(parent), timer_(new QTimer(this)) {
  timer_->setInterval(100);
  connect(timer_, &QTimer::timeout, this, &TapeRewinder::Poll);
}

bool TapeRewinder::Start(sources::ExternalTransport *transport, const filters::DvTimecode &damaged) {
  Cancel();
  if (!transport || damaged.Hours > 23) return false;
  target_ = std::max(0LL, (damaged.Hours * 60LL + damaged.Minutes) * 60 + damaged.Seconds - kLeadSeconds);
  if (!transport->Rewind()) return false;
  transport_ = transport;
  timer_->start();
  return true;
}

void TapeRewinder::Cancel() {
  timer_->stop();
  transport_ = nullptr;
}

bool TapeRewinder::Running() const { return timer_->isActive(); }

void TapeRewinder::Poll() {
  if (!transport_) return Cancel();
  const std::optional<sources::TimeCode> tc = transport_->ReadTimeCode();
  // A deck that stopped at the start of the tape is there too.
  const bool stopped = transport_->Mode() == sources::TransportMode::Stop;
  if (!stopped && (!tc || (tc->hours * 60LL + tc->minutes) * 60 + tc->seconds > target_)) return;
  transport_->Pause();
  Cancel();
  emit arrived();
}

}  // namespace vistrel::app
