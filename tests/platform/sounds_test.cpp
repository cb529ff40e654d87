#include "platform/sounds.h"

#include <gtest/gtest.h>

#include <QtEndian>
#include <cmath>

using namespace vistrel::platform;

namespace {
quint32 U32(const QByteArray &b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
quint16 U16(const QByteArray &b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

// Zero crossings per second of the 8-bit samples: twice the tone's pitch.
double Pitch(const QByteArray &wave) {
  int crossings = 0;
  const auto *s = reinterpret_cast<const unsigned char *>(wave.constData() + 44);
  const int n = int(U32(wave, 40));
  for (int i = 1; i < n; ++i)
    if ((s[i - 1] < 128) != (s[i] < 128)) ++crossings;
  return crossings / 2.0 / (n / 11025.0);
}
}  // namespace

TEST(Sounds, BeepsAreWellFormedWaveFiles) {
  const int dataBytes[] = {649, 635};
  for (int which : {0, 1}) {
    const QByteArray w = BeepWave(which);
    ASSERT_GE(w.size(), 44 + dataBytes[which]);
    EXPECT_EQ(w.left(4), "RIFF");
    EXPECT_EQ(U32(w, 4), quint32(w.size() - 8));
    EXPECT_EQ(w.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(U32(w, 16), 16u);
    EXPECT_EQ(U16(w, 20), 1);       // PCM
    EXPECT_EQ(U16(w, 22), 1);       // mono
    EXPECT_EQ(U32(w, 24), 11025u);  // rate
    EXPECT_EQ(U32(w, 28), 11025u);  // bytes per second
    EXPECT_EQ(U16(w, 32), 1);       // block align
    EXPECT_EQ(U16(w, 34), 8);       // bits
    EXPECT_EQ(w.mid(36, 4), "data");
    EXPECT_EQ(U32(w, 40), quint32(dataBytes[which]));
    // Odd data sizes carry the pad byte RIFF chunks need.
    EXPECT_EQ(w.size() % 2, 0);
  }
  EXPECT_TRUE(BeepWave(2).isEmpty());
  EXPECT_TRUE(BeepWave(-1).isEmpty());
  // Two different tones, both well inside what a speaker plays.
  const double p0 = Pitch(BeepWave(0)), p1 = Pitch(BeepWave(1));
  EXPECT_GT(std::abs(p0 - p1), 200.0);
  EXPECT_GT(std::min(p0, p1), 300.0);
  EXPECT_LT(std::max(p0, p1), 4000.0);
}
