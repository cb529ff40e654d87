#pragma once
// The byte layout of the type-1 DV AVI file the writer element produces:
// the header (main header, the iavs stream with its DVINFO and super index,
// the OpenDML list, padding up to the first frame), the RIFF forms and their
// indexes. The element only pushes what this computes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace vistrel::media::dvavi {

struct Bytes {
  std::vector<std::uint8_t> v;
  void U16(std::uint32_t x) {
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
  }
  void U32(std::uint32_t x) {
    U16(x & 0xFFFF);
    U16(x >> 16);
  }
  void U64(std::uint64_t x) {
    U32(std::uint32_t(x));
    U32(std::uint32_t(x >> 32));
  }
  void Tag(const char *fourcc) {
    for (int i = 0; i < 4; ++i) v.push_back(std::uint8_t(fourcc[i]));
  }
  void Zeros(std::size_t n) { v.insert(v.end(), n, 0); }
  std::size_t Size() const { return v.size(); }
  void Put32(std::size_t at, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = std::uint8_t(x >> (8 * i));
  }
};

constexpr std::uint32_t kSuperEntries = 256;  // RIFF forms the header can index
constexpr std::uint32_t kHeaderSize = 8192;   // everything before the first frame chunk
constexpr std::uint64_t kDefaultLimit = 1ull << 30;
constexpr std::uint32_t kKeyFrame = 0x10;     // AVIIF_KEYFRAME

// One RIFF form of the file and the frames it holds.
struct Form {
  std::uint64_t riffAt = 0;  // "RIFF" header
  std::uint64_t moviAt = 0;  // "LIST" header of its movi list
  std::uint64_t moviEnd = 0, end = 0;
  std::uint64_t ixAt = 0;
  std::uint32_t ixSize = 0;
  std::vector<std::pair<std::uint64_t, std::uint32_t>> frames;  // chunk header offset, data size
};

struct Writer {
  std::uint64_t limit = kDefaultLimit;
  std::uint64_t pos = 0;
  std::vector<Form> forms;
  std::uint64_t totalFrames = 0;
  std::uint32_t maxFrame = 0;
  std::array<std::uint32_t, 8> info{};
  bool infoKnown = false;
  bool pal = true;
  bool started = false;
  bool finished = false;
  bool warned = false;  // about data that is not DV
  int fpsN = 0, fpsD = 0;  // from caps, when given

  std::uint32_t Scale() const { return fpsN > 0 && fpsD > 0 ? std::uint32_t(fpsD) : pal ? 1 : 1001; }
  std::uint32_t Rate() const { return fpsN > 0 && fpsD > 0 ? std::uint32_t(fpsN) : pal ? 25 : 30000; }

  // Bytes the form would take with one more frame of `n` bytes and its
  // indexes written.
  std::uint64_t FormSizeWith(const Form &f, std::uint32_t n, bool first) const {
    const std::uint64_t frames = f.frames.size() + 1;
    std::uint64_t size = pos - f.riffAt + 8 + n + (n & 1) + 32 + 8 * frames;
    if (first) size += 8 + 16 * frames;
    return size;
  }

  // Everything before the first frame chunk, with the counts known so far.
  Bytes Header() const;
  // The standard index of a form and, for the first, the classic idx1.
  Bytes Indexes(const Form &f, bool first) const;
};

}  // namespace vistrel::media::dvavi
