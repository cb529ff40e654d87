// Media-type lists, the persisted choice, and the stream descriptions.
#include "sources/filterdevices.h"
#include "sources/mediatypes.h"
#include "media/mediatype.h"

#include <gtest/gtest.h>

#include <QStringList>

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

// Caps as real devices state them: a V4L2 webcam (fixed sizes, lists of
// rates, MJPEG beside raw), a PipeWire node (a list of formats), a capture
// card or virtual source (ranges), and frames in device memory.
TEST(MediaTypeList, EveryWayARealDeviceStatesItsCapsGetsNamedEntries) {
  auto webcam = Caps("video/x-raw,format=YUY2,width=640,height=480,framerate={30/1,15/1},"
                     "pixel-aspect-ratio=1/1,interlace-mode=progressive;"
                     "image/jpeg,width=1920,height=1080,framerate={30000/1001,30/1};"
                     "video/x-raw,format=NV12,width=1280,height=720,framerate=10/1");
  auto entries = SplitFormats(webcam.get());
  QStringList names;
  for (auto &e : entries) names << DescribeMediaType(e.get());
  EXPECT_EQ(names, QStringList({"YUY2 640x480 30.00 fps", "YUY2 640x480 15.00 fps", "MJPG 1920x1080 29.97 fps",
                                "MJPG 1920x1080 30.00 fps", "NV12 1280x720 10.00 fps"}));
  for (auto &e : entries) EXPECT_TRUE(gst_caps_is_fixed(e.get())) << DescribeMediaType(e.get()).toStdString();

  auto pipewire = Caps("video/x-raw,format={YUY2,I420,RGB,BGR},width=640,height=360,framerate=30/1");
  names.clear();
  for (auto &e : SplitFormats(pipewire.get())) names << DescribeMediaType(e.get());
  EXPECT_EQ(names, QStringList({"YUY2 640x360 30.00 fps", "I420 640x360 30.00 fps", "RGB 640x360 30.00 fps",
                                "RGB24 640x360 30.00 fps"}));
  EXPECT_EQ(media::MediaType::FromCaps(SplitFormats(pipewire.get())[2].get()).video()->bitCount, 24)
      << "a raw format without a bitmap name still has its bits per pixel";

  auto ranges = Caps("video/x-raw,format=BGR,width=[1,1920],height=[1,1080],framerate=[0/1,60/1]");
  names.clear();
  for (auto &e : SplitFormats(ranges.get())) names << DescribeMediaType(e.get());
  ASSERT_EQ(names.size(), 9);
  EXPECT_EQ(names.front(), "RGB24 1920x1080 60.00 fps");
  EXPECT_EQ(names.back(), "RGB24 720x576 30.00 fps");
  for (auto &n : names) EXPECT_FALSE(n.startsWith('?')) << n.toStdString();

  auto device = Caps("video/x-raw(memory:DMABuf),format=NV12,width=640,height=480,framerate=30/1;"
                     "video/x-raw,format=NV12,width=640,height=480,framerate=30/1;"
                     "video/x-raw,format=NV12,width=640,height=480,framerate=30/1");
  ASSERT_EQ(SplitFormats(device.get()).size(), 1u) << "device memory left out, the same entry listed once";
  auto narrow = Caps("video/x-raw,format=YUY2,width=[100,200],height=[100,200],framerate=30/1");
  ASSERT_EQ(SplitFormats(narrow.get()).size(), 1u);
  EXPECT_EQ(DescribeMediaType(SplitFormats(narrow.get())[0].get()), "YUY2 200x200 30.00 fps")
      << "no common size fits: the largest the device takes";
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

TEST(UnreadablePictureOffer, OnlyRawPicturesWithNoKnownFormatAreRefused) {
  // A PipeWire node whose format is unset, and one whose only format
  // GStreamer does not know: nothing a chain could be negotiated for.
  const QString unset = UnreadablePictureOffer(Caps("video/x-raw,width=320,height=240,framerate=30/1").get());
  EXPECT_EQ(unset, "video/x-raw, width=320, height=240, framerate=30/1");
  EXPECT_FALSE(UnreadablePictureOffer(Caps("video/x-raw,format=NOPE,width=320,height=240").get()).isEmpty());
  // One readable entry is enough, in a list or in a structure of its own.
  EXPECT_TRUE(UnreadablePictureOffer(Caps("video/x-raw,format={NOPE,YUY2},width=320,height=240").get()).isEmpty());
  EXPECT_TRUE(UnreadablePictureOffer(
                  Caps("video/x-raw,width=320,height=240;video/x-raw,format=NV12,width=320,height=240").get())
                  .isEmpty());
  // Coded streams and devices that state nothing are not judged here.
  EXPECT_TRUE(UnreadablePictureOffer(Caps("image/jpeg,width=640,height=480").get()).isEmpty());
  EXPECT_TRUE(UnreadablePictureOffer(Caps("video/x-dv,systemstream=true").get()).isEmpty());
  EXPECT_TRUE(UnreadablePictureOffer(nullptr).isEmpty());
  EXPECT_TRUE(UnreadablePictureOffer(Caps("ANY").get()).isEmpty());
}
