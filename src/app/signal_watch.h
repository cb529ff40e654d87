#pragma once
// When a capture's sound or picture counts as missing: the rules alone, on
// times the caller gives, so tests drive them with made-up clocks.
//
// Sound is missing when nothing above the silence line came for silenceMs
// (figures that stop coming count as silence too); the picture when the
// decoded-frame counter did not move for stallMs. A capture starts with the
// full grace time on both. Each problem is raised once when it begins and
// cleared when what was missing comes back; the first raise of a capture asks
// for a notice, later ones only for the status bar.
#include <QtGlobal>
#include <cstdint>
#include <vector>

namespace vistrel {

enum class SignalProblem { Silence, Stall };

struct SignalLimits {
  double silenceDb = -60.0;
  qint64 silenceMs = 5000;
  qint64 stallMs = 2000;
};

struct SignalChange {
  SignalProblem problem;
  bool raised;  // false: cleared
  bool notice;  // the first raise of this problem in the capture
  bool operator==(const SignalChange &) const = default;
};

class SignalWatch {
 public:
  explicit SignalWatch(SignalLimits limits = {}) : limits_(limits) {}

  // A capture starts: which sides it records.
  void Begin(qint64 nowMs, bool sound, bool picture);
  // The graph started again within the same capture (a Cut): both sides
  // get their grace time anew; what was noticed stays noticed.
  void Resume(qint64 nowMs);
  void End();
  bool Running() const { return running_; }

  // The loudest channel of one interval of sound, in dBFS.
  void Sound(qint64 nowMs, double loudestDb);
  // The decoded-frame counter as read at nowMs.
  void Frames(qint64 nowMs, std::uint64_t count);
  // What began or ended since the last check, judged at nowMs.
  std::vector<SignalChange> Check(qint64 nowMs);
  bool Raised(SignalProblem problem) const { return Side(problem).raised; }

 private:
  struct State {
    bool watched = false, raised = false, noticed = false;
    qint64 lastGood = 0;
  };
  State &Side(SignalProblem p) { return p == SignalProblem::Silence ? sound_ : picture_; }
  const State &Side(SignalProblem p) const { return p == SignalProblem::Silence ? sound_ : picture_; }

  SignalLimits limits_;
  bool running_ = false;
  State sound_, picture_;
  bool counted_ = false;
  std::uint64_t lastCount_ = 0;
};

}  // namespace vistrel
