#include "media/recordingsink.h"

namespace vistrel::media {

void AimRecordingSink(GstElement *fileSink, const QString &file) {
  if (!fileSink) return;
  gst_util_set_object_arg(G_OBJECT(fileSink), "buffer-mode", "unbuffered");
  g_object_set(fileSink, "location", file.toLocal8Bit().constData(), "async", FALSE, nullptr);
}

}  // namespace vistrel::media
