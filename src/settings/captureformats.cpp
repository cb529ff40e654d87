#include "settings/captureformats.h"

#include <algorithm>
#include <vector>

#include "media/h264encoders.h"
#include "settings/codecs.h"

namespace vistrel::settings {

namespace {

using C = CaptureFormatCode;
using O = OfferedWith;

// Image by Image writes pictures only; Wav and mp3 sound only. The MPEG and
// WMV muxers and the DV muxer of the recompressed chain do not start a second
// file once they have ended a first: Cut builds their chains again.
constexpr CaptureFormatInfo kFormats[kCaptureFormatCount] = {
    {C::None, "", "", ".avi", false, false, false, CutBy::Nothing, LockKind::Untouched, CounterKind::DroppedFrames,
     O::Never, 0},
    {C::DV1Native, "dv type 1 natifve", "native", ".avi", true, true, true, CutBy::DeviceChain,
     LockKind::NativeDeviceSound, CounterKind::DroppedFrames, O::DeviceNative, 0},
    {C::DV2Native, "dv type 2 native", "native", ".avi", true, true, true, CutBy::RenameSink, LockKind::Native,
     CounterKind::DroppedFrames, O::DeviceNative, 0},
    {C::Mpeg2Native, "mpeg2 native stream", "native", ".mpg", true, true, true, CutBy::Rebuild,
     LockKind::NativeDeviceSound, CounterKind::DroppedFrames, O::DeviceNative, 0},
    {C::Mpeg1Native, "mpeg1 native stream", "native", ".mpg", true, true, true, CutBy::Rebuild,
     LockKind::NativeDeviceSound, CounterKind::DroppedFrames, O::DeviceNative, 0},
    {C::AviNative, "avi native", "native", ".avi", true, true, true, CutBy::RenameSink, LockKind::Native,
     CounterKind::DroppedFrames, O::DeviceNative, 0},
    {C::DV2Recomp, "dv type 2 (recomp)", "dv2 rec", ".avi", true, true, true, CutBy::Rebuild, LockKind::DvRecompressed,
     CounterKind::DroppedFrames, O::Picture, 1},
    {C::Wmv, "Wmv", "Wmv", ".wmv", true, true, true, CutBy::Rebuild, LockKind::Wmv, CounterKind::DroppedFrames,
     O::Picture, 3, true},
    {C::ImageByImage, "Image by Image", "Image by Image", ".avi", true, false, true, CutBy::RenameSink,
     LockKind::ImageByImage, CounterKind::Images, O::Picture, 4},
    {C::Divx, "divx", "divx", ".avi", true, true, true, CutBy::RenameSink, LockKind::Divx, CounterKind::DroppedFrames,
     O::DivxPicture, 2},
    {C::Default, "Default", "Default", ".avi", false, false, false, CutBy::Nothing, LockKind::Untouched,
     CounterKind::DroppedFrames, O::Never, 0},
    {C::Wav, "Wav", "Wav", ".wav", false, true, true, CutBy::RenameSink, LockKind::SoundOnly, CounterKind::Sound,
     O::Sound, 5},
    {C::Mp3, "mp3", "mp3", ".mp3", false, true, true, CutBy::RenameSink, LockKind::SoundOnly, CounterKind::Sound,
     O::Mp3Sound, 6},
    // Fragments of a second each: a killed recording plays without a repair.
    // The muxer starts afresh on each run, so the writer takes the Cut's name.
    {C::Mp4, "mp4 (H.264)", "mp4", ".mp4", true, true, true, CutBy::RenameSink, LockKind::Processed,
     CounterKind::DroppedFrames, O::H264Picture, 7},
};

constexpr bool RowsInCodeOrder() {
  for (int i = 0; i < kCaptureFormatCount; ++i)
    if (int(kFormats[i].code) != i) return false;
  return true;
}
static_assert(RowsInCodeOrder());

}  // namespace

const CaptureFormatInfo &CaptureFormat(CaptureFormatCode code) { return kFormats[int(code)]; }

QList<int> OfferedFormats(int native1, int native2, bool picture, bool sound) {
  QList<int> codes;
  if (picture)
    for (int native : {native1, native2})
      if (CaptureFormat(native).offer == OfferedWith::DeviceNative) codes << native;
  std::vector<const CaptureFormatInfo *> others;
  for (const CaptureFormatInfo &f : kFormats) {
    bool offered = false;
    switch (f.offer) {
      case OfferedWith::Never:
      case OfferedWith::DeviceNative:
        break;
      case OfferedWith::Picture:
        offered = picture;
        break;
      case OfferedWith::DivxPicture:
        offered = picture && !AvailableDivxCodecs().isEmpty();
        break;
      case OfferedWith::Sound:
        offered = sound;
        break;
      case OfferedWith::Mp3Sound:
        offered = sound && Mp3EncoderAvailable();
        break;
      case OfferedWith::H264Picture: {
        const media::Mp4Encoders e = media::InstalledMp4Encoders();
        offered = picture && !e.video.isEmpty() && !e.audio.isEmpty();
        break;
      }
    }
    if (offered) others.push_back(&f);
  }
  std::sort(others.begin(), others.end(),
            [](const CaptureFormatInfo *a, const CaptureFormatInfo *b) { return a->boxPosition < b->boxPosition; });
  for (const CaptureFormatInfo *f : others) codes << ToByte(f->code);
  return codes;
}

CaptureFormatCode FormatFromByte(int value) {
  return value >= 0 && value < kCaptureFormatCount ? CaptureFormatCode(value) : CaptureFormatCode::Default;
}

}  // namespace vistrel::settings
