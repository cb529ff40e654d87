// The camcorder commands: the mode each one sends, what the test camcorder's
// tape and a real camcorder's AV/C link receive, and the time-code text.
#include <gtest/gtest.h>

#include <deque>

#include "app/camtransport.h"
#include "app/timecode_text.h"
#include "filters/dvcodes.h"
#include "sources/avc1394transport.h"
#include "sources/testdevice_dv.h"

using namespace vistrel;
using sources::TransportMode;

namespace {

TEST(CamTransport, EachCommandSendsItsModeAndTheFastOnesDependOnStop) {
  for (int current : {ED_MODE_STOP, ED_MODE_PLAY, ED_MODE_FREEZE}) {
    EXPECT_EQ(ModePourCommande(CamCommande::Play, current), ED_MODE_PLAY);
    EXPECT_EQ(ModePourCommande(CamCommande::Pause, current), ED_MODE_FREEZE);
    EXPECT_EQ(ModePourCommande(CamCommande::Stop, current), ED_MODE_STOP);
    EXPECT_EQ(ModePourCommande(CamCommande::AvanceLent, current), ED_MODE_PLAY_SLOWEST_FWD);
    EXPECT_EQ(ModePourCommande(CamCommande::ReculeLent, current), ED_MODE_PLAY_SLOWEST_REV);
  }
  EXPECT_EQ(ModePourCommande(CamCommande::AvanceRapide, ED_MODE_STOP), ED_MODE_FF);
  EXPECT_EQ(ModePourCommande(CamCommande::AvanceRapide, ED_MODE_PLAY), ED_MODE_PLAY_FASTEST_FWD);
  EXPECT_EQ(ModePourCommande(CamCommande::AvanceRapide, ED_MODE_FREEZE), ED_MODE_PLAY_FASTEST_FWD);
  EXPECT_EQ(ModePourCommande(CamCommande::ReculeRapide, ED_MODE_STOP), ED_MODE_REW);
  EXPECT_EQ(ModePourCommande(CamCommande::ReculeRapide, ED_MODE_PLAY), ED_MODE_PLAY_FASTEST_REV);
  EXPECT_EQ(ModePourCommande(CamCommande::PlayPause, ED_MODE_PLAY), ED_MODE_FREEZE);
  EXPECT_EQ(ModePourCommande(CamCommande::PlayPause, ED_MODE_FREEZE), ED_MODE_PLAY);
  EXPECT_EQ(ModePourCommande(CamCommande::PlayPause, ED_MODE_STOP), ED_MODE_PLAY);
  // The edit-device numbers themselves (base 4096).
  EXPECT_EQ(int(ED_MODE_PLAY), 4296);
  EXPECT_EQ(int(ED_MODE_PLAY_SLOWEST_REV), 5032);
}

TEST(CamTransport, TheTestCamcorderWindsFromStopAndPlaysFastestWhilePlaying) {
  sources::TestDvTape tape;
  tape.Stop();
  ASSERT_TRUE(ExecuterCommande(&tape, CamCommande::AvanceRapide));
  EXPECT_EQ(tape.Mode(), TransportMode::FastForward);
  EXPECT_EQ(LireMode(tape), ED_MODE_FF);

  tape.Play();
  ASSERT_TRUE(ExecuterCommande(&tape, CamCommande::AvanceRapide));
  EXPECT_EQ(tape.Mode(), TransportMode::Shuttle);
  EXPECT_EQ(tape.Speed(), sources::kFastestSpeed);

  tape.Stop();
  ExecuterCommande(&tape, CamCommande::ReculeRapide);
  EXPECT_EQ(tape.Mode(), TransportMode::Rewind);
  tape.Play();
  ExecuterCommande(&tape, CamCommande::ReculeRapide);
  EXPECT_EQ(tape.Speed(), -sources::kFastestSpeed);

  ExecuterCommande(&tape, CamCommande::AvanceLent);
  EXPECT_GT(tape.Speed(), 0.0);
  EXPECT_LT(tape.Speed(), 1.0);
  ExecuterCommande(&tape, CamCommande::ReculeLent);
  EXPECT_LT(tape.Speed(), 0.0);
  EXPECT_GT(tape.Speed(), -1.0);

  // Play/pause: pauses a playing tape, plays any other.
  tape.Play();
  ExecuterCommande(&tape, CamCommande::PlayPause);
  EXPECT_EQ(tape.Mode(), TransportMode::Pause);
  ExecuterCommande(&tape, CamCommande::PlayPause);
  EXPECT_EQ(tape.Mode(), TransportMode::Play);
  ExecuterCommande(&tape, CamCommande::Stop);
  ExecuterCommande(&tape, CamCommande::PlayPause);
  EXPECT_EQ(tape.Mode(), TransportMode::Play);

  EXPECT_FALSE(ExecuterCommande(nullptr, CamCommande::Play)) << "no transport, nothing done";
}

// Stands in for libavc1394: records each CONTROL quadlet, answers the
// TRANSPORT STATE query and the time code as told.
struct FakeAvcLink : sources::AvcLink {
  std::vector<std::uint32_t> *sent;
  std::optional<std::uint32_t> *state;
  bool accept = true;
  std::optional<std::string> timecode;
  FakeAvcLink(std::vector<std::uint32_t> *s, std::optional<std::uint32_t> *st) : sent(s), state(st) {}
  bool Control(std::uint32_t command) override {
    sent->push_back(command);
    return accept;
  }
  std::optional<std::uint32_t> TransportState() override { return *state; }
  std::optional<std::string> TimeCodeText() override { return timecode; }
};

struct AvcFixture : ::testing::Test {
  std::vector<std::uint32_t> sent;
  std::optional<std::uint32_t> state;
  FakeAvcLink *link = new FakeAvcLink(&sent, &state);
  sources::Avc1394Transport avc{std::unique_ptr<sources::AvcLink>(link)};
  std::uint32_t Last() const { return sent.empty() ? 0 : sent.back(); }
};

// Quadlets written out by hand from the AV/C tape recorder commands: ctype
// CONTROL (0x00), subunit VCR 0 (0x20), opcode PLAY (0xC3) or WIND (0xC4).
TEST_F(AvcFixture, EachCommandSendsItsTapeRecorderQuadlet) {
  avc.Play();
  EXPECT_EQ(Last(), 0x0020C375u);  // PLAY FORWARD
  avc.Pause();
  EXPECT_EQ(Last(), 0x0020C37Du);  // PLAY FORWARD PAUSE
  avc.Stop();
  EXPECT_EQ(Last(), 0x0020C460u);  // WIND STOP
  avc.FastForward();
  EXPECT_EQ(Last(), 0x0020C475u);  // WIND FAST FORWARD
  avc.Rewind();
  EXPECT_EQ(Last(), 0x0020C465u);  // WIND REWIND
  avc.Shuttle(sources::kFastestSpeed);
  EXPECT_EQ(Last(), 0x0020C33Fu);  // PLAY FASTEST FORWARD
  avc.Shuttle(-sources::kFastestSpeed);
  EXPECT_EQ(Last(), 0x0020C34Fu);  // PLAY FASTEST REVERSE
  avc.Shuttle(sources::kSlowestSpeed);
  EXPECT_EQ(Last(), 0x0020C331u);  // PLAY SLOWEST FORWARD
  avc.Shuttle(-sources::kSlowestSpeed);
  EXPECT_EQ(Last(), 0x0020C341u);  // PLAY SLOWEST REVERSE
  avc.Shuttle(-1.0);
  EXPECT_EQ(Last(), 0x0020C348u);  // PLAY X1 REVERSE
  avc.Shuttle(1000.0);
  EXPECT_EQ(Last(), 0x0020C33Fu) << "beyond the fastest speed: the fastest";
  const auto count = sent.size();
  EXPECT_FALSE(avc.Shuttle(std::nan("")));
  EXPECT_EQ(sent.size(), count) << "nothing sent for a speed that is no number";
}

TEST_F(AvcFixture, TheWindowCommandsFollowTheCamcordersOwnState) {
  state = 0x0C20C460u;  // IMPLEMENTED: WIND STOP
  ASSERT_TRUE(ExecuterCommande(&avc, CamCommande::AvanceRapide));
  EXPECT_EQ(Last(), 0x0020C475u) << "from stop the tape winds";
  state = 0x0C20C375u;  // IMPLEMENTED: PLAY FORWARD
  ExecuterCommande(&avc, CamCommande::AvanceRapide);
  EXPECT_EQ(Last(), 0x0020C33Fu) << "while playing it plays fastest forward";
  ExecuterCommande(&avc, CamCommande::PlayPause);
  EXPECT_EQ(Last(), 0x0020C37Du);
  state = 0x0C20C37Du;  // paused
  ExecuterCommande(&avc, CamCommande::PlayPause);
  EXPECT_EQ(Last(), 0x0020C375u);
}

TEST_F(AvcFixture, ModeComesFromTheStateOrTheLastAcceptedCommand) {
  EXPECT_EQ(sources::Avc1394Transport::ModeOfState(0x0C20C475u), TransportMode::FastForward);
  EXPECT_EQ(sources::Avc1394Transport::ModeOfState(0x0C20C465u), TransportMode::Rewind);
  EXPECT_EQ(sources::Avc1394Transport::ModeOfState(0x0C20C33Fu), TransportMode::Shuttle);
  EXPECT_EQ(sources::Avc1394Transport::ModeOfState(0x0C20C275u), TransportMode::Record);
  EXPECT_EQ(sources::Avc1394Transport::ModeOfState(0x0A20C375u), std::nullopt) << "a rejected status says nothing";

  avc.Play();
  EXPECT_EQ(avc.Mode(), TransportMode::Play) << "no state answer: the last command's mode";
  link->accept = false;
  EXPECT_FALSE(avc.FastForward());
  EXPECT_EQ(avc.Mode(), TransportMode::Play) << "a refused command changes nothing";
  state = 0x0C20C460u;
  EXPECT_EQ(avc.Mode(), TransportMode::Stop);
}

TEST_F(AvcFixture, TimeCodeIsReadFromTheLibrarysText) {
  link->timecode = "01:23:45:12";
  EXPECT_EQ(avc.ReadTimeCode(), (sources::TimeCode{1, 23, 45, 12}));
  for (const char *bad : {"", "ff:ff:ff:ff", "25:00:00:00", "01:23:45", "01:23:45:12x"}) {
    link->timecode = bad;
    EXPECT_EQ(avc.ReadTimeCode(), std::nullopt) << bad;
  }
  link->timecode.reset();
  EXPECT_EQ(avc.ReadTimeCode(), std::nullopt);
}

TEST(TimecodeText, HoursLoseTheirLeadingZeroAndTheRestKeepsTwoDigits) {
  EXPECT_EQ(TexteTimecode(0x01234512u), "1:23:45:12");
  EXPECT_EQ(TexteTimecode(0x10000000u), "10:00:00:00");
  EXPECT_EQ(TexteTimecode(0x00000001u), "0:00:00:01");
  EXPECT_EQ(TimecodeBcd({1, 23, 45, 12}), 0x01234512u);
  EXPECT_EQ(TimecodeBcd({23, 59, 59, 24}), 0x23595924u);
  EXPECT_EQ(TexteTimecode(TimecodeBcd({10, 0, 0, 0})), "10:00:00:00");
}

TEST(TimecodeText, TheDvDateShowsOnlyWhenTheFrameHasOne) {
  filters::DVInfo info;
  EXPECT_EQ(TexteDateDV(info), "");
  info.DateTime = 38182.5;  // 14 July 2004 at noon
  const QString text = TexteDateDV(info);
  EXPECT_TRUE(text.contains("2004")) << text.toStdString();
  EXPECT_TRUE(text.contains("12:00:00")) << text.toStdString();
}

}  // namespace
