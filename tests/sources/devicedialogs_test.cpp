// The settings menus and dialogs of the test capture card and of devices
// with nothing to set.
#include "catalogfixture.h"
#include "sources/devicedialogs.h"
#include "sources/sourcecatalog.h"

#include <QMenu>
#include <QSlider>

#include <gtest/gtest.h>

using namespace vistrel;
using namespace vistrel::sources;

namespace {

struct Dialogs : test::CatalogFixture {
  TCaptureDevice *Card() { return catalog.FindVideo("Vistrel Test Capture Card - Video")->Device; }
};

QStringList Texts(QMenu *menu) {
  QStringList out;
  for (QAction *a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return out;
}

}  // namespace

TEST(PinTypes, Names) {
  EXPECT_EQ(NomTypePin(1), "Video Tuner");
  EXPECT_EQ(NomTypePin(3), "Video SVideo");
  EXPECT_EQ(NomTypePin(14), "Video Scart");
  EXPECT_EQ(NomTypePin(4098), "Audio Mic");
  EXPECT_EQ(NomTypePin(4105), "Audio Decoder");
  EXPECT_EQ(NomTypePin(15), "Unknown");
  EXPECT_EQ(NomTypePin(0), "Unknown");
}

TEST_F(Dialogs, CaptureCardMenuOffersControlsFormatsAndInputs) {
  auto settings = SettingsOf(*Card());
  ASSERT_TRUE(settings);
  MediaTypeList formats;
  FillMediaTypeList(*Card(), formats);
  SettingsMenuModel model = VideoMenuModel(settings.get(), formats.Count());
  EXPECT_EQ(model.items, (QStringList{"Video Capture Filter...", "Video Capture Pin...", "-", "Video Input"}));
  EXPECT_EQ(model.inputs, (QStringList{"Composite", "S-Video"}));
  EXPECT_EQ(model.checkedInput, 0);

  QMenu menu;
  QStringList opened;
  int routedTo = -1;
  FillSettingsMenu(&menu, model, [&](const QString &item) { opened << item; },
                   [&](int input) {
                     routedTo = input;
                     return settings->SelectInput(input);
                   });
  EXPECT_EQ(Texts(&menu), (QStringList{"Video Capture Filter...", "Video Capture Pin...", "-", "Video Input"}));
  QMenu *inputs = menu.actions().last()->menu();
  ASSERT_NE(inputs, nullptr);
  ASSERT_EQ(inputs->actions().size(), 2);
  inputs->actions()[1]->trigger();
  EXPECT_EQ(routedTo, 1);
  EXPECT_EQ(settings->CurrentInput(), 1);
  EXPECT_TRUE(inputs->actions()[1]->isChecked());
  menu.actions()[0]->trigger();
  EXPECT_EQ(opened, QStringList{"Video Capture Filter..."});

  // Opening the menu again shows the input in use and leaves it there.
  SettingsMenuModel again = VideoMenuModel(settings.get(), formats.Count());
  EXPECT_EQ(again.checkedInput, 1);
  EXPECT_EQ(settings->CurrentInput(), 1);
  EXPECT_FALSE(settings->SelectInput(5));
  EXPECT_EQ(settings->CurrentInput(), 1);
}

TEST_F(Dialogs, ControlsDialogChangesTheDevice) {
  auto settings = SettingsOf(*Card());
  ASSERT_TRUE(settings);
  auto controls = settings->Controls();
  ASSERT_FALSE(controls.empty());
  const DeviceControl first = controls.front();
  DeviceControlsDialog dialog(*settings, "Card");
  auto *slider = dialog.findChild<QSlider *>(first.name);
  ASSERT_NE(slider, nullptr);
  const int target = first.defaultValue == first.maximum ? first.minimum : first.maximum;
  slider->setValue(target);
  EXPECT_EQ(settings->Controls().front().value, target);
  dialog.ResetDefaults();
  EXPECT_EQ(settings->Controls().front().value, first.defaultValue);
}

TEST_F(Dialogs, FormatDialogReturnsTheChosenEntry) {
  MediaTypeList formats;
  FillMediaTypeList(*catalog.FindVideo("Vistrel Test Camera")->Device, formats);
  ASSERT_GT(formats.Count(), 1);
  CaptureFormatDialog dialog(formats, 2);
  EXPECT_EQ(dialog.Selected(), 2);
  dialog.Select(formats.Count() + 5);  // out of range: unchanged
  EXPECT_EQ(dialog.Selected(), 2);
}

TEST_F(Dialogs, MicrophoneGainIsTheAudioCaptureFilterPage) {
  TCaptureDevice *mic = catalog.FindAudio("Vistrel Test Microphone")->Device;
  ASSERT_TRUE(mic->SetSourceGraph());
  auto settings = SettingsOf(*mic);
  ASSERT_TRUE(settings);
  EXPECT_EQ(AudioMenuModel(settings.get(), 1).items,
            (QStringList{"Audio Capture Filter...", "Audio Capture Pin..."}));
  ASSERT_EQ(settings->Controls().size(), 1u);
  EXPECT_EQ(settings->Controls().front().value, 25);
  EXPECT_TRUE(settings->SetControl(1, 180));  // clamped to the range
  EXPECT_EQ(settings->Controls().front().value, 100);
  EXPECT_FALSE(settings->SetControl(2, 10));
  // No sound card here: a card that cannot be opened offers nothing.
  EXPECT_FALSE(OpenAlsaMixerSettings("hw:97"));
  EXPECT_FALSE(OpenAlsaMixerSettings(""));
}

TEST_F(Dialogs, NothingToSetShowsNoSettingsTab) {
  TCaptureDevice *dv = catalog.FindVideo("DV Source - Video")->Device;
  auto settings = SettingsOf(*dv);
  EXPECT_FALSE(settings);
  QMenu menu;
  FillSettingsMenu(&menu, AudioMenuModel(settings.get(), 0), {}, {});
  EXPECT_EQ(Texts(&menu), QStringList{"[no settings tab]"});
  // A V4L2 node that does not exist offers nothing either.
  EXPECT_FALSE(OpenV4l2Settings("/dev/video-does-not-exist"));
  EXPECT_FALSE(OpenV4l2Settings(""));
}
