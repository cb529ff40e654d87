// The shared helpers: FourCC text, version rule, media-type equality, slot
// binding and the compressor list, disk figures.
#include "testenv.h"

#include "graph/dsfunctions.h"
#include "media/graph.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

using media::FilterCategory;
using media::FilterSlot;
using media::MakeFourCC;
using media::MediaType;

TEST(FourCCTexte, GivesFourCharactersOnlyWhenEveryByteIsPrintable) {
  EXPECT_EQ(FourCCTexte(MakeFourCC('d', 'v', 's', 'd')), "dvsd");
  EXPECT_EQ(FourCCTexte(MakeFourCC('Y', 'U', 'Y', '2')), "YUY2");
  EXPECT_EQ(FourCCTexte(0), "");
  EXPECT_EQ(FourCCTexte(3), "");
  EXPECT_EQ(FourCCTexte(MakeFourCC('M', 'J', 'P', 31)), "") << "one byte below 32 spoils it";
  EXPECT_EQ(FourCCTexte(0x20202020), "    ");
  EXPECT_EQ(FourCCTexte(0xE9414141).size(), 4) << "8-bit characters are kept";
}

TEST(VersionDirectX, IsTheGStreamerVersionAndItsMajorMinorNumber) {
  guint major = 0, minor = 0, micro = 0, nano = 0;
  gst_version(&major, &minor, &micro, &nano);
  EXPECT_EQ(VersionDirectX(), QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(micro));
  EXPECT_EQ(VersionMajeureDirectX(), int(major * 100 + minor));
  EXPECT_GE(VersionMajeureDirectX(), 122);

  EXPECT_EQ(VersionMajeureDe("1.22.0"), 122);
  EXPECT_EQ(VersionMajeureDe("1.4"), 104);
  EXPECT_EQ(VersionMajeureDe("Error"), 0);
  EXPECT_EQ(VersionMajeureDe(""), 0);
  EXPECT_EQ(VersionMajeureDe("1"), 0);
  EXPECT_EQ(VersionMajeureDe("x1.22"), 0);
}

MediaType Video(int width, qint64 frameDuration, quint32 sampleSize) {
  MediaType t;
  t.major = media::MajorType::Video;
  t.subtype = "RGB24";
  t.formatType = media::FormatType::VideoInfo;
  t.format = media::VideoFormat{width, 480, 0, 24, frameDuration, 0, 0};
  t.sampleSize = sampleSize;
  return t;
}

TEST(MemeTypeMedia, ComparesTypeAndFormatBlockButNotSampleSizeOrFlags) {
  EXPECT_TRUE(MemeTypeMedia(Video(640, 400000, 921600), Video(640, 400000, 0)));
  MediaType flagged = Video(640, 400000, 921600);
  flagged.temporalCompression = true;
  flagged.fixedSizeSamples = true;
  EXPECT_TRUE(MemeTypeMedia(flagged, Video(640, 400000, 921600)));

  EXPECT_FALSE(MemeTypeMedia(Video(640, 400000, 0), Video(320, 400000, 0)));
  EXPECT_FALSE(MemeTypeMedia(Video(640, 400000, 0), Video(640, 333667, 0)));
  MediaType yuy2 = Video(640, 400000, 0);
  yuy2.subtype = "YUY2";
  EXPECT_FALSE(MemeTypeMedia(yuy2, Video(640, 400000, 0)));
  MediaType info2 = Video(640, 400000, 0);
  info2.formatType = media::FormatType::VideoInfo2;
  EXPECT_FALSE(MemeTypeMedia(info2, Video(640, 400000, 0)));
  MediaType noBlock = Video(640, 400000, 0);
  noBlock.format = {};
  EXPECT_FALSE(MemeTypeMedia(noBlock, Video(640, 400000, 0)));

  EXPECT_TRUE(MemeTypeMedia(MediaType{}, MediaType{})) << "two empty blocks are equal";
}

TEST(FiltreParClsid, BindsTheSlotToTheElementOfThatIdentityAndLeavesItOnFailure) {
  FilterSlot mp3("mp3");
  ASSERT_TRUE(FiltreParClsid(FilterCategory::LegacyFilter, "lamemp3enc", mp3));
  ASSERT_TRUE(mp3.IsBound());
  EXPECT_EQ(mp3.FactoryName(), "lamemp3enc");
  GstElement *bound = mp3.Element();

  media::Graph graph;
  ASSERT_TRUE(graph.AddFilter(bound, "mp3"));
  EXPECT_FALSE(FiltreParClsid(FilterCategory::LegacyFilter, "no-such-encoder", mp3));
  EXPECT_EQ(mp3.Element(), bound) << "not found: the slot keeps its element";
  EXPECT_FALSE(graph.Contains(bound)) << "but it was taken out of the graph first";

  EXPECT_FALSE(FiltreParClsid(FilterCategory::VideoCompressor, "lamemp3enc", mp3))
      << "an audio encoder is not in the video compressor category";
}

TEST(FiltreParNom, MatchesTheFriendlyNameExactly) {
  QStringList names;
  ASSERT_TRUE(ListeCompresseursVideo(names));
  ASSERT_TRUE(names.contains("libav DV (Digital Video) encoder"));
  EXPECT_TRUE(names.contains("libav MPEG-4 part 2 encoder"));
  EXPECT_FALSE(names.contains("L.A.M.E. mp3 encoder"));
  names << "stale";
  ListeCompresseursVideo(names);
  EXPECT_FALSE(names.contains("stale")) << "the list is emptied first";

  FilterSlot divx("divx");
  ASSERT_TRUE(FiltreParNom(FilterCategory::VideoCompressor, "libav MPEG-4 part 2 encoder", divx));
  EXPECT_EQ(divx.FactoryName(), "avenc_mpeg4");
  EXPECT_EQ(divx.FriendlyName(), "libav MPEG-4 part 2 encoder");
  EXPECT_FALSE(FiltreParNom(FilterCategory::VideoCompressor, "libav mpeg-4 part 2 encoder", divx));
  EXPECT_EQ(divx.FactoryName(), "avenc_mpeg4");
}

TEST(EspaceDisque, FiguresOfTheSandboxVolumeAddUp) {
  const QString dir = test::freshDir("disk");
  const quint32 total = EspaceTotal(dir);
  const quint32 used = EspaceUtilise(dir);
  const quint32 free = EspaceLibre(dir);
  EXPECT_GT(total, 0u);
  EXPECT_LE(used, total);
  EXPECT_LE(free, total);
  EXPECT_NEAR(double(used) + double(free), double(total), 2.0);
  EXPECT_EQ(EspaceTotal(dir + "/not-yet-written.avi"), total) << "a file to be written counts on its folder";
}

}  // namespace
}  // namespace vistrel
