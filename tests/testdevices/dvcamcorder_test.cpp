// The test DV camcorder: what its frames carry and how the transport moves
// the tape, checked with the program's own DV pack decoding.
#include <gtest/gtest.h>

#include "devicerun.h"
#include "filters/dvcodes.h"
#include "filters/dvhealth.h"
#include "sources/testdevice_dv.h"
#include "sources/testdevices.h"

namespace vistrel::sources {
namespace {

struct Decoded {
  bool timecode = false, date = false, wide = false;
  TimeCode tc;
  filters::DvRecDate recDate;
  std::uint8_t system = 2;
};

Decoded Decode(const std::vector<std::uint8_t> &f) {
  Decoded d;
  const auto tc = filters::DecodeTimecode(f.data(), f.size(), 0);
  d.timecode = tc.Hours != 0xFF;
  d.tc = {tc.Hours, tc.Minutes, tc.Seconds, tc.Frames};
  d.recDate = filters::DecodeRecDate(f.data(), f.size(), 0);
  d.date = d.recDate.Year >= 0;
  d.wide = filters::IsWide(f.data(), f.size());
  d.system = filters::DVSystem(f.data(), f.size());
  return d;
}

TEST(TestDvTape, PlayRunsTheTimeCodeAndANewRecordingDateEveryTenSeconds) {
  TestDvTape tape;
  EXPECT_EQ(tape.Mode(), TransportMode::Play);
  tape.SetPosition(248);
  auto a = Decode(tape.NextFrame()), b = Decode(tape.NextFrame()), c = Decode(tape.NextFrame());
  ASSERT_TRUE(a.timecode && a.date);
  EXPECT_EQ(a.system, 0);  // 625/50
  EXPECT_EQ(a.tc, (TimeCode{0, 0, 9, 23}));
  EXPECT_EQ(b.tc, (TimeCode{0, 0, 9, 24}));
  EXPECT_EQ(c.tc, (TimeCode{0, 0, 10, 0}));
  EXPECT_EQ(a.recDate.Day, b.recDate.Day);
  EXPECT_EQ(c.recDate.Day, a.recDate.Day + 1);  // the scene changed
  EXPECT_EQ(a.recDate.Second, 9);
  EXPECT_EQ(c.recDate.Second, 0);
  EXPECT_EQ(tape.ReadTimeCode(), (TimeCode{0, 0, 10, 1}));
}

TEST(TestDvTape, PauseHoldsStopSendsBlueWithoutPacksWindAndRewindMoveFast) {
  TestDvTape tape;
  tape.SetPosition(100);
  tape.Pause();
  auto p1 = tape.NextFrame(), p2 = tape.NextFrame();
  EXPECT_EQ(p1, p2);  // a still
  EXPECT_EQ(Decode(p1).tc, (TimeCode{0, 0, 4, 0}));

  tape.Stop();
  auto s = Decode(tape.NextFrame());
  EXPECT_FALSE(s.timecode);
  EXPECT_FALSE(s.date);
  EXPECT_NE(tape.NextFrame(), p1);
  EXPECT_EQ(tape.Position(), 100);

  tape.FastForward();
  EXPECT_EQ(tape.Mode(), TransportMode::FastForward);
  tape.NextFrame();
  EXPECT_EQ(tape.Position(), 110);
  tape.Rewind();
  tape.NextFrame();
  tape.NextFrame();
  EXPECT_EQ(tape.Position(), 90);

  // Rewinding past the start stops at the start instead of going negative.
  tape.SetPosition(5);
  tape.NextFrame();
  EXPECT_EQ(tape.Position(), 0);
  EXPECT_EQ(tape.Mode(), TransportMode::Stop);
}

TEST(TestDvTape, ShuttleClampsItsSpeedAndRejectsNonsense) {
  TestDvTape tape;
  EXPECT_TRUE(tape.Shuttle(-1000));
  EXPECT_EQ(tape.Mode(), TransportMode::Shuttle);
  tape.SetPosition(100);
  tape.NextFrame();
  EXPECT_EQ(tape.Position(), 100 - TestDvTape::kMaxShuttle);
  EXPECT_FALSE(tape.Shuttle(std::nan("")));
  EXPECT_TRUE(tape.Shuttle(0));
  EXPECT_EQ(tape.Mode(), TransportMode::Pause);
  EXPECT_TRUE(tape.Shuttle(0.5));
  tape.NextFrame();
  tape.NextFrame();
  EXPECT_DOUBLE_EQ(tape.Position(), 81);
}

TEST(TestDvTape, TheDamagedTapeCarriesItsDamageAtItsFramesAndNothingElse) {
  using K = filters::DvEventKind;
  const TestTapeDamage &d = TestDvTape::kDamage;
  for (bool damaged : {false, true}) {
    SCOPED_TRACE(damaged ? "damaged" : "clean");
    TestDvTape tape;
    tape.SetDamaged(damaged);
    filters::DvHealthTracker tracker;
    for (std::int64_t at = 0; at < 130; ++at) {
      SCOPED_TRACE(at);
      const auto frame = tape.NextFrame();
      const filters::DvFrameReport r = tracker.Check(frame.data(), frame.size());
      std::vector<std::pair<K, int>> found, expected;
      for (int i = 0; i < r.EventCount; ++i) found.emplace_back(r.Events[i].Kind, r.Events[i].Extent);
      if (damaged && at >= d.ConcealFirst && at < d.ConcealFirst + d.ConcealFrames)
        expected.emplace_back(K::VideoConcealed, d.ConcealBlocks);
      if (damaged && at >= d.AudioFirst && at < d.AudioFirst + d.AudioFrames)
        expected.emplace_back(K::AudioErrors, d.AudioSamples);
      if (damaged && at == d.TimecodeBreakAt) expected.emplace_back(K::TimecodeJump, d.TimecodeLeap + 1);
      if (damaged && at == d.RecStartAt) expected.emplace_back(K::RecStart, 0);
      EXPECT_EQ(found, expected);
      EXPECT_EQ(r.Health.AudioRate, 48000);
      if (damaged && at == d.ConcealFirst) {
        EXPECT_EQ(r.Health.ConcealedPerSequence[d.ConcealSequence], d.ConcealBlocks);
      }
    }
  }
}

TEST(TestDvTape, WideFlagReachesTheFrames) {
  TestDvTape tape;
  EXPECT_FALSE(Decode(tape.NextFrame()).wide);
  tape.SetWide(true);
  EXPECT_TRUE(Decode(tape.NextFrame()).wide);
}

TEST(TestDvCamcorder, LiveFramesCarryRunningTimeCodeAndObeyTheTransport) {
  TestDeviceInfo info{TestDeviceKind::DvCamcorder, "Vistrel Test DV Camcorder", "vistrel-test:dv-camcorder", true, true};
  media::ElementRef bin = CreateTestDeviceSource(info);
  ExternalTransport *transport = TestDeviceTransport(bin.get());
  ASSERT_NE(transport, nullptr);
  EXPECT_EQ(TestDeviceTransport(nullptr), nullptr);
  auto run = test::RunDevice(bin.get(), {{"dv", "video/x-dv,systemstream=true"}}, 1600, 100,
                             [&] { transport->Pause(); });
  ASSERT_TRUE(run.error.isEmpty()) << run.error.toStdString();
  const auto &dv = run.pads["dv"];
  ASSERT_GE(dv.count, 30);  // 25 fps for 1.6 s
  EXPECT_LE(dv.count, 45);
  std::vector<TimeCode> codes;
  for (auto &b : dv.buffers) {
    std::vector<std::uint8_t> f(gst_buffer_get_size(b.get()));
    ASSERT_EQ(f.size(), 144000u);
    gst_buffer_extract(b.get(), 0, f.data(), f.size());
    auto d = Decode(f);
    ASSERT_TRUE(d.timecode);
    codes.push_back(d.tc);
  }
  EXPECT_EQ(codes[1], (TimeCode{0, 0, 0, 1}));
  EXPECT_EQ(codes.back(), codes[codes.size() - 2]);  // paused: the time code holds
  EXPECT_EQ(transport->Mode(), TransportMode::Pause);
}

}  // namespace
}  // namespace vistrel::sources
