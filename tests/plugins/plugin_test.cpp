// Plug-in discovery, the device contract with the pi_* exports and their
#include "media/pins.h"
// calling order, over the example plug-in built with the project.
#include "plugins/plugin.h"
#include "sources/sourcecatalog.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

using namespace vistrel;
using namespace vistrel::plugins;
using namespace vistrel::sources;

namespace {

QString PluginFolder() {
  const QString dir = test::freshDir("plugins");
  QFile::copy(EXAMPLE_PLUGIN, dir + "/b_pattern.pcf");
  QFile::copy(EXAMPLE_PLUGIN, dir + "/c_pattern_again.pcf");
  QFile::copy(NOCREATE_PLUGIN, dir + "/d_nocreate.pcf");
  QFile junk(dir + "/a_not_a_library.pcf");
  junk.open(QIODevice::WriteOnly);
  junk.write("this is not a shared object");
  return dir;
}

QStringList ReadLog(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

}  // namespace

TEST(Plugins, DiscoveryListsLoadableFilesInOrder) {
  const QString dir = PluginFolder();
  TpluginList list;
  EXPECT_EQ(ChargerPlugins(list, dir), 3) << "the file that is not a library is skipped";
  EXPECT_EQ(list.Item(0).DriverName, "Vistrel Test Camera");
  EXPECT_TRUE(list.Item(0).FileName.endsWith("b_pattern.pcf"));
  EXPECT_EQ(list.Item(2).DriverName, "Vistrel Test Microphone");
  // Two plug-ins with the same driver name: the first found is used.
  EXPECT_EQ(list.IndexOfName("Vistrel Test Camera"), 0);
  EXPECT_EQ(list.IndexOfName("vistrel test camera"), -1);
  auto report = PluginReport(list);
  ASSERT_EQ(report.size(), 3u);
  EXPECT_EQ(report[0].Text, "Vistrel Test Camera in b_pattern.pcf");

  // A missing folder lists nothing and empties the list.
  EXPECT_EQ(ChargerPlugins(list, dir + "/missing"), 0);
  EXPECT_EQ(list.Count(), 0);
}

TEST(Plugins, DeviceCallsExportsInOrder) {
  const QString log = test::freshDir("pluginlog") + "/calls.txt";
  qputenv("VISTREL_PLUGIN_LOG", log.toUtf8());
  media::Graph graph;
  GraphSlots graphSlots(graph);
  {
    TPlugInCaptureDevice device(graphSlots, "Vistrel Test Camera", 2, EXAMPLE_PLUGIN);
    ASSERT_TRUE(device.Valid);
    EXPECT_EQ(device.Kind, DeviceKind::PlugIn);
    EXPECT_EQ(device.DisplayName, "Pattern Camera #2");
    EXPECT_EQ(device.DeviceName, "Vistrel Test Camera");
    EXPECT_EQ(device.VideoStreams, 1);
    EXPECT_EQ(device.AudioStreams, 0);
    ASSERT_TRUE(device.SourceFilter);

    ASSERT_NE(device.SetSourceGraph(), nullptr);
    device.SetVideoGraph(1);
    ASSERT_TRUE(graphSlots.VideoOutPin);
    ASSERT_TRUE(graphSlots.NativeVideoTee);
    EXPECT_EQ(device.NativeFormat1, 5);
    EXPECT_FALSE(device.SetAudioGraph(1)) << "the plug-in has no sound";

    // The preview runs from the plug-in's pin.
    GstElement *sink = gst_element_factory_make("fakesink", nullptr);
    ASSERT_TRUE(graph.AddFilter(sink, "sink"));
    ASSERT_TRUE(graph.Connect(graphSlots.VideoOutPin.get(), media::Pin(sink, 0).get()));
    EXPECT_TRUE(graph.Run());
    EXPECT_TRUE(graph.Stop());
    graph.RemoveFilter(sink);

    // Its own recording chain: its file sink is finalized with the graph's.
    EXPECT_EQ(device.NativeFormat2, 1);
    EXPECT_TRUE(device.BuildMuxGraph("/tmp/x.avi"));
    EXPECT_EQ(graph.RecordingBranchCount(), 1);
    EXPECT_TRUE(device.KillMuxGraph());
    EXPECT_EQ(graph.RecordingBranchCount(), 0);
    EXPECT_TRUE(device.KillVideoGraph());
    EXPECT_FALSE(graphSlots.NativeVideoTee);
    EXPECT_TRUE(device.KillSourceGraph());
  }
  qunsetenv("VISTREL_PLUGIN_LOG");
  EXPECT_EQ(ReadLog(log), (QStringList{"pi_drivername", "pi_friendlyname", "pi_create", "pi_sourcefilter",
                                       "pi_nbstrelvideo", "pi_nbstrelaudio", "pi_setsourcegraph", "pi_setvideograph",
                                       "pi_setaudiograph", "pi_buildmuxgraph", "pi_killmuxgraph", "pi_killvideograph",
                                       "pi_killsourcegraph", "pi_destroy"}));
}

TEST(Plugins, UnusableLibrariesGiveInvalidDevices) {
  media::Graph graph;
  GraphSlots graphSlots(graph);
  TPlugInCaptureDevice wrongName(graphSlots, "Some Other Camera", 1, EXAMPLE_PLUGIN);
  EXPECT_FALSE(wrongName.Valid);
  TPlugInCaptureDevice noCreate(graphSlots, "Vistrel Test Microphone", 1, NOCREATE_PLUGIN);
  EXPECT_FALSE(noCreate.Valid);
  EXPECT_EQ(noCreate.Handle(), 0);
  TPlugInCaptureDevice missing(graphSlots, "X", 1, "/nonexistent/x.pcf");
  EXPECT_FALSE(missing.Valid);
  // Operations on an invalid device do nothing and never crash.
  EXPECT_EQ(missing.SetSourceGraph(), nullptr);
  missing.SetVideoGraph(1);
  EXPECT_FALSE(graphSlots.VideoOutPin);
  EXPECT_FALSE(missing.BuildMuxGraph("/tmp/x.avi"));
}

TEST(Plugins, TakeOverTestDevicesInTheSourceLists) {
  const QString dir = PluginFolder();
  TpluginList list;
  ChargerPlugins(list, dir);
  media::Graph graph;
  GraphSlots graphSlots(graph);
  SystemDeviceEnumerator enumerator;
  enumerator.AddProvider(MakeTestDeviceProvider(nullptr));
  SourceCatalog catalog(graphSlots, enumerator);
  catalog.VideoDevices.SetPluginHook(MakePluginHook(list, graphSlots));
  catalog.AudioDevices.SetPluginHook(MakePluginHook(list, graphSlots));
  QStringList videoBox, audioBox;
  ASSERT_TRUE(catalog.ChargerDrivers(videoBox, audioBox));
  EXPECT_EQ(videoBox.first(), "Pattern Camera");
  EXPECT_FALSE(videoBox.contains("Vistrel Test Camera"));
  // The microphone's plug-in cannot create a device: not listed, and marked.
  EXPECT_FALSE(audioBox.contains("Vistrel Test Microphone"));
  EXPECT_FALSE(audioBox.contains("Silent"));
  EXPECT_FALSE(list.Item(2).Usable);
  EXPECT_TRUE(list.Item(0).Usable);
  ASSERT_TRUE(catalog.ChargerDrivers(videoBox, audioBox));
  EXPECT_FALSE(audioBox.contains("Vistrel Test Microphone"));
}
