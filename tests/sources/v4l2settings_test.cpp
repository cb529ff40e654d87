// The V4L2 side of a TV card's settings, against a driver entry that answers
// as a TV card's driver: three picture inputs with their sound inputs, a
// tuner with two languages, a refused request.
#include "sources/devicesettings.h"

#include <linux/videodev2.h>

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

using namespace vistrel::sources;

namespace {

struct TvCardDriver {
  __u32 input = 0, audio = 1, audmode = V4L2_TUNER_MODE_STEREO, frequency = 7540;  // 471.25 MHz
  int operator()(unsigned long request, void *arg) {
    switch (request) {
      case VIDIOC_ENUMINPUT: {
        auto *in = static_cast<v4l2_input *>(arg);
        static const char *const names[] = {"Television", "Composite1", "S-Video"};
        if (in->index > 2) return Fail();
        std::strcpy(reinterpret_cast<char *>(in->name), names[in->index]);
        in->type = in->index == 0 ? V4L2_INPUT_TYPE_TUNER : V4L2_INPUT_TYPE_CAMERA;
        in->audioset = in->index == 0 ? 0x1 : 0x6;  // tuner sound; line 1 or line 2
        return 0;
      }
      case VIDIOC_G_INPUT: *static_cast<int *>(arg) = int(input); return 0;
      case VIDIOC_S_INPUT: {
        const int i = *static_cast<int *>(arg);
        if (i < 0 || i > 2) return Fail();
        input = __u32(i);
        return 0;
      }
      case VIDIOC_ENUMAUDIO: {
        auto *a = static_cast<v4l2_audio *>(arg);
        static const char *const names[] = {"Tuner", "Line In 1", "Line In 2"};
        if (a->index > 2) return Fail();
        std::strcpy(reinterpret_cast<char *>(a->name), names[a->index]);
        return 0;
      }
      case VIDIOC_G_AUDIO: static_cast<v4l2_audio *>(arg)->index = audio; return 0;
      case VIDIOC_S_AUDIO: {
        auto *a = static_cast<v4l2_audio *>(arg);
        if (a->index > 2) return Fail();
        audio = a->index;
        return 0;
      }
      case VIDIOC_G_TUNER: {
        auto *t = static_cast<v4l2_tuner *>(arg);
        t->type = V4L2_TUNER_ANALOG_TV;
        t->capability = V4L2_TUNER_CAP_STEREO | V4L2_TUNER_CAP_LANG1 | V4L2_TUNER_CAP_LANG2;
        t->rxsubchans = V4L2_TUNER_SUB_LANG1 | V4L2_TUNER_SUB_LANG2;
        t->audmode = audmode;
        return 0;
      }
      case VIDIOC_S_TUNER: {
        auto *t = static_cast<v4l2_tuner *>(arg);
        if (t->audmode > V4L2_TUNER_MODE_LANG1_LANG2) return Fail();
        audmode = t->audmode;
        return 0;
      }
      case VIDIOC_G_FREQUENCY: static_cast<v4l2_frequency *>(arg)->frequency = frequency; return 0;
      case VIDIOC_S_FREQUENCY: frequency = static_cast<v4l2_frequency *>(arg)->frequency; return 0;
      default: return Fail();
    }
  }
  static int Fail() {
    errno = EINVAL;
    return -1;
  }
};

}  // namespace

TEST(V4l2TvCard, InputsAndTheirSoundInputsAreTheTwoCrossbars) {
  TvCardDriver driver;
  auto settings = V4l2SettingsOver(std::ref(driver));
  const auto inputs = settings->Inputs();
  ASSERT_EQ(inputs.size(), 3u);
  EXPECT_EQ(inputs[0].physicalType, 1);
  EXPECT_EQ(inputs[1].physicalType, 2);
  EXPECT_EQ(inputs[2].physicalType, 3);
  EXPECT_EQ(inputs[0].relatedAudio, 0);
  EXPECT_EQ(inputs[2].relatedAudio, 1) << "the lowest of the sound inputs it can go with";
  const auto sound = settings->AudioInputs();
  ASSERT_EQ(sound.size(), 3u);
  EXPECT_EQ(sound[0].physicalType, 4096);
  EXPECT_EQ(sound[1].physicalType, 4097);
  EXPECT_TRUE(HasCrossbar(settings->Inputs()));
  EXPECT_EQ(VideoMenuModel(settings.get(), 0).items,
            (QStringList{"Video Crossbar...", "Second Crossbar...", "TV Tuner...", "-", "Video Input"}));

  EXPECT_TRUE(RouterEntree(*settings, 0));
  EXPECT_EQ(driver.input, 0u);
  EXPECT_EQ(driver.audio, 0u);
  EXPECT_EQ(settings->CurrentAudioInput(), 0);
  EXPECT_TRUE(settings->SelectAudioInput(2));
  EXPECT_EQ(driver.audio, 2u);
  EXPECT_FALSE(settings->SelectAudioInput(3));
  EXPECT_FALSE(settings->SelectAudioInput(-1));
  EXPECT_EQ(driver.audio, 2u);
  // The picture alone leaves the sound where it is.
  EXPECT_TRUE(settings->SelectInput(1));
  EXPECT_EQ(driver.audio, 2u);
}

TEST(V4l2TvCard, TheTunersSoundModesAreThoseItCanReceive) {
  TvCardDriver driver;
  auto settings = V4l2SettingsOver(std::ref(driver));
  std::vector<int> modes;
  for (const auto &m : settings->TvAudioModes()) modes.push_back(int(m.mode));
  EXPECT_EQ(modes, (std::vector<int>{V4L2_TUNER_MODE_MONO, V4L2_TUNER_MODE_STEREO, V4L2_TUNER_MODE_LANG1,
                                     V4L2_TUNER_MODE_LANG2, V4L2_TUNER_MODE_LANG1_LANG2}));
  EXPECT_EQ(settings->CurrentTvAudioMode(), V4L2_TUNER_MODE_STEREO);
  EXPECT_EQ(settings->TvAudioReceived(), (QStringList{"Language A", "Language B"}));
  EXPECT_TRUE(settings->SetTvAudioMode(V4L2_TUNER_MODE_LANG2));
  EXPECT_EQ(driver.audmode, __u32(V4L2_TUNER_MODE_LANG2));
  EXPECT_FALSE(settings->SetTvAudioMode(9));
  EXPECT_FALSE(settings->SetTvAudioMode(-1));
  EXPECT_EQ(driver.audmode, __u32(V4L2_TUNER_MODE_LANG2));
  // 62.5 kHz units.
  EXPECT_EQ(settings->Frequency(), 471250u);
  EXPECT_TRUE(settings->SetFrequency(479250));
  EXPECT_EQ(driver.frequency, 7668u);
}
