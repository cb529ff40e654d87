#pragma once
// Keeps a file being recorded from filling its disk: a probe on the file
// sink's input measures the free space of the file's volume as data goes by
// and, once it falls under the reserve, posts one "vistrel-disk-low" element
// message (fields "location", "free") so the main thread can end the capture
// while the muxer still has room for its index and header. Nothing is dropped
// or delayed here: a muxer whose writes vanish would leave a broken file.
#include "media/gstref.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

namespace vistrel::media {

inline constexpr const char *kDiskLowMessage = "vistrel-disk-low";

class DiskWatch {
 public:
  // `reserve` is shared so that a change reaches the watches already running.
  DiskWatch(GstElement *fileSink, std::shared_ptr<std::atomic<std::int64_t>> reserve);
  ~DiskWatch();
  DiskWatch(const DiskWatch &) = delete;
  DiskWatch &operator=(const DiskWatch &) = delete;

  GstElement *Sink() const { return sink_.get(); }

  struct State;

 private:
  ElementRef sink_;
  PadRef pad_;
  gulong probe_ = 0;
};

}  // namespace vistrel::media
