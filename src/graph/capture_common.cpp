#include "graph/capture_common.h"

#include "graph/capture_avi_parts.h"
#include "media/pins.h"
#include "media/recordingsink.h"

namespace vistrel::capture {

bool AimFileWriter(GstElement *fileSink, const QString &file) {
  if (!fileSink || file.isEmpty()) return false;
  // The location can only change while the writer is stopped.
  gst_element_set_state(fileSink, GST_STATE_NULL);
  media::AimRecordingSink(fileSink, file);
  return true;
}

GstElement *AddOwn(Tdm &dm, const QString &graphName) {
  GstElement *e = dm.OwnElement(graphName);
  return e && dm.fg().AddFilter(e, graphName) ? e : nullptr;
}

bool AddFileWriter(Tdm &dm, const media::ElementRef &fileSink, const QString &graphName, const QString &file) {
  return AimFileWriter(fileSink.get(), file) && dm.fg().AddFilter(fileSink.get(), graphName);
}

media::PadRef TapAudio(Tdm &dm) {
  if (!dm.fg().Contains(dm.infdecaudio.get()) || !dm.acmcap || !dm.fg().AddFilter(dm.acmcap.get(), "acmcap"))
    return {};
  media::PadRef tap = avicapture::AudioTap(dm, dm.infdecaudio.get());
  return tap && dm.fg().Connect(tap.get(), media::Pin(dm.acmcap.get(), 0).get()) ? tap : media::PadRef();
}

GstElement *AddAudioTamponer(Tdm &dm) {
  GstElement *tamponer = AddOwn(dm, QStringLiteral("AudioCap Tamponer"));
  GstElement *format = dm.fg().FindFilter(QStringLiteral("Capture acmcap format"));
  return avicapture::Link(dm.fg(), format ? format : dm.acmcap.get(), tamponer) ? tamponer : nullptr;
}

}  // namespace vistrel::capture
