#include "app/signal_watch.h"

namespace vistrel {

void SignalWatch::Begin(qint64 nowMs, bool sound, bool picture) {
  running_ = true;
  sound_ = {sound, false, false, nowMs};
  picture_ = {picture, false, false, nowMs};
  // Frames counted before the start are no sign of life during it.
  counted_ = false;
}

void SignalWatch::Resume(qint64 nowMs) {
  if (!running_) return;
  sound_.lastGood = picture_.lastGood = nowMs;
  counted_ = false;
}

void SignalWatch::End() {
  running_ = false;
  sound_ = picture_ = {};
}

void SignalWatch::Sound(qint64 nowMs, double loudestDb) {
  if (running_ && loudestDb >= limits_.silenceDb) sound_.lastGood = nowMs;
}

void SignalWatch::Frames(qint64 nowMs, std::uint64_t count) {
  if (!running_) return;
  if (counted_ && count != lastCount_) picture_.lastGood = nowMs;
  counted_ = true;
  lastCount_ = count;
}

std::vector<SignalChange> SignalWatch::Check(qint64 nowMs) {
  std::vector<SignalChange> changes;
  if (!running_) return changes;
  struct Row {
    SignalProblem problem;
    qint64 limit;
  };
  for (const Row row : {Row{SignalProblem::Silence, limits_.silenceMs}, Row{SignalProblem::Stall, limits_.stallMs}}) {
    State &s = Side(row.problem);
    if (!s.watched) continue;
    const bool missing = nowMs - s.lastGood >= row.limit;
    if (missing == s.raised) continue;
    s.raised = missing;
    const bool notice = missing && !s.noticed;
    s.noticed = s.noticed || missing;
    changes.push_back({row.problem, missing, notice});
  }
  return changes;
}

}  // namespace vistrel
