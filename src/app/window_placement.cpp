#include "app/window_placement.h"

#include <algorithm>

namespace vistrel {

QRect FitInside(const QRect &wanted, const QRect &available, const QSize &minimum) {
  if (available.isEmpty() || available.contains(wanted)) return wanted;
  const int w = std::max(std::min(wanted.width(), available.width()), minimum.width());
  const int h = std::max(std::min(wanted.height(), available.height()), minimum.height());
  // A window larger than the screen keeps its top left corner on it, so its
  // title bar can still be reached.
  const int x = std::max(available.left(), std::min(wanted.left(), available.right() + 1 - w));
  const int y = std::max(available.top(), std::min(wanted.top(), available.bottom() + 1 - h));
  return {x, y, w, h};
}

QRect PlaceToolWindow(const QSize &size, const QRect &main, const QRect &available) {
  const QRect candidates[] = {
      {QPoint(main.left(), main.bottom() + 1), size},
      {QPoint(main.left(), main.top() - size.height()), size},
      {QPoint(main.right() + 1, main.top()), size},
      {QPoint(main.left() - size.width(), main.top()), size},
  };
  for (const QRect &r : candidates) {
    // Sideways the window may slide along the main window's edge to fit.
    const QRect slid = FitInside(r, available);
    if (slid.size() == size && !slid.intersects(main)) return slid;
  }
  return FitInside({QPoint(main.left(), available.top()), size}, available);
}

}  // namespace vistrel
