// A capture that cannot be built or started says why, in words a user's
// report can carry: the setting that names nothing, the element that could
// not be made, the link that was refused with the caps of both sides, the
// error that stopped the start and the element that raised it.
#include <QDir>

#include "capture_fixture.h"

using namespace vistrel;
using vistrel::test::CaptureFixture;

namespace {

#define EXPECT_SAYS(text, part) EXPECT_TRUE((text).contains(part)) << (text).toStdString()

TEST_F(CaptureFixture, ProfilesThatDoNotExistAreNamedAndAGoodBuildClearsTheReason) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  dm.CaptureOptions.WmvVersion = 2;
  dm.CaptureOptions.WmvMediaIndex = 99;
  EXPECT_FALSE(dm.GrapheWmv(File("a.wmv")));
  EXPECT_SAYS(dm.CaptureFailure(), "the WMV profile 99 of version 8 does not exist");

  dm.CaptureOptions.WmvMediaIndex = 0;
  dm.CaptureOptions.WmvDefaultProfile = 4;
  EXPECT_FALSE(dm.GrapheWmv(File("b.wmv")));
  EXPECT_SAYS(dm.CaptureFailure(), "default WMV profile 4");

  // Sound only, and no sound device: nothing to record.
  dm.CaptureOptions.WmvVersion = 0;
  dm.CaptureOptions.WmvMediaIndex = 6;
  EXPECT_FALSE(dm.GrapheWmv(File("c.wmv")));
  EXPECT_SAYS(dm.CaptureFailure(), "no sound source is connected");
  EXPECT_FALSE(dm.GrapheWav(File("d.wav")));
  EXPECT_SAYS(dm.CaptureFailure(), "no sound device");
  ASSERT_TRUE(dm.RetirerCapture());

  dm.CaptureOptions.WmvMediaIndex = 0;
  dm.CaptureOptions.WmvDefaultProfile = 2;
  ASSERT_TRUE(dm.GrapheWmv(File("e.wmv"))) << dm.CaptureFailure().toStdString();
  EXPECT_TRUE(dm.CaptureFailure().isEmpty()) << "no reason of an earlier build is left";
  ASSERT_TRUE(dm.RetirerCapture());
}

TEST_F(CaptureFixture, AMissingEncoderAndALinkWhoseCapsCannotMeetAreNamed) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  // A machine without the libav DV encoder: the factory is taken out of the
  // registry until the check is done (the encoder is made at first use).
  {
    GstRegistry *registry = gst_registry_get();
    media::GstRef<GstPluginFeature> feature =
        media::GstRef<GstPluginFeature>::Adopt(gst_registry_lookup_feature(registry, "avenc_dvvideo"));
    ASSERT_TRUE(feature);
    dm.DVenc.reset();
    gst_registry_remove_feature(registry, feature.get());
    const bool built = dm.GrapheImageParImage(File("a.avi"), {});
    gst_registry_add_feature(registry, feature.get());
    EXPECT_FALSE(built);
    EXPECT_SAYS(dm.CaptureFailure(), "no DV encoder (avenc_dvvideo) could be made");
    ASSERT_TRUE(dm.RetirerCapture());
  }

  // An encoder in the DV encoder's place that takes RGB only: the link into
  // it is refused, and the reason shows both ends and both caps.
  dm.DVenc = media::ElementRef::Adopt(gst_element_factory_make("avenc_png", nullptr));
  ASSERT_TRUE(dm.DVenc);
  EXPECT_FALSE(dm.GrapheDV2Recomp(File("b.avi")));
  const QString why = dm.CaptureFailure();
  EXPECT_SAYS(why, "the picture could not reach the DV encoder");
  EXPECT_SAYS(why, "\"Capture dv format\":src");
  EXPECT_SAYS(why, "\"DVenc\":sink");
  // What the DV encoder takes for PAL, against what the impostor takes.
  const qsizetype input = why.indexOf("the input takes");
  ASSERT_GT(input, 0) << why.toStdString();
  for (const char *part : {"video/x-raw", "I420", "720", "576"}) EXPECT_SAYS(why.left(input), part);
  EXPECT_SAYS(why.mid(input), "RGB");
  EXPECT_FALSE(why.mid(input).contains("I420")) << why.toStdString();

  // Taken down, the failed chain leaves a preview that runs.
  dm.DVenc.reset();
  ExpectPreviewBack();
}

TEST_F(CaptureFixture, AStartThatFailsNamesTheElementAndItsError) {
  ASSERT_TRUE(dm.ConnecterAudio(Audio("Vistrel Test Microphone")));
  const QString unwritable = File("no such folder/a.wav");
  ASSERT_FALSE(QDir(dir + "/no such folder").exists());
  ASSERT_TRUE(dm.GrapheWav(unwritable)) << dm.CaptureFailure().toStdString();
  EXPECT_FALSE(dm.LancerGraphe());
  const QString why = dm.RunFailure();
  EXPECT_SAYS(why, "\"FileWriter\"");
  EXPECT_SAYS(why, "no such folder/a.wav");
  EXPECT_EQ(dm.fg().State(), GST_STATE_NULL);

  ASSERT_TRUE(dm.RetirerCapture());
  ASSERT_TRUE(dm.LancerGraphe());
  EXPECT_TRUE(dm.RunFailure().isEmpty());
  dm.StopGraph();
}

}  // namespace
