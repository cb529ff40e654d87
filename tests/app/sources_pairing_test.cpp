// Which sound goes with which picture: with nothing saved, and when the user
// picks another picture in the video box.
#include "sources_fixture.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {
const QString kDvVideo = QStringLiteral("DV Source - Video");
const QString kDvAudio = QStringLiteral("DV Source - Audio");
const QString kCardAudio = QStringLiteral("Vistrel Test Capture Card - Audio");
}  // namespace

TEST(SourcePairing, NothingSavedGivesTheCameraTheMicrophoneNotTheCardsSound) {
  StartedWindow w;
  ASSERT_EQ(w.CurrentVideo(), kCamera);
  // The capture card's sound is listed first, but belongs to another picture.
  ASSERT_EQ(w.AudioBox()->itemText(0), kCardAudio);
  EXPECT_EQ(w.CurrentAudio(), kMicrophone);
  EXPECT_EQ(w.AudioBox()->currentText(), kMicrophone);
  // An unknown saved name is treated the same way; with the camcorder as
  // picture its own sound is the one.
  ASSERT_TRUE(w.form.ActiverVideo(kDvVideo));
  w.form.ActiverAudio("Sound Card Unplugged Long Ago");
  EXPECT_EQ(w.CurrentAudio(), kDvAudio);
}

TEST(SourcePairing, ChoosingAPictureBringsItsOwnSoundAndLetsOtherDevicesSoundGo) {
  StartedWindow w;
  w.Choose(w.VideoBox(), kDvVideo);
  EXPECT_EQ(w.CurrentAudio(), kDvAudio);
  EXPECT_EQ(w.form.Parameters().Str("Want audio source"), kDvAudio);
  EXPECT_EQ(w.form.Parameters().Str("Audio source"), kDvAudio);
  // The lock table, applied once the change is over (the preview shows the
  // camcorder again), keeps it.
  ASSERT_TRUE(w.NewFrames(2));
  EXPECT_EQ(w.CurrentAudio(), kDvAudio);

  // The camera has no sound: the camcorder's does not stay behind.
  w.Choose(w.VideoBox(), kCamera);
  EXPECT_EQ(w.CurrentAudio(), kMicrophone);

  w.Choose(w.VideoBox(), kCardVideo);
  EXPECT_EQ(w.CurrentAudio(), kCardAudio);

  // A microphone the user picks stays with a picture that has no sound.
  w.Choose(w.AudioBox(), kMicrophone);
  w.Choose(w.VideoBox(), kCamera);
  EXPECT_EQ(w.CurrentAudio(), kMicrophone);
  EXPECT_TRUE(w.NewFrames(2));
}
