#pragma once
// What a DV frame tells about the tape it came from: video blocks the deck
// concealed (STA), audio samples it marked as errors, audio packs that are
// missing or make no sense, DIF sequences that are missing or out of place,
// and, across frames, time-code and recording-date jumps and the recording
// start and end flags. Reads the frame where it lies; like dvcodes, a short
// or garbage buffer never leads to a read outside it.
#include <array>
#include <cstddef>
#include <cstdint>

#include "filters/dvcodes.h"

namespace vistrel::filters {

constexpr std::size_t kDifBlockSize = 80;
constexpr int kDifBlocksPerSequence = 150;
constexpr int kMaxDifSequences = 12;  // 625/50; 525/60 has 10

enum class DvAudioPack : std::uint8_t { Valid, Missing, Invalid };

struct DvFrameHealth {
  std::uint8_t System = 2;  // 0 = 625/50, 1 = 525/60, 2 = not a DV frame
  int Sequences = 0;        // sequences the system has
  // Video blocks whose STA field says the deck replaced or could not correct them.
  int ConcealedBlocks = 0;
  std::array<std::uint8_t, kMaxDifSequences> ConcealedPerSequence{};
  int AudioErrorSamples = 0;  // 0x8000 (16-bit) or 0x800 (12-bit) error codes
  int AudioPackMissing = 0;   // sequences without an audio source pack
  int AudioPackInvalid = 0;   // sequences whose pack names no rate or sample count DV has
  int AudioRate = 0;          // Hz, from the first valid pack; 0 when none
  int AudioSamples = 0;       // per channel in this frame
  int SequencesMissing = 0;
  int SequencesOutOfOrder = 0;
  int BlockIdErrors = 0;  // blocks of otherwise sound sequences with the wrong ID
  bool RecStart = false;  // REC ST of the AAUX or VAUX source control pack
  bool RecEnd = false;    // REC END of the AAUX source control pack
  int Arb = -1;           // arbitrary bits of the subcode block IDs, -1 when none
  DvTimecode Timecode;
  bool DropFrame = false;
  DvRecDate RecDate;
};

// Examines one frame.
DvFrameHealth CheckDvFrame(const std::uint8_t *frame, std::size_t size);

// Events are listed in this order; the extent's unit is in DvEventInfo.
enum class DvEventKind : std::uint8_t {
  VideoConcealed,
  AudioErrors,
  AudioPackMissing,
  AudioPackInvalid,
  SequenceMissing,
  SequenceOutOfOrder,
  BlockIdErrors,
  TimecodeJump,  // extent: frames from the previous time code (0: repeated)
  RecDateJump,   // extent: seconds from the previous recording date and time
  RecStart,
  RecEnd,
};
constexpr int kDvEventKinds = 11;

struct DvEventInfo {
  DvEventKind Kind;
  const char *Name;  // as written in reports
  const char *Unit;  // of the extent; empty when the event has none
  bool Damage;       // damage rather than a notable point of the tape
};
const DvEventInfo &EventInfo(DvEventKind kind);

struct DvEvent {
  DvEventKind Kind = DvEventKind::VideoConcealed;
  int Extent = 0;
};

struct DvFrameReport {
  DvFrameHealth Health;
  std::array<DvEvent, kDvEventKinds> Events{};
  int EventCount = 0;
  bool Damaged() const;
  // A frame the tape lost: a sequence missing or the time code skipped forward.
  bool Lost() const;
};

// Frame-to-frame checks for one capture: feed every frame in order.
class DvHealthTracker {
 public:
  DvFrameReport Check(const std::uint8_t *frame, std::size_t size);
  DvFrameReport Feed(const DvFrameHealth &health);
  void Reset() { *this = DvHealthTracker(); }

 private:
  long long lastTcFrame_ = -1;
  long long lastDateSecond_ = -1;
};

// The frame count of a time code from midnight, and the count of frames in a
// day, for 25, 30 and drop-frame 29.97 frames a second; -1 when the fields
// are out of range.
long long TimecodeFrameNumber(const DvTimecode &tc, bool pal, bool dropFrame);
long long TimecodeFramesPerDay(bool pal, bool dropFrame);

}  // namespace vistrel::filters
