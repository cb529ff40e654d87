#include "media/dvavilayout.h"

#include "media/dvavimux.h"

namespace vistrel::media {

namespace dvavi {

Bytes Writer::Header() const {
  Bytes b;
  const Form *first = forms.empty() ? nullptr : &forms.front();
  const std::uint32_t width = 720, height = pal ? 576 : 480;
  const std::uint32_t firstFrames = first ? std::uint32_t(first->frames.size()) : 0;
  b.Tag("RIFF");
  b.U32(first && first->end ? std::uint32_t(first->end - 8) : 0);
  b.Tag("AVI ");
  b.Tag("LIST");
  const std::size_t hdrlSize = b.Size();
  b.U32(0);
  b.Tag("hdrl");
  b.Tag("avih");
  b.U32(56);
  b.U32(std::uint32_t(1000000ull * Scale() / Rate()));
  b.U32(std::uint32_t(std::uint64_t(maxFrame) * Rate() / Scale()));
  b.U32(0);
  b.U32(0x10 | 0x100 | 0x800);  // has index, interleaved, trust chunk types
  b.U32(firstFrames);
  b.U32(0);
  b.U32(1);
  b.U32(maxFrame);
  b.U32(width);
  b.U32(height);
  b.Zeros(16);
  b.Tag("LIST");
  const std::size_t strlSize = b.Size();
  b.U32(0);
  b.Tag("strl");
  b.Tag("strh");
  b.U32(56);
  b.Tag("iavs");
  b.Tag("dvsd");
  b.U32(0);
  b.U32(0);  // priority, language
  b.U32(0);
  b.U32(Scale());
  b.U32(Rate());
  b.U32(0);
  b.U32(std::uint32_t(totalFrames));
  b.U32(maxFrame);
  b.U32(0xFFFFFFFF);  // default quality
  b.U32(0);
  b.U16(0);
  b.U16(0);
  b.U16(width);
  b.U16(height);
  b.Tag("strf");
  b.U32(32);
  for (std::uint32_t x : info) b.U32(x);
  b.Tag("indx");
  b.U32(24 + 16 * kSuperEntries);
  b.U16(4);     // longs per entry
  b.v.push_back(0);  // sub type
  b.v.push_back(0);  // AVI_INDEX_OF_INDEXES
  b.U32(std::uint32_t(forms.size() < kSuperEntries ? forms.size() : kSuperEntries));
  b.Tag("00dc");
  b.Zeros(12);
  for (std::uint32_t i = 0; i < kSuperEntries; ++i) {
    if (i < forms.size() && forms[i].ixAt) {
      b.U64(forms[i].ixAt);
      b.U32(forms[i].ixSize);
      b.U32(std::uint32_t(forms[i].frames.size()));
    } else {
      b.Zeros(16);
    }
  }
  b.Put32(strlSize, std::uint32_t(b.Size() - strlSize - 4));
  b.Tag("LIST");
  b.U32(4 + 8 + 248);
  b.Tag("odml");
  b.Tag("dmlh");
  b.U32(248);
  b.U32(std::uint32_t(totalFrames));
  b.Zeros(244);
  b.Put32(hdrlSize, std::uint32_t(b.Size() - hdrlSize - 4));
  // Padding so the movi list starts where the first frame was placed.
  const std::size_t junk = kHeaderSize - 12 - b.Size() - 8;
  b.Tag("JUNK");
  b.U32(std::uint32_t(junk));
  b.Zeros(junk);
  b.Tag("LIST");
  b.U32(first && first->moviEnd ? std::uint32_t(first->moviEnd - first->moviAt - 8) : 0);
  b.Tag("movi");
  return b;
}

Bytes Writer::Indexes(const Form &f, bool first) const {
  Bytes b;
  const std::uint64_t base = f.frames.empty() ? f.moviAt : f.frames.front().first;
  b.Tag("ix00");
  b.U32(std::uint32_t(24 + 8 * f.frames.size()));
  b.U16(2);
  b.v.push_back(0);
  b.v.push_back(1);  // AVI_INDEX_OF_CHUNKS
  b.U32(std::uint32_t(f.frames.size()));
  b.Tag("00dc");
  b.U64(base);
  b.U32(0);
  for (const auto &[at, size] : f.frames) {
    b.U32(std::uint32_t(at + 8 - base));  // points at the data, past the chunk header
    b.U32(size);                         // every DV frame is a key frame
  }
  if (first) {
    b.Tag("idx1");
    b.U32(std::uint32_t(16 * f.frames.size()));
    const std::uint64_t moviTag = f.moviAt + 8;
    for (const auto &[at, size] : f.frames) {
      b.Tag("00dc");
      b.U32(kKeyFrame);
      b.U32(std::uint32_t(at - moviTag));
      b.U32(size);
    }
  }
  return b;
}

}  // namespace dvavi

namespace {

// A pack's four data bytes, the first lowest.
std::uint32_t PackData(const std::uint8_t *p) {
  return std::uint32_t(p[1]) | std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]) << 16 | std::uint32_t(p[4]) << 24;
}

}  // namespace

std::array<std::uint32_t, 8> DvInfoFromFrame(const std::uint8_t *frame, std::size_t size) {
  std::array<std::uint32_t, 8> info{};
  if (!frame) return info;
  const std::size_t blocks = size / 80;
  const int sequences = DvFrameIs625(frame, size) ? 12 : 10;
  bool found[6] = {};
  for (std::size_t i = 0; i < blocks; ++i) {
    const std::uint8_t *b = frame + i * 80;
    const int section = b[0] >> 5;
    const int sequence = b[1] >> 4;
    if (section == 3) {  // audio block: one AAUX pack
      const int half = sequence >= sequences / 2 ? 2 : 0;
      const int slot = b[3] == 0x50 ? half : b[3] == 0x51 ? half + 1 : -1;
      if (slot >= 0 && !found[slot]) {
        info[std::size_t(slot)] = PackData(b + 3);
        found[slot] = true;
      }
    } else if (section == 2) {  // VAUX block: fifteen packs
      for (int p = 0; p < 15; ++p) {
        const std::uint8_t *pack = b + 3 + 5 * p;
        const int slot = pack[0] == 0x60 ? 4 : pack[0] == 0x61 ? 5 : -1;
        if (slot >= 0 && !found[slot]) {
          info[std::size_t(slot)] = PackData(pack);
          found[slot] = true;
        }
      }
    }
  }
  return info;
}

bool DvFrameIs625(const std::uint8_t *frame, std::size_t size) {
  if (!frame || size < 4) return size >= 144000;
  return (frame[3] & 0x80) != 0;
}

}  // namespace vistrel::media
