#pragma once
// A file sink that writes a recording.
#include <gst/gst.h>

#include <QString>

namespace vistrel::media {

// Aims `fileSink` at `file` for a live recording: it never waits to preroll,
// and it hands every buffer to the system as it comes instead of gathering
// 64 KB first (four seconds of MP3), so a killed program loses only what the
// encoders still held. Syncing to the disk is platform::FileSync's part.
void AimRecordingSink(GstElement *fileSink, const QString &file);

}  // namespace vistrel::media
