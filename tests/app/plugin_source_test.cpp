// The example plug-in as the picture source of the main window: its
// upside-down frames shown the right way, and its own format-1 recording
// split by Cut into files that each play.
#include <QFile>

#include "../mediaprobe.h"
#include "platform/folders.h"
#include "recording_fixture.h"

using namespace vistrel;
using namespace vistrel::test;

#ifdef EXAMPLE_PLUGIN
namespace {

const QString kPattern = QStringLiteral("Pattern Camera");

// A portable settings file naming the plug-in folder, there before the
// window starts and gone after it closed.
struct PluginSettings {
  QString ini = platform::ProgramFolder() + "/Vistrel.ini";
  explicit PluginSettings(bool upsideDown) {
    if (upsideDown) qputenv("VISTREL_PATTERN_UPSIDE_DOWN", "1");
    const QString folder = freshDir("plugins");
    QFile::copy(EXAMPLE_PLUGIN, folder + "/pattern.pcf");
    QFile f(ini);
    if (!f.open(QIODevice::WriteOnly)) return;
    f.write("\xEF\xBB\xBF[\\Software\\Brenvik\\Vistrel]\r\nPlugins Dir=" + folder.toUtf8() +
            "/\r\nSource video=Pattern Camera\r\nAudio source=no audio stream\r\n");
  }
  ~PluginSettings() {
    qunsetenv("VISTREL_PATTERN_UPSIDE_DOWN");
    QFile::remove(ini);
  }
};

struct PluginWindow : PluginSettings, RecordingWindow {
  explicit PluginWindow(bool upsideDown = false) : PluginSettings(upsideDown) {}
};

bool Greyish(QRgb c) {
  return qAbs(qRed(c) - qGreen(c)) < 24 && qAbs(qGreen(c) - qBlue(c)) < 24 && qRed(c) > 150;
}

}  // namespace

TEST(PluginSource, UpsideDownFramesAreShownTheRightWayUp) {
  PluginWindow w(true);
  ASSERT_EQ(w.CurrentVideo(), kPattern);
  ASSERT_TRUE(w.NewFrames(3));
  const QImage frame = w.Window()->CurrentFrame();
  ASSERT_FALSE(frame.isNull());
  // Colour bars: the light grey bar at the top left, the dark blocks below.
  EXPECT_TRUE(Greyish(frame.pixel(4, 4))) << std::hex << frame.pixel(4, 4);
  EXPECT_FALSE(Greyish(frame.pixel(4, frame.height() - 4))) << std::hex << frame.pixel(4, frame.height() - 4);
}

TEST(PluginSource, CutDuringItsOwnFormat1RecordingStartsItsChainOnTheNextFile) {
  PluginWindow w;
  ASSERT_EQ(w.CurrentVideo(), kPattern);
  w.Format(1);
  platform::DialogService::Instance().ClearHistory();
  w.PressCapture();
  ASSERT_EQ(w.form.Etat(), esCapture) << w.Dialogs().join(" | ").toStdString();
  w.Run(1500);
  w.PressCut();
  EXPECT_EQ(w.form.Etat(), esCapture) << "a cut goes on recording";
  w.Run(1500);
  w.PressCapture();
  EXPECT_EQ(w.form.Etat(), esPreview);
  ASSERT_EQ(w.recorded.size(), 2) << w.Dialogs().join(" | ").toStdString();
  for (const QString &file : w.recorded) {
    const Probe p = FfProbe(file);
    EXPECT_EQ(p.container, "avi") << file.toStdString();
    EXPECT_TRUE(p.streams.contains("video:mjpeg")) << p.streams.join(",").toStdString();
    EXPECT_GT(p.duration, 0.5) << file.toStdString();
  }
  EXPECT_NE(w.recorded[0], w.recorded[1]);
  EXPECT_TRUE(w.NewFrames(2)) << "the preview runs again";
}
#endif
