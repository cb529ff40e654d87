#pragma once
// SIGTERM and SIGINT close the main window the normal way, so a recording is
// finalized and settings are saved when the session is ended from outside.
class QWidget;

namespace vistrel {

void InstallTerminationHandler(QWidget *window);

}  // namespace vistrel
