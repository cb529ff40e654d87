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
};

// One encoded frame of colour bars (144000 bytes PAL, 120000 NTSC), made once
// per system and cached; empty when the encoder is missing.
const std::vector<std::uint8_t> &BaseDvFrame(bool pal);
// Writes the packs of plan into every DIF sequence of frame.
void WriteDvPacks(std::vector<std::uint8_t> &frame, const DvTestFramePlan &plan);
std::vector<std::uint8_t> MakeDvTestFrame(const DvTestFramePlan &plan);

}  // namespace vistrel::filters
