#pragma once
// Reading and writing the metadata packs of consumer DV frames: time code in the
// subcode area, recording date and time and display format in the VAUX area.
// Every function checks the buffer length, so a short or garbage frame never
// causes a read or write outside it.
#include <cstddef>
#include <cstdint>

namespace vistrel::filters {

constexpr std::size_t kDifSequenceSize = 12000;
constexpr std::size_t kHeaderAreaSize = 480;
constexpr int kSequencesExamined = 10;
// Shorter buffers are not DV frames: nothing is decoded from them.
constexpr std::size_t kMinDvFrameSize = kDifSequenceSize * kSequencesExamined;

struct DVInfo {
  std::uint32_t FrameNumber = 0;
  bool DateValid = false;
  bool TimecodeValid = false;
  double DateTime = 0;           // days since 30 December 1899
  std::uint8_t Timecode[4] = {};  // hours, minutes, seconds, frames
  bool Wide = false;
  std::uint8_t System = 2;  // 0 = 625/50, 1 = 525/60, 2 = unknown
};

struct DvTimecode {
  std::uint8_t Hours = 0xFF;  // 0xFF: no time code
  std::uint8_t Minutes = 0, Seconds = 0, Frames = 0;
};

struct DvRecDate {
  int Year = -1;  // -1: no date
  std::uint8_t Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

DvTimecode DecodeTimecode(const std::uint8_t *frame, std::size_t size, int seq);
DvRecDate DecodeRecDate(const std::uint8_t *frame, std::size_t size, int seq);
bool HasSourceControl(const std::uint8_t *frame, std::size_t size);
std::uint8_t DVSystem(const std::uint8_t *frame, std::size_t size);
bool IsWide(const std::uint8_t *frame, std::size_t size);
// Writes a 16:9 source-control pack into sequence seq.
void ForceWide(std::uint8_t *frame, std::size_t size, int seq);

// Fills everything but the frame number.
void BuildDVInfo(const std::uint8_t *frame, std::size_t size, DVInfo &info);

// Calendar date and time as days since 30 December 1899; false (and 0) when
// the fields do not form a valid date and time.
bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, double &result);
// The inverse, to the second.
void DecodeDateTime(double value, int &year, int &month, int &day, int &hour, int &minute, int &second);

}  // namespace vistrel::filters
