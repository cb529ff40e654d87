// The Settings panel: codec choice, MP3 controls, WMV profiles, the DV rate
// items and the store-mode radio group.
#include "settings/optionsframe.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include "settings/codecs.h"
#include "settings/saveprefsform.h"
#include "settings_fixture.h"

using namespace vistrel::settings;
using namespace vistrel::settings::test;

class OptionsFrameTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    CreateSettings(params);
    frame = std::make_unique<TOptionsFrame>(params);
    frame->show();
  }
  TparameterList params{SettingsSignature()};
  std::unique_ptr<TOptionsFrame> frame;
};

TEST_F(OptionsFrameTest, XvidIsPreferredUnlessTheFavouriteIsListed) {
  const QStringList names{"Cinepak", "DivX Pro 5", "Xvid MPEG-4", "Intel Indeo"};
  DivxChoice c = ChooseDivx(names, "");
  EXPECT_EQ(c.names, (QStringList{"DivX Pro 5", "Xvid MPEG-4"}));
  EXPECT_EQ(c.selected, 1);
  EXPECT_EQ(ChooseDivx(names, "DivX Pro 5").selected, 0);
  EXPECT_EQ(ChooseDivx({"divx a", "divx b"}, "nope").selected, 0);
  EXPECT_EQ(ChooseDivx({"Cinepak"}, "").selected, -1);

  params.SetStr("Divx favori", "DivX Pro 5");
  frame->Populate(names, true);
  EXPECT_TRUE(frame->DivxAvailable());
  EXPECT_EQ(frame->SelectedDivxCodec(), "DivX Pro 5");
  frame->cboxdivx->setCurrentIndex(1);
  EXPECT_EQ(params.Str("Divx favori"), "Xvid MPEG-4");
}

TEST_F(OptionsFrameTest, NoCodecHidesTheDivxPageAndTheMp3Box) {
  frame->LoadFromParameters();
  frame->Populate({"Cinepak"}, true);
  EXPECT_FALSE(frame->DivxAvailable());
  EXPECT_FALSE(frame->Pages->isTabVisible(2));
  EXPECT_TRUE(frame->cbMp3->isHidden());
  EXPECT_TRUE(frame->cboxBitratemp3->isHidden());
  frame->Populate({"Xvid"}, false);
  EXPECT_TRUE(frame->Pages->isTabVisible(2));
  EXPECT_FALSE(frame->lbNoMp3->isHidden());
  EXPECT_TRUE(frame->gbMp3->isHidden());
}

TEST_F(OptionsFrameTest, Mp3BitrateLivesUnderTheEncodersOwnKey) {
  frame->Populate({"Xvid"}, true);
  EXPECT_EQ(frame->cboxBitratemp3->currentText(), "128");
  frame->cboxBitratemp3->setCurrentText("192");
  EXPECT_EQ(ReadMp3Bitrate(), 192);
  WriteMp3Bitrate(77);  // not an item: the box shows 128
  frame->Populate({"Xvid"}, true);
  EXPECT_EQ(frame->cboxBitratemp3->currentText(), "128");
  WriteMp3Bitrate(320);
  frame->Populate({"Xvid"}, true);
  EXPECT_EQ(frame->cboxBitratemp3->currentText(), "320");
}

TEST_F(OptionsFrameTest, ControlsWriteTheirParametersAtOnce) {
  frame->LoadFromParameters();
  frame->cbScn->click();
  EXPECT_TRUE(params.Bool("scn"));
  frame->rgRatioDivX->button(2)->click();
  EXPECT_EQ(params.Byte("Ratio DivX"), 2);
  frame->leNoDatecode->setText("--");
  EXPECT_EQ(params.Str("No Datecode"), "--");
  frame->rgFrequenceDV->button(0)->click();
  EXPECT_EQ(params.Byte("FrequenceDV"), 1) << "32.000 Hz is code 1";
  frame->rgFrequenceDV->button(2)->click();
  EXPECT_EQ(params.Byte("FrequenceDV"), 3);
  params.SetByte("FrequenceDV", 0);
  frame->LoadFromParameters();
  EXPECT_EQ(frame->rgFrequenceDV->checkedId(), 1) << "the native code shows as the rate it is built with";
  EXPECT_EQ(params.Byte("FrequenceDV"), 0) << "loading changes nothing";
  // The MP4 page: the speed box has "auto" (stored as -1) before the presets.
  EXPECT_EQ(frame->cboxH264Preset->currentText(), "auto");
  frame->cboxH264Preset->setCurrentText("ultrafast");
  EXPECT_EQ(params.Int("H264 Preset"), 0);
  frame->seH264Quality->setValue(30);
  EXPECT_EQ(params.Int("H264 Quality"), 30);
  params.SetInt("H264 Preset", 2);
  frame->LoadFromParameters();
  EXPECT_EQ(frame->cboxH264Preset->currentText(), "veryfast");
  EXPECT_EQ(params.Int("H264 Preset"), 2) << "loading changes nothing";
  EXPECT_TRUE(frame->lbMp4Encoders->text().contains("x264enc")) << frame->lbMp4Encoders->text().toStdString();
}

TEST_F(OptionsFrameTest, WmvVersionRefillsTheProfilesAndDefaultsSwitchGroups) {
  frame->rgversion->button(0)->click();
  EXPECT_EQ(params.Int("Version wmv"), 0);
  const QStringList v4 = frame->ProfileEntries();
  ASSERT_FALSE(v4.isEmpty());
  EXPECT_TRUE(v4.first().contains("(v4)"));
  EXPECT_EQ(frame->cboxMedia->currentIndex(), 0);
  frame->SelectWmvVersion(2);
  EXPECT_GT(frame->ProfileEntries().size(), v4.size());
  frame->SelectPreferredProfile(frame->ProfileEntries().at(3));
  EXPECT_EQ(frame->cboxMedia->currentIndex(), 3);
  frame->SelectPreferredProfile("gone");
  EXPECT_EQ(frame->cboxMedia->currentIndex(), 0);

  params.SetBool("Default Profile", false);
  frame->LoadFromParameters();
  frame->SelectProfileEntry(4);
  EXPECT_EQ(frame->ChosenWmvProfile().name, frame->ProfileEntries().at(4)) << "entry i is profile i";
  EXPECT_FALSE(frame->gbStandardProfiles->isHidden());
  frame->cbDefaultProfile->click();
  EXPECT_TRUE(frame->gbStandardProfiles->isHidden());
  frame->rgProfiles->button(3)->click();
  EXPECT_EQ(frame->ChosenWmvProfile().name, "Internet");
  EXPECT_EQ(WmvVersionCode(1), 0x00070000u);
  frame->SaveToParameters();
  EXPECT_EQ(params.Int("Profile wmv"), 3);
  EXPECT_TRUE(params.Bool("Default Profile"));
}

TEST_F(OptionsFrameTest, StoreRadioGroupActsAtOnce) {
  StoreMode = 0;
  SaveSettings(params);
  frame->LoadFromParameters();
  EXPECT_EQ(frame->rgPrefs->checkedId(), 0);
  int reported = -1;
  QObject::connect(frame.get(), &TOptionsFrame::storeModeChanged, [&](int m) { reported = m; });
  params.SetStr("Video Directory", "/elsewhere/");
  frame->rgPrefs->button(1)->click();
  EXPECT_EQ(reported, 1);
  EXPECT_EQ(StoreMode, 1);
  EXPECT_EQ(params.Str("Video Directory"), programDir + "/");
  frame->rgPrefs->button(2)->click();
  EXPECT_FALSE(Reg().KeyExists(SettingsKeyPath()));
  frame->SetStoreModeIndex(0);
  EXPECT_EQ(StoreMode, 0);
  EXPECT_EQ(frame->rgPrefs->checkedId(), 0);
}

TEST_F(OptionsFrameTest, RealCodecDiscoveryFindsTheLibavEncoder) {
  const QList<DivxCodec> codecs = AvailableDivxCodecs();
  const bool haveMpeg4 = std::any_of(codecs.begin(), codecs.end(),
                                     [](const DivxCodec &c) { return c.factory == "avenc_mpeg4"; });
  if (!haveMpeg4) GTEST_SKIP() << "no avenc_mpeg4 on this machine";
  frame->Populate();
  EXPECT_TRUE(frame->DivxAvailable());
  EXPECT_TRUE(frame->SelectedDivxCodec().contains("Xvid"));
  EXPECT_EQ(DivxCodecByName(frame->SelectedDivxCodec())->fourcc, "XVID");
}

TEST_F(OptionsFrameTest, AnInstalledProgramGreysPortableWithTheReasonAndLooksForPlugInsInTheUsersData) {
  auto *portable = frame->rgPrefs->button(1);
  EXPECT_TRUE(portable->isEnabled());
  EXPECT_EQ(portable->toolTip(), "");
  EXPECT_EQ(params.Str("Plugins Dir"), programDir + "/");

  qputenv("VISTREL_PROGRAM_DIR", "/usr/bin");
  TparameterList installed{SettingsSignature()};
  CreateSettings(installed);
  EXPECT_EQ(installed.Str("Plugins Dir"), qEnvironmentVariable("XDG_DATA_HOME") + "/vistrel/plugins/");
  TOptionsFrame panel(installed);
  auto *greyed = panel.rgPrefs->button(1);
  EXPECT_FALSE(greyed->isEnabled());
  EXPECT_EQ(greyed->text(), "Portable Mode (USB key)");
  EXPECT_TRUE(greyed->toolTip().contains("/usr/bin, a folder of the system")) << greyed->toolTip().toStdString();
  EXPECT_TRUE(panel.rgPrefs->button(0)->isEnabled());
  EXPECT_FALSE(TSavePrefsForm().PortableBtn->isEnabled());
  qputenv("VISTREL_PROGRAM_DIR", programDir.toUtf8());
  EXPECT_TRUE(TSavePrefsForm().PortableBtn->isEnabled());
}
