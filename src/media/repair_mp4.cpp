// A fragmented MP4 cut off: the header (ftyp, moov) was written first and
// each fragment (moof, then its mdat) whole before the next, so every whole
// fragment plays. Only a fragment the kill tore is left to take away: readers
// stop on its missing bytes with decode errors. The fragment index (mfra)
// that the muxer writes at the end is written in its place, for the seek
// points, and the length goes into the header's mehd: GStreamer's reader
// shows the first fragment's second as the whole length without it.
#include <map>
#include <vector>

#include "media/repair.h"
#include "media/repairfile.h"

namespace vistrel::media {

namespace {

std::uint32_t Be32(RepairBytes &f, std::uint64_t at, bool *ok = nullptr) {
  std::uint8_t b[4] = {};
  const bool got = f.Read(at, b, 4);
  if (ok) *ok = got;
  return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3];
}

bool PutBe(RepairBytes &f, std::uint64_t at, std::uint64_t v, int bytes) {
  std::uint8_t b[8];
  for (int i = 0; i < bytes; ++i) b[i] = std::uint8_t(v >> (8 * (bytes - 1 - i)));
  return f.Write(at, b, bytes);
}

struct Box {
  std::string type;
  std::uint64_t at = 0, body = 0, end = 0;  // end past the file: torn
};

// The box at `at` inside a parent ending at `limit`; its type is empty when
// no box header fits there or its size is impossible.
Box BoxAt(RepairBytes &f, std::uint64_t at, std::uint64_t limit) {
  Box b;
  if (at + 8 > limit || at + 8 > f.Size()) return b;
  bool ok = false;
  std::uint64_t size = Be32(f, at, &ok);
  b.at = at;
  b.body = at + 8;
  if (size == 1) {  // a 64-bit size follows the type
    size = std::uint64_t(Be32(f, at + 8)) << 32 | Be32(f, at + 12);
    b.body = at + 16;
  } else if (size == 0) {
    size = limit - at;  // to the end
  }
  if (!ok || size < b.body - at) return b;
  b.type = f.Tag(at + 4);
  b.end = at + size;
  return b;
}

// The children of [from, to) of `type`, in order.
template <typename Fn>
void EachChild(RepairBytes &f, std::uint64_t from, std::uint64_t to, Fn &&fn) {
  for (std::uint64_t at = from; at < to;) {
    const Box b = BoxAt(f, at, to);
    if (b.type.empty() || b.end > to) return;
    fn(b);
    at = b.end;
  }
}

std::uint8_t Version(RepairBytes &f, const Box &b) {
  std::uint8_t v = 0;
  f.Read(b.body, &v, 1);
  return v;
}

struct Track {
  std::uint32_t timescale = 0, defaultDuration = 0, defaultFlags = 0;
  std::uint64_t duration = 0;
  struct Entry {
    std::uint64_t time, moof;
  };
  std::vector<Entry> entries;  // where each fragment of the track starts
};

void Add32(std::vector<std::uint8_t> &out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(v >> shift));
}
void Add64(std::vector<std::uint8_t> &out, std::uint64_t v) {
  Add32(out, std::uint32_t(v >> 32));
  Add32(out, std::uint32_t(v));
}

// mfra: one tfra per track (version 1: 64-bit times and offsets, one-byte
// traf, trun and sample numbers, each 1), then mfro with the whole size.
std::vector<std::uint8_t> FragmentIndex(const std::map<std::uint32_t, Track> &tracks) {
  std::vector<std::uint8_t> out;
  Add32(out, 0);
  out.insert(out.end(), {'m', 'f', 'r', 'a'});
  for (const auto &[id, t] : tracks) {
    if (t.entries.empty()) continue;
    Add32(out, std::uint32_t(24 + 19 * t.entries.size()));
    out.insert(out.end(), {'t', 'f', 'r', 'a', 1, 0, 0, 0});
    Add32(out, id);
    Add32(out, 0);  // the number fields' sizes: one byte each
    Add32(out, std::uint32_t(t.entries.size()));
    for (const Track::Entry &e : t.entries) {
      Add64(out, e.time);
      Add64(out, e.moof);
      out.insert(out.end(), {1, 1, 1});
    }
  }
  Add32(out, 16);
  out.insert(out.end(), {'m', 'f', 'r', 'o', 0, 0, 0, 0});
  Add32(out, std::uint32_t(out.size() + 4));
  const std::uint32_t size = std::uint32_t(out.size());
  for (int i = 0; i < 4; ++i) out[i] = std::uint8_t(size >> (24 - 8 * i));
  return out;
}

// Where the header keeps the movie's length (mvex/mehd), and its time scale.
struct MovieLength {
  std::uint64_t at = 0;  // of mehd's value; 0: no mehd
  bool wide = false;     // version 1: 64 bits
  std::uint32_t timescale = 0;
};

// Time scales from moov/trak/mdia/mdhd and default durations from mvex/trex.
void ReadTracks(RepairBytes &f, const Box &moov, std::map<std::uint32_t, Track> &tracks, MovieLength &length) {
  EachChild(f, moov.body, moov.end, [&](const Box &b) {
    if (b.type == "mvhd") length.timescale = Be32(f, b.body + (Version(f, b) == 1 ? 20 : 12));
    if (b.type == "trak") {
      std::uint32_t id = 0, scale = 0;
      EachChild(f, b.body, b.end, [&](const Box &c) {
        // Version 1 has 64-bit times before the id and the scale.
        if (c.type == "tkhd") id = Be32(f, c.body + (Version(f, c) == 1 ? 20 : 12));
        if (c.type == "mdia")
          EachChild(f, c.body, c.end, [&](const Box &m) {
            if (m.type == "mdhd") scale = Be32(f, m.body + (Version(f, m) == 1 ? 20 : 12));
          });
      });
      if (id) tracks[id].timescale = scale;
    } else if (b.type == "mvex") {
      EachChild(f, b.body, b.end, [&](const Box &t) {
        // Only a box that holds its whole value is written to.
        if (t.type == "mehd" && t.end >= t.body + 4 + (Version(f, t) == 1 ? 8 : 4)) {
          length.at = t.body + 4;
          length.wide = Version(f, t) == 1;
        }
        if (t.type != "trex") return;
        Track &track = tracks[Be32(f, t.body + 4)];
        track.defaultDuration = Be32(f, t.body + 12);
        track.defaultFlags = Be32(f, t.body + 20);
      });
    }
  });
}

// Adds the sample durations of one moof's track fragments.
void AddFragment(RepairBytes &f, const Box &moof, std::map<std::uint32_t, Track> &tracks) {
  EachChild(f, moof.body, moof.end, [&](const Box &traf) {
    if (traf.type != "traf") return;
    Track *track = nullptr;
    std::uint32_t defaultDuration = 0, defaultFlags = 0;
    EachChild(f, traf.body, traf.end, [&](const Box &c) {
      const std::uint32_t flags = Be32(f, c.body) & 0xFFFFFF;
      if (c.type == "tfhd") {
        auto it = tracks.find(Be32(f, c.body + 4));
        track = it == tracks.end() ? nullptr : &it->second;
        if (!track) return;
        std::uint64_t at = c.body + 8 + (flags & 0x01 ? 8 : 0) + (flags & 0x02 ? 4 : 0);
        defaultDuration = flags & 0x08 ? Be32(f, at) : track->defaultDuration;
        at += flags & 0x08 ? 4 : 0;
        at += flags & 0x10 ? 4 : 0;  // default size
        defaultFlags = flags & 0x20 ? Be32(f, at) : track->defaultFlags;
      } else if (c.type == "trun" && track) {
        const std::uint32_t count = Be32(f, c.body + 4);
        std::uint64_t at = c.body + 8 + (flags & 0x01 ? 4 : 0);
        // A seek point only where the fragment starts on a key frame.
        std::uint32_t firstFlags = defaultFlags;
        if (flags & 0x04) firstFlags = Be32(f, at);
        at += flags & 0x04 ? 4 : 0;
        if (!(flags & 0x04) && (flags & 0x400))
          firstFlags = Be32(f, at + (flags & 0x100 ? 4 : 0) + (flags & 0x200 ? 4 : 0));
        if (!(firstFlags & 0x10000)) track->entries.push_back({track->duration, moof.at});
        if (!(flags & 0x100)) {
          track->duration += std::uint64_t(count) * defaultDuration;
          return;
        }
        const int fields = 1 + bool(flags & 0x200) + bool(flags & 0x400) + bool(flags & 0x800);
        for (std::uint32_t i = 0; i < count && at + 4 <= c.end; ++i, at += 4u * fields) track->duration += Be32(f, at);
      }
    });
  });
}

}  // namespace

RepairResult RepairMp4(RepairBytes &f) {
  RepairResult r;
  const Box first = BoxAt(f, 0, f.Size());
  if (first.type != "ftyp") {
    r.detail = "not an MP4 file";
    return r;
  }
  std::map<std::uint32_t, Track> tracks;
  MovieLength length;
  bool moov = false, fragmented = false, indexed = false, data = false;
  int fragments = 0;
  std::uint64_t whole = 0;  // the end of the last whole box, or whole fragment
  std::uint64_t openMoof = 0;
  for (std::uint64_t at = 0; at < f.Size();) {
    const Box b = BoxAt(f, at, f.Size());
    if (b.type.empty() || b.end > f.Size()) break;
    if (b.type == "moov") {
      moov = true;
      ReadTracks(f, b, tracks, length);
      EachChild(f, b.body, b.end, [&](const Box &c) { fragmented |= c.type == "mvex"; });
    } else if (b.type == "moof") {
      openMoof = b.at;
    } else if (b.type == "mdat" && !openMoof) {
      data = true;
    } else if (b.type == "mdat") {
      AddFragment(f, BoxAt(f, openMoof, f.Size()), tracks);
      ++fragments;
      openMoof = 0;
    } else if (b.type == "mfra") {
      indexed = true;
    }
    at = b.end;
    if (!openMoof) whole = at;
  }
  if (!moov) {
    // Samples without the header that says what they are: nothing to rebuild
    // them from, but not nothing.
    if (!data) r.outcome = RepairOutcome::Empty;
    r.detail = data ? "its header was never written" : "no header";
    return r;
  }
  if (!fragmented) {
    // An MP4 whose header came after its data: only a finished one has it.
    r.outcome = RepairOutcome::Whole;
    return r;
  }
  if (fragments == 0) {
    r.outcome = RepairOutcome::Empty;
    r.detail = "no whole fragment";
    return r;
  }
  for (const auto &[id, t] : tracks)
    if (t.timescale) r.seconds = std::max(r.seconds, double(t.duration) / t.timescale);
  if (indexed && whole == f.Size()) {
    r.outcome = RepairOutcome::Whole;
    r.detail = "finished";
    return r;
  }
  // What the kill tore (a fragment, or the index being written) goes; the
  // index follows the last whole fragment. A repair killed half-way leaves
  // a torn index, which the next one replaces.
  const std::uint64_t lost = f.Size() - whole;
  const std::vector<std::uint8_t> index = FragmentIndex(tracks);
  bool lengthWritten = true;
  if (length.at && length.timescale) {
    const std::uint64_t units = std::uint64_t(r.seconds * length.timescale + 0.5);
    lengthWritten = length.wide ? PutBe(f, length.at, units, 8) : PutBe(f, length.at, units, 4);
  }
  if (!lengthWritten || (lost && !f.Truncate(whole)) || !f.Write(whole, index.data(), index.size()) || !f.Sync()) {
    r.detail = "the fragment index could not be written";
    return r;
  }
  r.outcome = RepairOutcome::Repaired;
  r.detail = lost ? "the torn end (" + std::to_string(lost) + " bytes) replaced by the fragment index"
                  : "the fragment index written";
  return r;
}

}  // namespace vistrel::media
