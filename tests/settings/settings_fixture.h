#pragma once
// Every settings test gets its own program folder (where Vistrel.ini lives) and
// its own registry file, and starts with nothing stored.
#include "platform/inifile.h"
#include "platform/registry.h"
#include "settings/settingskeys.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <QFile>

namespace vistrel::settings::test {

inline std::string J(const QStringList &l) { return l.join(" | ").toStdString(); }

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    programDir = vistrel::test::freshDir("program");
    configDir = vistrel::test::freshDir("config");
    qputenv("VISTREL_PROGRAM_DIR", programDir.toUtf8());
    qputenv("XDG_CONFIG_HOME", configDir.toUtf8());
    StoreMode = 2;
    CancelStoreCleanup();
  }
  void TearDown() override { CancelStoreCleanup(); }

  QString IniPath() const { return programDir + "/Vistrel.ini"; }
  QStringList IniLines() const {
    QStringList lines;
    platform::ReadIniLines(IniPath(), lines);
    return lines;
  }
  void WriteIni(const QStringList &lines) const { platform::WriteIniLines(IniPath(), lines); }
  platform::Registry &Reg() const { return platform::Registry::User(); }
  bool RegistryFileExists() const { return QFile::exists(platform::Registry::UserFilePath()); }

  QString programDir, configDir;
};

}  // namespace vistrel::settings::test
