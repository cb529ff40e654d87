// Capture chains that write streams other than a plain AVI: Windows Media,
// WAV, MP3, MPEG program streams and type-1 DV.
#include "graph/avgraph.h"

namespace vistrel {

bool Tdm::GrapheWmv(const QString &) { return false; }
bool Tdm::GrapheWav(const QString &) { return false; }
bool Tdm::GrapheMp3(const QString &) { return false; }
bool Tdm::GrapheMpegNatif(const QString &) { return false; }
bool Tdm::GrapheDV1Natif(const QString &) { return false; }

}  // namespace vistrel
