#include "app/etatcapture.h"

namespace vistrel {

QColor CouleurEtat(EtatCapture etat, bool onBackdrop, const QColor &buttonFace) {
  switch (etat) {
    case esCapture: return Qt::red;
    case esAttente: return Qt::yellow;
    case esCaptureProgrammee: return Qt::magenta;
    case esPreview: break;
  }
  return onBackdrop ? QColor(Qt::black) : buttonFace;
}

}  // namespace vistrel
