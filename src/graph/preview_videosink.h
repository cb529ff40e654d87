#pragma once
// The element the preview chain ends in: an appsink taking 32-bit RGB frames and
// handing each to the video window's mailbox. It never holds up the stream:
// one buffer at most, older ones dropped, and the callback only swaps a frame.
#include <QSize>
#include <memory>
#include <mutex>

#include "media/gstref.h"

namespace vistrel::ui {
class FrameMailbox;
class VideoWindow;
}

namespace vistrel {

class PreviewVideoSink {
 public:
  PreviewVideoSink();
  ~PreviewVideoSink();
  PreviewVideoSink(const PreviewVideoSink &) = delete;
  PreviewVideoSink &operator=(const PreviewVideoSink &) = delete;

  // Null when appsink is missing.
  GstElement *Element() const { return sink_.get(); }
  // Where frames go from now on; null sends them nowhere.
  void SetWindow(ui::VideoWindow *window);
  int FramesReceived() const;
  // UI thread: frames come at this size from now on (the converter in front
  // scales them); empty: at the picture's own size.
  void SetDisplaySize(QSize size);

 private:
  static GstFlowReturn OnNewSample(GstElement *sink, gpointer self);
  void Deliver(media::SampleRef sample);

  media::ElementRef sink_;
  mutable std::mutex lock_;
  std::shared_ptr<ui::FrameMailbox> mailbox_;
  int received_ = 0;
  QSize displaySize_;
};

}  // namespace vistrel
