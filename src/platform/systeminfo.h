#pragma once
// Names of the running system for the help panel's report.
#include <QString>

namespace vistrel::platform {

// PRETTY_NAME of /etc/os-release (for example "Debian GNU/Linux 12
// (bookworm)"); "Linux" when it cannot be read.
QString DistributionName();

// Kernel name and release from uname, for example "Linux 6.1.0-18-amd64".
QString KernelVersion();

// The PRETTY_NAME value of os-release text, unquoted; empty when absent.
QString PrettyNameFromOsRelease(const QString &osReleaseText);

}  // namespace vistrel::platform
