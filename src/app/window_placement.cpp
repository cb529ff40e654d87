#include "app/window_placement.h"

#include <QStatusBar>
#include <QWidget>
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

namespace {

bool Clear(const QRect &r, const QList<QRect> &keepClear) {
  return std::none_of(keepClear.begin(), keepClear.end(), [&r](const QRect &c) { return r.intersects(c); });
}

// `r` ending above the first of `keepClear` it covers below its top edge.
QRect EndAbove(const QRect &r, const QList<QRect> &keepClear) {
  int bottom = r.bottom();
  for (const QRect &c : keepClear)
    if (c.intersects(r) && c.top() > r.top()) bottom = std::min(bottom, c.top() - 1);
  return QRect(r.topLeft(), QPoint(r.right(), bottom));
}

}  // namespace

QRect PlaceToolWindow(const QSize &size, const QRect &main, const QRect &available, const QList<QRect> &keepClear,
                      int leastHeight) {
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
  if (!keepClear.isEmpty()) {
    const int top = std::max(main.top(), available.top());
    const int xs[] = {main.left(), main.right() + 1 - size.width(), main.center().x() - size.width() / 2};
    for (const int x : xs) {
      const QRect r = FitInside({QPoint(x, top), size}, available);
      if (Clear(r, keepClear)) return r;
      const QRect shorter = EndAbove(r, keepClear);
      if (leastHeight > 0 && shorter.height() >= leastHeight && Clear(shorter, keepClear)) return shorter;
    }
  }
  return FitInside({QPoint(main.left(), available.top()), size}, available);
}

QList<QRect> ControlsToKeepClear(const QWidget *form) {
  QList<QRect> rects;
  for (const char *name : {"CaptureRow", "ActionBar", "PanelBar"})
    if (const auto *w = form->findChild<QWidget *>(name); w && w->isVisible())
      rects << QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
  if (const auto *bar = form->findChild<QStatusBar *>(); bar && bar->isVisible())
    rects << QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size());
  return rects;
}

}  // namespace vistrel
