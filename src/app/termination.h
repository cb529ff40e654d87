#pragma once
// SIGTERM and SIGINT close the main window the normal way, so a recording is
// finalized and settings are saved when the session is ended from outside.
class QWidget;

namespace vistrel {

// Catches the signals from now on; call first thing, so that a signal that
// arrives during start-up is kept for the window instead of killing the process.
// A second signal while the first has not been taken (a start-up or a user
// interface that is busy) ends the process at once.
void CatchTerminationSignals();

// Closes `window` when a caught signal arrives (also one caught before this call).
void CloseOnTermination(QWidget *window);

}  // namespace vistrel
