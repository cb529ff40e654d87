// Format 1: the DV camcorder's frames go into a type-1 DV AVI whole, sound
// included, as one interleaved stream. A plug-in device builds its own.
#include "graph/capture_avi_parts.h"
#include "graph/capture_common.h"
#include "media/dvavimux.h"
#include "sources/avsources.h"

namespace vistrel {

bool Tdm::GrapheDV1Natif(const QString &file) {
  BeginCaptureBuild();
  sources::TCaptureDevice *device = currentVideo_ ? currentVideo_->Device : nullptr;
  if (!device) return FailCapture("no video device is connected");
  if (device->Kind != sources::DeviceKind::DV) {
    if (device->BuildMuxGraph(file)) return true;
    return FailCapture(
        QStringLiteral("the device \"%1\" could not build its own recording chain").arg(device->DisplayName));
  }
  // The DV device's tee of whole frames; its pin 1 feeds the splitter.
  GstElement *tee = fg().FindFilter(QStringLiteral("dv_muxinfinite"));
  if (!tee) return FailCapture("the DV camcorder's stream of whole frames (dv_muxinfinite) is not in the graph");
  if (!media::RegisterDvAviMux())
    return FailCapture("the type-1 DV AVI muxer (vistreldvavimux) could not be registered");
  if (!SetOutputFileName(QStringLiteral("vistreldvavimux"), file))
    return FailCapture("the AVI file could not be set up");
  // DV frames stand alone: when the disk falls behind, the oldest go
  // (counted) rather than the camcorder's stream being held up.
  media::PadRef tap = avicapture::VideoTap(*this, tee, true);
  media::PadRef in = media::FirstUnconnectedPin(CaptureMux.get(), GST_PAD_SINK);
  if (!tap || !fg().Connect(tap.get(), in.get())) return FailCapture("the DV frames could not reach the type-1 muxer");
  avicapture::CountWritten(*this, in.get());
  avicapture::DeclareBranch(*this, tap.get(), CaptureSink.get());
  return true;
}

}  // namespace vistrel
