#pragma once
// A graph module with the built-in test devices listed through the device
// model, and a video window on the offscreen platform.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

#include "graph/avgraph.h"
#include "sources/enumerator.h"
#include "sources/sourcecatalog.h"
#include "testenv.h"
#include "ui/videowindow.h"

namespace vistrel::test {

struct PreviewFixture : ::testing::Test {
  Tdm dm;
  sources::SystemDeviceEnumerator enumerator;
  std::unique_ptr<sources::SourceCatalog> catalog;
  ui::VideoWindow window;
  QStringList videoBox, audioBox;

  void SetUp() override {
    enumerator.AddProvider(sources::MakeTestDeviceProvider(&enumerator));
    catalog = std::make_unique<sources::SourceCatalog>(dm.Slots(), enumerator);
    ASSERT_TRUE(catalog->ChargerDrivers(videoBox, audioBox));
    window.resize(320, 240);
    window.show();
    dm.SetVideoWindow(&window);
  }
  void TearDown() override {
    dm.DataModuleDestroy();
    dm.SetVideoWindow(nullptr);
  }
  sources::TVideoSource *Video(const char *name) { return catalog->FindVideo(QString::fromUtf8(name)); }
  sources::TAudioSource *Audio(const char *name) { return catalog->FindAudio(QString::fromUtf8(name)); }
  bool FramesShown(int n, int ms) {
    return SpinUntil([&] { return window.FramesShown() >= n; }, ms);
  }
};

}  // namespace vistrel::test
