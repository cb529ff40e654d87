// Repair of an AVI file whose writer never reached its end: avimux output
// (one "AVI " form, or OpenDML with "AVIX" forms past 1 GB) and our own
// type-1 DV writer. Either leaves the header list whole at the start (it is
// written first) and every chunk after it whole except perhaps the last, but
// with zero sizes, zero counts and no index for the form being written.
//
// The chunks are found by walking from the header on, ignoring every list
// size (those are what is missing) and stepping over each chunk by its own
// size; the walk stops at the first chunk that runs past the end or at bytes
// that are no chunk (zeros left by a power cut). Only that cut-off tail is
// written over, by the index; sizes, counts, rates and the super index are
// patched in their places.
#include "media/repair.h"
#include "media/repairfile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace vistrel::media {

namespace {

constexpr std::uint32_t kKeyFrame = 0x10;      // AVIIF_KEYFRAME
constexpr std::uint32_t kHasIndex = 0x10;      // AVIF_HASINDEX
constexpr std::uint32_t kNotKey = 0x80000000;  // standard index: bit 31 marks a delta frame
constexpr std::size_t kMaxStreams = 100;       // two decimal digits name a stream
// Bounds on what a hostile file can make us keep: far beyond any recording.
constexpr std::size_t kMaxChunks = 50'000'000;
constexpr std::uint32_t kMaxHeader = 1u << 20;

struct Stream {
  std::string type;      // "vids", "auds", "iavs"
  std::uint64_t strhAt = 0;  // start of the strh data
  std::uint32_t scale = 0, rate = 0, length = 0, sampleSize = 0;
  std::uint32_t formatTag = 0, channels = 0, sampleRate = 0, avgBytes = 0, blockAlign = 0;  // sound
  std::string compression;  // video FourCC
  std::uint64_t strfAt = 0;  // start of the strf data
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
  std::uint64_t moviAt = 0;  // "LIST" of its movi list; 0 before one was met
  std::uint64_t moviEnd = 0;  // end of the last chunk inside movi
  std::uint64_t idx1At = 0;
  std::vector<Chunk> chunks;
  std::vector<std::pair<std::uint16_t, std::uint64_t>> ix;  // stream, its "ix##" chunk in this form
  bool HasIx(std::uint16_t s) const {
    return std::any_of(ix.begin(), ix.end(), [s](const auto &e) { return e.first == s; });
  }
};

struct Layout {
  std::uint64_t avihAt = 0;  // start of the avih data
  std::uint64_t dmlhAt = 0;  // start of the dmlh data; 0 when none
  std::vector<Stream> streams;
  std::vector<Form> forms;
  std::uint64_t end = 0;  // end of the last whole chunk, its pad byte included
  std::string error;
};

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

// The header list: main header, one strl per stream, the OpenDML list.
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

// Every whole chunk after the header, form by form.
void ReadChunks(RepairBytes &f, std::uint64_t at, Layout &out) {
  const std::uint64_t size = f.Size();
  std::size_t count = 0;
  out.forms.push_back(Form{});
  bool inMovi = false;
  while (at + 8 <= size && count < kMaxChunks) {
    const std::string id = f.Tag(at);
    const std::uint32_t n = f.U32At(at + 4);
    Form &form = out.forms.back();
    if (id == "RIFF") {
      if (f.Tag(at + 8) != "AVIX") break;
      out.forms.emplace_back();
      out.forms.back().riffAt = at;
      inMovi = false;
      at += 12;
      out.end = at;
      continue;
    }
    if (id == "LIST") {
      const std::string type = f.Tag(at + 8);
      if (type == "movi" && !form.moviAt) {
        form.moviAt = at;
        form.moviEnd = at + 12;
        inMovi = true;
        at += 12;
        out.end = at;
        continue;
      }
      if (type == "rec " && inMovi) {
        at += 12;
        continue;
      }
    }
    if (!Printable(id)) break;
    const std::uint64_t end = at + 8 + n;
    if (end > size) break;  // the chunk the cut went through
    const std::uint64_t next = std::min(end + (end & 1), size);
    // Frames and sound: "dc", "db", "wb"; a palette change ("pc") or text is
    // kept but is no frame.
    const std::string kind = id.substr(2);
    const int stream = kind == "dc" || kind == "db" || kind == "wb" ? StreamOf(id) : -1;
    const int ixStream = IndexStreamOf(id);
    if (id == "idx1") {
      if (!form.idx1At) form.idx1At = at;
      inMovi = false;
    } else if (inMovi && stream >= 0) {
      if (std::size_t(stream) >= out.streams.size()) break;  // not a stream of this file
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
      form.ix.emplace_back(std::uint16_t(ixStream), at);
      form.moviEnd = next;
    } else if (inMovi) {
      form.moviEnd = next;  // JUNK and the like, kept inside the list
    }
    at = next;
    out.end = at;
  }
  if (out.end == 0) out.end = at;
}

// OpenDML: a super index, more than one form, or standard indexes already.
bool OpenDml(const Layout &l) {
  return l.forms.size() > 1 ||
         std::any_of(l.streams.begin(), l.streams.end(), [](const Stream &s) { return s.indxAt != 0; }) ||
         std::any_of(l.forms.begin(), l.forms.end(), [](const Form &f) { return !f.ix.empty(); });
}

// Samples of a stream in a run of its chunks, as the headers count them.
std::uint64_t Samples(const Stream &s, std::uint64_t chunks, std::uint64_t bytes) {
  return s.sampleSize ? bytes / s.sampleSize : chunks;
}

std::uint32_t Clamp32(std::uint64_t v) { return std::uint32_t(std::min<std::uint64_t>(v, 0xFFFFFFFFu)); }

std::string ChunkName(std::uint16_t stream, const Stream &s) {
  if (!s.chunkId.empty()) return s.chunkId;
  std::string id(2, '0');
  id[0] = char('0' + stream / 10);
  id[1] = char('0' + stream % 10);
  return id + (s.type == "auds" ? "wb" : "dc");
}

void Put32(std::vector<std::uint8_t> &v, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(std::uint8_t(x >> (8 * i)));
}
void PutTag(std::vector<std::uint8_t> &v, const std::string &t) { v.insert(v.end(), t.begin(), t.begin() + 4); }

// The standard index of one stream over one form.
std::vector<std::uint8_t> StandardIndex(const Form &form, std::uint16_t stream, const Stream &s) {
  std::vector<const Chunk *> mine;
  for (const Chunk &c : form.chunks)
    if (c.stream == stream) mine.push_back(&c);
  std::vector<std::uint8_t> b;
  std::string ix = "ix00";
  ix[2] = char('0' + stream / 10);
  ix[3] = char('0' + stream % 10);
  PutTag(b, ix);
  Put32(b, std::uint32_t(24 + 8 * mine.size()));
  b.push_back(2);  // longs per entry
  b.push_back(0);
  b.push_back(0);  // sub type
  b.push_back(1);  // AVI_INDEX_OF_CHUNKS
  Put32(b, std::uint32_t(mine.size()));
  PutTag(b, ChunkName(stream, s));
  const std::uint64_t base = mine.empty() ? form.moviAt : mine.front()->at;
  Put32(b, std::uint32_t(base));
  Put32(b, std::uint32_t(base >> 32));
  Put32(b, 0);
  for (const Chunk *c : mine) {
    Put32(b, std::uint32_t(c->at + 8 - base));
    Put32(b, c->size | (c->key ? 0 : kNotKey));
  }
  return b;
}

std::vector<std::uint8_t> LegacyIndex(const Form &form, const Layout &l) {
  std::vector<std::uint8_t> b;
  PutTag(b, "idx1");
  Put32(b, std::uint32_t(16 * form.chunks.size()));
  const std::uint64_t moviTag = form.moviAt + 8;
  for (const Chunk &c : form.chunks) {
    PutTag(b, ChunkName(c.stream, l.streams[c.stream]));
    Put32(b, c.key ? kKeyFrame : 0);
    Put32(b, std::uint32_t(c.at - moviTag));
    Put32(b, c.size);
  }
  return b;
}

bool IsMpegSound(const Stream &s) { return s.formatTag == 0x55 || s.formatTag == 0x50; }

struct Patcher {
  RepairBytes &f;
  int changed = 0;
  bool ok = true;
  void Set32(std::uint64_t at, std::uint32_t v) {
    bool read = false;
    if (f.U32At(at, &read) == v && read) return;
    ok = f.Put32(at, v) && ok;
    ++changed;
  }
};

// Sound whose header says rate 0 (avimux leaves MPEG audio that way until
// its end) gets the rate a reader needs to place the frames in time.
// A header this rule already gave its rate (a repair killed half-way wrote
// the scale and rate but not the sample size) is finished the same way.
void FixSoundRate(Stream &s) {
  if (s.type != "auds") return;
  const bool unset = !s.scale || !s.rate;
  if (IsMpegSound(s) && s.sampleRate) {
    // One MPEG audio frame a chunk: 1152 samples for MPEG-1 layer 2 and 3 at
    // 32 kHz and up, 576 for layer 3 of MPEG-2 below it.
    const std::uint32_t frame = (s.formatTag == 0x55 && s.sampleRate < 32000) ? 576 : 1152;
    if (!unset && (s.scale != frame || s.rate != s.sampleRate)) return;
    s.scale = frame;
    s.rate = s.sampleRate;
    s.sampleSize = 0;
  } else if (s.blockAlign && s.avgBytes) {
    if (!unset && (s.scale != s.blockAlign || s.rate != s.avgBytes)) return;
    s.scale = s.blockAlign;
    s.rate = s.avgBytes;
    s.sampleSize = s.blockAlign;
  }
}

// The format block of MPEG sound as avimux finishes it: the block is one
// frame's samples and the byte rate what the stream holds.
void FixSoundFormat(const Stream &s, Patcher &p) {
  if (!IsMpegSound(s) || !s.strfAt || !s.scale || !s.rate || s.sampleSize) return;
  if (s.blockAlign > 1 && s.avgBytes) return;
  const double seconds = double(s.chunks) * s.scale / s.rate;
  if (seconds > 0) p.Set32(s.strfAt + 8, std::uint32_t(double(s.bytes) / seconds + 0.5));
  bool read = false;
  const std::uint32_t word = p.f.U32At(s.strfAt + 12, &read);  // nBlockAlign, wBitsPerSample
  if (read) p.Set32(s.strfAt + 12, (word & 0xFFFF0000u) | (s.scale & 0xFFFF));
}

double Seconds(const Layout &l) {
  for (const Stream &s : l.streams)
    if ((s.type == "vids" || s.type == "iavs") && s.rate)
      return double(s.chunks) * s.scale / s.rate;
  for (const Stream &s : l.streams)
    if (s.type == "auds" && s.rate) return double(Samples(s, s.chunks, s.bytes)) * s.scale / s.rate;
  return -1;
}

// A file with every index in place still needs its header when the writer
// stopped before filling it in: sizes that do not match the chunks, or
// counts and rates left at zero. A file that shows none of that is left as
// its writer made it.
bool Unfinished(RepairBytes &f, const Layout &l, std::uint64_t fileEnd) {
  for (std::size_t i = 0; i < l.forms.size(); ++i) {
    const Form &form = l.forms[i];
    const std::uint64_t end = i + 1 < l.forms.size() ? l.forms[i + 1].riffAt : fileEnd;
    if (f.U32At(form.riffAt + 4) != Clamp32(end - form.riffAt - 8)) return true;
    if (form.moviAt && f.U32At(form.moviAt + 4) != Clamp32(std::max(form.moviEnd, form.moviAt + 12) - form.moviAt - 8))
      return true;
  }
  for (const Stream &s : l.streams)
    if (s.chunks && (s.length == 0 || s.scale == 0 || s.rate == 0)) return true;
  // The OpenDML total is the repair's last write: a repair killed just
  // before it left every other count right.
  if (l.dmlhAt && f.U32At(l.dmlhAt) == 0 && l.forms.front().chunks.size() > 0) return true;
  return f.U32At(l.avihAt + 16) == 0 && l.forms.front().chunks.size() > 0;
}

}  // namespace

RepairResult RepairAvi(RepairBytes &f) {
  RepairResult r;
  Layout l;
  std::uint64_t after = 0;
  if (!ReadHeader(f, l, after)) {
    r.detail = l.error;
    return r;
  }
  ReadChunks(f, after, l);
  if (!l.forms.front().moviAt) {
    r.detail = "no recorded data";
    return r;
  }
  const bool odml = OpenDml(l);

  // The index the last form is missing goes where the cut was.
  Form &last = l.forms.back();
  std::vector<std::uint8_t> tail;
  std::uint64_t cursor = l.end;
  const auto append = [&](const std::vector<std::uint8_t> &b) {
    tail.insert(tail.end(), b.begin(), b.end());
    cursor += b.size();
  };
  if (cursor & 1) append({0});  // the pad byte of the last chunk never came
  bool appended = false;
  if (last.moviAt && !last.idx1At) {
    if (odml) {
      for (std::uint16_t s = 0; s < l.streams.size(); ++s) {
        if (last.HasIx(s) || l.streams[s].chunks == 0) continue;
        last.ix.emplace_back(s, cursor);
        append(StandardIndex(last, s, l.streams[s]));
        appended = true;
      }
    }
    if (l.forms.size() == 1) {
      last.idx1At = cursor;
      append(LegacyIndex(last, l));
      appended = true;
    }
    if (appended) last.moviEnd = last.idx1At ? last.idx1At : cursor;
  }
  if (!appended) cursor = l.end;
  const std::uint64_t fileEnd = cursor;
  if (!appended && !Unfinished(f, l, fileEnd)) {
    r.outcome = RepairOutcome::Whole;
    r.seconds = Seconds(l);
    return r;
  }
  Patcher p{f};
  if (appended) {
    if (!f.Write(l.end, tail.data(), tail.size())) {
      r.detail = "the index could not be written";
      return r;
    }
    if (f.Size() > fileEnd && !f.Truncate(fileEnd)) {
      r.detail = "the cut-off end could not be dropped";
      return r;
    }
    ++p.changed;
  }

  // Sizes of every form and movi list.
  for (std::size_t i = 0; i < l.forms.size(); ++i) {
    const Form &form = l.forms[i];
    const std::uint64_t end = i + 1 < l.forms.size() ? l.forms[i + 1].riffAt : fileEnd;
    p.Set32(form.riffAt + 4, Clamp32(end - form.riffAt - 8));
    if (form.moviAt) {
      const std::uint64_t moviEnd = std::max(form.moviEnd, form.moviAt + 12);
      p.Set32(form.moviAt + 4, Clamp32(moviEnd - form.moviAt - 8));
    }
  }

  // Counts and rates in the headers.
  const Form &first = l.forms.front();
  std::uint32_t firstVideo = 0;
  std::uint64_t allVideo = 0;
  bool sawVideo = false;
  for (std::uint16_t s = 0; s < l.streams.size(); ++s) {
    Stream &st = l.streams[s];
    const bool video = st.type == "vids" || st.type == "iavs";
    if (video && !sawVideo) {
      sawVideo = true;
      firstVideo = std::uint32_t(std::count_if(first.chunks.begin(), first.chunks.end(), [s](const Chunk &c) { return c.stream == s; }));
      allVideo = st.chunks;
    }
    FixSoundRate(st);
    FixSoundFormat(st, p);
    p.Set32(st.strhAt + 20, st.scale);
    p.Set32(st.strhAt + 24, st.rate);
    p.Set32(st.strhAt + 44, st.sampleSize);
    p.Set32(st.strhAt + 32, Clamp32(Samples(st, st.chunks, st.bytes)));
    bool read = false;
    if (f.U32At(st.strhAt + 36, &read) == 0 && read) p.Set32(st.strhAt + 36, st.largest);
    // The super index: one entry a form that has this stream's index. The
    // space avimux keeps free for it becomes it.
    if (!odml || (!st.indxAt && !st.junkAt)) continue;
    if (!st.indxAt) {
      std::vector<std::uint8_t> h;
      PutTag(h, "indx");
      Put32(h, f.U32At(st.junkAt + 4));
      h.insert(h.end(), {4, 0, 0, 0});  // longs per entry, sub type, AVI_INDEX_OF_INDEXES
      Put32(h, 0);
      PutTag(h, ChunkName(s, st));
      h.resize(h.size() + 12, 0);
      if (!f.Write(st.junkAt, h.data(), h.size())) p.ok = false;
      ++p.changed;
      st.indxAt = st.junkAt + 8;
    }
    std::uint32_t entries = 0;
    for (const Form &form : l.forms) {
      for (const auto &[stream, ixAt] : form.ix) {
        if (stream != s || entries >= st.indxCapacity) continue;
        std::uint64_t chunks = 0, bytes = 0;
        for (const Chunk &c : form.chunks)
          if (c.stream == s) {
            ++chunks;
            bytes += c.size;
          }
        const std::uint64_t e = st.indxAt + 24 + std::uint64_t(entries) * 16;
        p.Set32(e, std::uint32_t(ixAt));
        p.Set32(e + 4, std::uint32_t(ixAt >> 32));
        p.Set32(e + 8, f.U32At(ixAt + 4) + 8);
        p.Set32(e + 12, Clamp32(Samples(st, chunks, bytes)));
        ++entries;
      }
    }
    p.Set32(st.indxAt + 4, entries);
  }
  bool read = false;
  const std::uint32_t flags = f.U32At(l.avihAt + 12, &read);
  if (read) p.Set32(l.avihAt + 12, flags | kHasIndex);
  p.Set32(l.avihAt + 16, odml ? firstVideo : Clamp32(allVideo));
  if (l.dmlhAt) p.Set32(l.dmlhAt, Clamp32(allVideo));
  if (!p.ok || !f.Sync()) {
    r.detail = "the header could not be written";
    return r;
  }

  r.outcome = p.changed ? RepairOutcome::Repaired : RepairOutcome::Whole;
  r.seconds = Seconds(l);
  r.detail = std::to_string(allVideo) + " video frames in " + std::to_string(l.forms.size()) + " RIFF form(s)";
  return r;
}

}  // namespace vistrel::media
