#pragma once
// The media framework check at program start: the version and the elements Vistrel
// needs. A failed check asks whether to go on; any answer but Yes ends the program.
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace vistrel {

inline constexpr int kMinimumFrameworkVersion = 122;  // GStreamer 1.22, as major * 100 + minor

struct FrameworkFacts {
  QString versionText;   // e.g. "1.22.0", or "Error"
  int majorMinor = 0;    // e.g. 122; 0 when unknown
  std::vector<std::pair<QString, QString>> missing;  // element, Debian package
};

bool NeedsFrameworkWarning(const FrameworkFacts &facts);
QString FrameworkWarningText(const FrameworkFacts &facts);

// Reads the facts from the running GStreamer.
FrameworkFacts ReadFrameworkFacts();

// Shows the warning when needed; false means the program must end now.
bool RunStartupCheck(const FrameworkFacts &facts);

// What the user must be told at start when the folder of the settings (which
// also holds the journal of the recordings under way) cannot be written, or the
// settings file beside the program (`portableIni`, when it exists) cannot be
// replaced; empty when everything can be written.
QString UnwritableSettingsText(const QString &settingsFolder, const QString &portableIni);

}  // namespace vistrel
