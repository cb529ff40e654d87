// Capture chains written through an AVI muxer, and the parts every chain shares.
#include "graph/avgraph.h"

namespace vistrel {

bool Tdm::SetOutputFileName(const QString &, const QString &) { return false; }
bool Tdm::FormatAudioCapture(bool) { return false; }
bool Tdm::GrapheDV2Natif(const QString &) { return false; }
bool Tdm::GrapheAviNatif(const QString &) { return false; }
bool Tdm::GrapheDV2Recomp(const QString &) { return false; }
bool Tdm::GrapheImageParImage(const QString &, std::function<void()>) { return false; }
bool Tdm::GrapheDivx(const QString &) { return false; }
bool Tdm::RetirerCapture() { return true; }
bool Tdm::ChangerFichierCapture(int, const QString &) { return false; }
int Tdm::CaptureDropped() const { return -1; }
int Tdm::CaptureNotDropped() const { return -1; }

}  // namespace vistrel
