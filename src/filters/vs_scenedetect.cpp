#include "filters/vs_scenedetect.h"

#include "filters/filterevents.h"
#include "filters/mediacaps.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vistrel::filters {

namespace {
constexpr double kDateTolerance = 0.5 / 86400000.0;  // half a millisecond
}

Tvs_SceneDetect::Tvs_SceneDetect() { ResetRun(); }

media::CapsRef Tvs_SceneDetect::AcceptedCaps() const { return DvCaps(); }

media::HRESULT Tvs_SceneDetect::CheckInputType(const GstCaps *caps) {
  return IsDvCaps(caps) ? media::S_OK : media::VFW_E_TYPE_NOT_ACCEPTED;
}

void Tvs_SceneDetect::SetOnScene(SceneCallback callback) {
  auto p = callback ? std::make_shared<const SceneCallback>(std::move(callback)) : nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  onScene_ = std::move(p);
}

void Tvs_SceneDetect::Report(const DVInfo &start, const DVInfo &current) {
  std::shared_ptr<const SceneCallback> cb;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    cb = onScene_;
  }
  if (cb) (*cb)(start, current);
}

media::HRESULT Tvs_SceneDetect::Transform(media::SampleView &sample) {
  DVInfo cur, prev;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    cur = current_;
  }
  prev = cur;
  sample.SetMediaTime(cur.FrameNumber, static_cast<std::int64_t>(cur.FrameNumber) + 1);
  std::int64_t start = 0, stop = 0;
  if (!sample.GetTime(start, stop)) start = 0;

  media::MappedBuffer map(sample.buffer(), GST_MAP_READ);
  BuildDVInfo(map.data(), map.size(), cur);

  if (cur.Wide != prev.Wide)
    if (FilterEvents *ev = events_.load()) ev->DvRatioChanged(cur.Wide);

  // Scene decision; only one branch applies.
  bool report = false;
  DVInfo reportStart = sceneStart_;
  if (!cur.DateValid && prev.DateValid && cur.FrameNumber > 0) {
    report = true;
    sceneStart_ = cur;
  } else if (!prev.DateValid && cur.DateValid) {
    const long long gap = std::llabs(static_cast<long long>(cur.FrameNumber) - sceneStart_.FrameNumber);
    if (gap > GapFrames) {
      report = true;
      sceneStart_ = cur;
    }
    lastDate_ = cur.DateTime;
  } else if (prev.DateValid && cur.DateValid) {
    // Dates are whole seconds stored as fractions of a day; the tolerance keeps
    // a step of exactly the threshold from reading as a jump through rounding.
    if (dateSeen_ && std::fabs(cur.DateTime - lastDate_) > DateJump + kDateTolerance) {
      report = true;
      sceneStart_ = cur;
    }
    lastDate_ = cur.DateTime;
    dateSeen_ = true;
  }
  if (report) Report(reportStart, cur);

  cur.FrameNumber += 1;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    current_ = cur;
    writeIndex_ = writeIndex_ + 1 > kRingSize - 1 ? 0 : writeIndex_ + 1;
    DVRingEntry &e = ring_[writeIndex_];
    e.Info = cur;
    e.StartTime = start;
    for (int i = 0; i < kSequencesExamined; ++i) {
      std::uint8_t *dest = e.Headers.data() + static_cast<std::size_t>(i) * kHeaderAreaSize;
      const std::size_t offset = static_cast<std::size_t>(i) * kDifSequenceSize;
      if (map.ok() && offset + kHeaderAreaSize <= map.size())
        std::memcpy(dest, map.data() + offset, kHeaderAreaSize);
      else
        std::memset(dest, 0, kHeaderAreaSize);
    }
  }
  if (firstFrame_) {
    sceneStart_ = cur;
    firstFrame_ = false;
  }
  return media::S_OK;
}

media::HRESULT Tvs_SceneDetect::Stop() {
  // A run that saw no frame has no scene to close.
  if (!firstFrame_) Report(sceneStart_, Current());
  ResetRun();
  return media::S_OK;
}

void Tvs_SceneDetect::ResetRun() {
  std::lock_guard<std::mutex> lock(mutex_);
  writeIndex_ = 0;
  searchIndex_ = 0;
  sceneStart_.FrameNumber = 0;
  sceneStart_.DateValid = sceneStart_.TimecodeValid = sceneStart_.Wide = false;
  firstFrame_ = true;
  current_.FrameNumber = 0;
  current_.DateValid = true;
  current_.Wide = false;
  lastDate_ = 0;
  dateSeen_ = false;
}

DVInfo Tvs_SceneDetect::Current() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return current_;
}

int Tvs_SceneDetect::WriteIndex() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return writeIndex_;
}

DVInfo Tvs_SceneDetect::LookupByTime(std::int64_t startTime) {
  std::lock_guard<std::mutex> lock(mutex_);
  int index = writeIndex_;
  for (int step = 0; step < kRingSize; ++step) {
    if (ring_[index].StartTime <= startTime) break;
    if (step == kRingSize - 1) break;
    index = index == 0 ? kRingSize - 1 : index - 1;
  }
  searchIndex_ = index;
  return ring_[index].Info;
}

void Tvs_SceneDetect::CopySearchedHeader(int seq, std::uint8_t *dest) const {
  if (seq < 0 || seq >= kSequencesExamined) return;
  std::lock_guard<std::mutex> lock(mutex_);
  std::memcpy(dest, ring_[searchIndex_].Headers.data() + static_cast<std::size_t>(seq) * kHeaderAreaSize,
              kHeaderAreaSize);
}

DVRingEntry Tvs_SceneDetect::Entry(int index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ring_[static_cast<std::size_t>(index) % kRingSize];
}

}  // namespace vistrel::filters
