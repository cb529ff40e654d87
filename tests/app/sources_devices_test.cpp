// Devices that fail, arrive, leave or die while the main window previews them.
#include <QCheckBox>
#include <QSignalSpy>

#include "../sources/fakeprovider.h"
#include "settings/optionsframe.h"
#include "sources/enumerator.h"
#include "sources/testdevices.h"
#include "sources_fixture.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

// Extra devices listed by the program's enumerator, empty outside the tests
// that fill it.
std::vector<FakeDevice> &ExtraDevices() {
  static std::vector<FakeDevice> devices;
  static const bool added = [] {
    sources::SystemDeviceEnumerator::Instance().AddProvider(std::make_unique<FakeProvider>(&devices));
    return true;
  }();
  (void)added;
  return devices;
}

struct ExtraDevice {
  explicit ExtraDevice(FakeDevice d) { ExtraDevices().push_back(std::move(d)); }
  ~ExtraDevice() { ExtraDevices().clear(); }
};

const sources::TestDeviceInfo kSecondCamera{sources::TestDeviceKind::Camera, "Second Camera",
                                            "vistrel-test:second-camera", true, false};

}  // namespace

TEST(SourceDevices, ASourceThatCannotConnectIsLeftOutWithoutADialog) {
  // Its output claims to be video but nothing can take it.
  ExtraDevice broken({"fake:odd", "Odd Cam", "fakesrc ! capsfilter caps=video/x-odd-thing"});
  StartedWindow w;
  ASSERT_TRUE(w.Items(w.VideoBox()).contains("Odd Cam"));
  platform::DialogService::Instance().ClearHistory();
  w.Choose(w.VideoBox(), "Odd Cam");
  EXPECT_FALSE(w.Items(w.VideoBox()).contains("Odd Cam"));
  EXPECT_TRUE(w.form.SourcesExclues.contains("Odd Cam"));
  // The lists are rebuilt and the first source previews instead.
  EXPECT_EQ(w.CurrentVideo(), kCamera);
  EXPECT_TRUE(w.NewFrames(2));
  EXPECT_TRUE(platform::DialogService::Instance().History().isEmpty());
  // Excluded for the session: a refresh does not bring it back.
  w.form.ActualiserVideoBtnClick();
  EXPECT_FALSE(w.Items(w.VideoBox()).contains("Odd Cam"));
}

TEST(SourceDevices, HotPlugRefreshesTheBoxesKeepingOrderAndSource) {
  StartedWindow w;
  w.Choose(w.VideoBox(), kCardVideo);
  const QStringList before = w.Items(w.VideoBox());

  sources::AddTestDevice(kSecondCamera);
  ASSERT_TRUE(SpinUntil([&] { return w.Items(w.VideoBox()).contains("Second Camera"); }));
  QStringList expected = before;
  expected.insert(expected.size() - 1, "Second Camera");
  EXPECT_EQ(w.Items(w.VideoBox()), expected);
  EXPECT_EQ(w.CurrentVideo(), kCardVideo);
  EXPECT_TRUE(w.NewFrames(2));

  sources::RemoveTestDevice(kSecondCamera.moniker);
  ASSERT_TRUE(SpinUntil([&] { return !w.Items(w.VideoBox()).contains("Second Camera"); }));
  EXPECT_EQ(w.Items(w.VideoBox()), before);
  EXPECT_EQ(w.CurrentVideo(), kCardVideo);
}

TEST(SourceDevices, UnpluggingThePreviewedSourceKeepsTheWindowWorking) {
  StartedWindow w;
  sources::AddTestDevice(kSecondCamera);
  ASSERT_TRUE(SpinUntil([&] { return w.Items(w.VideoBox()).contains("Second Camera"); }));
  w.Choose(w.VideoBox(), "Second Camera");
  ASSERT_EQ(w.CurrentVideo(), "Second Camera");
  ASSERT_TRUE(w.NewFrames(2));

  sources::RemoveTestDevice(kSecondCamera.moniker);
  ASSERT_TRUE(SpinUntil([&] { return w.dm.CurrentVideoDevice() == nullptr; }));
  // The chosen camera is waited for (the window says so) rather than
  // replaced, and "no video stream" can still be chosen.
  EXPECT_EQ(w.Window()->Message(), "no picture from Second Camera");
  EXPECT_EQ(w.VideoBox()->currentText(), "Second Camera");
  w.Choose(w.VideoBox(), "no video stream");
  EXPECT_EQ(w.dm.CurrentVideoDevice(), nullptr);
  EXPECT_FALSE(w.Window()->isVisible());
}

TEST(SourceDevices, NotificationsOffIgnoreDeviceChangesButHandleALostDevice) {
  // Connects, then fails once running: the device is lost during the preview.
  ExtraDevice dying({"fake:dying", "Dying Cam",
                     "filesrc location=/nonexistent/device ! video/x-raw,format=BGR,width=8,height=8,framerate=25/1 ! "
                     "identity"});
  StartedWindow w;
  w.form.OptionsFrame->options->cbNotifier->setChecked(false);
  EXPECT_FALSE(w.form.Parameters().Bool("Notifier"));

  // Once the change was announced (and a refresh it asked for would have run), the list is as it was.
  QSignalSpy announced(&sources::SystemDeviceEnumerator::Instance(), &sources::SystemDeviceEnumerator::DeviceChange);
  sources::AddTestDevice(kSecondCamera);
  ASSERT_TRUE(SpinUntil([&] { return announced.count() > 0; }, 5000)) << "the change was never announced";
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  EXPECT_FALSE(w.Items(w.VideoBox()).contains("Second Camera")) << "no refresh without notifications";
  sources::RemoveTestDevice(kSecondCamera.moniker);

  w.Choose(w.VideoBox(), "Dying Cam");
  EXPECT_EQ(w.CurrentVideo(), "Dying Cam") << "it connects; the failure comes later";
  // The error comes back as a lost device: the lists are rebuilt without the
  // device that keeps failing, and the preview settles on a working source.
  ASSERT_TRUE(SpinUntil([&] { return !w.Items(w.VideoBox()).contains("Dying Cam"); }, 3000));
  EXPECT_TRUE(w.form.SourcesExclues.contains("Dying Cam"));
  EXPECT_EQ(w.CurrentVideo(), kCamera);
  EXPECT_TRUE(w.NewFrames(2));
  EXPECT_TRUE(platform::DialogService::Instance().History().isEmpty());
  w.form.OptionsFrame->options->cbNotifier->setChecked(true);
}
