// The capture format table agrees with the names, extensions and contents the
// rest of the program relies on.
#include <gtest/gtest.h>

#include "settings/captureformats.h"
#include "settings/settingskeys.h"

using namespace vistrel::settings;

TEST(CaptureFormats, OneRowPerCodeWithItsNameExtensionAndContents) {
  for (int code = 0; code < kCaptureFormatCount; ++code) {
    EXPECT_EQ(CaptureFormat(code).code, code);
    if (code > 0) EXPECT_EQ(CaptureFormatFromName(CaptureFormatName(code)), code) << code;
  }
  EXPECT_EQ(CaptureFormatFromName("None"), kFormatNone);
  EXPECT_EQ(CaptureFormatName(99), "Default");
  EXPECT_EQ(CaptureFormatShortName(kFormatDV2Recomp), "dv2 rec");
  EXPECT_EQ(CaptureFormatShortName(kFormatNone), "");
  EXPECT_STREQ(CaptureFormat(kFormatMpeg1Natif).extension, ".mpg");
  EXPECT_STREQ(CaptureFormat(kFormatWmv).extension, ".wmv");
  EXPECT_STREQ(CaptureFormat(kFormatMp3).extension, ".mp3");
  EXPECT_STREQ(CaptureFormat(kFormatDivx).extension, ".avi");
  EXPECT_TRUE(CaptureFormat(kFormatWav).SoundOnly());
  EXPECT_TRUE(CaptureFormat(kFormatImageParImage).PictureOnly());
  EXPECT_FALSE(CaptureFormat(kFormatNone).SoundOnly()) << "no format is not a sound format";
  EXPECT_FALSE(CaptureFormat(kFormatDefault).records);
  EXPECT_TRUE(CaptureFormat(kFormatDV1Natif).records);
}
