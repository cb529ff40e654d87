#pragma once
// The side panels' fields fitted to the room their column gives them.
namespace vistrel {

class TCaptureForm;

// The Folders panel: its path fields show a long path by its two ends (the
// whole path as tooltip), and its "..." buttons are as wide as their text.
// The Help panel gets its button to the shortcuts window.
void FitPanelFields(TCaptureForm &form);

}  // namespace vistrel
