// Media types read from caps and written back: the fields the graph code
// compares must come out of every kind of stream the program handles.
#include "media/mediatype.h"

#include <gtest/gtest.h>

namespace vistrel::media {
namespace {

MediaType FromString(const char *caps) {
  CapsRef c = CapsRef::Adopt(gst_caps_from_string(caps));
  EXPECT_TRUE(c) << caps;
  return MediaType::FromCaps(c.get());
}

TEST(MediaType, RawVideoGivesSizeFourCCBitCountAndFrameDuration) {
  MediaType bgr = FromString("video/x-raw,format=BGR,width=640,height=480,framerate=25/1");
  EXPECT_EQ(bgr.major, MajorType::Video);
  EXPECT_EQ(bgr.subtype, "RGB24");
  EXPECT_EQ(bgr.formatType, FormatType::VideoInfo);
  ASSERT_TRUE(bgr.video());
  EXPECT_EQ(*bgr.video(), (VideoFormat{640, 480, 0, 24, 400000, 0, 0}));
  EXPECT_EQ(bgr.sampleSize, 640u * 480u * 3u);

  MediaType yuy2 = FromString("video/x-raw,format=YUY2,width=320,height=240,framerate=30000/1001");
  EXPECT_EQ(yuy2.subtype, "YUY2");
  EXPECT_EQ(yuy2.video()->fourCC, MakeFourCC('Y', 'U', 'Y', '2'));
  EXPECT_EQ(yuy2.video()->bitCount, 16);
  EXPECT_EQ(yuy2.video()->frameDuration, 333667);
}

TEST(MediaType, DvAndMpegStreamsAreToldApart) {
  MediaType dvsd = FromString("video/x-dv,systemstream=false,width=720,height=576,framerate=25/1");
  EXPECT_EQ(dvsd.major, MajorType::Video);
  EXPECT_EQ(dvsd.subtype, "dvsd");
  EXPECT_EQ(dvsd.video()->fourCC, MakeFourCC('d', 'v', 's', 'd'));

  MediaType interleaved = FromString("video/x-dv,systemstream=true");
  EXPECT_EQ(interleaved.major, MajorType::Interleaved);
  EXPECT_EQ(interleaved.formatType, FormatType::DvInfo);

  MediaType mpeg2 = FromString("video/mpeg,mpegversion=2,systemstream=false,width=720,height=576,"
                               "pixel-aspect-ratio=16/15,framerate=25/1");
  EXPECT_EQ(mpeg2.subtype, "MPEG2Video");
  EXPECT_EQ(mpeg2.formatType, FormatType::Mpeg2Video);
  EXPECT_TRUE(mpeg2.temporalCompression);
  EXPECT_EQ(mpeg2.video()->aspectX, 4);
  EXPECT_EQ(mpeg2.video()->aspectY, 3);

  EXPECT_EQ(FromString("video/mpeg,mpegversion=1,systemstream=false").formatType, FormatType::MpegVideo);
  MediaType program = FromString("video/mpeg,mpegversion=2,systemstream=true");
  EXPECT_EQ(program.major, MajorType::Stream);
  EXPECT_EQ(program.subtype, "MPEG2Program");
  EXPECT_EQ(FromString("video/x-msvideo").subtype, "Avi");
}

TEST(MediaType, AudioGivesAWaveFormat) {
  MediaType pcm = FromString("audio/x-raw,format=S16LE,layout=interleaved,rate=48000,channels=2");
  EXPECT_EQ(pcm.major, MajorType::Audio);
  EXPECT_EQ(pcm.subtype, "PCM");
  EXPECT_EQ(pcm.formatType, FormatType::WaveFormatEx);
  EXPECT_EQ(*pcm.wave(), (WaveFormat{1, 2, 48000, 16, 4}));

  MediaType mp3 = FromString("audio/mpeg,mpegversion=1,layer=3,rate=44100,channels=2");
  EXPECT_EQ(mp3.subtype, "MP3");
  EXPECT_EQ(mp3.wave()->formatTag, 0x55);
}

TEST(MediaType, UnfixedEmptyAndUnknownCapsDoNotInventValues) {
  MediaType range = FromString("video/x-raw,format=BGR,width=[1,4096],height=480,framerate=[0/1,60/1]");
  EXPECT_EQ(range.video()->width, 0);
  EXPECT_EQ(range.video()->height, 480);
  EXPECT_EQ(range.video()->frameDuration, 0);

  EXPECT_TRUE(MediaType::FromCaps(nullptr).IsEmpty());
  CapsRef any = CapsRef::Adopt(gst_caps_new_any());
  EXPECT_TRUE(MediaType::FromCaps(any.get()).IsEmpty());
  CapsRef empty = CapsRef::Adopt(gst_caps_new_empty());
  EXPECT_TRUE(MediaType::FromCaps(empty.get()).IsEmpty());

  MediaType other = FromString("application/x-rtp");
  EXPECT_EQ(other.major, MajorType::Other);
  EXPECT_EQ(other.subtype, "application/x-rtp");
}

// Writing a type to caps and reading it back must give the same type, and
// the caps must be ones the elements accept (exact NTSC rates, for one).
TEST(MediaType, CapsRoundTripKeepsTheType) {
  const char *samples[] = {
      "video/x-raw,format=BGR,width=640,height=480,framerate=25/1",
      "video/x-raw,format=I420,width=720,height=480,framerate=30000/1001,pixel-aspect-ratio=8/9",
      "video/x-raw,format=YUY2,width=1280,height=720,framerate=60000/1001",
      "image/jpeg,width=640,height=480,framerate=15/1",
      "video/x-dv,systemstream=false,width=720,height=576,framerate=25/1",
      "video/x-dv,systemstream=true",
      "video/mpeg,mpegversion=2,systemstream=false,width=720,height=576,pixel-aspect-ratio=16/15,framerate=25/1",
      "video/x-divx,divxversion=5,width=352,height=288,framerate=25/1",
      "audio/x-raw,format=S16LE,layout=interleaved,rate=32000,channels=2",
      "audio/x-raw,format=F32LE,layout=interleaved,rate=48000,channels=1",
      "audio/mpeg,mpegversion=1,layer=3,rate=44100,channels=2",
      "video/mpeg,mpegversion=1,systemstream=true",
  };
  for (const char *text : samples) {
    const MediaType t = FromString(text);
    CapsRef caps = t.ToCaps();
    ASSERT_TRUE(caps) << text;
    EXPECT_EQ(MediaType::FromCaps(caps.get()), t) << text << " -> " << GCharPtr(gst_caps_to_string(caps.get())).get();
  }
  CapsRef ntsc = FromString("video/x-raw,format=YUY2,width=720,height=480,framerate=30000/1001").ToCaps();
  CapsRef expected = CapsRef::Adopt(gst_caps_from_string("video/x-raw,framerate=30000/1001"));
  EXPECT_TRUE(gst_caps_can_intersect(ntsc.get(), expected.get()));
  EXPECT_TRUE(gst_caps_is_any(MediaType{}.ToCaps().get()));
}

}  // namespace
}  // namespace vistrel::media
