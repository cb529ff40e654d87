#pragma once
// The capture formats: one table of what each format code (the byte the
// settings keep) is called, which extension its files get and what it records.
#include <QString>

namespace vistrel::settings {

enum CaptureFormatCode : int {
  kFormatNone = 0,
  kFormatDV1Natif = 1,
  kFormatDV2Natif = 2,
  kFormatMpeg2Natif = 3,
  kFormatMpeg1Natif = 4,
  kFormatAviNatif = 5,
  kFormatDV2Recomp = 6,
  kFormatWmv = 7,
  kFormatImageParImage = 8,
  kFormatDivx = 9,
  kFormatDefault = 10,
  kFormatWav = 11,
  kFormatMp3 = 12,
};

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
