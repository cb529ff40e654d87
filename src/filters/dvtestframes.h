#pragma once
// DV frames for tests and the test camcorder: real frames from avenc_dvvideo
// with the time code, recording date and time and source-control packs
// written where the decoder reads them.
#include <cstdint>
#include <vector>

namespace vistrel::filters {

struct DvTestFramePlan {
  bool Pal = true;
  bool HasTimecode = true;
  int TcHours = 0, TcMinutes = 0, TcSeconds = 0, TcFrames = 0;
  bool HasDate = true;
  int Year = 2004, Month = 7, Day = 14, Hour = 10, Minute = 0, Second = 0;
  bool HasSourceControl = true;
  bool Wide = false;
  // 48000, 44100 or 32000 writes the audio source and source-control packs
  // into every sequence (16-bit sound); 0 leaves the audio blocks alone.
  int AudioRate = 0;
};

// Damage as a deck reports it, written into a frame.
struct DvDamage {
  int ConcealedBlocks = 0;  // video blocks with STA set, from ConcealFromSequence on
  int ConcealFromSequence = 0;
  int AudioErrorSamples = 0;  // 0x8000 samples, from the first audio block on
  bool RecStart = false;      // REC ST in the AAUX and VAUX source-control packs
};

// One encoded frame of colour bars (144000 bytes PAL, 120000 NTSC), made once
// per system and cached; empty when the encoder is missing.
const std::vector<std::uint8_t> &BaseDvFrame(bool pal);
// Writes the packs of plan into every DIF sequence of frame.
void WriteDvPacks(std::vector<std::uint8_t> &frame, const DvTestFramePlan &plan);
std::vector<std::uint8_t> MakeDvTestFrame(const DvTestFramePlan &plan);
void ApplyDvDamage(std::vector<std::uint8_t> &frame, const DvDamage &damage);

}  // namespace vistrel::filters
