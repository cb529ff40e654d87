#pragma once
// What the AVI repair reads of a cut-off file before it writes anything: the
// streams of the header list, and every whole chunk after it form by form,
// with the runs of bad bytes (holes a power cut left) the walk stepped over.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vistrel::media {

class RepairBytes;

namespace avirepair {

struct Stream {
  std::string type;          // "vids", "auds", "iavs"
  std::uint64_t strhAt = 0;  // start of the strh data
  std::uint32_t scale = 0, rate = 0, length = 0, sampleSize = 0;
  std::uint32_t formatTag = 0, channels = 0, sampleRate = 0, avgBytes = 0, blockAlign = 0;  // sound
  std::string compression;                                                                  // video FourCC
  std::uint64_t strfAt = 0;                                                                 // start of the strf data
  std::uint64_t indxAt = 0;  // start of the indx data; 0 when none
  std::uint64_t junkAt = 0;  // a JUNK chunk kept free for the indx (avimux), header
  std::uint32_t indxCapacity = 0;
  std::string chunkId;  // as its data chunks are named ("00dc", "00db", "01wb")
  bool mpeg4 = false;
  // Counted over the whole file.
  std::uint64_t chunks = 0, bytes = 0;
  std::uint32_t largest = 0;
};

struct Chunk {
  std::uint64_t at;  // chunk header
  std::uint32_t size;
  std::uint16_t stream;
  bool key;
};

struct Form {
  std::uint64_t riffAt = 0;
  std::uint64_t moviAt = 0;   // "LIST" of its movi list; 0 before one was met
  std::uint64_t moviEnd = 0;  // end of the last chunk inside movi
  std::uint64_t idx1At = 0;
  std::vector<Chunk> chunks;
  std::vector<std::pair<std::uint16_t, std::uint64_t>> ix;  // stream, its "ix##" chunk for this form
  bool HasIx(std::uint16_t s) const {
    return std::any_of(ix.begin(), ix.end(), [s](const auto &e) { return e.first == s; });
  }
  bool HasChunksOf(std::uint16_t s) const {
    return std::any_of(chunks.begin(), chunks.end(), [s](const Chunk &c) { return c.stream == s; });
  }
};

// Bytes in [from, to) that are no chunk. When the chunks after them lie
// outside any movi list, the header they lost ("LIST movi", or "RIFF AVIX"
// with its movi) is rebuilt in the last bytes of the run: `header` is its
// length, 0 when none.
struct Damage {
  std::uint64_t from = 0, to = 0;
  std::uint32_t header = 0;
};

struct Layout {
  std::uint64_t avihAt = 0;  // start of the avih data
  std::uint64_t dmlhAt = 0;  // start of the dmlh data; 0 when none
  std::vector<Stream> streams;
  std::vector<Form> forms;
  std::vector<Damage> damage;
  std::vector<std::uint64_t> staleIndexes;  // "ix##" chunks that no longer list their form's chunks
  std::uint64_t end = 0;                    // end of the last whole chunk, its pad byte included
  std::string error;
};

// The header list: main header, one strl per stream, the OpenDML list.
// `after` is where the chunks start.
bool ReadHeader(RepairBytes &f, Layout &out, std::uint64_t &after);
// Every whole chunk from `at` on, resuming after each run of bad bytes at
// the next chunk header that fits the file's streams.
void ReadChunks(RepairBytes &f, std::uint64_t at, Layout &out);

}  // namespace avirepair
}  // namespace vistrel::media
