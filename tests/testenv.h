#pragma once
// Shared helpers for the test programs: every test runs with its own HOME and
// XDG folders under a temporary directory, so nothing touches the user's files.
#include <QString>

namespace vistrel::test {

// The temporary root that stands in for HOME during the run.
QString sandboxRoot();

// A fresh empty folder under the sandbox, unique per call.
QString freshDir(const QString &hint);

}  // namespace vistrel::test
