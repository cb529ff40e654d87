#include "filters/dvcodes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "filters/dvtestframes.h"

using namespace vistrel::filters;

namespace {

std::vector<std::uint8_t> BlankFrame(std::size_t sequences = 12) {
  return std::vector<std::uint8_t>(sequences * kDifSequenceSize, 0xFF);
}

void PutTimecode(std::vector<std::uint8_t> &f, int seq, std::uint8_t pc1, std::uint8_t pc2, std::uint8_t pc3,
                 std::uint8_t pc4) {
  std::uint8_t *s = f.data() + seq * kDifSequenceSize;
  s[110] = s[190] = 0x13;
  s[111] = pc1;
  s[112] = pc2;
  s[113] = pc3;
  s[114] = pc4;
}

void PutDate(std::vector<std::uint8_t> &f, int seq, std::uint8_t id1, std::uint8_t id2, std::uint8_t day,
             std::uint8_t month, std::uint8_t year, std::uint8_t sec, std::uint8_t min, std::uint8_t hour) {
  std::uint8_t *s = f.data() + seq * kDifSequenceSize;
  s[458] = id1;
  s[460] = day;
  s[461] = month;
  s[462] = year;
  s[463] = id2;
  s[465] = sec;
  s[466] = min;
  s[467] = hour;
}

}  // namespace

TEST(DvCodes, TimecodeBcdWithMasks) {
  auto f = BlankFrame();
  PutTimecode(f, 0, 0x24, 0x59, 0x59, 0x23);
  const DvTimecode tc = DecodeTimecode(f.data(), f.size(), 0);
  EXPECT_EQ(tc.Hours, 23);
  EXPECT_EQ(tc.Minutes, 59);
  EXPECT_EQ(tc.Seconds, 59);
  EXPECT_EQ(tc.Frames, 24);
  // Flag bits above the tens digit are masked away.
  PutTimecode(f, 1, 0xC5, 0x80 | 0x12, 0x80 | 0x34, 0xC1);
  const DvTimecode tc1 = DecodeTimecode(f.data(), f.size(), 1);
  EXPECT_EQ(tc1.Frames, 5);
  EXPECT_EQ(tc1.Seconds, 12);
  EXPECT_EQ(tc1.Minutes, 34);
  EXPECT_EQ(tc1.Hours, 1);
  // Only one of the two pack IDs present: no time code.
  f[2 * kDifSequenceSize + 110] = 0x13;
  EXPECT_EQ(DecodeTimecode(f.data(), f.size(), 2).Hours, 0xFF);
}

TEST(DvCodes, RecordingDateCenturyAndZeroIds) {
  auto f = BlankFrame();
  PutDate(f, 0, 0x62, 0x63, 0x31, 0x12, 0x39, 0x59, 0x58, 0x23);
  DvRecDate d = DecodeRecDate(f.data(), f.size(), 0);
  EXPECT_EQ(d.Year, 2039);
  EXPECT_EQ(d.Month, 12);
  EXPECT_EQ(d.Day, 31);
  EXPECT_EQ(d.Hour, 23);
  EXPECT_EQ(d.Minute, 58);
  EXPECT_EQ(d.Second, 59);
  PutDate(f, 1, 0x62, 0x63, 0x01, 0x01, 0x40, 0, 0, 0);
  EXPECT_EQ(DecodeRecDate(f.data(), f.size(), 1).Year, 1940);
  PutDate(f, 2, 0x62, 0x63, 0x01, 0x01, 0x99, 0, 0, 0);
  EXPECT_EQ(DecodeRecDate(f.data(), f.size(), 2).Year, 1999);
  // IDs 0x00 still decode; all-zero data is month 0, so no valid date.
  auto z = BlankFrame();
  for (int i = 0; i < 12; ++i) PutDate(z, i, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(DecodeRecDate(z.data(), z.size(), 0).Year, 2000);
  DVInfo info;
  BuildDVInfo(z.data(), z.size(), info);
  EXPECT_FALSE(info.DateValid);
  EXPECT_EQ(info.DateTime, 0);
  // A wrong pack ID gives no date.
  PutDate(f, 3, 0x62, 0x64, 0x01, 0x01, 0x99, 0, 0, 0);
  EXPECT_EQ(DecodeRecDate(f.data(), f.size(), 3).Year, -1);
}

TEST(DvCodes, BuildInfoTakesFirstSequenceWithPacks) {
  auto f = BlankFrame();
  PutDate(f, 4, 0x62, 0x63, 0x14, 0x07, 0x04, 0x30, 0x15, 0x10);
  PutTimecode(f, 9, 0x10, 0x20, 0x30, 0x01);
  f[3] = 0xBF;
  DVInfo info;
  info.FrameNumber = 77;
  BuildDVInfo(f.data(), f.size(), info);
  EXPECT_EQ(info.FrameNumber, 77u);
  ASSERT_TRUE(info.DateValid);
  double expected = 0;
  ASSERT_TRUE(TryEncodeDateTime(2004, 7, 14, 10, 15, 30, expected));
  EXPECT_DOUBLE_EQ(info.DateTime, expected);
  EXPECT_TRUE(info.TimecodeValid);
  EXPECT_EQ(info.Timecode[0], 1);
  EXPECT_EQ(info.Timecode[3], 10);
  EXPECT_EQ(info.System, 0);
  // Packs only in sequences 10 and 11 are never seen.
  auto g = BlankFrame();
  PutTimecode(g, 10, 1, 2, 3, 4);
  PutDate(g, 11, 0x62, 0x63, 0x14, 0x07, 0x04, 0, 0, 0);
  BuildDVInfo(g.data(), g.size(), info);
  EXPECT_FALSE(info.TimecodeValid);
  EXPECT_FALSE(info.DateValid);
  EXPECT_EQ(info.System, 2);
}

TEST(DvCodes, OleDatesAndCalendarChecks) {
  double v = 0;
  ASSERT_TRUE(TryEncodeDateTime(1899, 12, 30, 0, 0, 0, v));
  EXPECT_EQ(v, 0);
  ASSERT_TRUE(TryEncodeDateTime(2000, 1, 1, 12, 0, 0, v));
  EXPECT_DOUBLE_EQ(v, 36526.5);
  EXPECT_FALSE(TryEncodeDateTime(2003, 2, 29, 0, 0, 0, v));
  EXPECT_TRUE(TryEncodeDateTime(2004, 2, 29, 0, 0, 0, v));
  EXPECT_FALSE(TryEncodeDateTime(2004, 4, 31, 0, 0, 0, v));
  EXPECT_FALSE(TryEncodeDateTime(2004, 4, 1, 24, 0, 0, v));
  EXPECT_FALSE(TryEncodeDateTime(2004, 13, 1, 0, 0, 0, v));
  int y, mo, d, h, mi, s;
  ASSERT_TRUE(TryEncodeDateTime(2021, 3, 7, 23, 59, 59, v));
  DecodeDateTime(v, y, mo, d, h, mi, s);
  EXPECT_EQ(std::vector<int>({y, mo, d, h, mi, s}), std::vector<int>({2021, 3, 7, 23, 59, 59}));
}

TEST(DvCodes, WideFlagAndForcing) {
  auto f = BlankFrame();
  EXPECT_FALSE(IsWide(f.data(), f.size()));
  std::uint8_t *s2 = f.data() + 2 * kDifSequenceSize;
  s2[453] = 0x61;
  s2[455] = 7;
  s2[7] = 0x00;
  EXPECT_TRUE(IsWide(f.data(), f.size()));
  s2[7] = 0x01;  // AP3 not 0: DISP 7 is not wide
  EXPECT_FALSE(IsWide(f.data(), f.size()));
  s2[455] = 0xF2;  // only the low 3 bits count
  EXPECT_TRUE(IsWide(f.data(), f.size()));
  EXPECT_FALSE(HasSourceControl(f.data(), f.size()));
  // ForceWide writes DISP 2 when AP3 is set, 7 otherwise, whole byte.
  f[7] = 0x05;
  f[455] = 0xFF;
  ForceWide(f.data(), f.size(), 0);
  EXPECT_EQ(f[453], 0x61);
  EXPECT_EQ(f[455], 2);
  f[7] = 0xF8;
  ForceWide(f.data(), f.size(), 0);
  EXPECT_EQ(f[455], 7);
  EXPECT_TRUE(HasSourceControl(f.data(), f.size()));
}

TEST(DvCodes, ShortOrGarbageFramesDecodeNothing) {
  std::mt19937 rng(42);
  for (std::size_t len : {std::size_t{0}, std::size_t{100}, std::size_t{479}, kDifSequenceSize * 9 + 479,
                          kMinDvFrameSize - 1}) {
    std::vector<std::uint8_t> f(len);
    for (auto &b : f) b = static_cast<std::uint8_t>(rng());
    if (len > 500) {
      PutTimecode(f, 0, 1, 2, 3, 4);
      PutDate(f, 0, 0x62, 0x63, 0x14, 0x07, 0x04, 0, 0, 0);
    }
    DVInfo info;
    BuildDVInfo(len ? f.data() : nullptr, len, info);
    EXPECT_FALSE(info.DateValid) << len;
    EXPECT_FALSE(info.TimecodeValid) << len;
    EXPECT_FALSE(info.Wide);
    EXPECT_EQ(info.System, 2);
    ForceWide(f.data(), len, 0);  // must not write past the end
  }
  EXPECT_EQ(DecodeTimecode(nullptr, 0, 0).Hours, 0xFF);
  auto full = BlankFrame();
  EXPECT_EQ(DecodeRecDate(full.data(), full.size(), 10).Year, -1);
  EXPECT_EQ(DecodeRecDate(full.data(), full.size(), -1).Year, -1);
}

TEST(DvTestFrames, RealFramesCarryTheWrittenPacks) {
  DvTestFramePlan plan;
  plan.TcHours = 1;
  plan.TcMinutes = 2;
  plan.TcSeconds = 3;
  plan.TcFrames = 4;
  plan.Wide = true;
  const auto pal = MakeDvTestFrame(plan);
  ASSERT_EQ(pal.size(), 144000u);
  DVInfo info;
  BuildDVInfo(pal.data(), pal.size(), info);
  EXPECT_TRUE(info.DateValid);
  EXPECT_TRUE(info.TimecodeValid);
  EXPECT_EQ(info.Timecode[0], 1);
  EXPECT_EQ(info.Timecode[3], 4);
  EXPECT_TRUE(info.Wide);
  EXPECT_EQ(info.System, 0);
  plan.Pal = false;
  plan.Wide = false;
  plan.HasDate = false;
  plan.HasTimecode = false;
  const auto ntsc = MakeDvTestFrame(plan);
  ASSERT_EQ(ntsc.size(), 120000u);
  BuildDVInfo(ntsc.data(), ntsc.size(), info);
  EXPECT_FALSE(info.DateValid);
  EXPECT_FALSE(info.TimecodeValid);
  EXPECT_FALSE(info.Wide);
  EXPECT_EQ(info.System, 1);
}

namespace {

struct EncodedDv {
  const char *name;
  const char *picture;  // the test picture's size and rate
  const char *output;   // aspect and first time code, as ffmpeg's options
  int fps;
  std::uint8_t system;
  bool wide;
  int hours, minutes, seconds, frames;  // the first frame's time code
};

// Frames from an encoder that is not ours (ffmpeg's dvvideo and dv muxer): their
// packs are laid out by another reading of the DV format, so a wrong offset or
// mask in the decoder shows here, where frames we write ourselves cannot show it.
std::vector<std::vector<std::uint8_t>> EncodeWithFfmpeg(const EncodedDv &c, int count) {
  const std::string path = ::testing::TempDir() + "/independent_" + c.name + ".dv";
  const std::string command = std::string("ffmpeg -nostdin -v fatal -y -f lavfi -i testsrc=") + c.picture +
                              " -f lavfi -i sine=r=48000 " + c.output + " -frames:v " + std::to_string(count + c.fps) +
                              " -metadata creation_time=2021-05-06T07:08:09Z -pix_fmt yuv411p -c:v dvvideo"
                              " -ar 48000 -ac 2 -c:a pcm_s16le -f dv '" +
                              path + "'";
  // The muxer may refuse its last frames for want of sound at the end: more
  // are asked for than are read.
  [[maybe_unused]] const int rc = std::system(command.c_str());
  std::ifstream in(path, std::ios::binary);
  const std::size_t frameSize = (c.system == 0 ? 12 : 10) * kDifSequenceSize;
  std::vector<std::vector<std::uint8_t>> frames;
  std::vector<std::uint8_t> frame(frameSize);
  while (int(frames.size()) < count && in.read(reinterpret_cast<char *>(frame.data()), std::streamsize(frameSize)))
    frames.push_back(frame);
  std::remove(path.c_str());
  return frames;
}

}  // namespace

TEST(DvCodes, FramesOfAnIndependentEncoderGiveTheirTimeCodeDateAndFormat) {
  const EncodedDv cases[] = {
      {"pal43", "size=720x576:rate=25", "-aspect 4:3 -timecode 01:02:03:04", 25, 0, false, 1, 2, 3, 4},
      {"ntsc169", "size=720x480:rate=30000/1001", "-aspect 16:9 -timecode 10:20:30:00", 30, 1, true, 10, 20, 30, 0},
  };
  for (const EncodedDv &c : cases) {
    SCOPED_TRACE(c.name);
    const int count = 2 * c.fps;
    const auto frames = EncodeWithFfmpeg(c, count);
    ASSERT_EQ(int(frames.size()), count) << "ffmpeg wrote no DV frames";
    for (int k = 0; k < count; ++k) {
      SCOPED_TRACE(k);
      DVInfo info;
      BuildDVInfo(frames[k].data(), frames[k].size(), info);
      EXPECT_EQ(info.System, c.system);
      EXPECT_EQ(info.Wide, c.wide);
      ASSERT_TRUE(info.TimecodeValid);
      const int expected = ((c.hours * 60 + c.minutes) * 60 + c.seconds) * c.fps + c.frames + k;
      const int got = ((info.Timecode[0] * 60 + info.Timecode[1]) * 60 + info.Timecode[2]) * c.fps + info.Timecode[3];
      EXPECT_EQ(got, expected);
      ASSERT_TRUE(info.DateValid);
      int year, month, day, hour, minute, second;
      DecodeDateTime(info.DateTime, year, month, day, hour, minute, second);
      EXPECT_EQ(year * 10000 + month * 100 + day, 20210506);
      // The recording time goes on with the frames, a second every second.
      EXPECT_EQ(hour * 3600 + minute * 60 + second, 7 * 3600 + 8 * 60 + 9 + k / c.fps);
    }
  }
}
