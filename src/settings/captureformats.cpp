#include "settings/captureformats.h"

namespace vistrel::settings {

namespace {

// Image by Image writes pictures only; Wav and mp3 sound only.
constexpr CaptureFormatInfo kFormats[kCaptureFormatCount] = {
    {kFormatNone, "", "", ".avi", false, false, false},
    {kFormatDV1Natif, "dv type 1 natifve", "native", ".avi", true, true, true},
    {kFormatDV2Natif, "dv type 2 native", "native", ".avi", true, true, true},
    {kFormatMpeg2Natif, "mpeg2 native stream", "native", ".mpg", true, true, true},
    {kFormatMpeg1Natif, "mpeg1 native stream", "native", ".mpg", true, true, true},
    {kFormatAviNatif, "avi native", "native", ".avi", true, true, true},
    {kFormatDV2Recomp, "dv type 2 (recomp)", "dv2 rec", ".avi", true, true, true},
    {kFormatWmv, "Wmv", "Wmv", ".wmv", true, true, true},
    {kFormatImageParImage, "Image by Image", "Image by Image", ".avi", true, false, true},
    {kFormatDivx, "divx", "divx", ".avi", true, true, true},
    {kFormatDefault, "Default", "Default", ".avi", false, false, false},
    {kFormatWav, "Wav", "Wav", ".wav", false, true, true},
    {kFormatMp3, "mp3", "mp3", ".mp3", false, true, true},
};

}  // namespace

const CaptureFormatInfo &CaptureFormat(int code) {
  return kFormats[code >= 0 && code < kCaptureFormatCount ? code : kFormatDefault];
}

}  // namespace vistrel::settings
