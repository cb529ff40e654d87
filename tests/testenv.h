#pragma once
// Shared helpers for the test programs: every test runs with its own HOME and
// XDG folders under a temporary directory, so nothing touches the user's files.
#include <QString>

#include <functional>

namespace vistrel::test {

// The temporary root that stands in for HOME during the run.
QString sandboxRoot();

// A fresh empty folder under the sandbox, unique per call.
QString freshDir(const QString &hint);

// The one way tests wait: the event loop runs (streams and timers go on)
// until done() or the time runs out; returns done().
bool SpinUntil(const std::function<bool()> &done, int ms = 15000);
// The same, giving the milliseconds it took.
long long MsUntil(const std::function<bool()> &done, int ms);
// The event loop runs for `ms`, whatever happens.
void SpinFor(int ms);

}  // namespace vistrel::test
