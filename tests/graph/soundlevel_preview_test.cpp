// The sound meter's figures from every kind of built-in sound source, DV's
// demuxed sound included: each plays its tone at a quarter of full scale.
#include "preview_fixture.h"

namespace vistrel::test {
namespace {

TEST_F(PreviewFixture, EverySoundSourceIsMeteredAtItsLevel) {
  int metered = 0;
  for (const QString &name : audioBox) {
    sources::TAudioSource *source = catalog->FindAudio(name);
    if (!source || !source->Device) continue;  // "no audio stream"
    SCOPED_TRACE(name.toStdString());
    std::vector<media::SoundLevels> figures;
    QMetaObject::Connection heard =
        QObject::connect(&dm, &Tdm::SoundLevelMeasured, [&](const media::SoundLevels &l) { figures.push_back(l); });
    ASSERT_TRUE(dm.ConnecterAudio(source));
    ASSERT_TRUE(dm.LancerGraphe());
    // The first interval may begin before the tone does.
    ASSERT_TRUE(SpinUntil([&] { return figures.size() >= 4; }, 10000)) << "no figures from the meter";
    QObject::disconnect(heard);
    const media::SoundLevels levels = figures.back();
    ASSERT_GE(levels.channels, 1);
    for (int ch = 0; ch < levels.channels; ++ch) {
      EXPECT_NEAR(levels.peakDb[ch], -12.0, 1.0) << "channel " << ch;
      EXPECT_NEAR(levels.rmsDb[ch], -15.0, 1.0) << "channel " << ch;
    }
    dm.StopGraph();
    ASSERT_TRUE(dm.DeconnecterAudio(source, true));
    ++metered;
  }
  EXPECT_GE(metered, 4) << "the microphone, the capture card, the MPEG encoder and the DV camcorder";
}

}  // namespace
}  // namespace vistrel::test
