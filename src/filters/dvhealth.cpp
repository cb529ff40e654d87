#include "filters/dvhealth.h"

#include <algorithm>
#include <iterator>

namespace vistrel::filters {

namespace {

// Section types of the DIF block ID.
constexpr std::uint8_t kSctHeader = 0, kSctSubcode = 1, kSctVaux = 2, kSctAudio = 3, kSctVideo = 4;
constexpr std::uint8_t kPackAudioSource = 0x50, kPackAudioControl = 0x51, kPackVideoControl = 0x61;
constexpr int kAudioBlocks = 9;
constexpr int kVauxBlocks = 3, kPacksPerVauxBlock = 15;

struct BlockSlot {
  std::uint8_t Sct;
  std::uint8_t Dbn;
};

// Header, two subcode and three VAUX blocks, then nine times one audio block
// and fifteen video blocks.
constexpr std::array<BlockSlot, kDifBlocksPerSequence> MakeLayout() {
  std::array<BlockSlot, kDifBlocksPerSequence> layout{};
  layout[0] = {kSctHeader, 0};
  for (int i = 1; i < 3; ++i) layout[i] = {kSctSubcode, std::uint8_t(i - 1)};
  for (int i = 3; i < 6; ++i) layout[i] = {kSctVaux, std::uint8_t(i - 3)};
  for (int i = 6; i < kDifBlocksPerSequence; ++i) {
    const int a = (i - 6) / 16, v = (i - 6) % 16;
    layout[i] = v == 0 ? BlockSlot{kSctAudio, std::uint8_t(a)} : BlockSlot{kSctVideo, std::uint8_t(a * 15 + v - 1)};
  }
  return layout;
}
constexpr std::array<BlockSlot, kDifBlocksPerSequence> kLayout = MakeLayout();

constexpr int AudioBlockIndex(int audioBlock) { return 6 + audioBlock * 16; }

// Even sequences carry the AAUX source and source-control packs in their
// fourth and fifth audio blocks, odd ones in the first and second.
int SourcePackBlock(int seq) { return AudioBlockIndex(seq % 2 == 0 ? 3 : 0); }
int ControlPackBlock(int seq) { return AudioBlockIndex(seq % 2 == 0 ? 4 : 1); }

struct AudioLimits {
  int Rate;
  int Min[2], Max[2];  // samples per frame: 625/50, 525/60
};
constexpr AudioLimits kAudioLimits[] = {
    {48000, {1896, 1580}, {1944, 1620}},
    {44100, {1742, 1452}, {1786, 1489}},
    {32000, {1264, 1053}, {1296, 1080}},
};

struct AudioSource {
  DvAudioPack State = DvAudioPack::Missing;
  int Rate = 0, Samples = 0;
  bool TwelveBit = false;
};

AudioSource ReadAudioSource(const std::uint8_t *pack, std::uint8_t system) {
  AudioSource src;
  if (pack[0] != kPackAudioSource) return src;
  src.State = DvAudioPack::Invalid;
  const int freq = pack[4] >> 3 & 7, quant = pack[4] & 7;
  if (freq >= int(std::size(kAudioLimits)) || quant > 1 || system > 1) return src;
  const AudioLimits &limits = kAudioLimits[freq];
  const int samples = limits.Min[system] + (pack[1] & 0x3F);
  if (samples > limits.Max[system]) return src;
  src.State = DvAudioPack::Valid;
  src.Rate = limits.Rate;
  src.Samples = samples;
  src.TwelveBit = quant == 1;
  return src;
}

int CountAudioErrors(const std::uint8_t *block, bool twelveBit) {
  int errors = 0;
  if (twelveBit) {
    for (std::size_t d = 8; d + 2 < kDifBlockSize; d += 3) {
      const int left = block[d] << 4 | block[d + 2] >> 4, right = block[d + 1] << 4 | (block[d + 2] & 0x0F);
      errors += (left == 0x800) + (right == 0x800);
    }
  } else {
    for (std::size_t d = 8; d + 1 < kDifBlockSize; d += 2) errors += block[d] == 0x80 && block[d + 1] == 0x00;
  }
  return errors;
}

std::uint8_t Sct(const std::uint8_t *block) { return block[0] >> 5; }
int Dseq(const std::uint8_t *block) { return block[1] >> 4; }

enum class SequenceState { Sound, OutOfOrder, Missing };

// A sequence is judged by the number its own header block claims: blocks
// that agree with that header but sit at another position are out of order;
// a sequence whose blocks mostly disagree is missing (dropout, garbage).
SequenceState ClassifySequence(const std::uint8_t *s, int seq, int &idErrors) {
  idErrors = 0;
  const int claimed = Dseq(s);
  for (int b = 0; b < kDifBlocksPerSequence; ++b) {
    const std::uint8_t *block = s + b * kDifBlockSize;
    idErrors += Sct(block) != kLayout[b].Sct || Dseq(block) != claimed || block[2] != kLayout[b].Dbn;
  }
  if (idErrors * 2 >= kDifBlocksPerSequence) return SequenceState::Missing;
  return claimed == seq ? SequenceState::Sound : SequenceState::OutOfOrder;
}

void CheckSequence(const std::uint8_t *s, int seq, DvFrameHealth &h) {
  const AudioSource source = ReadAudioSource(s + SourcePackBlock(seq) * kDifBlockSize + 3, h.System);
  if (source.State == DvAudioPack::Missing) ++h.AudioPackMissing;
  if (source.State == DvAudioPack::Invalid) ++h.AudioPackInvalid;
  if (source.State == DvAudioPack::Valid && h.AudioRate == 0) {
    h.AudioRate = source.Rate;
    h.AudioSamples = source.Samples;
  }
  int concealed = 0;
  for (int b = 6; b < kDifBlocksPerSequence; ++b) {
    const std::uint8_t *block = s + b * kDifBlockSize;
    if (kLayout[b].Sct == kSctVideo) {
      concealed += Sct(block) == kSctVideo && (block[3] >> 4) != 0;
    } else if (Sct(block) == kSctAudio && source.State == DvAudioPack::Valid) {
      h.AudioErrorSamples += CountAudioErrors(block, source.TwelveBit);
    }
  }
  h.ConcealedBlocks += concealed;
  h.ConcealedPerSequence[seq] = static_cast<std::uint8_t>(concealed);

  // The start and end flags are active low.
  const std::uint8_t *control = s + ControlPackBlock(seq) * kDifBlockSize + 3;
  if (control[0] == kPackAudioControl) {
    h.RecStart |= (control[2] & 0x80) == 0;
    h.RecEnd |= (control[2] & 0x40) == 0;
  }
  for (int b = 0; b < kVauxBlocks; ++b) {
    const std::uint8_t *packs = s + (3 + b) * kDifBlockSize + 3;
    for (int p = 0; p < kPacksPerVauxBlock; ++p)
      if (packs[p * 5] == kPackVideoControl) h.RecStart |= (packs[p * 5 + 2] & 0x80) == 0;
  }
  if (h.Arb < 0) h.Arb = s[kDifBlockSize] & 0x0F;
}

constexpr DvEventInfo kEventInfo[kDvEventKinds] = {
    {DvEventKind::VideoConcealed, "video_concealed", "blocks", true},
    {DvEventKind::AudioErrors, "audio_errors", "samples", true},
    {DvEventKind::AudioPackMissing, "audio_pack_missing", "sequences", true},
    {DvEventKind::AudioPackInvalid, "audio_pack_invalid", "sequences", true},
    {DvEventKind::SequenceMissing, "sequence_missing", "sequences", true},
    {DvEventKind::SequenceOutOfOrder, "sequence_out_of_order", "sequences", true},
    {DvEventKind::BlockIdErrors, "block_id_errors", "blocks", true},
    {DvEventKind::TimecodeJump, "timecode_jump", "frames", false},
    {DvEventKind::RecDateJump, "rec_date_jump", "seconds", false},
    {DvEventKind::RecStart, "rec_start", "", false},
    {DvEventKind::RecEnd, "rec_end", "", false},
};

long long DateSecond(const DvRecDate &d) {
  double days = 0;
  if (d.Year < 0 || !TryEncodeDateTime(d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second, days)) return -1;
  return static_cast<long long>(days * 86400.0 + 0.5);
}

}  // namespace

const DvEventInfo &EventInfo(DvEventKind kind) { return kEventInfo[static_cast<int>(kind)]; }

DvFrameHealth CheckDvFrame(const std::uint8_t *frame, std::size_t size) {
  DvFrameHealth h;
  if (!frame || size < kDifSequenceSize || Sct(frame) != kSctHeader) return h;
  // The header block's DSF bit names the system.
  h.System = (frame[3] & 0x80) ? 0 : 1;
  h.Sequences = h.System == 0 ? 12 : 10;
  const int present = static_cast<int>(std::min<std::size_t>(size / kDifSequenceSize, h.Sequences));
  h.SequencesMissing = h.Sequences - present;
  for (int seq = 0; seq < present; ++seq) {
    const std::uint8_t *s = frame + static_cast<std::size_t>(seq) * kDifSequenceSize;
    int idErrors = 0;
    switch (ClassifySequence(s, seq, idErrors)) {
      case SequenceState::Missing:
        ++h.SequencesMissing;
        continue;
      case SequenceState::OutOfOrder:
        ++h.SequencesOutOfOrder;
        continue;
      case SequenceState::Sound:
        h.BlockIdErrors += idErrors;
        CheckSequence(s, seq, h);
        break;
    }
  }
  if (size >= kMinDvFrameSize) {
    for (int seq = 0; seq < kSequencesExamined && h.Timecode.Hours == 0xFF; ++seq) {
      h.Timecode = DecodeTimecode(frame, size, seq);
      h.DropFrame = h.Timecode.Hours != 0xFF && (frame[seq * kDifSequenceSize + 111] & 0x40) != 0;
    }
    for (int seq = 0; seq < kSequencesExamined && h.RecDate.Year < 0; ++seq)
      h.RecDate = DecodeRecDate(frame, size, seq);
  }
  return h;
}

bool DvFrameReport::Damaged() const {
  for (int i = 0; i < EventCount; ++i)
    if (EventInfo(Events[i].Kind).Damage) return true;
  return false;
}

bool DvFrameReport::Lost() const {
  for (int i = 0; i < EventCount; ++i) {
    const DvEvent &e = Events[i];
    if (e.Kind == DvEventKind::SequenceMissing || (e.Kind == DvEventKind::TimecodeJump && e.Extent > 1)) return true;
  }
  return false;
}

long long TimecodeFramesPerDay(bool pal, bool dropFrame) {
  if (pal) return 24LL * 3600 * 25;
  return 24LL * 3600 * 30 - (dropFrame ? 2LL * (24 * 60 - 24 * 6) : 0);
}

long long TimecodeFrameNumber(const DvTimecode &tc, bool pal, bool dropFrame) {
  const int fps = pal ? 25 : 30;
  if (tc.Hours > 23 || tc.Minutes > 59 || tc.Seconds > 59 || tc.Frames >= fps) return -1;
  const long long minutes = tc.Hours * 60LL + tc.Minutes;
  long long n = (minutes * 60 + tc.Seconds) * fps + tc.Frames;
  if (!pal && dropFrame) {
    // Frames 0 and 1 are skipped at each minute but every tenth.
    if (tc.Seconds == 0 && tc.Frames < 2 && tc.Minutes % 10 != 0) return -1;
    n -= 2 * (minutes - minutes / 10);
  }
  return n;
}

DvFrameReport DvHealthTracker::Check(const std::uint8_t *frame, std::size_t size) {
  return Feed(CheckDvFrame(frame, size));
}

DvFrameReport DvHealthTracker::Feed(const DvFrameHealth &health) {
  DvFrameReport r;
  r.Health = health;
  auto add = [&r](DvEventKind kind, long long extent) {
    const long long clamped = extent > 1'000'000'000    ? 1'000'000'000
                              : extent < -1'000'000'000 ? -1'000'000'000
                                                        : extent;
    r.Events[r.EventCount++] = DvEvent{kind, static_cast<int>(clamped)};
  };
  const DvFrameHealth &h = health;
  if (h.ConcealedBlocks) add(DvEventKind::VideoConcealed, h.ConcealedBlocks);
  if (h.AudioErrorSamples) add(DvEventKind::AudioErrors, h.AudioErrorSamples);
  if (h.AudioPackMissing) add(DvEventKind::AudioPackMissing, h.AudioPackMissing);
  if (h.AudioPackInvalid) add(DvEventKind::AudioPackInvalid, h.AudioPackInvalid);
  if (h.SequencesMissing) add(DvEventKind::SequenceMissing, h.SequencesMissing);
  if (h.SequencesOutOfOrder) add(DvEventKind::SequenceOutOfOrder, h.SequencesOutOfOrder);
  if (h.BlockIdErrors) add(DvEventKind::BlockIdErrors, h.BlockIdErrors);

  const bool pal = h.System == 0;
  const long long tc =
      h.Timecode.Hours == 0xFF || h.System > 1 ? -1 : TimecodeFrameNumber(h.Timecode, pal, h.DropFrame);
  if (tc >= 0 && lastTcFrame_ >= 0) {
    const long long day = TimecodeFramesPerDay(pal, h.DropFrame);
    long long step = ((tc - lastTcFrame_) % day + day) % day;
    if (step > day / 2) step -= day;
    if (step != 1) add(DvEventKind::TimecodeJump, step);
  }
  lastTcFrame_ = tc;

  const long long second = DateSecond(h.RecDate);
  if (second >= 0 && lastDateSecond_ >= 0) {
    const long long step = second - lastDateSecond_;
    if (step != 0 && step != 1) add(DvEventKind::RecDateJump, step);
  }
  lastDateSecond_ = second;

  if (h.RecStart) add(DvEventKind::RecStart, 0);
  if (h.RecEnd) add(DvEventKind::RecEnd, 0);
  return r;
}

}  // namespace vistrel::filters
