#include "app/startupcheck.h"

#include <QFileInfo>

#include "graph/dsfunctions.h"
#include "media/requirements.h"
#include "platform/dialogs.h"
#include "platform/folders.h"
#include "platform/product.h"

namespace vistrel {

bool NeedsFrameworkWarning(const FrameworkFacts &facts) {
  return facts.majorMinor < kMinimumFrameworkVersion || !facts.missing.empty();
}

QString FrameworkWarningText(const FrameworkFacts &facts) {
  QString text = QString("You use GStreamer %1.<BR>").arg(facts.versionText);
  text += QString("You should use at least GStreamer %1.%2 in order to run correctly %3 version %4 %5.<BR>")
              .arg(kMinimumFrameworkVersion / 100)
              .arg(kMinimumFrameworkVersion % 100)
              .arg(kProductTitle, kProductVersion, kLanguageCode);
  if (!facts.missing.empty()) {
    text += "These GStreamer elements are missing:<BR>";
    for (const auto &[element, package] : facts.missing)
      text += QString("   %1 (install the package %2)<BR>").arg(element, package);
  }
  text += "Do you want to continue anyway? If yes, the application may not work well.";
  return text;
}

FrameworkFacts ReadFrameworkFacts() {
  FrameworkFacts facts;
  facts.versionText = VersionDirectX();
  facts.majorMinor = VersionMajeureDirectX();
  for (const auto &m : media::MissingElements()) facts.missing.emplace_back(m.element, m.package);
  return facts;
}

bool RunStartupCheck(const FrameworkFacts &facts) {
  if (!NeedsFrameworkWarning(facts)) return true;
  const auto answer = platform::DialogService::Instance().Ask(
      platform::DlgKind::Warning, FrameworkWarningText(facts), platform::DlgButtons::YesNo);
  return answer == platform::DlgAnswer::Yes;
}

QString UnwritableSettingsText(const QString &settingsFolder, const QString &portableIni) {
  QStringList told;
  if (!platform::CanWriteIn(settingsFolder))
    told << QString(
                "The folder of the settings, %1, cannot be written:<BR>"
                "- the settings will not be kept when %2 ends;<BR>"
                "- a recording cut short (a crash, a power failure) cannot be repaired at the next start, "
                "since the journal of the recordings under way cannot be kept there.")
                .arg(settingsFolder, kProductTitle);
  // The ini file is rewritten whole beside itself, so its folder must take a new file.
  if (!portableIni.isEmpty() && QFileInfo::exists(portableIni) && !platform::CanWriteIn(QFileInfo(portableIni).path()))
    told << QString(
                "The settings file %1 is in a folder that cannot be written: the settings will not be kept "
                "when %2 ends.")
                .arg(portableIni, kProductTitle);
  if (told.isEmpty()) return {};
  return told.join("<BR><BR>") + "<BR><BR>Make the folder writable, then start " + kProductTitle + " again.";
}

}  // namespace vistrel
