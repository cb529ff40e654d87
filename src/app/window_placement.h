#pragma once
// Where windows open on a screen: inside its available area (the screen
// without its panels), and tool windows clear of the main window's controls.
#include <QList>
#include <QRect>

class QWidget;

namespace vistrel {

// `wanted` shrunk to `available` (never below `minimum`) and moved inside
// it. A rectangle that already lies inside is kept as it is: saved geometry
// from a larger screen, or from another scale factor, never opens partly
// off-screen.
QRect FitInside(const QRect &wanted, const QRect &available, const QSize &minimum = {});

// A tool window of `size` (a camcorder window, the shortcuts list) beside
// the main window `main`: below it, else above it, else to its right, else
// to its left, whichever first fits inside `available`. When none fits it
// goes over the main window where it covers none of `keepClear` (the main
// window's controls), trying its top corners and its top centre; failing
// that, to the top of the available area, over the picture rather than over
// the capture buttons and the status bar at the main window's foot. A window
// that may be made smaller (`leastHeight` > 0) is shortened there to end
// above what it would cover, when that leaves it at least `leastHeight`.
QRect PlaceToolWindow(const QSize &size, const QRect &main, const QRect &available, const QList<QRect> &keepClear = {},
                      int leastHeight = 0);

// Where, on the screen, the main window `form` has the controls a tool
// window must not hide: the capture buttons, the display-mode column and
// the status bar.
QList<QRect> ControlsToKeepClear(const QWidget *form);

}  // namespace vistrel
