// Repair of an AVI file whose writer never reached its end: avimux output
// (one "AVI " form, or OpenDML with "AVIX" forms past 1 GB) and our own
// type-1 DV writer. Either leaves the header list whole at the start (it is
// written first) and every chunk after it whole except perhaps the last, but
// with zero sizes, zero counts and no index for the form being written.
//
// The walk (repair_avi_walk.cpp) finds every whole chunk, past holes of bad
// bytes too. Only the cut-off tail is written over, by the indexes; a hole
// becomes a JUNK chunk (its bytes are lost anyway, and so every reader that
// walks the lists instead of reading the index steps over it), after the
// list or form header it swallowed is rebuilt in its last bytes; sizes,
// counts, rates and the super index are patched in their places.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "media/repair.h"
#include "media/repair_avi_layout.h"
#include "media/repairfile.h"

namespace vistrel::media {

namespace {

using namespace avirepair;

constexpr std::uint32_t kKeyFrame = 0x10;      // AVIIF_KEYFRAME
constexpr std::uint32_t kHasIndex = 0x10;      // AVIF_HASINDEX
constexpr std::uint32_t kNotKey = 0x80000000;  // standard index: bit 31 marks a delta frame

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
  void SetBytes(std::uint64_t at, const std::vector<std::uint8_t> &v) {
    std::vector<std::uint8_t> now(v.size());
    if (f.Read(at, now.data(), now.size()) && now == v) return;
    ok = f.Write(at, v.data(), v.size()) && ok;
    ++changed;
  }
};

// A hole becomes JUNK up to the header it swallowed, rebuilt with its sizes
// at 0 (the size patches that follow fill them in). A hole too short for a
// JUNK header stays as it is: the index leaves it out all the same.
void MarkDamage(const Damage &d, Patcher &p) {
  const std::uint64_t junkEnd = d.to - d.header;
  if (junkEnd - d.from >= 8) {
    std::vector<std::uint8_t> junk;
    PutTag(junk, "JUNK");
    Put32(junk, Clamp32(junkEnd - d.from - 8));
    p.SetBytes(d.from, junk);
  }
  std::vector<std::uint8_t> h;
  if (d.header == 24) {
    PutTag(h, "RIFF");
    Put32(h, 0);
    PutTag(h, "AVIX");
  }
  if (d.header) {
    PutTag(h, "LIST");
    Put32(h, 0);
    PutTag(h, "movi");
    p.SetBytes(junkEnd, h);
  }
}

std::string Skipped(const Layout &l) {
  if (l.damage.empty()) return {};
  std::uint64_t bytes = 0;
  for (const Damage &d : l.damage) bytes += d.to - d.from;
  const std::uint64_t kb = (bytes + 1023) / 1024;
  return ", skipped " + std::to_string(kb) + " KB of damaged data at " + std::to_string(l.damage.size()) +
         (l.damage.size() == 1 ? " place" : " places");
}

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

// Why the file holds no whole frame, empty when it holds one: no chunk at
// all, or sound only where the header declares a picture (a part a kill
// during a Cut left as its writer had begun it).
std::string NothingToPlay(const Layout &l) {
  std::uint64_t picture = 0, other = 0;
  bool declaresPicture = false;
  for (const Stream &s : l.streams) {
    const bool video = s.type == "vids" || s.type == "iavs";
    declaresPicture = declaresPicture || video;
    (video ? picture : other) += s.chunks;
  }
  if (declaresPicture ? picture > 0 : other > 0) return {};
  if (other == 0) return "only its header, no frame";
  return "only " + std::to_string(other) + " sound chunks and no picture";
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
  if (const std::string nothing = NothingToPlay(l); !nothing.empty()) {
    r.outcome = RepairOutcome::Empty;
    r.detail = nothing;
    return r;
  }
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
    // Each form's standard indexes; those an earlier form lost in a hole go
    // here too, in the last form's movi list (the super index finds them).
    for (std::size_t i = 0; odml && i < l.forms.size(); ++i) {
      Form &form = l.forms[i];
      for (std::uint16_t s = 0; s < l.streams.size(); ++s) {
        const bool wanted = &form == &last ? l.streams[s].chunks != 0 : form.HasChunksOf(s);
        if (form.HasIx(s) || !wanted) continue;
        form.ix.emplace_back(s, cursor);
        append(StandardIndex(form, s, l.streams[s]));
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
  Patcher p{f};
  for (const Damage &d : l.damage) MarkDamage(d, p);
  for (const std::uint64_t at : l.staleIndexes) p.SetBytes(at, {'J', 'U', 'N', 'K'});
  if (!appended && !p.changed && !Unfinished(f, l, fileEnd)) {
    r.outcome = RepairOutcome::Whole;
    r.seconds = Seconds(l);
    return r;
  }
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
  r.detail =
      std::to_string(allVideo) + " video frames in " + std::to_string(l.forms.size()) + " RIFF form(s)" + Skipped(l);
  return r;
}

}  // namespace vistrel::media
