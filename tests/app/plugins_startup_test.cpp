// Capture plug-ins found in the plug-in folder at start-up take over the
// devices they name, and the system report lists them.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "appwindows.h"
#include "platform/folders.h"

using namespace vistrel;
using test::SpinUntil;
using test::Windows;

#ifdef EXAMPLE_PLUGIN
TEST(PluginsAtStartup, TheExamplePlugInTakesOverTheTestCameraAndIsReported) {
  const QString folder = test::freshDir("plugins");
  ASSERT_TRUE(QFile::copy(EXAMPLE_PLUGIN, folder + "/pattern.pcf"));
  // A portable settings file beside the program names the plug-in folder.
  const QString ini = platform::ProgramFolder() + "/Vistrel.ini";
  {
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBF[\\Software\\Brenvik\\Vistrel]\r\nPlugins Dir=" + QDir::toNativeSeparators(folder).toUtf8() +
            "/\r\nSource video=Vistrel Test Camera\r\nAudio source=no audio stream\r\n");
  }
  {
    Windows w;
    w.form.show();
    ASSERT_TRUE(SpinUntil([&] { return w.form.StartupDone(); }));
    EXPECT_TRUE(w.form.HelpFrame->report->toPlainText().contains("Vistrel Test Camera in pattern.pcf"))
        << w.form.HelpFrame->report->toPlainText().toStdString();
    // The plug-in's own source feeds the preview.
    EXPECT_TRUE(SpinUntil([&] { return w.dm.PreviewFramesReceived() > 5; }));
    w.form.close();
  }
  QFile::remove(ini);
}
#endif
