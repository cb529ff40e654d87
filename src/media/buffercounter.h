#pragma once
// Counts the buffers that pass a pad. The streaming thread only adds to an
// atomic; the main thread reads it whenever it likes, so neither waits. The
// count outlives the probe and the probe the counter, whichever goes first.
#include <atomic>
#include <cstdint>
#include <memory>

#include "media/gstref.h"

namespace vistrel::media {

class BufferCounter {
 public:
  BufferCounter() = default;
  ~BufferCounter();
  BufferCounter(const BufferCounter &) = delete;
  BufferCounter &operator=(const BufferCounter &) = delete;

  // Counts at `pad` from now on (a pad watched before is let go).
  void Watch(GstPad *pad);
  void Unwatch();
  std::uint64_t Count() const { return count_->load(std::memory_order_relaxed); }

 private:
  std::shared_ptr<std::atomic<std::uint64_t>> count_ = std::make_shared<std::atomic<std::uint64_t>>(0);
  PadRef pad_;
  gulong probe_ = 0;
};

}  // namespace vistrel::media
