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

// Runs the event loop until done() or the time runs out; returns done().
bool SpinUntil(const std::function<bool()> &done, int ms = 15000);

}  // namespace vistrel::test
