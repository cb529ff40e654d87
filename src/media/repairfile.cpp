#include "media/repairfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace vistrel::media {

std::uint32_t RepairBytes::U16At(std::uint64_t at, bool *ok) {
  std::uint8_t b[2] = {};
  const bool got = Read(at, b, 2);
  if (ok) *ok = got;
  return got ? Le16(b) : 0;
}

std::uint32_t RepairBytes::U32At(std::uint64_t at, bool *ok) {
  std::uint8_t b[4] = {};
  const bool got = Read(at, b, 4);
  if (ok) *ok = got;
  return got ? Le32(b) : 0;
}

bool RepairBytes::Put16(std::uint64_t at, std::uint32_t value) {
  const std::uint8_t b[2] = {std::uint8_t(value), std::uint8_t(value >> 8)};
  return Write(at, b, 2);
}

bool RepairBytes::Put32(std::uint64_t at, std::uint32_t value) {
  const std::uint8_t b[4] = {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
                             std::uint8_t(value >> 24)};
  return Write(at, b, 4);
}

bool RepairBytes::Put64(std::uint64_t at, std::uint64_t value) {
  return Put32(at, std::uint32_t(value)) && Put32(at + 4, std::uint32_t(value >> 32));
}

std::string RepairBytes::Tag(std::uint64_t at) {
  char b[4];
  return Read(at, b, 4) ? std::string(b, 4) : std::string();
}

bool MemoryBytes::Read(std::uint64_t at, void *out, std::size_t n) {
  if (at > bytes_.size() || n > bytes_.size() - at) return false;
  if (n) std::memcpy(out, bytes_.data() + at, n);
  return true;
}

bool MemoryBytes::Write(std::uint64_t at, const void *data, std::size_t n) {
  // A repair only appends right at the end, never leaves a hole.
  if (at > bytes_.size()) return false;
  if (at + n > bytes_.size()) bytes_.resize(at + n);
  if (n) std::memcpy(bytes_.data() + at, data, n);
  return true;
}

bool MemoryBytes::Truncate(std::uint64_t size) {
  if (size > bytes_.size()) return false;
  bytes_.resize(size);
  return true;
}

DiskBytes::DiskBytes(const std::string &path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  struct stat st{};
  if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
    ::close(fd_);
    fd_ = -1;
  }
  if (fd_ >= 0) size_ = std::uint64_t(st.st_size);
}

DiskBytes::~DiskBytes() {
  if (fd_ >= 0) ::close(fd_);
}

bool DiskBytes::Read(std::uint64_t at, void *out, std::size_t n) {
  if (fd_ < 0 || at > size_ || n > size_ - at) return false;
  auto *p = static_cast<char *>(out);
  while (n > 0) {
    const ssize_t got = ::pread(fd_, p, n, off_t(at));
    if (got <= 0) return false;
    p += got;
    at += std::uint64_t(got);
    n -= std::size_t(got);
  }
  return true;
}

bool DiskBytes::Write(std::uint64_t at, const void *data, std::size_t n) {
  if (fd_ < 0 || at > size_) return false;
  const auto *p = static_cast<const char *>(data);
  std::uint64_t pos = at;
  std::size_t left = n;
  while (left > 0) {
    const ssize_t put = ::pwrite(fd_, p, left, off_t(pos));
    if (put <= 0) return Refused();
    p += put;
    pos += std::uint64_t(put);
    left -= std::size_t(put);
  }
  if (pos > size_) size_ = pos;
  return true;
}

bool DiskBytes::Truncate(std::uint64_t size) {
  if (fd_ < 0 || size > size_) return false;
  if (::ftruncate(fd_, off_t(size)) != 0) return Refused();
  size_ = size;
  return true;
}

bool DiskBytes::Sync() { return fd_ >= 0 && (::fsync(fd_) == 0 || Refused()); }

}  // namespace vistrel::media
