#pragma once
// Counts the video frames a recording branch lost and the ones it wrote.
// Lost frames are those missing from the numbering of the buffers that reach
// the branch (a source that could not deliver them) plus those the branch's
// leaky queue threw away because the encoder fell behind. Frames written are
// those that pass the branch's output. The counts are kept apart from the
// probes so a probe still running while the counter goes is harmless.
#include "media/gstref.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace vistrel::media {

class DroppedFrames {
 public:
  DroppedFrames() = default;
  ~DroppedFrames();
  DroppedFrames(const DroppedFrames &) = delete;
  DroppedFrames &operator=(const DroppedFrames &) = delete;

  // The queue that starts the branch: numbering gaps are read at its input,
  // frames it let go at its output.
  void WatchQueue(GstElement *queue);
  // Where frames leave the branch for the file.
  void WatchOutput(GstPad *pad);

  int Dropped() const;
  int NotDropped() const;

  struct Counts {
    std::atomic<std::int64_t> in{0}, out{0}, gaps{0}, written{0};
    std::atomic<std::uint64_t> nextOffset{GST_BUFFER_OFFSET_NONE};
  };
  // Notes one buffer arriving at the branch (numbering and count).
  static void NoteArrival(Counts &counts, GstBuffer *buffer);

 private:
  void Probe(GstPad *pad, std::atomic<std::int64_t> Counts::*counter, bool arrival);

  struct Watch {
    PadRef pad;
    gulong id;
  };
  std::shared_ptr<Counts> counts_ = std::make_shared<Counts>();
  ElementRef queue_;
  std::vector<Watch> watches_;
};

}  // namespace vistrel::media
