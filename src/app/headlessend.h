#pragma once
// Without a display nobody can close the window, so a run that has nothing left
// to do must end by itself instead of waiting forever.
namespace vistrel {

class TCaptureForm;

// True on Qt's platforms that show nothing to anyone (offscreen, minimal).
bool RunsWithoutDisplay();

// Once the command line and the command file have run, closes the window (the
// normal close path) as soon as the controller is back in preview: at once when no
// capture or schedule is under way, else when the recording or the schedule ends.
void EndWhenIdle(TCaptureForm &form);

}  // namespace vistrel
