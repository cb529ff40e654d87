// Preview display modes: layout, ratio, full screen, lock, inlay, flips,
// volume and freezes.
#include "app/mainform.h"

namespace vistrel {

void TCaptureForm::BindDisplayActions() {}
void TCaptureForm::ChargerPrefsDisplay() {}
void TCaptureForm::AppliquerPrefsDisplayDifferees() {}
void TCaptureForm::SauverPrefsDisplay() {}
void TCaptureForm::DisposerFenetre() {}
void TCaptureForm::DimensionnerWithRatio() {}
void TCaptureForm::AppliquerVerrou(bool) {}
void TCaptureForm::AppliquerIncrust() {}
void TCaptureForm::AppliquerVolume() {}
void TCaptureForm::OnDvRatioChanged(bool) {}
void TCaptureForm::MajStatusBar() {}

}  // namespace vistrel
