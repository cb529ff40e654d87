// Beeps play beside everything else: starting one never waits for it, and
// each pipeline goes away on its own when its sound ends.
#include "media/soundplayer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <chrono>
#include <thread>

#include "platform/sounds.h"

namespace vistrel::media {
namespace {

bool WaitUntilQuiet(int ms) {
  for (int i = 0; i < ms / 10 && SoundsPlaying() > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return SoundsPlaying() == 0;
}

TEST(SoundPlayer, PlayingReturnsAtOnceAndCleansUp) {
  ASSERT_TRUE(WaitUntilQuiet(5000));
  QElapsedTimer clock;
  clock.start();
  PlayBeep(0);
  PlayBeep(1);
  PlayBeep(7);  // not a beep: ignored
  PlayWave({});
  const qint64 startedIn = clock.elapsed();
  EXPECT_EQ(SoundsPlaying(), 2);
  // Each beep lasts about 60 ms; starting them must not wait for them.
  EXPECT_LT(startedIn, 1000);
  EXPECT_TRUE(WaitUntilQuiet(5000));
}

TEST(SoundPlayer, ManyBeepsInARowAllEnd) {
  for (int i = 0; i < 20; ++i) PlayBeep(i % 2);
  EXPECT_TRUE(WaitUntilQuiet(10000));
}

TEST(SoundPlayer, WhatIsNotAWaveEndsToo) {
  // wavparse refuses it with an error: the playback must end all the same.
  PlayWave(QByteArray("not a wave file at all, only text", 33));
  EXPECT_TRUE(WaitUntilQuiet(5000));
  PlayWave(platform::BeepWave(0).left(44));  // a header and no sound
  EXPECT_TRUE(WaitUntilQuiet(5000));
}

}  // namespace
}  // namespace vistrel::media
