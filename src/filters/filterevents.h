#pragma once
// What the filters tell the main window. They call it on streaming threads;
// the main window implements it with queued invocations, so a filter never
// waits for the user-interface thread.

namespace vistrel::filters {

class FilterEvents {
 public:
  virtual ~FilterEvents() = default;
  // A grabbed frame waits in this ring slot.
  virtual void GrabReady(int slot) = 0;
  // Whole seconds left before the next interval grab (sent when it changes).
  virtual void CountdownSeconds(int seconds) = 0;
  // The DV frames became 16:9 (true) or stopped being 16:9 (false).
  virtual void DvRatioChanged(bool wide) = 0;
};

}  // namespace vistrel::filters
