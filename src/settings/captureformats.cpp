#include "settings/captureformats.h"

namespace vistrel::settings {

namespace {

using C = CaptureFormatCode;

// Image by Image writes pictures only; Wav and mp3 sound only. The MPEG and
// WMV muxers and the DV muxer of the recompressed chain do not start a second
// file once they have ended a first: Cut builds their chains again.
constexpr CaptureFormatInfo kFormats[kCaptureFormatCount] = {
    {C::None, "", "", ".avi", false, false, false, CutBy::Nothing, LockKind::Untouched, CounterKind::DroppedFrames},
    {C::DV1Native, "dv type 1 natifve", "native", ".avi", true, true, true, CutBy::DeviceChain,
     LockKind::NativeDeviceSound, CounterKind::DroppedFrames},
    {C::DV2Native, "dv type 2 native", "native", ".avi", true, true, true, CutBy::RenameSink, LockKind::Native,
     CounterKind::DroppedFrames},
    {C::Mpeg2Native, "mpeg2 native stream", "native", ".mpg", true, true, true, CutBy::Rebuild,
     LockKind::NativeDeviceSound, CounterKind::DroppedFrames},
    {C::Mpeg1Native, "mpeg1 native stream", "native", ".mpg", true, true, true, CutBy::Rebuild,
     LockKind::NativeDeviceSound, CounterKind::DroppedFrames},
    {C::AviNative, "avi native", "native", ".avi", true, true, true, CutBy::RenameSink, LockKind::Native,
     CounterKind::DroppedFrames},
    {C::DV2Recomp, "dv type 2 (recomp)", "dv2 rec", ".avi", true, true, true, CutBy::Rebuild,
     LockKind::DvRecompressed, CounterKind::DroppedFrames},
    {C::Wmv, "Wmv", "Wmv", ".wmv", true, true, true, CutBy::Rebuild, LockKind::Wmv, CounterKind::DroppedFrames, true},
    {C::ImageByImage, "Image by Image", "Image by Image", ".avi", true, false, true, CutBy::RenameSink,
     LockKind::ImageByImage, CounterKind::Images},
    {C::Divx, "divx", "divx", ".avi", true, true, true, CutBy::RenameSink, LockKind::Divx, CounterKind::DroppedFrames},
    {C::Default, "Default", "Default", ".avi", false, false, false, CutBy::Nothing, LockKind::Untouched,
     CounterKind::DroppedFrames},
    {C::Wav, "Wav", "Wav", ".wav", false, true, true, CutBy::RenameSink, LockKind::SoundOnly, CounterKind::Sound},
    {C::Mp3, "mp3", "mp3", ".mp3", false, true, true, CutBy::RenameSink, LockKind::SoundOnly, CounterKind::Sound},
};

constexpr bool RowsInCodeOrder() {
  for (int i = 0; i < kCaptureFormatCount; ++i)
    if (int(kFormats[i].code) != i) return false;
  return true;
}
static_assert(RowsInCodeOrder());

}  // namespace

const CaptureFormatInfo &CaptureFormat(CaptureFormatCode code) { return kFormats[int(code)]; }

CaptureFormatCode FormatFromByte(int value) {
  return value >= 0 && value < kCaptureFormatCount ? CaptureFormatCode(value) : CaptureFormatCode::Default;
}

}  // namespace vistrel::settings
