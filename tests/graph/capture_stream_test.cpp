// The stream capture chains recorded from the built-in test devices, the
// files checked with ffprobe, gst-discoverer and our own readers.
#include <QFile>
#include <QFileInfo>

#include "capture_fixture.h"
#include "graph/capture_mpeg.h"
#include "media/aviheader.h"
#include "sources/avsources.h"

using namespace vistrel;

namespace {

// The stream chains and the AVI ones share one way of recording.
struct CaptureStream : test::CaptureFixture {};

QByteArray ReadAll(const QString &file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 Le32(const QByteArray &b, int at) {
  return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16 |
         quint32(quint8(b[at + 3])) << 24;
}

}  // namespace

TEST_F(CaptureStream, WavFileHasItsHeaderByteForByte) {
  ASSERT_TRUE(dm.ConnecterAudio(Audio("Vistrel Test Microphone")));
  dm.CaptureOptions.FrequenceDV = 1;  // the capture format asks for 32 kHz
  const QString file = File("sound.wav");
  ASSERT_TRUE(RecordBuilt([&](const QString &f) { return dm.GrapheWav(f); }, file));
  const QByteArray b = ReadAll(file);
  ASSERT_GT(b.size(), 46);
  // 16-bit stereo PCM: an 18-byte format block, so the data starts at 46.
  EXPECT_EQ(b.left(4), "RIFF");
  EXPECT_EQ(b.mid(8, 8), "WAVEfmt ");
  ASSERT_EQ(Le32(b, 16), 18u);
  EXPECT_EQ(b.mid(38, 4), "data");
  const quint32 data = Le32(b, 42);
  EXPECT_EQ(qint64(data) + 46, b.size());
  EXPECT_EQ(Le32(b, 4), data + 38);
  EXPECT_EQ(b[20], 1);  // PCM
  EXPECT_EQ(Le32(b, 24), 32000u);
  EXPECT_EQ(Le32(b, 28), 128000u);
  ExpectLasts(data / 128000.0, "audio");
  const test::Probe p = test::FfProbe(file);
  EXPECT_EQ(p.container, "wav");
  ExpectLasts(p.duration, "audio");
}

TEST_F(CaptureStream, Mp3FileIsAPlainMpegAudioStreamThatDecodes) {
  ASSERT_TRUE(dm.ConnecterAudio(Audio("Vistrel Test Microphone")));
  dm.CaptureOptions.Mp3Bitrate = 128;
  const QString file = File("sound.mp3");
  ASSERT_TRUE(RecordBuilt([&](const QString &f) { return dm.GrapheMp3(f); }, file));
  const test::Probe p = test::FfProbe(file);
  EXPECT_EQ(p.container, "mp3");
  EXPECT_EQ(p.streams, QStringList{"audio:mp3"});
  EXPECT_EQ(p.Field("audio", "bit_rate"), "128000");
  ExpectLasts(p.duration, "audio");
  QProcess decode;
  decode.start("ffmpeg", {"-v", "error", "-i", file, "-f", "null", "-"});
  ASSERT_TRUE(decode.waitForFinished(30000));
  EXPECT_EQ(decode.exitCode(), 0) << decode.readAllStandardError().toStdString();
  ExpectLasts(test::DiscovererDuration(file), "audio");
}

TEST_F(CaptureStream, WmvHasTheProfilesStreamsAndASaneDuration) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  ASSERT_TRUE(dm.ConnecterAudio(Audio("Vistrel Test Microphone")));
  dm.CaptureOptions.WmvDefaultProfile = 2;  // Low: 320x240
  ASSERT_TRUE(RecordBuilt([&](const QString &f) { return dm.GrapheWmv(f); }, File("both.wmv")));
  const test::Probe p = test::FfProbe(File("both.wmv"));
  EXPECT_EQ(p.container, "asf");
  EXPECT_EQ(p.streams, (QStringList{"video:wmv2", "audio:wmav2"}));
  EXPECT_EQ(p.Field("video", "width"), "320");
  ExpectLasts(p.duration, "video");  // never the encoders' 1000-hour offset
  ExpectLasts(test::DiscovererDuration(File("both.wmv")), "video");

  // Without a sound device the profile's sound stream is left out.
  dm.RetirerCapture();
  dm.DeconnecterAudio(dm.CurrentAudioDevice(), true);
  dm.CaptureOptions.WmvMediaIndex = 4;  // version 8, system profile 3: 320x240
  ASSERT_TRUE(RecordBuilt([&](const QString &f) { return dm.GrapheWmv(f); }, File("video.wmv"), 2000));
  const test::Probe v = test::FfProbe(File("video.wmv"));
  EXPECT_EQ(v.streams, QStringList{"video:wmv2"});
  ExpectLasts(v.duration, "video");
}

TEST_F(CaptureStream, BuildersRefuseWhatTheyCannotRecord) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test Camera")));
  EXPECT_FALSE(dm.GrapheWav(File("none.wav")));  // no sound device
  EXPECT_FALSE(dm.GrapheMp3(File("none.mp3")));
  EXPECT_FALSE(dm.GrapheDV1Natif(File("none.avi")));  // not a DV camcorder
  dm.CaptureOptions.WmvDefaultProfile = 4;  // no such default profile
  EXPECT_FALSE(dm.GrapheWmv(File("x.wmv")));
  dm.CaptureOptions.WmvMediaIndex = 99;  // no such system profile
  EXPECT_FALSE(dm.GrapheWmv(File("y.wmv")));
  dm.CaptureOptions.WmvMediaIndex = 6;  // version 4: sound only, and no sound device
  dm.CaptureOptions.WmvVersion = 0;
  EXPECT_FALSE(dm.GrapheWmv(File("z.wmv")));
  EXPECT_FALSE(QFile::exists(File("none.wav")));
  dm.RetirerCapture();
  EXPECT_TRUE(RunClean(300).isEmpty());
}

TEST_F(CaptureStream, DvType1IsOneInterleavedStreamAndCutGoesOnInANewFile) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("DV Source - Video")));
  ASSERT_TRUE(dm.ConnecterAudio(Audio("DV Source - Audio")));
  const QString file = File("dv1.avi");
  ASSERT_TRUE(RecordBuilt([&](const QString &f) { return dm.GrapheDV1Natif(f); }, file));
  const media::AviFile avi = media::ReadAviFile(file);
  ASSERT_TRUE(avi.valid) << avi.error;
  ASSERT_EQ(avi.streams.size(), 1u);
  EXPECT_EQ(avi.streams[0].type + avi.streams[0].handler, "iavsdvsd");
  EXPECT_EQ(avi.streams[0].length, avi.TotalChunks());
  ExpectLasts(avi.streams[0].length / 25.0, "video");
  const test::Probe p = test::FfProbe(file);
  EXPECT_EQ(p.Field("video", "codec_name"), "dvvideo");
  ExpectLasts(p.duration, "video");
  ExpectLasts(test::DiscovererDuration(file), "video");

  ASSERT_TRUE(dm.ChangerFichierCapture(settings::CutBy::DeviceChain, File("part2.avi")));
  Record(1000);
  ExpectLasts(media::ReadAviFile(File("part2.avi")).TotalChunks() / 25.0, "video");
}

// Every chain comes down whole: the preview runs on without errors and the
// same chain can be built again on the freed taps.
TEST_F(CaptureStream, EachChainComesDownAndCanBeBuiltAgain) {
  struct Case {
    const char *video, *audio, *file;
    std::function<bool(const QString &)> build;
  };
  const std::vector<Case> cases{
      {nullptr, "Vistrel Test Microphone", "a.wav", [&](const QString &f) { return dm.GrapheWav(f); }},
      {nullptr, "Vistrel Test Microphone", "a.mp3", [&](const QString &f) { return dm.GrapheMp3(f); }},
      {"Vistrel Test Camera", "Vistrel Test Microphone", "a.wmv", [&](const QString &f) { return dm.GrapheWmv(f); }},
      {"Vistrel Test MPEG Encoder - Video", "Vistrel Test MPEG Encoder - Audio", "a.mpg",
       [&](const QString &f) { return dm.GrapheMpegNatif(f); }},
      {"DV Source - Video", "DV Source - Audio", "a.avi", [&](const QString &f) { return dm.GrapheDV1Natif(f); }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    if (c.video) {
      ASSERT_TRUE(dm.ConnecterVideo(Video(c.video)));
    }
    ASSERT_TRUE(dm.ConnecterAudio(Audio(c.audio)));
    for (int round = 0; round < 2; ++round) {
      const QString file = File(c.file) + QString::number(round);
      ASSERT_TRUE(RecordBuilt(c.build, file, 800));
      ASSERT_TRUE(dm.RetirerCapture());
      EXPECT_GT(QFileInfo(file).size(), 1000);
      for (const char *name : {"FileWriter", "writer", "CaptureMux", "CaptureSink", "Wave Dest", "mp3", "muxer"}) {
        EXPECT_EQ(dm.fg().FindFilter(name), nullptr) << name;
      }
      EXPECT_TRUE(RunClean(300).isEmpty());
      dm.StopGraph();
    }
    if (c.video) dm.DeconnecterVideo(dm.CurrentVideoDevice(), true);
    dm.DeconnecterAudio(dm.CurrentAudioDevice(), true);
  }
}

TEST_F(CaptureStream, Mpeg2NativeStreamIsCopiedIntoAProgramStream) {
  ASSERT_TRUE(dm.ConnecterVideo(Video("Vistrel Test MPEG Encoder - Video")));
  ASSERT_TRUE(dm.ConnecterAudio(Audio("Vistrel Test MPEG Encoder - Audio")));
  const QString file = File("native.mpg");
  ASSERT_TRUE(RecordBuilt([&](const QString &f) { return dm.GrapheMpegNatif(f); }, file));
  // Copied, not encoded again: no video encoder outside the card itself.
  for (const auto &e : dm.fg().Filters()) {
    GstElementFactory *factory = gst_element_get_factory(e.get());
    const char *klass = factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : "";
    EXPECT_FALSE(QByteArray(klass).contains("Encoder/Video")) << GST_OBJECT_NAME(e.get());
  }
  const test::Probe p = test::FfProbe(file);
  EXPECT_EQ(p.container, "mpeg");
  QStringList streams = p.streams;  // in the order the first packets came
  streams.sort();
  EXPECT_EQ(streams, (QStringList{"audio:mp2", "video:mpeg2video"}));
  EXPECT_EQ(p.Field("video", "width"), "720");
  ExpectLasts(p.duration, "video");
  // mpegpsmux writes one pack header (SCR) per group of pictures, and the
  // GStreamer demuxer estimates the length from the first time stamp after
  // the first pack to the last pack's SCR, so it comes out one to three
  // groups short (0.48 s each here); ffprobe above reads every packet. The
  // estimate must still be a real one, never beyond the recording.
  const double discovered = test::DiscovererDuration(file);
  EXPECT_GT(discovered, 0.5);
  EXPECT_LT(discovered, span->Seconds("video") + 0.12);
}

TEST_F(CaptureStream, Mpeg1NativeStreamGoesIntoAnMpeg1SystemStream) {
  auto *video = Video("Vistrel Test MPEG Encoder - Video");
  ASSERT_NE(video, nullptr);
  media::CapsRef mpeg1 = media::CapsRef::Adopt(gst_caps_from_string("video/mpeg,mpegversion=1,systemstream=false"));
  video->Device->SetFormat(mpeg1.get());
  ASSERT_TRUE(dm.ConnecterVideo(video));
  ASSERT_TRUE(RecordBuilt([&](const QString &f) { return dm.GrapheMpegNatif(f); }, File("native1.mpg")));
  const test::Probe p = test::FfProbe(File("native1.mpg"));
  EXPECT_EQ(p.streams, QStringList{"video:mpeg1video"});  // no sound device: no sound stream
  EXPECT_EQ(p.Field("video", "width"), "352");
  ExpectLasts(p.duration, "video");
}

TEST(MpegCandidates, MultiplexersAndEncodersFollowTheStreamTheyMustCarry) {
  capture::MpegCandidates c;
  media::CapsRef mpeg2 = media::CapsRef::Adopt(gst_caps_from_string("video/mpeg,mpegversion=2,systemstream=false"));
  media::CapsRef mpeg1 = media::CapsRef::Adopt(gst_caps_from_string("video/mpeg,mpegversion=1,systemstream=false"));
  media::CapsRef dv = media::CapsRef::Adopt(gst_caps_from_string("video/x-dv,systemstream=false"));
  ASSERT_TRUE(c.ChercherMux(mpeg2.get()));
  EXPECT_EQ(media::FactoryName(c.Muxers().front().get()), "mpegpsmux");  // primary rank first
  ASSERT_TRUE(c.ChercherMux(mpeg1.get()));
  for (const auto &f : c.Muxers()) EXPECT_NE(media::FactoryName(f.get()), "mpegpsmux");
  EXPECT_FALSE(c.ChercherMux(dv.get()));
  media::FilterSlot slot("muxer");
  EXPECT_FALSE(c.MuxSuivant(slot));  // an empty list has no next

  ASSERT_TRUE(c.ChercherEncodeurAudio());
  QStringList names;
  for (const auto &f : c.AudioEncoders()) names << media::FactoryName(f.get());
  EXPECT_FALSE(names.contains("lamemp3enc")) << "layer III is not what a program stream carries";
  EXPECT_TRUE(names.contains("twolamemp2enc") || names.contains("avenc_mp2"));
  int bound = 0;
  while (c.EncodeurAudioSuivant(slot)) ++bound;
  EXPECT_EQ(bound, names.size());
}
