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
  if (!e) {
    dm.fg().NoteFailure(QStringLiteral("the program's own filter \"%1\" does not exist").arg(graphName));
    return nullptr;
  }
  return dm.fg().AddFilter(e, graphName) ? e : nullptr;
}

bool AddFileWriter(Tdm &dm, const media::ElementRef &fileSink, const QString &graphName, const QString &file) {
  if (!fileSink)
    return dm.fg().NoteFailure(QStringLiteral("no file writer (filesink) could be made for \"%1\"").arg(graphName));
  if (file.isEmpty()) return dm.fg().NoteFailure(QStringLiteral("no file name was given"));
  return AimFileWriter(fileSink.get(), file) && dm.fg().AddFilter(fileSink.get(), graphName);
}

media::PadRef TapAudio(Tdm &dm) {
  if (!dm.fg().Contains(dm.infdecaudio.get())) {
    dm.fg().NoteFailure(QStringLiteral("the decoded sound (infdecaudio) is not in the graph"));
    return {};
  }
  if (!dm.acmcap) {
    dm.fg().NoteFailure(QStringLiteral("no audio converter (audioconvert) could be made"));
    return {};
  }
  if (!dm.fg().AddFilter(dm.acmcap.get(), "acmcap")) return {};
  media::PadRef tap = avicapture::AudioTap(dm, dm.infdecaudio.get());
  return tap && dm.fg().Connect(tap.get(), media::Pin(dm.acmcap.get(), 0).get()) ? tap : media::PadRef();
}

GstElement *AddAudioTamponer(Tdm &dm) {
  GstElement *tamponer = AddOwn(dm, QStringLiteral("AudioCap Tamponer"));
  GstElement *format = dm.fg().FindFilter(QStringLiteral("Capture acmcap format"));
  return avicapture::Link(dm.fg(), format ? format : dm.acmcap.get(), tamponer) ? tamponer : nullptr;
}

}  // namespace vistrel::capture
