#pragma once
// Controller state and the colour of the frame drawn around the video for it.
#include <QColor>
#include <cstdint>

namespace vistrel {

enum EtatCapture : std::uint8_t {
  esPreview = 1,            // preview only
  esCapture = 2,            // manual capture running
  esAttente = 3,            // schedule armed, waiting for the start time
  esCaptureProgrammee = 4,  // capture running until the scheduled end
};

// onBackdrop: the full-screen backdrop's frame, which is black (not button face) in preview.
QColor CouleurEtat(EtatCapture etat, bool onBackdrop, const QColor &buttonFace);

}  // namespace vistrel
