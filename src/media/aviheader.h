#pragma once
// Reading and patching the headers of RIFF/AVI files the program wrote.
//
// The reader walks the chunk tree of every RIFF form in the file (an OpenDML
// file has one "AVI " form and any number of "AVIX" forms after it) without
// loading the media data, so it is cheap on large files. It never trusts a
// size field: chunks running past their parent or the file end are reported
// and cut short.
#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vistrel::media {

// Rewrites the video stream header's scale and rate (two little-endian
// 32-bit values, scale first) of an AVI file in place. False when the file
// cannot be opened or has no video stream header; the file is then unchanged.
bool RewriteAviVideoRate(const QString &file, std::uint32_t scale, std::uint32_t rate);

struct RiffChunk {
  std::string id;        // FourCC ("LIST", "RIFF", "00dc", "strh"...)
  std::string listType;  // for RIFF and LIST: the form or list type
  std::uint64_t offset = 0;  // where the chunk header starts
  std::uint32_t size = 0;    // the size field as written
  std::vector<RiffChunk> children;  // of RIFF and LIST chunks (movi data chunks are counted, not kept)
};

struct AviStreamHeader {
  std::string type;     // fccType: "vids", "auds", "iavs"...
  std::string handler;  // fccHandler
  std::uint32_t scale = 0, rate = 0, length = 0, suggestedBufferSize = 0;
  std::uint64_t offset = 0;         // file offset of the strh data
  std::vector<std::uint8_t> format;  // the strf data, as written
  std::uint32_t superIndexEntries = 0;  // entries in use in the stream's "indx"
  std::uint64_t superIndexFrames = 0;   // sum of their durations
};

struct AviFile {
  bool valid = false;  // a RIFF "AVI " form with a readable header list
  std::string error;   // the first problem met (a valid file may still have one)
  std::vector<RiffChunk> forms;  // "AVI ", then "AVIX"...
  std::uint32_t mainFrames = 0;   // avih dwTotalFrames
  std::uint32_t mainFlags = 0;    // avih dwFlags
  std::uint32_t width = 0, height = 0;
  bool openDml = false;           // an "odml" list is present
  std::uint32_t odmlFrames = 0;   // dmlh dwTotalFrames
  std::vector<AviStreamHeader> streams;
  std::vector<std::uint64_t> chunksPerStream;  // "##xx" data chunks found in every movi list
  std::uint32_t idx1Entries = 0;
  std::uint32_t standardIndexEntries = 0;  // sum over every "ix##" chunk

  std::uint64_t TotalChunks() const;
  // The first stream of type "vids" or "iavs", or null.
  const AviStreamHeader *VideoStream() const;
};

// Reads `size` bytes at `offset` into `out`; false past the end or on error.
using ByteReader = std::function<bool(std::uint64_t offset, void *out, std::size_t size)>;

AviFile ReadAvi(const ByteReader &read, std::uint64_t fileSize);
AviFile ReadAviFile(const QString &file);
AviFile ReadAviBytes(const void *data, std::size_t size);

}  // namespace vistrel::media
