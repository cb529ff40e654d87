// The live tape health: the strip of the last minute, the counts across the
// runs of a capture, and the rewind to before the first damaged frame on the
// test camcorder's tape.
#include "app/tape_health.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "sources/testdevice_dv.h"

namespace vistrel::app {
namespace {

using filters::DvEvent;
using filters::DvEventKind;
using filters::DvFrameReport;

DvFrameReport Report(std::optional<DvEventKind> kind = std::nullopt, int extent = 1, int seconds = 0) {
  DvFrameReport r;
  r.Health.System = 0;
  r.Health.Timecode = {0, 0, std::uint8_t(seconds), 0};
  if (kind) r.Events[r.EventCount++] = DvEvent{*kind, extent};
  return r;
}

TEST(TapeHealth, StripCountsAndTheRunsOfACapture) {
  TapeHealth h;
  // Ninety seconds of PAL: concealment at 40 s, frames lost at 75 s.
  for (std::uint32_t f = 0; f < 90 * 25; ++f) {
    if (f == 40 * 25 + 3)
      h.AddFrame(f, Report(DvEventKind::VideoConcealed, 30, 40));
    else if (f == 75 * 25)
      h.AddFrame(f, Report(DvEventKind::SequenceMissing, 1, 75));
    else
      h.AddFrame(f, Report(DvEventKind::RecDateJump));  // notable, not damage
  }
  EXPECT_EQ(h.Frames(), 90u * 25);
  EXPECT_EQ(h.DamagedFrames(), 2u);
  EXPECT_EQ(h.LostFrames(), 1u);
  EXPECT_EQ(h.FramesWithEvents(), 90u * 25);
  EXPECT_EQ(h.FirstDamaged()->Frame, 40u * 25 + 3);
  EXPECT_EQ(h.LastDamaged()->Timecode.Seconds, 75);
  // The last minute is 30 s to 90 s: the concealment in its 10th second, the loss in its 45th.
  const std::vector<StripCell> strip = h.Strip(60);
  for (int i = 0; i < 60; ++i) {
    const StripCell want = i == 10 ? StripCell::Concealed : i == 45 ? StripCell::Lost : StripCell::Clean;
    EXPECT_EQ(strip[i], want) << i;
  }
  // A new run of the graph outside a capture starts over; half a minute shows as half a strip.
  h.AddFrame(0, Report());
  EXPECT_EQ(h.Frames(), 1u);
  EXPECT_EQ(h.Strip(4), (std::vector<StripCell>{StripCell::None, StripCell::None, StripCell::None, StripCell::Clean}));

  // In a capture: the frames still queued from before are left out, the parts of a cut add up,
  // and once held the figures stay while the preview runs on.
  h.Capture();
  h.AddFrame(7, Report(DvEventKind::AudioErrors));
  EXPECT_EQ(h.Frames(), 0u);
  for (int part = 0; part < 2; ++part)
    for (std::uint32_t f = 0; f < 10; ++f)
      h.AddFrame(f, Report(f == 4 ? std::optional(DvEventKind::AudioErrors) : std::nullopt));
  h.Hold();
  h.AddFrame(0, Report(DvEventKind::AudioErrors));
  EXPECT_EQ(h.Frames(), 20u);
  EXPECT_EQ(h.DamagedFrames(), 2u);
}

TEST(TapeRewinder, WindsBackToAFewSecondsBeforeTheDamageAndPauses) {
  sources::TestDvTape tape;
  tape.SetPosition(20 * 25);
  TapeRewinder rewinder;
  bool arrived = false;
  QObject::connect(&rewinder, &TapeRewinder::arrived, [&] { arrived = true; });
  ASSERT_TRUE(rewinder.Start(&tape, filters::DvTimecode{0, 0, 12, 10}));
  EXPECT_EQ(tape.Mode(), sources::TransportMode::Rewind);
  QElapsedTimer t;
  t.start();
  while (!arrived && t.elapsed() < 10000) {
    tape.NextFrame();  // the camcorder sending its 25 frames a second moves its tape
    QThread::msleep(40);
    QCoreApplication::processEvents();
  }
  ASSERT_TRUE(arrived);
  EXPECT_EQ(tape.Mode(), sources::TransportMode::Pause);
  // Rewinding moves ten frames a frame; the 100 ms poll stops within a second of the target.
  const double seconds = tape.Position() / 25.0, target = 12.0 - TapeRewinder::kLeadSeconds;
  EXPECT_LT(seconds, target + 1.0);  // within the target second
  EXPECT_GT(seconds, target - 1.5);
  EXPECT_FALSE(rewinder.Start(&tape, filters::DvTimecode{}));  // no time code to go to
  EXPECT_FALSE(rewinder.Start(nullptr, filters::DvTimecode{0, 0, 1, 0}));
}

}  // namespace
}  // namespace vistrel::app
