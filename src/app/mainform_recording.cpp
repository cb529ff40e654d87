// Recording: the Capture button, Cut, output file names and the controls of
// each capture state.
#include "app/mainform.h"

namespace vistrel {

void TCaptureForm::BindRecordingActions() {}
void TCaptureForm::ChargerPrefsRecording() {}
void TCaptureForm::SauverPrefsRecording() {}
void TCaptureForm::saCapturerBasculeexecute() {}
void TCaptureForm::acCouperexecute() {}
bool TCaptureForm::DemarrerCapture() { return false; }
bool TCaptureForm::ArreterCapture() { return false; }
void TCaptureForm::EchecArret() {}
QString TCaptureForm::ProchainNomVideo() { return NomVideo; }
void TCaptureForm::EtatCaptureManuelle() {}
void TCaptureForm::FinImageParImage() {}

}  // namespace vistrel
