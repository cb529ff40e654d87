#pragma once
// The capture formats: one row per format with everything that differs
// between them — what it is called, which extension its files get, what it
// records, what Cut does, what the lock does to the preview and what the
// status bar counts. The byte the settings keep is the code's value; it is
// read back through FormatFromByte, never cast.
#include <QList>
#include <QString>
#include <cstdint>

namespace vistrel::settings {

// The values run from 0 to 13 in this order: stored settings, command files
// and plug-ins give these numbers.
enum class CaptureFormatCode : std::uint8_t {
  None,
  DV1Native,
  DV2Native,
  Mpeg2Native,
  Mpeg1Native,
  AviNative,
  DV2Recomp,
  Wmv,
  ImageByImage,
  Divx,
  Default,
  Wav,
  Mp3,
  Mp4,
};
inline constexpr int kCaptureFormatCount = 14;
static_assert(int(CaptureFormatCode::ImageByImage) == 8 && int(CaptureFormatCode::Mp3) == 12 &&
              int(CaptureFormatCode::Mp4) == kCaptureFormatCount - 1);

// How a Cut goes on in the next file while the sources keep running.
enum class CutBy : std::uint8_t {
  Nothing,      // no chain writes a file
  RenameSink,   // the chain's file writer takes the new name; the rest stays
  DeviceChain,  // the DV writer takes the new name, or a plug-in's own chain starts over on it
  Rebuild,      // the chain is taken down and built anew for the new file: its
                // muxer cannot start a second file after the first one's end
};

// What locking the preview to the recording does (see display::LockTable).
enum class LockKind : std::uint8_t {
  Untouched,          // nothing recorded: everything stays as it is
  Native,             // the stream is written as it comes: no processing
  NativeDeviceSound,  // the same, and the sound must come from the picture's device
  DvRecompressed,     // processed, 4:3 or 16:9 as the window is shaped
  Wmv,                // processed, 4:3
  ImageByImage,       // pictures only; native from a DV camcorder
  Divx,               // processed, the DivX ratio follows the preview's
  Processed,          // processed, the picture as the preview shapes it
  SoundOnly,          // sound only
};

// When the format box offers the format.
enum class OfferedWith : std::uint8_t {
  Never,         // none, "Default"
  DeviceNative,  // the picture device names it as one of its two native formats
  Picture,       // any picture source
  DivxPicture,   // any picture source, once an MPEG-4 ASP encoder is installed
  Sound,         // any sound source
  Mp3Sound,      // any sound source, once the MP3 encoder is installed
  H264Picture,   // any picture source, once an H.264 and an AAC encoder are installed
};

// What the status bar's counter text shows during a capture.
enum class CounterKind : std::uint8_t { DroppedFrames, Images, Sound };

struct CaptureFormatInfo {
  CaptureFormatCode code;
  const char *name;       // the format box text and the command-line parameter
  const char *shortName;  // the status bar's
  const char *extension;  // of the files it writes
  bool picture, sound;    // what reaches the file
  bool records;           // a capture chain exists for it
  CutBy cut;
  LockKind lock;
  CounterKind counter;
  OfferedWith offer;
  std::uint8_t boxPosition;  // order among the formats offered beside the native ones
  // The writer leaves a flaw in a finished file that the repair mends (the
  // ASF writer's short last packet), so every finished file goes through it.
  bool mendAfterStop = false;
  bool SoundOnly() const { return sound && !picture; }
  bool PictureOnly() const { return picture && !sound; }
  // The source box the format leaves unused is shown greyed.
  bool GreysVideoSource() const { return SoundOnly(); }
  bool GreysAudioSource() const { return PictureOnly(); }
};

const CaptureFormatInfo &CaptureFormat(CaptureFormatCode code);
// A stored or typed number: codes outside 0..13 read as "Default".
CaptureFormatCode FormatFromByte(int value);
inline const CaptureFormatInfo &CaptureFormat(int value) { return CaptureFormat(FormatFromByte(value)); }
constexpr int ToByte(CaptureFormatCode code) { return int(code); }

// The codes the format box offers, in its order: the picture device's native
// formats (0: none) first, then those any picture or sound source can record.
QList<int> OfferedFormats(int native1, int native2, bool picture, bool sound);

}  // namespace vistrel::settings
