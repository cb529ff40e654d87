// Media-type lists, the persisted choice, and the stream descriptions.
#include "sources/filterdevices.h"
#include "sources/mediatypes.h"
#include "media/mediatype.h"

#include <gtest/gtest.h>

using namespace vistrel;
using namespace vistrel::sources;

namespace {

media::CapsRef Caps(const char *text) { return media::CapsRef::Adopt(gst_caps_from_string(text)); }

}  // namespace

TEST(MediaTypeList, OneEntryPerStructureAndFrameRate) {
  auto caps = Caps("video/x-raw,format=YUY2,width=320,height=240,framerate={30/1,15/1};"
                   "image/jpeg,width=640,height=480,framerate=30/1");
  auto entries = SplitFormats(caps.get());
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(DescribeMediaType(entries[0].get()), "YUY2 320x240 30.00 fps");
  EXPECT_EQ(DescribeMediaType(entries[1].get()), "YUY2 320x240 15.00 fps");
  EXPECT_EQ(DescribeMediaType(entries[2].get()), "MJPG 640x480 30.00 fps");
  EXPECT_TRUE(SplitFormats(nullptr).empty());
  media::CapsRef any = media::CapsRef::Adopt(gst_caps_new_any());
  EXPECT_TRUE(SplitFormats(any.get()).empty());
}

TEST(MediaTypeList, StopsAtThreeHundred) {
  GstCaps *many = gst_caps_new_empty();
  for (int i = 0; i < 400; ++i)
    gst_caps_append_structure(many, gst_structure_new("video/x-raw", "format", G_TYPE_STRING, "BGR", "width", G_TYPE_INT,
                                                      16 + i, "height", G_TYPE_INT, 16, nullptr));
  media::CapsRef owned = media::CapsRef::Adopt(many);
  auto entries = SplitFormats(many, kMaxMediaTypes);
  ASSERT_EQ(entries.size(), 300u);
  EXPECT_EQ(media::MediaType::FromCaps(entries.back().get()).video()->width, 16 + 299);
}

TEST(MediaTypeList, ChoiceAppliedOnlyWithinTheList) {
  media::Graph graph;
  GraphSlots graphSlots(graph);
  DeviceMoniker moniker("cam", "Cam", [] {
    GstElement *bin = gst_parse_bin_from_description(
        "videotestsrc ! video/x-raw,format=YUY2,width=320,height=240,framerate={25/1,15/1} ! identity", TRUE, nullptr);
    return media::ElementRef::Adopt(bin);
  });
  TVideoCaptureDevice device(graphSlots, moniker, 1, "Cam");
  ASSERT_TRUE(device.Valid);
  MediaTypeList list;
  FillMediaTypeList(device, list);
  ASSERT_EQ(list.Count(), 2);

  EXPECT_FALSE(ApplyMediaType(device, list, 0));
  EXPECT_FALSE(ApplyMediaType(device, list, 3));
  EXPECT_FALSE(device.Format());
  EXPECT_TRUE(ApplyMediaType(device, list, 2));
  ASSERT_TRUE(device.Format());
  EXPECT_TRUE(gst_caps_is_equal(device.Format().get(), list.Entries[1].get()));

  // Taking the choice back after a format dialog.
  EXPECT_EQ(TakeBackMediaType(list, list.Entries[0].get(), 2), 1);
  auto other = Caps("video/x-raw,format=I420,width=320,height=240,framerate=25/1");
  EXPECT_EQ(TakeBackMediaType(list, other.get(), 2), 2);

  // A device without any capture formats leaves a list as it was.
  DeviceMoniker broken("x", "X", [] { return media::ElementRef(); });
  TVideoCaptureDevice none(graphSlots, broken, 1, "X");
  FillMediaTypeList(none, list);
  EXPECT_EQ(list.Count(), 2);
}

TEST(StreamDescription, FrameDurationRule) {
  EXPECT_EQ(FrameDurationRule(0), 400000);
  EXPECT_EQ(FrameDurationRule(999), 400000);
  EXPECT_EQ(FrameDurationRule(1000), 1000);
  EXPECT_EQ(FrameDurationRule(333667), 333667);
  // Only the low 32 bits count.
  EXPECT_EQ(FrameDurationRule((qint64(1) << 32) + 400000), 400000);
  EXPECT_EQ(FrameDurationRule(qint64(1) << 32), 400000);

  auto noRate = Caps("video/x-raw,format=YUY2,width=320,height=240,framerate=0/1");
  auto d = DescribeVideoStream(noRate.get(), true);
  EXPECT_EQ(d.FrameDuration, 400000);
  EXPECT_DOUBLE_EQ(d.SourceFps, 25.0);
  auto ntsc = Caps("video/x-raw,format=YUY2,width=720,height=480,framerate=30000/1001");
  EXPECT_NEAR(DescribeVideoStream(ntsc.get(), true).SourceFps, 29.97, 0.01);
}

TEST(StreamDescription, CodecAndNativeFormatsByFormat) {
  auto yuy2 = Caps("video/x-raw,format=YUY2,width=640,height=480,framerate=25/1");
  auto d = DescribeVideoStream(yuy2.get(), true);
  EXPECT_EQ(d.SourceCodec, "YUY2");
  EXPECT_EQ(d.SourceWidth, 640);
  EXPECT_EQ(d.StreamKind, 0) << "a plain stream leaves the kind as it was";
  EXPECT_FALSE(d.ChangesNativeFormats);
  EXPECT_FALSE(d.SourceCompressed);

  auto mpeg1 = Caps("video/mpeg,mpegversion=1,systemstream=false,width=352,height=288,framerate=25/1");
  d = DescribeVideoStream(mpeg1.get(), true);
  EXPECT_EQ(d.SourceCodec, "MPEG1");
  EXPECT_EQ(d.StreamKind, 3);
  EXPECT_EQ(d.NativeFormat1, 4);
  EXPECT_EQ(d.SourceAspectX, 0);

  auto mpeg2 = Caps("video/mpeg,mpegversion=2,systemstream=false,width=720,height=576,framerate=25/1,"
                    "pixel-aspect-ratio=16/15");
  d = DescribeVideoStream(mpeg2.get(), false);
  EXPECT_EQ(d.SourceCodec, "MPEG2");
  EXPECT_EQ(d.StreamKind, 4);
  EXPECT_EQ(d.NativeFormat1, 3);
  EXPECT_TRUE(d.SourceCompressed);
  EXPECT_EQ(d.SourceAspectX, 4);
  EXPECT_EQ(d.SourceAspectY, 3);
}

TEST(StreamDescription, Mpeg2RatioRule) {
  auto square = Caps("video/mpeg,mpegversion=2,systemstream=false,width=720,height=576,framerate=25/1,"
                     "pixel-aspect-ratio=1/1");
  auto on = DescribeVideoStream(square.get(), true);
  EXPECT_EQ(on.SourceAspectX, 4);
  EXPECT_EQ(on.SourceAspectY, 3);
  auto off = DescribeVideoStream(square.get(), false);
  EXPECT_EQ(off.SourceAspectX, 720);
  EXPECT_EQ(off.SourceAspectY, 576);

  auto none = Caps("video/mpeg,mpegversion=2,systemstream=false,width=720,height=576,framerate=25/1");
  EXPECT_EQ(DescribeVideoStream(none.get(), true).SourceAspectX, 4);
  EXPECT_EQ(DescribeVideoStream(none.get(), false).SourceAspectX, 0);

  auto wide = Caps("video/mpeg,mpegversion=2,systemstream=false,width=720,height=576,framerate=25/1,"
                   "pixel-aspect-ratio=64/45");
  auto w = DescribeVideoStream(wide.get(), true);
  EXPECT_EQ(w.SourceAspectX, 16);
  EXPECT_EQ(w.SourceAspectY, 9);
}

TEST(StreamDescription, AudioFromWaveFormat) {
  auto pcm = Caps("audio/x-raw,format=S16LE,rate=48000,channels=2,layout=interleaved");
  auto a = DescribeAudioStream(pcm.get());
  EXPECT_EQ(a.AudioRate, 48000);
  EXPECT_EQ(a.AudioBits, 16);
  EXPECT_EQ(a.AudioChannels, 2);
  EXPECT_EQ(DescribeAudioStream(nullptr).AudioRate, 0);
}
