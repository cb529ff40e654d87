// Repair of an ASF (WMV) file whose writer never reached its end. asfmux
// writes its header first with zero counts, a zero file size and the
// broadcast flag, then fixed-size data packets; only the end would fill the
// header in. The repair counts the whole packets, takes the time of the last
// from its own header and writes the counts, sizes and durations in place.
// An index cannot be rebuilt without decoding every payload; players seek a
// file without one by its packets.
#include <algorithm>
#include <array>
#include <cstring>

#include "media/repair.h"
#include "media/repairfile.h"

namespace vistrel::media {

namespace {

using Guid = std::array<std::uint8_t, 16>;

constexpr Guid kFileProperties = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                  0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr Guid kData = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr std::uint32_t kBroadcast = 1, kSeekable = 2;
constexpr std::uint64_t kDataHeader = 50;  // object header, file id, packet count, reserved
constexpr std::uint32_t kMaxObjects = 1024;

bool GuidAt(RepairBytes &f, std::uint64_t at, const Guid &g) {
  Guid b{};
  return f.Read(at, b.data(), b.size()) && b == g;
}

std::uint64_t U64At(RepairBytes &f, std::uint64_t at) {
  std::uint8_t b[8] = {};
  return f.Read(at, b, 8) ? Le64(b) : 0;
}

// Bytes a field of this length type takes: none, byte, word, double word.
std::uint32_t FieldSize(std::uint32_t type) { return type == 3 ? 4 : type; }

// The send time and duration (ms) in a data packet's header.
bool PacketTime(RepairBytes &f, std::uint64_t at, std::uint32_t packetSize, std::uint64_t &endMs) {
  std::array<std::uint8_t, 32> b{};
  if (packetSize < b.size() || !f.Read(at, b.data(), b.size())) return false;
  std::size_t i = 0;
  if (b[0] & 0x80) i += 1 + (b[0] & 0x0F);  // error correction data
  if (i + 2 > b.size()) return false;
  const std::uint32_t lengthFlags = b[i];
  i += 2;  // the length type flags and the property flags
  i += FieldSize((lengthFlags >> 5) & 3) + FieldSize((lengthFlags >> 1) & 3) + FieldSize((lengthFlags >> 3) & 3);
  if (i + 6 > b.size()) return false;
  endMs = std::uint64_t(Le32(&b[i])) + Le16(&b[i + 4]);
  return true;
}

// asfmux (1.22) writes the packet it did not fill (the last one) with its
// used length in the length field and the rest as padding; readers add the
// shortfall to the padding a second time, find the padding longer than the
// packet and drop it with its frames. Such a packet gets the full length,
// which is what the fixed packet size means. Returns false on a write failure.
bool MendShortPackets(RepairBytes &f, std::uint64_t firstPacket, std::uint64_t packets, std::uint32_t packetSize) {
  for (std::uint64_t n = 0; n < packets; ++n) {
    const std::uint64_t at = firstPacket + n * packetSize;
    std::array<std::uint8_t, 24> b{};
    if (!f.Read(at, b.data(), b.size())) return true;
    std::size_t i = 0;
    if (b[0] & 0x80) i += 1 + (b[0] & 0x0F);
    if (i + 2 > b.size()) continue;
    const std::uint32_t flags = b[i];
    const std::uint32_t lengthType = (flags >> 5) & 3, sequenceType = (flags >> 1) & 3, paddingType = (flags >> 3) & 3;
    if (lengthType == 0 || paddingType == 0) continue;
    const std::size_t lengthAt = i + 2;
    const std::size_t paddingAt = lengthAt + FieldSize(lengthType) + FieldSize(sequenceType);
    if (paddingAt + FieldSize(paddingType) > b.size()) continue;
    auto field = [&b](std::size_t pos, std::uint32_t type) -> std::uint32_t {
      return type == 1 ? b[pos] : type == 2 ? Le16(&b[pos]) : Le32(&b[pos]);
    };
    const std::uint32_t length = field(lengthAt, lengthType), padding = field(paddingAt, paddingType);
    if (length >= packetSize || std::uint64_t(length) + padding != packetSize) continue;
    if (lengthType == 1 && packetSize > 0xFF) continue;
    const bool ok = lengthType == 1   ? f.Write(at + lengthAt, &packetSize, 1)
                    : lengthType == 2 ? f.Put16(at + lengthAt, packetSize)
                                      : f.Put32(at + lengthAt, packetSize);
    if (!ok) return false;
  }
  return true;
}

}  // namespace

RepairResult RepairAsf(RepairBytes &f) {
  RepairResult r;
  const std::uint64_t headerSize = U64At(f, 16);
  const std::uint32_t objects = f.U32At(24);
  if (headerSize < 30 || headerSize > f.Size() || objects > kMaxObjects) {
    r.detail = "the ASF header is cut off";
    return r;
  }
  std::uint64_t props = 0;
  for (std::uint64_t at = 30, i = 0; i < objects && at + 24 <= headerSize; ++i) {
    const std::uint64_t size = U64At(f, at + 16);
    if (GuidAt(f, at, kFileProperties) && size >= 104) props = at;
    if (size < 24 || size > headerSize - at) break;
    at += size;
  }
  const std::uint64_t dataAt = headerSize;
  if (!props || !GuidAt(f, dataAt, kData) || dataAt + kDataHeader > f.Size()) {
    r.detail = "no ASF file properties or data object";
    return r;
  }
  const std::uint32_t minPacket = f.U32At(props + 92), maxPacket = f.U32At(props + 96);
  const std::uint64_t preroll = U64At(f, props + 80);
  if (minPacket == 0 || minPacket != maxPacket) {
    r.detail = "the ASF packets are not of one size";
    return r;
  }
  const std::uint64_t firstPacket = dataAt + kDataHeader;
  const std::uint64_t written = U64At(f, dataAt + 40);
  const std::uint64_t onDisk = (f.Size() - firstPacket) / minPacket;
  std::uint64_t endMs = 0;
  const bool timed = onDisk > 0 && PacketTime(f, firstPacket + (onDisk - 1) * minPacket, minPacket, endMs);
  const double seconds = timed ? double(endMs) / 1000.0 : -1;
  // Finished: the writer counted its packets. A file whose count is there
  // is left as it is, whatever follows its data (the index).
  if (written != 0 && U64At(f, dataAt + 16) >= kDataHeader) {
    // Its writer's short last packet is mended all the same: a finished file
    // would otherwise lose the frames of that packet in every reader.
    // Only the writer's last packet can be short: the rest of the file is not read.
    const std::uint64_t packets = std::min(written, onDisk);
    if (packets > 0 && (!MendShortPackets(f, firstPacket + (packets - 1) * minPacket, 1, minPacket) || !f.Sync())) {
      r.detail = "a data packet could not be mended";
      return r;
    }
    r.outcome = RepairOutcome::Whole;
    r.seconds = double(U64At(f, props + 64)) / 1e7 - double(preroll) / 1000.0;
    if (r.seconds < 0) r.seconds = seconds;
    return r;
  }
  if (onDisk == 0) {
    r.outcome = RepairOutcome::Empty;
    r.detail = "no whole data packet";
    return r;
  }
  const std::uint64_t dataSize = kDataHeader + onDisk * minPacket;
  const std::uint64_t fileSize = dataAt + dataSize;
  const std::uint64_t duration = endMs * 10000;  // 100 ns units
  bool ok = MendShortPackets(f, firstPacket + (onDisk - 1) * minPacket, 1, minPacket) &&
            f.Put64(dataAt + 16, dataSize) && f.Put64(dataAt + 40, onDisk) && f.Put64(props + 40, fileSize) &&
            f.Put64(props + 56, onDisk) && f.Put64(props + 64, duration + preroll * 10000) &&
            f.Put64(props + 72, duration);
  const std::uint32_t flags = f.U32At(props + 88);
  ok = ok && f.Put32(props + 88, (flags & ~kBroadcast) | kSeekable);
  // What is left after the last whole packet is part of one the cut went through.
  if (ok && f.Size() > fileSize) ok = f.Truncate(fileSize);
  if (!ok || !f.Sync()) {
    r.detail = "the header could not be written";
    return r;
  }
  r.outcome = RepairOutcome::Repaired;
  r.seconds = seconds;
  r.detail = std::to_string(onDisk) + " data packets";
  return r;
}

}  // namespace vistrel::media
