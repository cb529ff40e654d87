// The pure rules of the preview display: fitted rectangle, shown ratio,
// volume steps and the lock table.
#include "app/display_geometry.h"

#include <gtest/gtest.h>

#include "settings/captureformats.h"

using namespace vistrel::display;

TEST(DisplayGeometry, FitRectLetterboxesAndPillarboxesCentred) {
  EXPECT_EQ(FitRect(QRect(0, 0, 400, 400), 16, 9), QRect(0, 87, 400, 225));
  EXPECT_EQ(FitRect(QRect(16, 16, 400, 200), 4, 3), QRect(16 + 67, 16, 266, 200));
  // Exact fit and an offset area keep their origin.
  EXPECT_EQ(FitRect(QRect(10, 20, 640, 480), 4, 3), QRect(10, 20, 640, 480));
  // Large ratio terms from a source must not overflow.
  EXPECT_EQ(FitRect(QRect(0, 0, 1920, 1080), 1 << 30, 1 << 30), QRect(420, 0, 1080, 1080));
}

TEST(DisplayGeometry, FitRectWithoutARatioIsEmptyAtTheTopLeft) {
  for (auto [a, b] : {std::pair{0, 9}, std::pair{16, 0}, std::pair{-4, 3}}) {
    const QRect r = FitRect(QRect(5, 7, 400, 300), a, b);
    EXPECT_TRUE(r.isEmpty());
    EXPECT_EQ(r.topLeft(), QPoint(5, 7));
  }
  EXPECT_TRUE(FitRect(QRect(0, 0, -10, 50), 4, 3).isEmpty()) << "a collapsed area gives nothing";
}

TEST(DisplayGeometry, DisplayRatioByAspectAndSource) {
  RatioInput dv{kNormal, true, true, 0, 0, 720, 576};
  EXPECT_EQ(DisplayRatio(dv), QSize(16, 9));
  dv.dvWide = false;
  EXPECT_EQ(DisplayRatio(dv), QSize(4, 3));
  RatioInput cam{kNormal, false, false, 16, 9, 640, 480};
  EXPECT_EQ(DisplayRatio(cam), QSize(16, 9)) << "the ratio the source reports wins over its size";
  cam.aspectX = 0;
  EXPECT_EQ(DisplayRatio(cam), QSize(640, 480));
  cam.aspect = k16x9;
  EXPECT_EQ(DisplayRatio(cam), QSize(16, 9));
  cam.aspect = kNative;
  cam.width = 0;  // size not known yet
  EXPECT_EQ(DisplayRatio(cam), QSize(4, 3));
  EXPECT_TRUE(IsWide(QSize(14, 9)));
  EXPECT_FALSE(IsWide(QSize(4, 3)));
}

TEST(DisplayGeometry, VolumeStepsStayInRange) {
  EXPECT_EQ(StepVolume(9500, kVolumeStep), 10000);
  EXPECT_EQ(StepVolume(10000, kVolumeStep), 10000);
  EXPECT_EQ(StepVolume(500, -kVolumeStep), 0);
  EXPECT_EQ(StepVolume(5000, kVolumeStep), 6000);
}

TEST(DisplayGeometry, LockTableRows) {
  // DV recompression decides by the video window's shape: 384 x 9 < 288 x 14.
  LockRow recomp = LockTable(vistrel::settings::FormatFromByte(6), false, true, QSize(384, 288));
  EXPECT_EQ(recomp.forcedAspect, k4x3);
  EXPECT_EQ(recomp.traitement, std::optional<bool>(true));
  EXPECT_TRUE(recomp.ratioDisabled[kNormal] && recomp.ratioDisabled[kNative]);
  EXPECT_FALSE(recomp.ratioDisabled[k4x3] || recomp.ratioDisabled[k16x9]);
  EXPECT_EQ(LockTable(vistrel::settings::FormatFromByte(6), false, true, QSize(720, 405)).forcedAspect, k16x9);

  const LockRow dv1 = LockTable(vistrel::settings::FormatFromByte(1), true, true, {});
  EXPECT_EQ(dv1.traitement, std::optional<bool>(false));
  EXPECT_EQ(dv1.forcedAspect, kNormal);
  EXPECT_TRUE(dv1.audioFromVideoDevice);
  EXPECT_FALSE(LockTable(vistrel::settings::FormatFromByte(2), true, true, {}).audioFromVideoDevice);

  const LockRow wmv = LockTable(vistrel::settings::FormatFromByte(7), false, true, {});
  EXPECT_EQ(wmv.forcedAspect, k4x3);
  EXPECT_FALSE(wmv.ratioDisabled[k4x3]);

  // Image by Image: the sound goes; a DV source also loses the processing.
  EXPECT_TRUE(LockTable(vistrel::settings::FormatFromByte(8), false, true, {}).dropAudio);
  EXPECT_EQ(LockTable(vistrel::settings::FormatFromByte(8), false, true, {}).traitement, std::optional<bool>(true));
  EXPECT_EQ(LockTable(vistrel::settings::FormatFromByte(8), true, true, {}).traitement, std::optional<bool>(false));

  // Sound formats: the picture goes.
  EXPECT_TRUE(LockTable(vistrel::settings::FormatFromByte(11), false, true, {}).dropVideo);
  EXPECT_EQ(LockTable(vistrel::settings::FormatFromByte(12), false, true, {}).traitement, std::optional<bool>(false));
  EXPECT_FALSE(LockTable(vistrel::settings::FormatFromByte(12), false, false, {}).traitement.has_value());

  EXPECT_TRUE(LockTable(vistrel::settings::FormatFromByte(9), false, true, {}).divxFromAspect);
  for (int format : {0, 10}) {
    const LockRow none = LockTable(vistrel::settings::FormatFromByte(format), false, true, {});
    EXPECT_FALSE(none.traitement.has_value());
    EXPECT_EQ(none.forcedAspect, -1);
    EXPECT_FALSE(none.dropAudio || none.dropVideo);
  }
}
