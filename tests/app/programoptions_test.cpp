#include "app/programoptions.h"

#include <gtest/gtest.h>

#include "app/startupcheck.h"
#include "testenv.h"

using namespace vistrel;
using platform::DlgAnswer;

TEST(ProgramOptions, OwnOptionsAreTakenOutAndSwitchesStay) {
  const auto o = ParseProgramOptions({"vistrel", "--answer=ALL", "+capture", "-platform", "offscreen",
                                      "/grab=3", "--test-devices", "quit"});
  EXPECT_TRUE(o.error.isEmpty());
  ASSERT_TRUE(o.answer.has_value());
  EXPECT_EQ(*o.answer, DlgAnswer::All);
  EXPECT_TRUE(o.testDevices);
  EXPECT_EQ(o.rest, QStringList({"vistrel", "+capture", "-platform", "offscreen", "/grab=3", "quit"}));
}

TEST(ProgramOptions, UnknownOrMalformedOptionsAreErrors) {
  EXPECT_FALSE(ParseProgramOptions({"vistrel", "--frobnicate"}).error.isEmpty());
  EXPECT_FALSE(ParseProgramOptions({"vistrel", "--answer=maybe"}).error.isEmpty());
  EXPECT_FALSE(ParseProgramOptions({"vistrel", "--answer="}).error.isEmpty());
  // The first unknown option is the one reported.
  EXPECT_TRUE(ParseProgramOptions({"vistrel", "--x", "--y"}).error.contains("--x"));
}

TEST(ProgramOptions, RepairTakesEveryWordAfterItAsAFile) {
  const auto o = ParseProgramOptions({"vistrel", "--answer=no", "--repair", "a.avi", "--help", "b c.wav"});
  EXPECT_TRUE(o.error.isEmpty());
  EXPECT_FALSE(o.help);  // a file that happens to be named so
  EXPECT_EQ(o.repair, QStringList({"a.avi", "--help", "b c.wav"}));
  EXPECT_FALSE(ParseProgramOptions({"vistrel", "--repair"}).error.isEmpty());
}

TEST(StartupCheck, WarnsOnOldFrameworkOrMissingElements) {
  FrameworkFacts ok{"1.22.0", 122, {}};
  EXPECT_FALSE(NeedsFrameworkWarning(ok));
  EXPECT_FALSE(NeedsFrameworkWarning({"1.24.2", 124, {}}));
  EXPECT_TRUE(NeedsFrameworkWarning({"1.20.3", 120, {}}));
  EXPECT_TRUE(NeedsFrameworkWarning({"Error", 0, {}}));

  FrameworkFacts missing{"1.22.0", 122, {{"avenc_dvvideo", "gstreamer1.0-libav"}}};
  ASSERT_TRUE(NeedsFrameworkWarning(missing));
  const QString text = FrameworkWarningText(missing);
  EXPECT_TRUE(text.contains("avenc_dvvideo")) << text.toStdString();
  EXPECT_TRUE(text.contains("gstreamer1.0-libav"));
  EXPECT_TRUE(text.startsWith("You use GStreamer 1.22.0."));
  EXPECT_TRUE(text.contains("in order to run correctly Vistrel version 6.3.0 en."));
  EXPECT_TRUE(text.endsWith("Do you want to continue anyway? If yes, the application may not work well."));
}

TEST(StartupCheck, OnlyYesContinues) {
  auto &dialogs = platform::DialogService::Instance();
  const FrameworkFacts old{"1.20.3", 120, {}};
  dialogs.SetUnattended(DlgAnswer::No);
  EXPECT_FALSE(RunStartupCheck(old));
  dialogs.SetUnattended(DlgAnswer::Yes);
  EXPECT_TRUE(RunStartupCheck(old));
  dialogs.SetUnattended(DlgAnswer::No);
  EXPECT_TRUE(RunStartupCheck({"1.22.0", 122, {}}));  // nothing asked
  dialogs.SetUnattended(std::nullopt);
}

TEST(StartupCheck, ThisMachineHasWhatVistrelNeeds) {
  const FrameworkFacts facts = ReadFrameworkFacts();
  EXPECT_GE(facts.majorMinor, kMinimumFrameworkVersion) << facts.versionText.toStdString();
  for (const auto &[element, package] : facts.missing)
    ADD_FAILURE() << "missing " << element.toStdString() << " from " << package.toStdString();
}

TEST(StartupCheck, AnUnwritableSettingsFolderOrPortableFileIsToldWithWhatItMeans) {
  const QString dir = test::freshDir("settings");
  EXPECT_EQ(UnwritableSettingsText(dir, dir + "/Vistrel.ini"), "");
  const QString nowhere = "/proc/vistrel-settings";  // unwritable whoever runs the test
  const QString told = UnwritableSettingsText(nowhere, "");
  EXPECT_TRUE(told.contains(nowhere)) << told.toStdString();
  EXPECT_TRUE(told.contains("the settings will not be kept")) << told.toStdString();
  EXPECT_TRUE(told.contains("cannot be repaired")) << told.toStdString();
  // A portable file counts only when there is one.
  EXPECT_EQ(UnwritableSettingsText(dir, "/proc/Vistrel.ini"), "");
  const QString portable = UnwritableSettingsText(dir, "/proc/self/status");
  EXPECT_TRUE(portable.contains("/proc/self/status")) << portable.toStdString();
  EXPECT_FALSE(portable.contains("cannot be repaired")) << portable.toStdString();
}
