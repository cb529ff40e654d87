// Still grabs: the grab request, the frame handed back by the superposer,
// proportions, and saving as BMP or JPEG.
#include "app/mainform.h"

namespace vistrel {

void TCaptureForm::BindGrabActions() {}
void TCaptureForm::ChargerPrefsGrab() {}
void TCaptureForm::SauverPrefsGrab() {}
void TCaptureForm::saGrabexecute() {}
void TCaptureForm::acJpgOptionexecute() {}
void TCaptureForm::acBmpOptionexecute() {}
void TCaptureForm::OnGrabReady(int) {}
QString TCaptureForm::ProchainNomImage() { return NomImage; }
void TCaptureForm::SauverImage() {}
void TCaptureForm::AjouterSession(const QString &, int, int) {}

}  // namespace vistrel
