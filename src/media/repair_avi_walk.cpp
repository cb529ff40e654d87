// The walk over a cut-off AVI file that the repair works from. It never
// believes a list size (those are what the writer had not filled in yet) and
// steps over each chunk by its own size. Where it meets bytes that are no
// chunk (zeros a power cut left, or a chunk the cut went through) it looks
// further for the next header that fits this file: a chunk of one of its
// streams named for the stream's kind, an index of one of them, JUNK, idx1,
// "LIST movi"/"LIST rec " or "RIFF AVIX"; whose size fits in the file and
// that is followed by another such header or by the end. Only when none
// comes does the walk end there, at the cut-off tail.
#include <array>
#include <cstring>

#include "media/repair_avi_layout.h"
#include "media/repairfile.h"

namespace vistrel::media::avirepair {

namespace {

constexpr std::size_t kMaxStreams = 100;  // two decimal digits name a stream
// Bounds on what a hostile file can make us keep: far beyond any recording.
constexpr std::size_t kMaxChunks = 50'000'000;
constexpr std::uint32_t kMaxHeader = 1u << 20;
constexpr std::uint32_t kMoviHeader = 12, kFormHeader = 24;  // "LIST" size "movi"; "RIFF" size "AVIX" + that

bool Printable(const std::string &id) {
  return id.size() == 4 && std::all_of(id.begin(), id.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

int StreamOf(const std::string &id) {
  if (id.size() != 4 || id[0] < '0' || id[0] > '9' || id[1] < '0' || id[1] > '9') return -1;
  return (id[0] - '0') * 10 + (id[1] - '0');
}

int IndexStreamOf(const std::string &id) {
  if (id.size() != 4 || id[0] != 'i' || id[1] != 'x') return -1;
  return StreamOf(id.substr(2) + "xx");
}

bool IsMpeg4(const std::string &fourcc) {
  std::string f = fourcc;
  for (char &c : f) c = char(std::toupper(static_cast<unsigned char>(c)));
  for (const char *m : {"DIVX", "DX50", "XVID", "FMP4", "MP4V", "DIV5", "M4S2"})
    if (f == m) return true;
  return false;
}

// An MPEG-4 part 2 frame is a key frame when its first VOP is intra coded.
bool Mpeg4Key(RepairBytes &f, std::uint64_t dataAt, std::uint32_t size) {
  std::array<std::uint8_t, 256> b{};
  const std::size_t n = std::min<std::size_t>(size, b.size());
  if (n < 5 || !f.Read(dataAt, b.data(), n)) return false;
  for (std::size_t i = 0; i + 4 < n; ++i)
    if (b[i] == 0 && b[i + 1] == 0 && b[i + 2] == 1 && b[i + 3] == 0xB6) return (b[i + 4] >> 6) == 0;
  return false;
}

void ReadStrl(RepairBytes &f, std::uint64_t at, std::uint64_t end, Layout &out) {
  Stream s;
  bool haveStrh = false;
  while (at + 8 <= end) {
    const std::string id = f.Tag(at);
    const std::uint32_t size = f.U32At(at + 4);
    const std::uint64_t data = at + 8;
    if (data + size > end) break;
    if (id == "strh" && size >= 48) {
      std::array<std::uint8_t, 48> h{};
      if (!f.Read(data, h.data(), h.size())) break;
      s.type = std::string(reinterpret_cast<const char *>(h.data()), 4);
      s.strhAt = data;
      s.scale = Le32(&h[20]);
      s.rate = Le32(&h[24]);
      s.length = Le32(&h[32]);
      s.sampleSize = Le32(&h[44]);
      haveStrh = true;
    } else if (id == "strf" && haveStrh) {
      std::array<std::uint8_t, 20> h{};
      s.strfAt = data;
      if (s.type == "auds" && size >= 14 && f.Read(data, h.data(), 14)) {
        s.formatTag = Le16(&h[0]);
        s.channels = Le16(&h[2]);
        s.sampleRate = Le32(&h[4]);
        s.avgBytes = Le32(&h[8]);
        s.blockAlign = Le16(&h[12]);
      } else if (s.type == "vids" && size >= 20 && f.Read(data, h.data(), 20)) {
        s.compression = std::string(reinterpret_cast<const char *>(&h[16]), 4);
      }
    } else if (id == "indx" && size >= 24) {
      s.indxAt = data;
      s.indxCapacity = (size - 24) / 16;
    } else if (id == "JUNK" && haveStrh && !s.indxAt && size >= 40) {
      s.junkAt = at;
      s.indxCapacity = (size - 24) / 16;
    }
    at = data + size + (size & 1);
  }
  if (!haveStrh) return;
  s.mpeg4 = s.type == "vids" && IsMpeg4(s.compression);
  out.streams.push_back(std::move(s));
}

}  // namespace

bool ReadHeader(RepairBytes &f, Layout &out, std::uint64_t &after) {
  if (f.Tag(0) != "RIFF" || f.Tag(8) != "AVI " || f.Tag(12) != "LIST" || f.Tag(20) != "hdrl") {
    out.error = "not an AVI file with a header list";
    return false;
  }
  const std::uint32_t hdrlSize = f.U32At(16);
  const std::uint64_t end = 20 + std::uint64_t(hdrlSize);
  if (hdrlSize < 4 || hdrlSize > kMaxHeader || end > f.Size()) {
    out.error = "the header list is cut off";
    return false;
  }
  for (std::uint64_t at = 24; at + 8 <= end;) {
    const std::string id = f.Tag(at);
    const std::uint32_t size = f.U32At(at + 4);
    const std::uint64_t data = at + 8;
    if (data + size > end) break;
    if (id == "avih" && size >= 56) {
      out.avihAt = data;
    } else if (id == "LIST" && size >= 4) {
      const std::string type = f.Tag(data);
      if (type == "strl" && out.streams.size() < kMaxStreams) ReadStrl(f, data + 4, data + size, out);
      if (type == "odml" && f.Tag(data + 4) == "dmlh" && f.U32At(data + 8) >= 4 && size >= 16) out.dmlhAt = data + 12;
    }
    at = data + size + (size & 1);
  }
  if (!out.avihAt || out.streams.empty()) {
    out.error = "the header list has no main header or no stream";
    return false;
  }
  after = end + (end & 1);
  return true;
}

namespace {

// A frame, sound or palette chunk of a stream of this file, named for that
// stream's kind: the stream, else -1.
int StreamChunk(const std::string &id, const Layout &l) {
  const int s = StreamOf(id);
  if (s < 0 || std::size_t(s) >= l.streams.size()) return -1;
  const std::string kind = id.substr(2), &type = l.streams[std::size_t(s)].type;
  const bool picture = type == "vids" || type == "iavs";
  if ((kind == "dc" || kind == "db" || kind == "pc") && picture) return s;
  if (kind == "wb" && type == "auds") return s;
  return -1;
}

// The first four bytes could start a header a writer of AVI puts in movi or
// between forms; a cheap test before the real one.
bool LooksLikeTag(const std::uint8_t *b) {
  const auto digit = [](std::uint8_t c) { return c >= '0' && c <= '9'; };
  if (digit(b[0]) && digit(b[1]))
    return (b[2] == 'd' && (b[3] == 'c' || b[3] == 'b')) || (b[2] == 'w' && b[3] == 'b') ||
           (b[2] == 'p' && b[3] == 'c');
  if (b[0] == 'i' && b[1] == 'x') return digit(b[2]) && digit(b[3]);
  for (const char *t : {"RIFF", "LIST", "idx1", "JUNK"})
    if (std::memcmp(b, t, 4) == 0) return true;
  return false;
}

bool KnownHeader(RepairBytes &f, const Layout &l, std::uint64_t at) {
  const std::string id = f.Tag(at);
  if (id.empty()) return false;
  if (id == "RIFF") return f.Tag(at + 8) == "AVIX";
  if (id == "LIST") {
    const std::string type = f.Tag(at + 8);
    return type == "movi" || type == "rec ";
  }
  if (id == "idx1" || id == "JUNK") return true;
  const int ix = IndexStreamOf(id);
  if (ix >= 0) return std::size_t(ix) < l.streams.size();
  return StreamChunk(id, l) >= 0;
}

// The end of the file, or a header the walk knows: what may follow a chunk.
bool GoesOnAt(RepairBytes &f, const Layout &l, std::uint64_t at) { return at + 8 > f.Size() || KnownHeader(f, l, at); }

// Whether the walk can go on from a chunk header at `at`.
bool ResumesAt(RepairBytes &f, const Layout &l, std::uint64_t at) {
  if (!KnownHeader(f, l, at)) return false;
  const std::string id = f.Tag(at);
  if (id == "RIFF") return f.Tag(at + 12) == "LIST" && f.Tag(at + 20) == "movi" && GoesOnAt(f, l, at + kFormHeader);
  if (id == "LIST") return GoesOnAt(f, l, at + kMoviHeader);
  const std::uint64_t end = at + 8 + f.U32At(at + 4);
  return end <= f.Size() && GoesOnAt(f, l, end + (end & 1));
}

// The next place after `from` where the walk can go on, 0 when there is none.
// Chunks start at even offsets (each is padded to an even size).
std::uint64_t Resync(RepairBytes &f, const Layout &l, std::uint64_t from) {
  constexpr std::size_t kBlock = 1 << 16;
  std::vector<std::uint8_t> b(kBlock + 4);
  for (std::uint64_t base = from + 2; base + 8 <= f.Size(); base += kBlock) {
    const std::size_t n = std::size_t(std::min<std::uint64_t>(b.size(), f.Size() - base));
    if (!f.Read(base, b.data(), n)) return 0;
    for (std::size_t i = 0; i < kBlock && i + 4 <= n; i += 2)
      if (LooksLikeTag(&b[i]) && ResumesAt(f, l, base + i)) return base + i;
  }
  return 0;
}

// A standard index belongs to the form whose chunks it lists, found by its
// base offset: a repair appends the indexes of earlier forms whose own were
// lost in the last one. One whose base is in no form stays where it lies.
// One that does not count the chunks its form holds now (a hole took some,
// or the form took in those of the next one whose header was lost) is left
// out (it becomes JUNK, so that no reader takes it), and the form gets a
// new one.
void PlaceIndexes(RepairBytes &f, const std::vector<std::pair<std::uint16_t, std::uint64_t>> &found,
                  const std::vector<std::size_t> &foundIn, Layout &out) {
  for (std::size_t k = 0; k < found.size(); ++k) {
    const auto [stream, at] = found[k];
    std::size_t form = foundIn[k];
    std::uint8_t b[8];
    if (f.U32At(at + 4) < 24) continue;
    if (f.Read(at + 8 + 12, b, 8)) {
      const std::uint64_t base = Le64(b);
      for (std::size_t i = 0; i < out.forms.size(); ++i) {
        const std::uint64_t end = i + 1 < out.forms.size() ? out.forms[i + 1].riffAt : f.Size();
        if (base >= out.forms[i].riffAt && base < end) form = i;
      }
    }
    const std::vector<Chunk> &chunks = out.forms[form].chunks;
    const auto count =
        std::count_if(chunks.begin(), chunks.end(), [s = stream](const Chunk &c) { return c.stream == s; });
    if (f.U32At(at + 8 + 4) != std::uint32_t(count)) {
      out.staleIndexes.push_back(at);
      continue;
    }
    out.forms[form].ix.emplace_back(stream, at);
  }
}

}  // namespace

void ReadChunks(RepairBytes &f, std::uint64_t at, Layout &out) {
  const std::uint64_t size = f.Size();
  std::size_t count = 0;
  out.forms.push_back(Form{});
  bool inMovi = false;
  std::vector<std::pair<std::uint16_t, std::uint64_t>> ix;
  std::vector<std::size_t> ixIn;
  while (at + 8 <= size && count < kMaxChunks) {
    const std::string id = f.Tag(at);
    const std::uint32_t n = f.U32At(at + 4);
    Form &form = out.forms.back();
    const std::string listType = id == "LIST" || id == "RIFF" ? f.Tag(at + 8) : std::string();
    if (id == "RIFF" && listType == "AVIX") {
      out.forms.emplace_back();
      out.forms.back().riffAt = at;
      inMovi = false;
      at += 12;
      out.end = at;
      continue;
    }
    if (id == "LIST" && listType == "movi" && !form.moviAt) {
      form.moviAt = at;
      form.moviEnd = at + kMoviHeader;
      inMovi = true;
      at += kMoviHeader;
      out.end = at;
      continue;
    }
    if (id == "LIST" && listType == "rec " && inMovi) {
      at += 12;
      continue;
    }
    const std::uint64_t end = at + 8 + n;
    // Frames and sound: "dc", "db", "wb"; a palette change ("pc") or text is
    // kept but is no frame.
    const std::string kind = id.size() == 4 ? id.substr(2) : std::string();
    const int stream = kind == "dc" || kind == "db" || kind == "wb" ? StreamOf(id) : -1;
    // The writer's own index, cut off at its end (the disk filled while it
    // was written): what follows is its entries, which a resync would take
    // for chunks. The new index goes in its place.
    if (id == "idx1" && end > size) break;
    // Bad bytes: no chunk, one the cut went through, another form, a stream
    // the file does not have.
    if (id == "RIFF" || !Printable(id) || end > size ||
        (inMovi && stream >= 0 && std::size_t(stream) >= out.streams.size())) {
      const std::uint64_t next = Resync(f, out, at);
      if (!next) break;
      Damage d{at, next, 0};
      const std::string found = f.Tag(next);
      const bool chunkOfMovi = StreamChunk(found, out) >= 0 || IndexStreamOf(found) >= 0;
      if (chunkOfMovi && !inMovi) {
        // Its movi list, or its whole form, began in the bad bytes.
        d.header = form.moviAt ? kFormHeader : kMoviHeader;
        if (next - at < d.header) break;
        if (form.moviAt) {
          out.forms.emplace_back();
          out.forms.back().riffAt = next - kFormHeader;
        }
        Form &lost = out.forms.back();
        lost.moviAt = next - kMoviHeader;
        lost.moviEnd = next;
        inMovi = true;
      }
      // JUNK over the bad bytes inside movi is a chunk of the list, as the
      // next walk will find it.
      if (inMovi && !d.header && next - at >= 8) form.moviEnd = next;
      out.damage.push_back(d);
      at = next;
      out.end = at;
      continue;
    }
    const std::uint64_t next = std::min(end + (end & 1), size);
    const int ixStream = IndexStreamOf(id);
    if (id == "idx1") {
      if (!form.idx1At) form.idx1At = at;
      inMovi = false;
    } else if (inMovi && stream >= 0) {
      Stream &s = out.streams[std::size_t(stream)];
      const bool key = s.mpeg4 ? Mpeg4Key(f, at + 8, n) : true;
      if (s.chunkId.empty()) s.chunkId = id;
      form.chunks.push_back(Chunk{at, n, std::uint16_t(stream), key});
      ++count;
      ++s.chunks;
      s.bytes += n;
      s.largest = std::max(s.largest, n);
      form.moviEnd = next;
    } else if (inMovi && ixStream >= 0) {
      ix.emplace_back(std::uint16_t(ixStream), at);
      ixIn.push_back(out.forms.size() - 1);
      form.moviEnd = next;
    } else if (inMovi) {
      form.moviEnd = next;  // JUNK and the like, kept inside the list
    }
    at = next;
    out.end = at;
  }
  if (out.end == 0) out.end = at;
  PlaceIndexes(f, ix, ixIn, out);
}

}  // namespace vistrel::media::avirepair
