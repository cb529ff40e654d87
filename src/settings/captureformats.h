#pragma once
// The capture formats: one table of what each format code (the byte the
// settings keep) is called, which extension its files get and what it records.
#include <QString>

namespace vistrel::settings {

// The codes run from 0 to 12 in this order.
enum CaptureFormatCode : int {
  kFormatNone, kFormatDV1Natif, kFormatDV2Natif, kFormatMpeg2Natif, kFormatMpeg1Natif,
  kFormatAviNatif, kFormatDV2Recomp, kFormatWmv, kFormatImageParImage, kFormatDivx,
  kFormatDefault, kFormatWav, kFormatMp3,
};
static_assert(kFormatImageParImage == 8 && kFormatMp3 == 12);

struct CaptureFormatInfo {
  int code;
  const char *name;       // the format box text and the command-line parameter
  const char *shortName;  // the status bar's
  const char *extension;  // of the files it writes
  bool picture, sound;    // what reaches the file
  bool records;           // a capture graph exists for it
  bool SoundOnly() const { return sound && !picture; }
  bool PictureOnly() const { return picture && !sound; }
};

inline constexpr int kCaptureFormatCount = 13;

// The row of a code; codes outside 0..12 read as "Default".
const CaptureFormatInfo &CaptureFormat(int code);

}  // namespace vistrel::settings
