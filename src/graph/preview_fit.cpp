#include "graph/preview_fit.h"

#include <QEvent>
#include <algorithm>

#include "graph/preview_videosink.h"
#include "ui/videowindow.h"

namespace vistrel {

namespace {
constexpr int kSmallest = 16;  // below this a picture tells nothing; Qt scales it
}  // namespace

PreviewFit::PreviewFit(PreviewVideoSink &sink, QObject *parent) : QObject(parent), sink_(sink) {}

PreviewFit::~PreviewFit() { Unhook(); }

QSize PreviewFit::DisplaySize(QSize picture, QSize area, bool stretch) {
  if (picture.isEmpty() || area.width() < kSmallest || area.height() < kSmallest) return {};
  QSize target = stretch ? area : ui::VideoWindow::FittedRect(picture, QRect(QPoint(), area)).size();
  target = target.boundedTo(picture).expandedTo(QSize(kSmallest, kSmallest));
  return target == picture ? QSize() : target;
}

void PreviewFit::SetWindow(ui::VideoWindow *window) {
  if (window_) window_->removeEventFilter(this);
  window_ = window;
  if (window_) window_->installEventFilter(this);
  Refit();
}

void PreviewFit::Unhook() {
  if (converterIn_ && probe_) gst_pad_remove_probe(converterIn_.get(), probe_);
  probe_ = 0;
  converterIn_ = {};
}

void PreviewFit::SetConverter(GstElement *converter) {
  Unhook();
  if (!converter) return;
  converterIn_ = media::PadRef::Adopt(gst_element_get_static_pad(converter, "sink"));
  if (!converterIn_) return;
  // A new picture size is fitted again (the stream's thread only queues it);
  // the sink's request for a new size stops at the converter, which alone
  // changes: the source and the recording branches keep their format.
  probe_ = gst_pad_add_probe(
      converterIn_.get(), GstPadProbeType(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_EVENT_UPSTREAM),
      [](GstPad *, GstPadProbeInfo *info, gpointer self) {
        GstEvent *e = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(e) == GST_EVENT_RECONFIGURE) return GST_PAD_PROBE_DROP;
        if (GST_EVENT_TYPE(e) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
        auto *fit = static_cast<PreviewFit *>(self);
        GstCaps *caps = nullptr;
        gst_event_parse_caps(e, &caps);
        int w = 0, h = 0;
        const GstStructure *s = caps && gst_caps_get_size(caps) > 0 ? gst_caps_get_structure(caps, 0) : nullptr;
        if (s && gst_structure_get_int(s, "width", &w) && gst_structure_get_int(s, "height", &h)) {
          fit->pictureWidth_ = w;
          fit->pictureHeight_ = h;
        }
        QMetaObject::invokeMethod(fit, &PreviewFit::Refit, Qt::QueuedConnection);
        return GST_PAD_PROBE_OK;
      },
      this, nullptr);
}

QSize PreviewFit::PictureSize() const { return QSize(pictureWidth_, pictureHeight_); }

void PreviewFit::Refit() {
  QSize area;
  bool stretch = false;
  if (window_ && window_->isVisible()) {
    area = window_->size() * window_->devicePixelRatioF();
    stretch = window_->StretchToWindow;
  }
  sink_.SetDisplaySize(DisplaySize(PictureSize(), area, stretch));
}

bool PreviewFit::eventFilter(QObject *watched, QEvent *event) {
  if (watched == window_ &&
      (event->type() == QEvent::Resize || event->type() == QEvent::Show || event->type() == QEvent::Hide))
    Refit();
  return QObject::eventFilter(watched, event);
}

}  // namespace vistrel
