// The capture format table agrees with the names, extensions and contents the
// rest of the program (and the files it wrote before) relies on.
#include <gtest/gtest.h>

#include "settings/captureformats.h"
#include "settings/settingskeys.h"

using namespace vistrel::settings;
using C = CaptureFormatCode;

TEST(CaptureFormats, OneRowPerCodeWithItsNameExtensionAndContents) {
  // The names settings files and command files hold, spelling included.
  const char *stored[] = {"",
                          "dv type 1 natifve",
                          "dv type 2 native",
                          "mpeg2 native stream",
                          "mpeg1 native stream",
                          "avi native",
                          "dv type 2 (recomp)",
                          "Wmv",
                          "Image by Image",
                          "divx",
                          "Default",
                          "Wav",
                          "mp3",
                          "mp4 (H.264)"};
  ASSERT_EQ(std::size(stored), std::size_t(kCaptureFormatCount));
  for (int code = 0; code < kCaptureFormatCount; ++code) {
    EXPECT_EQ(ToByte(CaptureFormat(code).code), code);
    EXPECT_EQ(CaptureFormatName(code), stored[code]) << code;
    if (code > 0) {
      EXPECT_EQ(CaptureFormatFromName(stored[code]), code) << code;
    }
  }
  EXPECT_EQ(CaptureFormatFromName("None"), ToByte(C::None));
  EXPECT_EQ(CaptureFormatName(99), "Default");
  EXPECT_EQ(FormatFromByte(-1), C::Default);
  EXPECT_EQ(FormatFromByte(255), C::Default) << "a corrupt stored byte";
  EXPECT_EQ(CaptureFormatShortName(ToByte(C::DV2Recomp)), "dv2 rec");
  EXPECT_EQ(CaptureFormatShortName(ToByte(C::None)), "");
  EXPECT_STREQ(CaptureFormat(C::Mpeg1Native).extension, ".mpg");
  EXPECT_STREQ(CaptureFormat(C::Wmv).extension, ".wmv");
  EXPECT_STREQ(CaptureFormat(C::Mp3).extension, ".mp3");
  EXPECT_STREQ(CaptureFormat(C::Divx).extension, ".avi");
  EXPECT_STREQ(CaptureFormat(C::Mp4).extension, ".mp4");
  EXPECT_EQ(FormatFromByte(13), C::Mp4) << "the newest format's byte reads back";
  EXPECT_EQ(FormatFromByte(14), C::Default);
  EXPECT_TRUE(CaptureFormat(C::Wav).SoundOnly());
  EXPECT_TRUE(CaptureFormat(C::Wav).GreysVideoSource());
  EXPECT_TRUE(CaptureFormat(C::ImageByImage).PictureOnly());
  EXPECT_TRUE(CaptureFormat(C::ImageByImage).GreysAudioSource());
  EXPECT_FALSE(CaptureFormat(C::None).SoundOnly()) << "no format is not a sound format";
  EXPECT_FALSE(CaptureFormat(C::Default).records);
  EXPECT_TRUE(CaptureFormat(C::DV1Native).records);
}

TEST(CaptureFormats, EveryRecordingFormatHasACutAndNoOtherHasOne) {
  for (int code = 0; code < kCaptureFormatCount; ++code) {
    const CaptureFormatInfo &f = CaptureFormat(code);
    EXPECT_EQ(f.records, f.cut != CutBy::Nothing) << f.name;
    EXPECT_EQ(f.records, f.lock != LockKind::Untouched) << f.name;
  }
}
