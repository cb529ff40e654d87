// Format 1: the DV camcorder's frames go into a type-1 DV AVI whole, sound
// included, as one interleaved stream. A plug-in device builds its own.
#include "graph/capture_avi_parts.h"
#include "graph/capture_common.h"
#include "media/dvavimux.h"
#include "sources/avsources.h"

namespace vistrel {

bool Tdm::GrapheDV1Natif(const QString &file) {
  sources::TCaptureDevice *device = CurrentVideoDevice ? CurrentVideoDevice->Device : nullptr;
  if (!device) return false;
  if (device->Kind != sources::DeviceKind::DV) return device->BuildMuxGraph(file);
  // The DV device's tee of whole frames; its pin 1 feeds the splitter.
  GstElement *tee = fg().FindFilter(QStringLiteral("dv_muxinfinite"));
  if (!tee || !media::RegisterDvAviMux() || !SetOutputFileName(QStringLiteral("vistreldvavimux"), file)) return false;
  // DV frames stand alone: when the disk falls behind, the oldest go
  // (counted) rather than the camcorder's stream being held up.
  media::PadRef tap = avicapture::VideoTap(*this, tee, true);
  media::PadRef in = media::FirstUnconnectedPin(CaptureMux.get(), GST_PAD_SINK);
  if (!tap || !fg().Connect(tap.get(), in.get())) return false;
  avicapture::CountWritten(*this, in.get());
  avicapture::DeclareBranch(*this, tap.get(), CaptureSink.get());
  return true;
}

}  // namespace vistrel
