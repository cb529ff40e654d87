// Why a capture chain could not be built or started, kept for the user's
// message and logged where a report from a real device is read first.
#include "graph/avgraph.h"
#include "media/debug.h"

#define GST_CAT_DEFAULT vistrel::media::DebugCategory(vistrel::media::Subsystem::Graph)

namespace vistrel {

void Tdm::BeginCaptureBuild() {
  captureFailure_.clear();
  fg_.ClearFailure();
}

bool Tdm::FailCapture(const QString &why) {
  // The returns after the first failure of a build are its consequences.
  if (!captureFailure_.isEmpty()) return false;
  const QString graph = fg_.LastFailure();
  captureFailure_ = graph.isEmpty() || why.contains(graph) ? why : why + ": " + graph;
  GST_WARNING("capture not built: %s", captureFailure_.toUtf8().constData());
  return false;
}

}  // namespace vistrel
