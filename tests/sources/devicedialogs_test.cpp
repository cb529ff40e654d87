// The settings menus and dialogs of the test capture card and of devices
// with nothing to set.
#include "catalogfixture.h"
#include "sources/devicedialogs.h"
#include "sources/routingdialogs.h"
#include "sources/sourcecatalog.h"
#include "sources/testdevice_card.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vistrel;
using namespace vistrel::sources;

namespace {

struct Dialogs : test::CatalogFixture {
  TCaptureDevice *Card() { return catalog.FindVideo("Vistrel Test Capture Card - Video")->Device; }
  TestCaptureCardControls *CardControls() { return TestCaptureCardControlsOf(Card()->SourceFilter.get()); }
};

// A device with one input and nothing else, as a camera.
struct OneInput : DeviceSettings {
  int type;
  explicit OneInput(int t) : type(t) {}
  std::vector<DeviceInput> Inputs() const override { return {{"Camera 1", type}}; }
  int CurrentInput() const override { return 0; }
  bool SelectInput(int i) override { return i == 0; }
  std::vector<DeviceControl> Controls() const override { return {}; }
  bool SetControl(quint32, int) override { return false; }
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
  const QStringList items{"Video Capture Filter...", "Video Capture Pin...", "Video Crossbar...", "Second Crossbar...",
                          "TV Tuner...", "-", "Video Input"};
  EXPECT_EQ(model.items, items);
  EXPECT_EQ(model.inputs, (QStringList{"Composite", "S-Video", "Tuner"}));
  EXPECT_EQ(model.checkedInput, 0);

  QMenu menu;
  QStringList opened;
  int routedTo = -1;
  FillSettingsMenu(&menu, model, [&](const QString &item) { opened << item; },
                   [&](int input) {
                     routedTo = input;
                     return settings->SelectInput(input);
                   });
  EXPECT_EQ(Texts(&menu), items);
  QMenu *inputs = menu.actions().last()->menu();
  ASSERT_NE(inputs, nullptr);
  ASSERT_EQ(inputs->actions().size(), 3);
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

TEST_F(Dialogs, CrossbarPagesRouteThePictureAndItsSound) {
  auto settings = SettingsOf(*Card());
  ASSERT_TRUE(settings);
  auto *card = CardControls();
  ASSERT_NE(card, nullptr);
  EXPECT_EQ(card->Pitch(), 660.0) << "the card starts on its line input";
  {
    CrossbarDialog page(*settings, false);
    ASSERT_NE(page.LinkBox(), nullptr);
    EXPECT_TRUE(page.LinkBox()->isChecked());
    ASSERT_EQ(page.InputBox()->count(), 3);
    EXPECT_EQ(page.InputBox()->itemText(2), "2: Video Tuner - Tuner");
    page.InputBox()->setCurrentIndex(2);
    EXPECT_TRUE(page.Apply());
  }
  EXPECT_EQ(card->Input(), 2);
  EXPECT_EQ(card->AudioInput(), 0) << "the tuner's sound came with its picture";
  EXPECT_EQ(card->Pitch(), 330.0);
  {
    // Unlinked, only the picture moves.
    CrossbarDialog page(*settings, false);
    page.LinkBox()->setChecked(false);
    page.InputBox()->setCurrentIndex(0);
    EXPECT_TRUE(page.Apply());
  }
  EXPECT_EQ(card->Input(), 0);
  EXPECT_EQ(card->AudioInput(), 0);
  {
    CrossbarDialog second(*settings, true);
    EXPECT_EQ(second.LinkBox(), nullptr);
    ASSERT_EQ(second.InputBox()->count(), 2);
    EXPECT_EQ(second.InputBox()->currentIndex(), 0);
    EXPECT_EQ(second.InputBox()->itemText(1), "1: Audio Line - Line");
    second.InputBox()->setCurrentIndex(1);
    EXPECT_TRUE(second.Apply());
  }
  EXPECT_EQ(card->AudioInput(), 1);
  // The menu's own routing takes the related sound too, and refuses what is not there.
  EXPECT_TRUE(RouterEntree(*settings, 2));
  EXPECT_EQ(card->AudioInput(), 0);
  EXPECT_FALSE(RouterEntree(*settings, 3));
  EXPECT_FALSE(RouterEntree(*settings, -1));
  EXPECT_EQ(card->Input(), 2);
}

TEST_F(Dialogs, OnlyAnalogueInputsMakeACrossbar) {
  EXPECT_FALSE(HasCrossbar(OneInput(11).Inputs())) << "a camera's one input";
  EXPECT_TRUE(HasCrossbar(OneInput(2).Inputs())) << "a card with only its composite input";
  EXPECT_EQ(VideoMenuModel(nullptr, 0).items, QStringList{});
  const QStringList camera = VideoMenuModel(std::make_unique<OneInput>(11).get(), 4).items;
  EXPECT_FALSE(camera.contains("Video Crossbar..."));
  EXPECT_FALSE(camera.contains("Second Crossbar..."));
}

TEST_F(Dialogs, TvAudioPageSwitchesTheTunersSound) {
  TCaptureDevice *card = Card();
  auto settings = SettingsOf(*card);
  ASSERT_TRUE(settings);
  EXPECT_EQ(AudioMenuModel(settings.get(), 0).items, QStringList{"TV Audio..."});
  // The microphone has no tuner.
  TCaptureDevice *mic = catalog.FindAudio("Vistrel Test Microphone")->Device;
  ASSERT_TRUE(mic->SetSourceGraph());
  EXPECT_FALSE(AudioMenuModel(SettingsOf(*mic).get(), 0).items.contains("TV Audio..."));

  ASSERT_TRUE(RouterEntree(*settings, 2));
  EXPECT_EQ(settings->CurrentTvAudioMode(), int(TvAudio::Stereo));
  {
    TvAudioDialog page(*settings);
    EXPECT_FALSE(page.Choose(9));
    EXPECT_TRUE(page.Choose(int(TvAudio::Language2)));
    EXPECT_TRUE(page.Apply());
  }
  EXPECT_EQ(settings->CurrentTvAudioMode(), int(TvAudio::Language2));
  EXPECT_EQ(CardControls()->Pitch(), 990.0);
  // The language is the tuner's: the line input sounds as before.
  ASSERT_TRUE(settings->SelectAudioInput(1));
  EXPECT_EQ(CardControls()->Pitch(), 660.0);
  EXPECT_EQ(TvAudioName(TvAudio::Language1And2), "Language A + B");
  // The tuner's own page keeps the channel it was set to.
  TunerDialog tuner(*settings);
  EXPECT_EQ(tuner.FrequencyBox()->value(), 471250);
  tuner.FrequencyBox()->setValue(479250);
  EXPECT_TRUE(tuner.Apply());
  EXPECT_EQ(settings->Frequency(), 479250u);
}

TEST(SoundCardSibling, FoundOnTheSameUsbDeviceOrPciSlot) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  const QString sys = root.path();
  auto device = [&](const QString &path) { return QDir().mkpath(sys + "/devices/" + path); };
  auto link = [&](const QString &cls, const QString &name, const QString &path) {
    QDir().mkpath(sys + "/class/" + cls + "/" + name);
    return QFile::link(sys + "/devices/" + path, sys + "/class/" + cls + "/" + name + "/device");
  };
  // A USB TV stick: picture on interface 0, sound on interface 1.
  ASSERT_TRUE(device("usb1/1-2/1-2:1.0") && device("usb1/1-2/1-2:1.1"));
  // A PCI card: picture on function 0, sound on function 1; and a sound card of its own.
  ASSERT_TRUE(device("pci0000:00/0000:03:00.0") && device("pci0000:00/0000:03:00.1") &&
              device("pci0000:00/0000:00:1f.3"));
  ASSERT_TRUE(link("video4linux", "video0", "pci0000:00/0000:03:00.0"));
  ASSERT_TRUE(link("video4linux", "video2", "usb1/1-2/1-2:1.0"));
  ASSERT_TRUE(link("sound", "card0", "pci0000:00/0000:00:1f.3"));
  ASSERT_TRUE(link("sound", "card1", "pci0000:00/0000:03:00.1"));
  ASSERT_TRUE(link("sound", "card2", "usb1/1-2/1-2:1.1"));
  EXPECT_EQ(SiblingVideoNode("hw:1", sys), "/dev/video0");
  EXPECT_EQ(SiblingVideoNode("hw:2,0", sys), "/dev/video2");
  EXPECT_EQ(SiblingVideoNode("hw:0", sys), "");
  EXPECT_EQ(SiblingVideoNode("hw:7", sys), "");
  EXPECT_EQ(SiblingVideoNode("default", sys), "");
  // No board to ask: the sound card alone, or nothing.
  EXPECT_FALSE(OpenSoundCardSettings("hw:97"));
}
