// Finding elements by category and caps, and naming what is missing.
#include "media/elementlookup.h"
#include "media/requirements.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vistrel::media {
namespace {

bool HasFactory(const FactoryList &list, const char *name) {
  return std::any_of(list.begin(), list.end(), [&](const auto &f) { return FactoryName(f.get()) == name; });
}

TEST(ElementLookup, CapsFilterBothSidesAndTheKlassNarrowsTheList) {
  CapsRef pcm = CapsRef::Adopt(gst_caps_from_string("audio/x-raw"));
  CapsRef mp3 = CapsRef::Adopt(gst_caps_from_string("audio/mpeg,mpegversion=1,layer=3"));
  FactoryList encoders = MatchingFactories(KlassOf(FilterCategory::AudioCompressor), pcm.get(), mp3.get());
  EXPECT_TRUE(HasFactory(encoders, "lamemp3enc"));
  EXPECT_FALSE(HasFactory(encoders, "avenc_wmav2")) << "does not produce MP3";
  EXPECT_FALSE(HasFactory(encoders, "mpegaudioparse")) << "a parser, not an encoder";

  CapsRef dv = CapsRef::Adopt(gst_caps_from_string("video/x-dv,systemstream=false"));
  FactoryList dvEncoders = MatchingFactories(KlassOf(FilterCategory::VideoCompressor), nullptr, dv.get());
  EXPECT_TRUE(HasFactory(dvEncoders, "avenc_dvvideo"));
  EXPECT_FALSE(HasFactory(dvEncoders, "avenc_mpeg4"));

  CapsRef stream = CapsRef::Adopt(gst_caps_from_string("video/x-msvideo"));
  EXPECT_TRUE(HasFactory(MatchingFactories(KlassOf(FilterCategory::Muxer), nullptr, stream.get()), "avimux"));
}

TEST(FilterSlot, RebindingReplacesTheElementAndTakesTheOldOneOut) {
  GstElementFactory *dv = gst_element_factory_find("avenc_dvvideo");
  GstElementFactory *mpeg4 = gst_element_factory_find("avenc_mpeg4");
  ASSERT_TRUE(dv && mpeg4);
  FilterSlot slot("divx");
  EXPECT_FALSE(slot.IsBound());
  EXPECT_FALSE(slot.Bind(nullptr));
  ASSERT_TRUE(slot.Bind(dv));
  ElementRef first = ElementRef::Borrow(slot.Element());
  GstElement *bin = gst_bin_new("graph");
  gst_bin_add(GST_BIN(bin), slot.Element());
  ASSERT_TRUE(slot.Bind(mpeg4));
  EXPECT_EQ(GST_OBJECT_PARENT(first.get()), nullptr);
  EXPECT_EQ(slot.FriendlyName(), "libav MPEG-4 part 2 encoder");
  slot.Unbind();
  EXPECT_FALSE(slot.IsBound());
  gst_object_unref(bin);
  gst_object_unref(dv);
  gst_object_unref(mpeg4);
}

TEST(Requirements, NamesEachMissingElementWithItsPackage) {
  EXPECT_TRUE(MissingElements().empty()) << MissingElementsText(MissingElements()).toStdString();
  const std::vector<RequiredElement> wanted{
      {"tee", "libgstreamer1.0-0"},
      {"vistrel-no-such-muxer", "gstreamer1.0-plugins-bad"},
      {"vistrel-no-such-encoder", "gstreamer1.0-plugins-bad"},
  };
  const auto missing = MissingFrom(wanted);
  ASSERT_EQ(missing.size(), 2u);
  EXPECT_EQ(missing[0].element, "vistrel-no-such-muxer");
  EXPECT_EQ(MissingElementsText(missing).split('\n').first(),
            "The GStreamer element \"vistrel-no-such-muxer\" is missing: install the package "
            "gstreamer1.0-plugins-bad.");
  EXPECT_EQ(PackagesFor(missing), QStringList{"gstreamer1.0-plugins-bad"});
  EXPECT_TRUE(MissingElementsText({}).isEmpty());

  QString error;
  ElementRef made = ElementRef::Adopt(CreateElement("avimux", &error));
  EXPECT_TRUE(made);
  EXPECT_TRUE(error.isEmpty());
  EXPECT_EQ(CreateElement("vistrel-not-installed", &error), nullptr);
  EXPECT_EQ(error, "The GStreamer element \"vistrel-not-installed\" is missing: install the GStreamer plug-in "
                   "package that provides it.");
  EXPECT_TRUE(PackagesFor({{"vistrel-not-installed", ""}}).isEmpty());
  EXPECT_EQ(PackageOf("asfmux"), "gstreamer1.0-plugins-bad");

  const auto &all = RequiredElements();
  for (const char *name : {"tee", "avimux", "asfmux", "mpegpsmux", "avenc_dvvideo", "lamemp3enc", "identity"})
    EXPECT_TRUE(std::any_of(all.begin(), all.end(), [&](const RequiredElement &r) { return r.element == name; }))
        << name;
}

}  // namespace
}  // namespace vistrel::media
