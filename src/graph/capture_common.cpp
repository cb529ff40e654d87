#include "graph/capture_common.h"

#include "graph/capture_avi_parts.h"
#include "media/pins.h"

namespace vistrel::capture {

bool AimFileWriter(GstElement *fileSink, const QString &file) {
  if (!fileSink || file.isEmpty()) return false;
  // The location can only change while the writer is stopped.
  gst_element_set_state(fileSink, GST_STATE_NULL);
  g_object_set(fileSink, "location", file.toLocal8Bit().constData(), "async", FALSE, nullptr);
  return true;
}

GstElement *AddOwn(Tdm &dm, const QString &graphName) {
  GstElement *e = dm.OwnElement(graphName);
  return e && dm.fg().AddFilter(e, graphName) ? e : nullptr;
}

bool AddComponent(Tdm &dm, const media::ElementRef &element, const QString &graphName) {
  return element && dm.fg().AddFilter(element.get(), graphName);
}

bool Join(Tdm &dm, GstElement *from, GstElement *to) { return from && to && dm.fg().ConnectFilters(from, to); }

media::PadRef TapAudio(Tdm &dm) {
  if (!dm.fg().Contains(dm.infdecaudio.get()) || !AddComponent(dm, dm.acmcap, QStringLiteral("acmcap"))) return {};
  media::PadRef tap = avicapture::AudioTap(dm, dm.infdecaudio.get());
  return tap && dm.fg().Connect(tap.get(), media::Pin(dm.acmcap.get(), 0).get()) ? tap : media::PadRef();
}

GstElement *AddAudioTamponer(Tdm &dm) {
  GstElement *tamponer = AddOwn(dm, QStringLiteral("AudioCap Tamponer"));
  GstElement *format = dm.fg().FindFilter(QStringLiteral("Capture acmcap format"));
  return Join(dm, format ? format : dm.acmcap.get(), tamponer) ? tamponer : nullptr;
}

}  // namespace vistrel::capture
