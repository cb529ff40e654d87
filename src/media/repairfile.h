#pragma once
// The bytes a repair works on: a file on disk or, for tests and fuzzing, a
// buffer in memory. Repairs read and patch through this and nothing else, so
// every size they meet is checked against Size() first.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vistrel::media {

class RepairBytes {
 public:
  virtual ~RepairBytes() = default;
  virtual std::uint64_t Size() const = 0;
  // False when the range is not all inside the file or the read fails.
  virtual bool Read(std::uint64_t at, void *out, std::size_t n) = 0;
  virtual bool Write(std::uint64_t at, const void *data, std::size_t n) = 0;
  // Only ever used to drop the cut-off tail a new index was written over.
  virtual bool Truncate(std::uint64_t size) = 0;
  // Makes what was written durable.
  virtual bool Sync() { return true; }

  std::uint32_t U16At(std::uint64_t at, bool *ok = nullptr);
  std::uint32_t U32At(std::uint64_t at, bool *ok = nullptr);
  bool Put32(std::uint64_t at, std::uint32_t value);
  bool Put16(std::uint64_t at, std::uint32_t value);
  bool Put64(std::uint64_t at, std::uint64_t value);
  // The four characters at `at`, or an empty string past the end.
  std::string Tag(std::uint64_t at);
};

class MemoryBytes : public RepairBytes {
 public:
  explicit MemoryBytes(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool Read(std::uint64_t at, void *out, std::size_t n) override;
  bool Write(std::uint64_t at, const void *data, std::size_t n) override;
  bool Truncate(std::uint64_t size) override;
  const std::vector<std::uint8_t> &Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

class DiskBytes : public RepairBytes {
 public:
  // Opens for reading and writing; Open() tells whether it worked.
  explicit DiskBytes(const std::string &path);
  ~DiskBytes() override;
  DiskBytes(const DiskBytes &) = delete;
  DiskBytes &operator=(const DiskBytes &) = delete;
  bool Open() const { return fd_ >= 0; }
  std::uint64_t Size() const override { return size_; }
  bool Read(std::uint64_t at, void *out, std::size_t n) override;
  bool Write(std::uint64_t at, const void *data, std::size_t n) override;
  bool Truncate(std::uint64_t size) override;
  bool Sync() override;
  // A write, truncation or sync the disk refused (a full disk): the repair
  // may succeed later, with room.
  bool WriteFailed() const { return writeFailed_; }

 private:
  bool Refused() {
    writeFailed_ = true;
    return false;
  }
  int fd_ = -1;
  bool writeFailed_ = false;
  std::uint64_t size_ = 0;
};

// Little-endian values in a byte buffer.
inline std::uint32_t Le16(const std::uint8_t *p) { return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8; }
inline std::uint32_t Le32(const std::uint8_t *p) { return Le16(p) | Le16(p + 2) << 16; }
inline std::uint64_t Le64(const std::uint8_t *p) { return std::uint64_t(Le32(p)) | std::uint64_t(Le32(p + 4)) << 32; }

}  // namespace vistrel::media
