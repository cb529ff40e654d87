// Output names of recordings.
#include <gtest/gtest.h>

#include "app/recording_names.h"

using namespace vistrel;

TEST(RecordingNames, DateCounterAndExtensions) {
  const QDateTime start(QDate(2026, 12, 8), QTime(3, 29, 5));
  EXPECT_EQ(ComposerNomVideo("/Videos", "Video", true, start, 0, 9), "/Videos/Video_081226_032905_0.avi");
  EXPECT_EQ(ComposerNomVideo("/Videos/", "Video", false, start, 12, 9), "/Videos/Video_12.avi");
  EXPECT_EQ(ComposerNomVideo("/v", "V", false, start, 1, 3), "/v/V_1.mpg");
  EXPECT_EQ(ComposerNomVideo("/v", "V", false, start, 1, 4), "/v/V_1.mpg");
  EXPECT_EQ(ComposerNomVideo("/v", "V", false, start, 1, 7), "/v/V_1.wmv");
  EXPECT_EQ(ComposerNomVideo("/v", "V", false, start, 1, 11), "/v/V_1.wav");
  EXPECT_EQ(ComposerNomVideo("/v", "V", false, start, 1, 12), "/v/V_1.mp3");
  for (int f : {0, 1, 2, 5, 6, 8, 10}) EXPECT_EQ(ComposerNomVideo("/v", "V", false, start, 1, f), "/v/V_1.avi");
  EXPECT_EQ(PartieFichier("/Videos/Video_3.avi"), "Video_3.avi");
}

TEST(RecordingNames, ADotInTheRootKeepsTheCounter) {
  const QDateTime start(QDate(2026, 1, 2), QTime(10, 0, 0));
  EXPECT_EQ(ComposerNomVideo("/v", "my.clip", false, start, 0, 9), "/v/my.clip_0.avi");
  EXPECT_NE(ComposerNomVideo("/v", "my.clip", false, start, 0, 9), ComposerNomVideo("/v", "my.clip", false, start, 1, 9));
}

TEST(RecordingNames, OnlyRealFormatsRecord) {
  EXPECT_FALSE(FormatEnregistre(0));
  EXPECT_FALSE(FormatEnregistre(10));
  EXPECT_FALSE(FormatEnregistre(13));
  for (int f : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12}) EXPECT_TRUE(FormatEnregistre(f)) << f;
}
