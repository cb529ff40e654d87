#include "media/aviheader.h"

#include <QFile>

#include <cstring>

namespace vistrel::media {

namespace {

std::uint32_t Le32(const std::uint8_t *p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::string FourCC(const std::uint8_t *p) { return std::string(reinterpret_cast<const char *>(p), 4); }

// A hostile file could nest lists without end; ours never go deeper than 4.
constexpr int kMaxDepth = 8;
// Format blocks beyond this are not ours to keep in memory.
constexpr std::uint32_t kMaxFormat = 65536;

bool IsDataChunk(const std::string &id) {
  return id.size() == 4 && id[0] >= '0' && id[0] <= '9' && id[1] >= '0' && id[1] <= '9';
}

class Reader {
 public:
  Reader(const ByteReader &read, std::uint64_t fileSize, AviFile &out) : read_(read), size_(fileSize), out_(out) {}

  void Run() {
    std::uint64_t at = 0;
    while (at + 12 <= size_) {
      std::uint8_t h[12];
      if (!read_(at, h, 12)) break;
      if (FourCC(h) != "RIFF") {
        if (at == 0) Fail("not a RIFF file");
        break;
      }
      RiffChunk form{FourCC(h), FourCC(h + 8), at, Le32(h + 4), {}};
      const bool first = out_.forms.empty();
      if (first && form.listType != "AVI ") {
        Fail("RIFF form is not AVI");
        return;
      }
      const std::uint64_t end = Clamp(at, form.size, size_);
      ReadList(form, at + 12, end, 1, "");
      out_.forms.push_back(std::move(form));
      at = end + (end & 1);
    }
    out_.valid = !out_.forms.empty() && sawHeader_;
    if (!out_.forms.empty() && !sawHeader_) Fail("no hdrl list");
  }

 private:
  void Fail(const std::string &why) {
    if (out_.error.empty()) out_.error = why;
  }

  // The end of a chunk whose header starts at `at`, kept inside `limit`.
  std::uint64_t Clamp(std::uint64_t at, std::uint32_t size, std::uint64_t limit) {
    const std::uint64_t end = at + 8 + std::uint64_t(size);
    if (end > limit) {
      Fail("chunk at " + std::to_string(at) + " runs past its container");
      return limit;
    }
    return end;
  }

  std::vector<std::uint8_t> Data(std::uint64_t at, std::uint32_t size, std::uint32_t limit) {
    std::vector<std::uint8_t> d(std::min(size, limit));
    if (!d.empty() && !read_(at, d.data(), d.size())) d.clear();
    return d;
  }

  void ReadList(RiffChunk &list, std::uint64_t at, std::uint64_t end, int depth, const std::string &parentType) {
    if (depth > kMaxDepth) {
      Fail("lists nested too deep");
      return;
    }
    const bool movi = list.listType == "movi";
    while (at + 8 <= end) {
      std::uint8_t h[12];
      if (!read_(at, h, 8)) return;
      const std::string id = FourCC(h);
      const std::uint32_t size = Le32(h + 4);
      const std::uint64_t chunkEnd = Clamp(at, size, end);
      if (id == "LIST" || id == "RIFF") {
        RiffChunk child{id, {}, at, size, {}};
        if (size >= 4 && read_(at + 8, h + 8, 4)) {
          child.listType = FourCC(h + 8);
          if (child.listType == "hdrl") sawHeader_ = true;
          ReadList(child, at + 12, chunkEnd, depth + 1, list.listType);
        }
        list.children.push_back(std::move(child));
      } else if (movi && IsDataChunk(id)) {
        const std::size_t stream = std::size_t((id[0] - '0') * 10 + (id[1] - '0'));
        if (out_.chunksPerStream.size() <= stream) out_.chunksPerStream.resize(stream + 1, 0);
        ++out_.chunksPerStream[stream];
      } else {
        const std::uint64_t dataAt = at + 8;
        const std::uint32_t avail = std::uint32_t(std::min<std::uint64_t>(size, chunkEnd - dataAt));
        Leaf(id, dataAt, avail, list.listType, parentType);
        list.children.push_back(RiffChunk{id, {}, at, size, {}});
      }
      at = chunkEnd + (chunkEnd & 1);
    }
  }

  void Leaf(const std::string &id, std::uint64_t at, std::uint32_t size, const std::string &listType,
            const std::string &) {
    if (id == "avih" && listType == "hdrl") {
      const auto d = Data(at, size, 56);
      if (d.size() < 40) return Fail("avih too short");
      out_.mainFlags = Le32(&d[12]);
      out_.mainFrames = Le32(&d[16]);
      out_.width = Le32(&d[32]);
      out_.height = Le32(&d[36]);
    } else if (id == "strh" && listType == "strl") {
      const auto d = Data(at, size, 56);
      if (d.size() < 40) return Fail("strh too short");
      AviStreamHeader s;
      s.type = FourCC(&d[0]);
      s.handler = FourCC(&d[4]);
      s.scale = Le32(&d[20]);
      s.rate = Le32(&d[24]);
      s.length = Le32(&d[32]);
      s.suggestedBufferSize = Le32(&d[36]);
      s.offset = at;
      out_.streams.push_back(std::move(s));
    } else if (id == "strf" && listType == "strl" && !out_.streams.empty()) {
      out_.streams.back().format = Data(at, size, kMaxFormat);
    } else if (id == "indx" && listType == "strl" && !out_.streams.empty()) {
      const auto d = Data(at, size, 24);
      if (d.size() < 24) return Fail("indx too short");
      AviStreamHeader &s = out_.streams.back();
      const std::uint32_t fit = (size - 24) / 16;
      s.superIndexEntries = std::min(Le32(&d[4]), fit);
      for (std::uint32_t i = 0; i < s.superIndexEntries; ++i) {
        std::uint8_t e[16];
        if (!read_(at + 24 + std::uint64_t(i) * 16, e, 16)) break;
        s.superIndexFrames += Le32(e + 12);
      }
    } else if (id == "dmlh" && listType == "odml") {
      const auto d = Data(at, size, 4);
      if (d.size() == 4) out_.odmlFrames = Le32(d.data());
      out_.openDml = true;
    } else if (id == "idx1") {
      out_.idx1Entries += size / 16;
    } else if (id.size() == 4 && id[0] == 'i' && id[1] == 'x') {
      const auto d = Data(at, size, 8);
      if (d.size() == 8) out_.standardIndexEntries += std::min(Le32(&d[4]), size >= 24 ? (size - 24) / 8 : 0u);
    }
  }

  const ByteReader &read_;
  std::uint64_t size_;
  AviFile &out_;
  bool sawHeader_ = false;
};

}  // namespace

std::uint64_t AviFile::TotalChunks() const {
  std::uint64_t n = 0;
  for (std::uint64_t c : chunksPerStream) n += c;
  return n;
}

const AviStreamHeader *AviFile::VideoStream() const {
  for (const AviStreamHeader &s : streams)
    if (s.type == "vids" || s.type == "iavs") return &s;
  return nullptr;
}

AviFile ReadAvi(const ByteReader &read, std::uint64_t fileSize) {
  AviFile out;
  Reader(read, fileSize, out).Run();
  return out;
}

AviFile ReadAviFile(const QString &file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) {
    AviFile out;
    out.error = "cannot open " + file.toStdString();
    return out;
  }
  const ByteReader read = [&f](std::uint64_t offset, void *buf, std::size_t n) {
    return f.seek(qint64(offset)) && f.read(static_cast<char *>(buf), qint64(n)) == qint64(n);
  };
  return ReadAvi(read, std::uint64_t(f.size()));
}

AviFile ReadAviBytes(const void *data, std::size_t size) {
  const auto *bytes = static_cast<const std::uint8_t *>(data);
  const ByteReader read = [bytes, size](std::uint64_t offset, void *buf, std::size_t n) {
    if (offset > size || n > size - offset) return false;
    std::memcpy(buf, bytes + offset, n);
    return true;
  };
  return ReadAvi(read, size);
}

bool RewriteAviVideoRate(const QString &file, std::uint32_t scale, std::uint32_t rate) {
  if (scale == 0 || rate == 0) return false;  // a zero rate makes every reader divide by zero
  const AviFile avi = ReadAviFile(file);
  const AviStreamHeader *video = avi.valid ? avi.VideoStream() : nullptr;
  if (!video) return false;
  QFile f(file);
  if (!f.open(QIODevice::ReadWrite)) return false;
  std::uint8_t pair[8];
  for (int i = 0; i < 4; ++i) {
    pair[i] = std::uint8_t(scale >> (8 * i));
    pair[4 + i] = std::uint8_t(rate >> (8 * i));
  }
  if (!f.seek(qint64(video->offset + 20))) return false;
  return f.write(reinterpret_cast<const char *>(pair), 8) == 8 && f.flush();
}

}  // namespace vistrel::media
